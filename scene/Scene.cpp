#include "scene/Scene.h"

#include "platform/GlApi.h"
#include "platform/VirtualKeys.h"
#include "shell/DebugConsole.h"
#include "shell/MainLoop.h"
#include "shell/Shell.h"
#include "terrain/TerrainCursor.h"
#include "terrain/TerrainDraw.h"
#include "terrain/TerrainMesh.h"
#include "view/CameraKeys.h"

VeldrunScene gScene;

namespace {

const char* flagText(bool flag)
{
    return flag ? "TRUE" : "FALSE";
}

BakedLight bakedLight(const SceneLight& light)
{
    return {{light.position[0], light.position[1], light.position[2]}, light.diffuse[0], light.ambient[0]};
}

void drawCursorCell(const SceneCore& scene)
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_SRC_ALPHA);
    glDisable(GL_TEXTURE_2D);
    glColor4f(1.0f, 0.0f, 0.0f, 0.95f);
    glPushMatrix();
    glTranslatef(0.0f, 0.0f, 0.1f);
    highlightCell(scene.terrainMap, cellOf(scene.cursorPoint.x), cellOf(scene.cursorPoint.y));
    glPopMatrix();
    glDisable(GL_BLEND);
}

void printOverlayLines(const VeldrunScene& scene)
{
    const TerrainMap& terrain = scene.terrainMap;
    printLodOverlayLines(scene.lodControl);
    glRasterPos2i(0, 60);
    PrintOverlay(gOverlayFont, "FPS:%i", static_cast<int>(scene.frameTimer.smoothedFrameRate));
    glRasterPos2i(0, 80);
    PrintOverlay(gOverlayFont, "Auto LOD Range Adjust:%s", flagText(scene.lodControl.autoRangeAdjust));
    glRasterPos2i(0, 100);
    PrintOverlay(gOverlayFont, "Using Multitexturing:%s", flagText(terrain.usesMultitexture));
    glRasterPos2i(0, 120);
    PrintOverlay(gOverlayFont, "Using VBOs:%s", flagText(terrain.usesVertexBuffers));
    glRasterPos2i(0, 140);
    PrintOverlay(gOverlayFont, "Veldrun terrain viewer - procedural landscape, OpenGL 1.x");
}

} // namespace

void StartScene()
{
    VeldrunScene& scene = gScene;
    scene.frameTimer.initialise();
    LoadUnitPresets(scene.unitPresets, kVeldrunPresets);
    DebugPrint("UnitPresets Loaded");
    loadTerrainTextures(scene.terrainMap, gRenderCaps);
    DebugPrint("Map Textures Loaded");
    scene.terrainMap.loadHeightmap("map/test/map_qv.raw");
    DebugPrint("Map HeightMap Loaded");
    generateMesh(scene.terrainMap, gRenderCaps, bakedLight(kVeldrunLight));
    DebugPrint("Map Generated");
    PlaceFoliage(scene.terrainMap, "map/test/map_qv_foliage.raw", scene.foliageList, scene.unitPresets,
                 scene.foliageRandom);
    DebugPrint("Map Doodad/Foliage Created");
    scene.quadViewTree.build(scene.terrainMap);
    DebugPrint("Quad View Tree Generated");
    placeCamera(scene);
    DebugPrint("\n");
    placeCursorUnit(scene, kTreePresetIndex);
    giveLightColours(kVeldrunLight);
}

void UpdateInput()
{
    applyCameraKeys(gScene.camera, gKeyState.down, kMovementStep);
    while (TakeToggle(gKeyState, vk::F4))
        toggleAutoRangeAdjust(gScene.lodControl);
    while (TakeToggle(gKeyState, vk::F2))
        gScene.showQuadTree = !gScene.showQuadTree;
    applyTerrainKeys(gScene);
}

void DrawFrame()
{
    VeldrunScene& scene = gScene;
    beginFrame(scene, kVeldrunLight);
    glEnable(GL_DEPTH_TEST);
    scene.lodControl.quadsDrawn = drawTerrain(scene.terrainMap, scene.camera.eye,
                                              scene.lodControl.lodCoefficient, scene.terrainDrawing);
    scene.cursorPoint = pickCursorPoint(scene.cursorPoint);
    DrawFoliage(scene.foliageList, scene.frustum);
    if (scene.showQuadTree) scene.quadViewTree.drawOutlines(true, 16);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    drawCursorUnit(scene);
    drawCursorCell(scene);
    drawCursorPoint(scene.cursorPoint);
    adjustLodCoefficient(scene.lodControl);
    beginOverlay();
    printOverlayLines(scene);
    adjustLodRange(scene.lodControl, scene.frameTimer.smoothedFrameRate);
}

void ShutdownScene()
{
    ClearUnitLists(gScene.unitList, gScene.foliageList);
}
