#include "scene/SceneCore.h"

#include "platform/GlApi.h"
#include "platform/VirtualKeys.h"
#include "shell/DebugConsole.h"
#include "shell/MainLoop.h"
#include "shell/Shell.h"

#include <cmath>
#include <cstring>

void applyTerrainKeys(SceneCore& scene)
{
    TerrainDrawOptions& drawing = scene.terrainDrawing;
    while (TakeToggle(gKeyState, vk::F5)) {
        drawing.stitchSeams = !drawing.stitchSeams;
        DebugPrint(drawing.stitchSeams ? "Terrain seams stitched" : "Terrain seams open");
    }
    while (TakeToggle(gKeyState, vk::F6))
        drawing.showLevels = !drawing.showLevels;
}

void placeCamera(SceneCore& scene)
{
    const float h = scene.terrainMap.gridHeight(32, 32);
    scene.camera.set(32.0f, 32.0f, h + 16.0f, 32.0f, 48.0f, 0.0f, 0.0f, 0.0f, 1.0f);
}

void placeCursorUnit(SceneCore& scene, int32_t presetIndex)
{
    const int32_t x = scene.terrainMap.width / 2;
    const int32_t y = scene.terrainMap.height / 2;
    AddUnit(scene.unitList, scene.unitPresets, static_cast<float>(x), static_cast<float>(y),
            scene.terrainMap.gridHeight(x, y), presetIndex);
    scene.cursorUnit = &scene.unitList.front();
}

void giveLightColours(const SceneLight& light)
{
    glLightfv(GL_LIGHT1, GL_AMBIENT, light.ambient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, light.diffuse);
}

void beginFrame(SceneCore& scene, const SceneLight& light)
{
    scene.frameTimer.tick();
    glViewport(0, 0, gScreenSize.width, gScreenSize.height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const int32_t height = gScreenSize.height > 0 ? gScreenSize.height : 1;
    gluPerspective(45.0, static_cast<double>(gScreenSize.width) / height, 1.0, 250.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLightfv(GL_LIGHT1, GL_POSITION, light.position);
    scene.camera.look();
    scene.frustum.extract();
    std::vector<uint8_t>& visible = scene.terrainMap.visible;
    if (!visible.empty()) std::memset(visible.data(), 0, visible.size());
    scene.quadViewTree.markVisible(scene.frustum, scene.terrainMap);
}

void drawCursorUnit(SceneCore& scene)
{
    if (scene.cursorUnit == nullptr) return;
    const Vec3 point = scene.cursorPoint;
    scene.cursorUnit->position = {point.x, point.y,
                                  static_cast<float>(scene.terrainMap.heightAt(point.x, point.y))};
    scene.cursorUnit->Draw();
}

void drawCursorPoint(Vec3 point)
{
    glColor3f(0.0f, 0.0f, 1.0f);
    glDisable(GL_DEPTH_TEST);
    glPointSize(3.5f);
    glDepthMask(GL_FALSE);
    glBegin(GL_POINTS);
    glVertex3f(point.x, point.y, point.z);
    glEnd();
    glDepthMask(GL_TRUE);
}

void beginOverlay()
{
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 1024.0, 786.0, 0.0, 0.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1.0f, 1.0f, 1.0f);
}

int32_t cellOf(float coordinate)
{
    if (!std::isfinite(coordinate) || std::fabs(coordinate) > 1.0e9f) return -1;
    return static_cast<int32_t>(coordinate);
}
