// veldrun: the terrain viewer with buffer objects, four-unit blending and foliage.
#include "scene/Scene.h"
#include "shell/DataFolder.h"
#include "shell/MainLoop.h"
#include "shell/Shell.h"

int main(int argc, char** argv)
{
    int exitCode = 0;
    // The data files proper: a config.ini alone (a common name) makes no data folder.
    if (!EnterDataFolder(argc, argv, "veldrun",
                         {"map/test/map_qv.raw", "map/test/map_qv_foliage.raw", "map/test/tile1.tga",
                          "map/test/tile2.tga", "map/test/tile3.tga", "map/test/lightmap.tga",
                          "tank/tank.md2", "tank/tank.tga", "Tree/Tree_low.md2", "Tree/tree.tga"},
                         exitCode))
        return exitCode;
    if (!OpenMainWindow("Veldrun")) {
        // The message is shown; a user's "No" to windowed mode is no failure.
        return LastOpenResult() == OpenResult::Declined ? 0 : 1;
    }
    StartScene();
    exitCode = RunMessageLoop({UpdateInput, DrawFrame, nullptr});
    ReleaseOverlayFont(gOverlayFont);
    CloseMainWindow();
    ShutdownScene();
    return exitCode;
}
