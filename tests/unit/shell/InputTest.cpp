#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "shell/MainLoop.h"

#include <gtest/gtest.h>

TEST(WindowProc, KeyMessagesDriveKeyStateIncludingRepeats)
{
    KeyState keys;
    MainWindow window;
    platform::Event down{platform::EventType::KeyDown, vk::F4, 0, 0};
    WindowProc(down, keys, window);
    EXPECT_TRUE(keys.down[vk::F4]);
    EXPECT_TRUE(TakeToggle(keys, vk::F4));
    EXPECT_FALSE(keys.down[vk::F4]);
    EXPECT_FALSE(TakeToggle(keys, vk::F4));  // held: nothing until the next key-down
    WindowProc(down, keys, window);           // an auto-repeat
    EXPECT_TRUE(TakeToggle(keys, vk::F4));
    WindowProc(down, keys, window);
    WindowProc({platform::EventType::KeyUp, vk::F4, 0, 0}, keys, window);
    EXPECT_FALSE(TakeToggle(keys, vk::F4));  // a tap between two frames is not seen
}

TEST(WindowProc, MinimiseStopsFramesAndRestoreResumes)
{
    KeyState keys;
    MainWindow window;
    EXPECT_TRUE(window.active);
    WindowProc({platform::EventType::Minimized, 0, 0, 0}, keys, window);
    EXPECT_FALSE(window.active);
    WindowProc({platform::EventType::Restored, 0, 0, 0}, keys, window);
    EXPECT_TRUE(window.active);
}
