#include "shell/MainLoop.h"

#include "platform/Platform.h"
#include "platform/VirtualKeys.h"

void WindowProc(const platform::Event& event, KeyState& keys, MainWindow& window)
{
    switch (event.type) {
    case platform::EventType::KeyDown: keys.down[event.virtualKey & 0xFF] = 1; break;
    case platform::EventType::KeyUp: keys.down[event.virtualKey & 0xFF] = 0; break;
    case platform::EventType::Minimized: window.active = false; break;
    case platform::EventType::Restored: window.active = true; break;
    case platform::EventType::Resized: ResizeViewport(event.width, event.height); break;
    default: break;
    }
}

bool TakeToggle(KeyState& keys, int virtualKey)
{
    if (!keys.down[virtualKey]) return false;
    keys.down[virtualKey] = 0;
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
    bool done = false;
    for (;;) {
        platform::Event event;
        if (platform::PollEvent(event)) {
            if (event.type == platform::EventType::Quit) break;
            WindowProc(event, gKeyState, gMainWindow);
            continue;
        }
        if (gMainWindow.active) {
            if (gKeyState.down[vk::Escape]) {
                done = true;
            } else {
                if (hooks.updateInput) hooks.updateInput();
                if (hooks.drawFrame) hooks.drawFrame();
                PresentFrame();
            }
        } else {
            // Minimised: nothing to draw, so give the processor back.
            platform::SleepMilliseconds(10);
        }
        if (hooks.afterIdlePass && !hooks.afterIdlePass()) break;
        if (done) break;
    }
    // Escape and the close box both end the program successfully.
    return 0;
}
