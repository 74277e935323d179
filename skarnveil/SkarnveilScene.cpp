#include "skarnveil/SkarnveilScene.h"

#include "platform/GlApi.h"
#include "shell/DebugConsole.h"
#include "shell/Shell.h"
#include "terrain/TerrainCursor.h"
#include "view/CameraKeys.h"

static_assert(kSkarnveilMinFilter == GL_NEAREST_MIPMAP_NEAREST);

namespace {

constexpr int32_t kTankPresetIndex = 0;

void runStage(const std::function<void()>& stage)
{
    if (stage) stage();
}

} // namespace

void StartSkarnveilScene(SceneCore& scene, const TerrainStages& stages)
{
    scene.frameTimer.initialise();
    LoadUnitPresets(scene.unitPresets, kTankOnlyPresets, kSkarnveilMinFilter);
    DebugPrint("UnitPresets Loaded");
    runStage(stages.loadTextures);
    DebugPrint("Map Textures Loaded");
    runStage(stages.loadHeightmap);
    DebugPrint("Map HeightMap Loaded");
    runStage(stages.generateMesh);
    DebugPrint("Map Quads Generated");
    scene.quadViewTree.build(scene.terrainMap);
    DebugPrint("Quad View Tree Generated");
    placeCamera(scene);
    DebugPrint("\n");
    placeCursorUnit(scene, kTankPresetIndex);
    giveLightColours(kSkarnveilLight);
}

void ApplySkarnveilKeys(SceneCore& scene)
{
    // No automatic range control and no quad-tree outlines in these programs:
    // F2 and F4 do nothing.
    applyCameraKeys(scene.camera, gKeyState.down, kMovementStep);
    applyTerrainKeys(scene);
}

void DrawSkarnveilFrame(SceneCore& scene, const std::function<int32_t()>& drawTerrain)
{
    beginFrame(scene, kSkarnveilLight);
    scene.lodControl.quadsDrawn = drawTerrain ? drawTerrain() : 0;
    scene.cursorPoint = pickCursorPoint(scene.cursorPoint);
    if (scene.showQuadTree) scene.quadViewTree.drawOutlines(true, 16);
    // White, as in veldrun: the terrain leaves its last vertex colour (a
    // blend shade of 0 on steep slopes), which would paint the tank black.
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    drawCursorUnit(scene);
    // No cursor cell is highlighted in these programs.
    drawCursorPoint(scene.cursorPoint);
    adjustLodCoefficientToBand(scene.lodControl.lodCoefficient, scene.lodControl.quadsDrawn);
    beginOverlay();
    PrintSkarnveilOverlay(scene);
}

void PrintSkarnveilOverlay(const SceneCore& scene)
{
    printLodOverlayLines(scene.lodControl);
    // The credit is drawn before the frame rate but stands below it.
    glRasterPos2i(0, 80);
    PrintOverlay(gOverlayFont, "Skarnveil terrain variants - immediate mode, OpenGL 1.x");
    glRasterPos2i(0, 60);
    PrintOverlay(gOverlayFont, "FPS:%i", static_cast<int>(scene.frameTimer.smoothedFrameRate));
}

void RecreateSceneContextObjects(SceneCore& scene)
{
    scene.unitPresets[kTankPresetIndex].model.LoadSkin(kTankPreset.skinFile, kSkarnveilMinFilter);
    giveLightColours(kSkarnveilLight);
}
