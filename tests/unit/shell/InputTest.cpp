#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "shell/MainLoop.h"
#include "shell/Shell.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using platform::Event;
using platform::EventType;

Event key(EventType type, int virtualKey)
{
    return Event{type, virtualKey, 0, 0};
}

// The message loop fed from a script: each batch is what is pending before
// one idle pass; after the last batch the close box ends the loop. Counts the
// frames drawn and the F4 flips each frame takes.
struct ScriptedRun {
    std::vector<std::vector<Event>> batches;
    std::vector<int> flipsPerFrame;
    int exitCode = -1;

    explicit ScriptedRun(std::vector<std::vector<Event>> script) : batches(std::move(script))
    {
        gKeyState = KeyState{};
        gMainWindow = MainWindow{};
        size_t batch = 0;
        size_t next = 0;
        platform::SetEventSource([&](Event& event) {
            if (batch == batches.size()) {
                event = Event{EventType::Quit, 0, 0, 0};
                return true;
            }
            if (next < batches[batch].size()) {
                event = batches[batch][next++];
                return true;
            }
            ++batch;
            next = 0;
            return false; // nothing pending: an idle pass
        });
        LoopHooks hooks;
        hooks.updateInput = [this] {
            int flips = 0;
            while (TakeToggle(gKeyState, vk::F4))
                ++flips;
            flipsPerFrame.push_back(flips);
        };
        exitCode = RunMessageLoop(hooks);
        platform::SetEventSource({});
    }
};

} // namespace

TEST(MessageLoop, KeysPressedBetweenFramesAreSeenOncePerKeyDown)
{
    // A tap of Escape whose down and up both arrive before a frame ends the loop.
    const ScriptedRun escape({{key(EventType::KeyDown, vk::Escape), key(EventType::KeyUp, vk::Escape)}, {}});
    EXPECT_TRUE(escape.flipsPerFrame.empty());
    EXPECT_EQ(escape.exitCode, 0);

    // Two taps of F4 before one frame flip twice; the next frame sees none. A held
    // key flips once, then once per auto-repeat, however many arrive between frames.
    const ScriptedRun toggles({{key(EventType::KeyDown, vk::F4), key(EventType::KeyUp, vk::F4),
                                key(EventType::KeyDown, vk::F4), key(EventType::KeyUp, vk::F4)},
                               {},
                               {key(EventType::KeyDown, vk::F4)},
                               {},
                               {key(EventType::KeyDown, vk::F4), key(EventType::KeyDown, vk::F4)}});
    EXPECT_EQ(toggles.flipsPerFrame, (std::vector<int>{2, 0, 1, 0, 2}));
    EXPECT_EQ(toggles.exitCode, 0);
}

TEST(MessageLoop, MinimisedWindowDrawsNothingAndIgnoresKeys)
{
    const ScriptedRun run(
        {{Event{EventType::Minimized, 0, 0, 0}, key(EventType::KeyDown, vk::Escape),
          key(EventType::KeyUp, vk::Escape), key(EventType::KeyDown, vk::F4), key(EventType::KeyUp, vk::F4)},
         {},
         {Event{EventType::Restored, 0, 0, 0}}});
    // Two passes while minimised draw nothing; the restored window draws, and
    // neither the Escape nor the F4 of the minimised time counts.
    EXPECT_EQ(run.flipsPerFrame, (std::vector<int>{0}));
}

TEST(MessageLoop, AKeyHeldOverAWindowSwitchGivesNoSecondPress)
{
    // F1 and Up went down in the old window and are still held when the new
    // one gains the focus: SDL reports them released with the old window and
    // down again on the focus gain. Up keeps moving; F1 gives no second switch.
    KeyState keys;
    MainWindow window;
    keys.down[vk::F1] = keys.down[vk::Up] = 1;
    HoldOverKeys(keys);
    for (int k : {vk::F1, vk::Up})
        WindowProc(key(EventType::KeyUp, k), keys, window);
    WindowProc(Event{EventType::FocusGained, 0, 0, 0}, keys, window);
    for (int k : {vk::F1, vk::Up})
        WindowProc(key(EventType::KeyDown, k), keys, window);
    FinishEventDrain(keys);
    EXPECT_FALSE(TakeToggle(keys, vk::F1));
    EXPECT_TRUE(keys.down[vk::Up]);
    // Its auto-repeats still toggle, and so does the next press.
    WindowProc(Event{EventType::KeyDown, vk::F1, 0, 0, true}, keys, window);
    EXPECT_TRUE(TakeToggle(keys, vk::F1));
    WindowProc(key(EventType::KeyUp, vk::F1), keys, window);
    WindowProc(key(EventType::KeyDown, vk::F1), keys, window);
    EXPECT_TRUE(TakeToggle(keys, vk::F1));

    // Released while no window had the focus, the key is not reported on the
    // focus gain, and its next press counts.
    keys.down[vk::F3] = 1;
    HoldOverKeys(keys);
    WindowProc(key(EventType::KeyUp, vk::F3), keys, window);
    WindowProc(Event{EventType::FocusGained, 0, 0, 0}, keys, window);
    FinishEventDrain(keys);
    WindowProc(key(EventType::KeyDown, vk::F3), keys, window);
    EXPECT_TRUE(TakeToggle(keys, vk::F3));
}
