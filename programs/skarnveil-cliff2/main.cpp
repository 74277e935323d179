// skarnveil-cliff2: skarnveil-cliff lit by OpenGL's light 0 through a normal
// per mesh vertex; F3 switches to a coarse strip per row.
#include "CliffLighting.h"
#include "platform/VirtualKeys.h"
#include "shell/DataFolder.h"
#include "shell/MainLoop.h"
#include "shell/Shell.h"
#include "skarnveil/CliffTerrain.h"
#include "skarnveil/SkarnveilRun.h"
#include "skarnveil/SkarnveilScene.h"

#include <vector>

namespace {

struct LitCliffScene : SceneCore {
    std::vector<Vec3> meshNormals; // one per mesh vertex, indexed like vertices
    bool lodDrawing = true;        // false: drawCellStrips (F3)
};

LitCliffScene gScene;

void startScene()
{
    TerrainMap& map = gScene.terrainMap;
    StartSkarnveilScene(gScene, {[&map] { LoadCliffTextures(map); }, [&map] { LoadCliffHeightmap(map); },
                                 [&map] { GenerateLitCliffMesh(map, gScene.meshNormals); }});
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
        return DrawLitCliffTerrain(gScene.terrainMap, gScene.meshNormals, gScene.lodDrawing,
                                   gScene.camera.eye, gScene.lodControl.lodCoefficient);
    });
}

} // namespace

int main(int argc, char** argv)
{
    int exitCode = 0;
    if (!EnterDataFolder(argc, argv, "skarnveil-cliff2",
                         {"map/test/map_qv-edited.raw", "cliff.tga", "tank/tank.md2", "tank/tank.tga"},
                         exitCode))
        return exitCode;
    return RunSkarnveil({CapabilityChecks::None, startScene, updateInput, drawFrame,
                         [] { RecreateCliffContextObjects(gScene); }});
}
