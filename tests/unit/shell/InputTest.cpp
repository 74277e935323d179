#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "shell/MainLoop.h"
#include "shell/Shell.h"

#include <gtest/gtest.h>

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
