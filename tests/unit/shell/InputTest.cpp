#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "shell/MainLoop.h"
#include "shell/Shell.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

using platform::Event;
using platform::EventType;

const auto down = [](int key, bool repeat = false) { return Event{EventType::KeyDown, key, 0, 0, repeat}; };
const auto up = [](int key) { return Event{EventType::KeyUp, key, 0, 0}; };
const Event focusGained{EventType::FocusGained, 0, 0, 0};

// The message loop fed from a script: each batch is what is pending before
// one idle pass; after the last batch the close box ends the loop. Returns the
// F4 flips each frame drawn takes; the passes' F1 switches are counted in `switches`.
std::vector<int> flipsPerFrame(const std::vector<std::vector<Event>>& batches, int* switches = nullptr)
{
    gKeyState = KeyState{};
    gMainWindow = MainWindow{};
    size_t batch = 0, next = 0;
    platform::SetEventSource([&](Event& event) {
        if (batch < batches.size() && next == batches[batch].size()) {
            ++batch;
            next = 0;
            return false; // nothing pending: an idle pass
        }
        event = batch == batches.size() ? Event{EventType::Quit, 0, 0, 0} : batches[batch][next++];
        return true;
    });
    std::vector<int> flips;
    LoopHooks hooks;
    hooks.updateInput = [&flips] {
        flips.push_back(0);
        while (TakeToggle(gKeyState, vk::F4))
            ++flips.back();
    };
    hooks.afterIdlePass = [switches] {
        while (switches != nullptr && TakeToggle(gKeyState, vk::F1))
            ++*switches;
        return true;
    };
    RunMessageLoop(hooks);
    platform::SetEventSource({});
    return flips;
}

} // namespace

TEST(MessageLoop, KeysPressedBetweenFramesAreSeenOncePerKeyDown)
{
    // A tap of Escape whose down and up both arrive before a frame ends the loop.
    EXPECT_TRUE(flipsPerFrame({{down(vk::Escape), up(vk::Escape)}, {}}).empty());
    // Two taps of F4 before one frame flip twice; the next frame sees none. A held
    // key flips once, then once per auto-repeat, however many arrive between frames.
    EXPECT_EQ(flipsPerFrame({{down(vk::F4), up(vk::F4), down(vk::F4), up(vk::F4)},
                             {},
                             {down(vk::F4)},
                             {},
                             {down(vk::F4), down(vk::F4)}}),
              (std::vector<int>{2, 0, 1, 0, 2}));
}

TEST(MessageLoop, EscapeEndsThePassThatTakesItBeforeItsWindowSwitch)
{
    int switches = 0;
    flipsPerFrame({{down(vk::F1), up(vk::F1)}, {down(vk::F1), down(vk::Escape)}}, &switches);
    EXPECT_EQ(switches, 1); // the first pass's; the second ends on Escape
}

TEST(MessageLoop, MinimisedWindowDrawsNothingAndIgnoresKeys)
{
    // Two passes while minimised draw nothing; the restored window draws, and
    // neither the Escape nor the F4 of the minimised time counts.
    const Event minimized{EventType::Minimized, 0, 0, 0}, restored{EventType::Restored, 0, 0, 0};
    EXPECT_EQ(flipsPerFrame(
                  {{minimized, down(vk::Escape), up(vk::Escape), down(vk::F4), up(vk::F4)}, {}, {restored}}),
              (std::vector<int>{0}));
}

TEST(MessageLoop, AKeyHeldOverAWindowSwitchGivesNoSecondPress)
{
    KeyState keys;
    MainWindow window;
    const auto feed = [&](const std::vector<Event>& events) {
        for (const Event& event : events)
            WindowProc(event, keys, window);
    };
    // F1 and Up went down in the old window and are still held when the new
    // one gains the focus: SDL reports them released with the old window and
    // down again on the focus gain. Up keeps moving; F1 gives no second switch.
    keys.down[vk::F1] = keys.down[vk::Up] = 1;
    HoldOverKeys(keys);
    feed({up(vk::F1), up(vk::Up), focusGained, down(vk::F1), down(vk::Up)});
    FinishEventDrain(keys);
    EXPECT_FALSE(TakeToggle(keys, vk::F1));
    EXPECT_TRUE(keys.down[vk::Up]);
    // Its auto-repeats still toggle, and so does the next press.
    feed({down(vk::F1, true)});
    EXPECT_TRUE(TakeToggle(keys, vk::F1));
    feed({up(vk::F1), down(vk::F1)});
    EXPECT_TRUE(TakeToggle(keys, vk::F1));

    // Released while no window had the focus, the key is not reported on the
    // focus gain, and its next press counts.
    keys.down[vk::F3] = 1;
    HoldOverKeys(keys);
    feed({up(vk::F3), focusGained});
    FinishEventDrain(keys);
    feed({down(vk::F3)});
    EXPECT_TRUE(TakeToggle(keys, vk::F3));
}

// A swapped arrow or a lost Ctrl would still move the view, only the wrong way.
TEST(Platform, KeysAndWindowChangesAsSdlDeliversThem)
{
    std::vector<int> keys;
    for (int key : {SDLK_a, SDLK_s, SDLK_w, SDLK_0, SDLK_9, SDLK_LEFT, SDLK_UP, SDLK_RIGHT, SDLK_DOWN,
                    SDLK_LCTRL, SDLK_RCTRL, SDLK_ESCAPE, SDLK_F1, SDLK_F4, SDLK_F12, SDLK_F13})
        keys.push_back(platform::TranslateKey(key));
    EXPECT_EQ(keys, (std::vector<int>{'A', 'S', 'W', '0', '9', vk::Left, vk::Up, vk::Right, vk::Down,
                                      vk::Control, vk::Control, vk::Escape, vk::F1, vk::F4, vk::F12, 0}));

    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0);
    SDL_Event e{};
    for (const auto& [type, key, repeat] :
         {std::tuple{SDL_KEYDOWN, SDLK_UP, 1}, {SDL_KEYUP, SDLK_LCTRL, 0}, {SDL_KEYDOWN, SDLK_CAPSLOCK, 0}}) {
        e.type = type;
        e.key.keysym.sym = key;
        e.key.repeat = Uint8(repeat);
        SDL_PushEvent(&e);
    }
    e = SDL_Event{.window = {.type = SDL_WINDOWEVENT, .data1 = 640, .data2 = 400}};
    for (const auto event :
         {SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_RESTORED, SDL_WINDOWEVENT_MAXIMIZED,
          SDL_WINDOWEVENT_SIZE_CHANGED, SDL_WINDOWEVENT_FOCUS_GAINED, SDL_WINDOWEVENT_EXPOSED}) {
        e.window.event = Uint8(event);
        SDL_PushEvent(&e);
    }
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
    std::vector<EventType> types;
    std::vector<int> details; // key and repeat of key messages, size of size changes
    for (Event event; platform::PollEvent(event);) {
        types.push_back(event.type);
        if (event.virtualKey != 0) details.insert(details.end(), {event.virtualKey, event.repeat});
        if (event.type == EventType::Resized) details.insert(details.end(), {event.width, event.height});
    }
    SDL_QuitSubSystem(SDL_INIT_EVENTS);
    using enum EventType;
    EXPECT_EQ(types, (std::vector{KeyDown, KeyUp, Other, Minimized, Restored, Restored, Resized, FocusGained,
                                  Other, Quit}));
    EXPECT_EQ(details, (std::vector<int>{vk::Up, 1, vk::Control, 0, 640, 400}));
}
