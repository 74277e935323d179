#include "shell/MainLoop.h"

#include "platform/Platform.h"
#include "platform/VirtualKeys.h"

#include <algorithm>
#include <iterator>

void WindowProc(const platform::Event& event, KeyState& keys, MainWindow& window)
{
    switch (event.type) {
    case platform::EventType::KeyDown: {
        const int key = event.virtualKey & 0xFF;
        keys.down[key] = 1;
        if (keys.heldOver[key] && !event.repeat)
            keys.heldOver[key] = 0;
        else if (window.active && keys.pressed[key] < 255) // keys pressed while minimised are ignored
            ++keys.pressed[key];
        break;
    }
    case platform::EventType::FocusGained: keys.focusGained = true; break;
    case platform::EventType::KeyUp: keys.down[event.virtualKey & 0xFF] = 0; break;
    case platform::EventType::Minimized: window.active = false; break;
    case platform::EventType::Restored: window.active = true; break;
    case platform::EventType::Resized: ResizeViewport(event.width, event.height); break;
    default: break;
    }
}

void HoldOverKeys(KeyState& keys)
{
    std::copy(std::begin(keys.down), std::end(keys.down), std::begin(keys.heldOver));
}

void FinishEventDrain(KeyState& keys)
{
    if (!keys.focusGained) return;
    keys.focusGained = false;
    std::fill(std::begin(keys.heldOver), std::end(keys.heldOver), 0);
}

bool TakeToggle(KeyState& keys, int virtualKey)
{
    if (keys.pressed[virtualKey] == 0) return false;
    --keys.pressed[virtualKey];
    return true;
}

void PresentFrame()
{
    static int framesSinceRelease = 0;
    platform::SwapBuffers(gMainWindow.window);
    if (++framesSinceRelease < kFramesPerMemoryRelease) return;
    framesSinceRelease = 0;
    platform::ReleaseFreedMemory();
}

int RunMessageLoop(const LoopHooks& hooks)
{
    for (;;) {
        platform::Event event;
        if (platform::PollEvent(event)) {
            if (event.type == platform::EventType::Quit) break;
            WindowProc(event, gKeyState, gMainWindow);
            continue;
        }
        FinishEventDrain(gKeyState);
        if (gMainWindow.active) {
            // Escape ends the pass that takes it: not even a window switch of the same pass runs.
            if (gKeyState.down[vk::Escape] || gKeyState.pressed[vk::Escape]) break;
            if (hooks.updateInput) hooks.updateInput();
            if (hooks.drawFrame) hooks.drawFrame();
            PresentFrame();
        } else {
            // Minimised: nothing to draw, so give the processor back.
            platform::SleepMilliseconds(10);
        }
        if (hooks.afterIdlePass && !hooks.afterIdlePass()) break;
    }
    // Escape and the close box both end the program successfully.
    return 0;
}
