// skarnveil-cliff: one repeated cliff texture over a half-height map, shaded
// by slope; F3 switches to a coarse strip per row.
#include "CliffShade.h"
#include "platform/VirtualKeys.h"
#include "shell/DataFolder.h"
#include "shell/MainLoop.h"
#include "shell/Shell.h"
#include "skarnveil/CliffTerrain.h"
#include "skarnveil/SkarnveilRun.h"
#include "skarnveil/SkarnveilScene.h"

namespace {

struct CliffScene : SceneCore {
    bool lodDrawing = true; // false: drawCellStrips (F3)
};

CliffScene gScene;

void startScene()
{
    TerrainMap& map = gScene.terrainMap;
    StartSkarnveilScene(gScene, {[&map] { LoadCliffTextures(map); }, [&map] { LoadCliffHeightmap(map); },
                                 [&map] { GenerateShadedCliffMesh(map); }});
}

void updateInput()
{
    ApplySkarnveilKeys(gScene);
    while (TakeToggle(gKeyState, vk::F3))
        gScene.lodDrawing = !gScene.lodDrawing;
}

void drawFrame()
{
    DrawSkarnveilFrame(gScene, [] {
        return DrawShadedCliffTerrain(gScene.terrainMap, gScene.lodDrawing, gScene.camera.eye,
                                      gScene.lodControl.lodCoefficient);
    });
}

} // namespace

int main(int argc, char** argv)
{
    int exitCode = 0;
    if (!EnterDataFolder(argc, argv, "skarnveil-cliff",
                         {"map/test/map_qv-edited.raw", "cliff.tga", "tank/tank.md2", "tank/tank.tga"},
                         exitCode))
        return exitCode;
    return RunSkarnveil({CapabilityChecks::None, startScene, updateInput, drawFrame,
                         [] { RecreateCliffContextObjects(gScene); }});
}
