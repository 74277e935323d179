// skarnveil-tiles: veldrun's tile blending drawn in immediate mode, with a
// slope shade in place of the baked light; F3 switches the blending off and on.
#include "platform/VirtualKeys.h"
#include "programs/skarnveil-tiles/TilesTerrain.h"
#include "shell/DataFolder.h"
#include "shell/MainLoop.h"
#include "shell/Shell.h"
#include "skarnveil/SkarnveilRun.h"
#include "skarnveil/SkarnveilScene.h"
#include "terrain/TerrainMesh.h"

namespace {

struct TilesScene : SceneCore {
    TilesTerrain tiles;
};

TilesScene gScene;

void startScene()
{
    TerrainMap& map = gScene.terrainMap;
    StartSkarnveilScene(gScene, {[&map] { loadTerrainTextures(map, gRenderCaps, kSkarnveilMinFilter); },
                                 [&map] { map.loadHeightmap("map/test/terraintex.raw"); },
                                 [&map] { GenerateTilesMesh(map, gScene.tiles); }});
}

// Blending needs the blend bytes of the start-up and four units in the
// current context; without them F3 is ignored.
bool blendingAvailable()
{
    return !gScene.tiles.shades.empty() && gRenderCaps.multitextureUsable;
}

void updateInput()
{
    ApplySkarnveilKeys(gScene);
    while (TakeToggle(gKeyState, vk::F3))
        if (blendingAvailable()) gScene.terrainMap.usesMultitexture = !gScene.terrainMap.usesMultitexture;
}

void drawFrame()
{
    DrawSkarnveilFrame(gScene, [] {
        return DrawTilesTerrain(gScene.terrainMap, gScene.tiles, gScene.camera.eye,
                                gScene.lodControl.lodCoefficient, gScene.terrainDrawing);
    });
}

// The new context after F1 has none of the start-up's textures: the tiles,
// the light texture and the tank skin are made again, and the user's F3
// choice is kept where the new context still allows it.
void recreateContextObjects()
{
    TerrainMap& map = gScene.terrainMap;
    const bool blending = map.usesMultitexture;
    loadTerrainTextures(map, gRenderCaps, kSkarnveilMinFilter);
    map.usesMultitexture = blending && blendingAvailable();
    if (!map.light.empty()) uploadLightTexture(map);
    RecreateSceneContextObjects(gScene);
}

} // namespace

int main(int argc, char** argv)
{
    int exitCode = 0;
    if (!EnterDataFolder(argc, argv, "skarnveil-tiles",
                         {"map/test/terraintex.raw", "map/test/tile1.tga", "map/test/tile2.tga",
                          "map/test/tile3.tga", "map/test/lightmap.tga", "tank/tank.md2", "tank/tank.tga"},
                         exitCode))
        return exitCode;
    return RunSkarnveil(
        {CapabilityChecks::MultitextureOnly, startScene, updateInput, drawFrame, recreateContextObjects});
}
