// veldrun: the terrain viewer with buffer objects, four-unit blending and foliage.
#include "scene/Scene.h"
#include "shell/MainLoop.h"
#include "shell/Shell.h"

int main()
{
    if (!OpenMainWindow("Veldrun")) {
        // The message is shown; a user's "No" to windowed mode is no failure.
        return LastOpenResult() == OpenResult::Declined ? 0 : 1;
    }
    StartScene();
    const int exitCode = RunMessageLoop({UpdateInput, DrawFrame, nullptr});
    ReleaseOverlayFont(gOverlayFont);
    CloseMainWindow();
    ShutdownScene();
    return exitCode;
}
