#include "platform/Platform.h"

#include <SDL_keycode.h>
#include <gtest/gtest.h>

TEST(TranslateKey, MapsSdlKeysToWin32VirtualKeys)
{
    EXPECT_EQ(platform::TranslateKey(SDLK_w), 'W');
    EXPECT_EQ(platform::TranslateKey(SDLK_s), 'S');
    EXPECT_EQ(platform::TranslateKey(SDLK_a), 0x41);
    EXPECT_EQ(platform::TranslateKey(SDLK_z), 0x5A);
    EXPECT_EQ(platform::TranslateKey(SDLK_ESCAPE), 0x1B);
    EXPECT_EQ(platform::TranslateKey(SDLK_LEFT), 0x25);
    EXPECT_EQ(platform::TranslateKey(SDLK_UP), 0x26);
    EXPECT_EQ(platform::TranslateKey(SDLK_RIGHT), 0x27);
    EXPECT_EQ(platform::TranslateKey(SDLK_DOWN), 0x28);
    EXPECT_EQ(platform::TranslateKey(SDLK_LCTRL), 0x11);
    EXPECT_EQ(platform::TranslateKey(SDLK_RCTRL), 0x11);
    EXPECT_EQ(platform::TranslateKey(SDLK_F1), 0x70);
    EXPECT_EQ(platform::TranslateKey(SDLK_F4), 0x73);
    EXPECT_EQ(platform::TranslateKey(SDLK_F12), 0x7B);
    EXPECT_EQ(platform::TranslateKey(SDLK_CAPSLOCK), 0);
}
