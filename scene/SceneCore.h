#pragma once

// What every program's scene holds and the frame steps they share. Each
// program owns one SceneCore (with its own additions) in one place.

#include "models/Units.h"
#include "platform/GlApi.h"
#include "scene/LodControl.h"
#include "scene/SceneLight.h"
#include "shell/FrameTimer.h"
#include "shell/Shell.h"
#include "terrain/QuadViewTree.h"
#include "terrain/TerrainMap.h"
#include "terrain/TerrainSeams.h"
#include "view/Camera.h"
#include "view/Frustum.h"
#include "view/Vec3.h"

#include <cstdint>

// The camera keys' step: world units (0.01 radians for swings) per frame held.
constexpr float kMovementStep = 1.0f;

struct SceneCore {
    FrameTimer frameTimer;
    TerrainMap terrainMap;
    QuadViewTree quadViewTree;
    Camera camera;
    Frustum frustum;
    UnitPresets unitPresets;
    UnitList unitList;
    LodControl lodControl;
    Vec3 cursorPoint;                  // world point under the pointer
    Unit* cursorUnit = nullptr;        // first element of unitList
    bool showQuadTree = false;         // draw the tree's leaf boxes (F2 in veldrun)
    TerrainDrawOptions terrainDrawing; // stitched seams (F5), level-of-detail view (F6)
};

// F5 and F6, latched: F5 switches the stitched seams and says on the console
// which drawing is now in use; F6 switches the level-of-detail view.
void applyTerrainKeys(SceneCore& scene);

// Start-up: eye 16 units above grid point (32, 32), looking towards (32, 48, 0).
void placeCamera(SceneCore& scene);
// Start-up: one unit of the preset at the grid centre, which then follows the
// cursor. The unit list must be empty before.
void placeCursorUnit(SceneCore& scene, int32_t presetIndex);
// Start-up: light 1's ambient and diffuse colours.
void giveLightColours(const SceneLight& light);

// Frame steps shared by every program: the timer tick, viewport and clear, the
// perspective (45 degrees, near 1, far 250), light 1's position, the camera,
// the frustum, and the cells marked by the quad view tree.
void beginFrame(SceneCore& scene, const SceneLight& light);
// The cursor unit moved to the picked point at the terrain's height, and drawn.
void drawCursorUnit(SceneCore& scene);
// The blue cursor point, drawn over everything; depth testing stays off.
void drawCursorPoint(Vec3 point);
// Texturing off, the 0..1024 x 786..0 orthographic overlay, white.
void beginOverlay();
// The first two overlay lines of every program: the quads drawn (y 20) and
// the coefficient (y 40).
inline void printLodOverlayLines(const LodControl& lod)
{
    glRasterPos2i(0, 20);
    PrintOverlay(gOverlayFont, "Terrain Quads:%i", lod.quadsDrawn);
    glRasterPos2i(0, 40);
    PrintOverlay(gOverlayFont, "Terrain LOD coefficient:%f", static_cast<double>(lod.lodCoefficient));
}
// The cell column or row a world coordinate names, truncated toward zero; -1
// for values no cell can have (so the highlight draws nothing).
int32_t cellOf(float coordinate);
