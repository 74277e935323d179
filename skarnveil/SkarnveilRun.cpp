#include "skarnveil/SkarnveilRun.h"

#include "platform/VirtualKeys.h"
#include "shell/MainLoop.h"
#include "shell/Shell.h"

WindowRequest SkarnveilWindowRequest(CapabilityChecks checks)
{
    WindowRequest request;
    request.title = "Skarnveil";
    request.width = 800;
    request.height = 600;
    request.colourDepth = 32;
    request.fullScreen = false;
    request.checks = checks;
    return request;
}

bool ToggleFullScreen(CapabilityChecks checks)
{
    WindowRequest request;
    request.title = "Zorl's OpenGL Framework";
    request.width = gMainWindow.width;
    request.height = gMainWindow.height;
    request.colourDepth = gMainWindow.colourDepth;
    request.refresh = gMainWindow.refresh;
    request.fullScreen = !gMainWindow.fullScreen;
    request.checks = checks;
    // F1 may still be held when the new window gains the focus.
    HoldOverKeys(gKeyState);
    CloseMainWindow();
    if (OpenMainWindow(request) != OpenResult::Opened) {
        gMainWindow.active = false;
        return false;
    }
    return true;
}

int RunSkarnveil(const SkarnveilProgram& program)
{
    const OpenResult opened = OpenMainWindow(SkarnveilWindowRequest(program.checks));
    // The message is shown; a user's "No" to windowed mode is no failure.
    if (opened != OpenResult::Opened) return opened == OpenResult::Declined ? 0 : 1;
    if (program.startScene) program.startScene();

    LoopHooks hooks;
    hooks.updateInput = program.updateInput;
    hooks.drawFrame = program.drawFrame;
    hooks.afterIdlePass = [&program] {
        if (!TakeToggle(gKeyState, vk::F1)) return true;
        // With no window left nothing could ever be drawn or end the loop, so
        // a failed switch ends the program (successfully: the user was told).
        if (!ToggleFullScreen(program.checks)) return false;
        if (program.recreateContextObjects) program.recreateContextObjects();
        return true;
    };
    const int exitCode = RunMessageLoop(hooks);
    // The font's lists live in the context; without one they are already gone.
    if (gMainWindow.renderingContext != nullptr) ReleaseOverlayFont(gOverlayFont);
    CloseMainWindow();
    // The unit lists are left to the end of the process.
    return exitCode;
}
