#pragma once

// The scene start-up and frame shared by the three smaller programs; each
// program brings its own terrain stages and terrain drawing.

#include "scene/SceneCore.h"

#include <cstdint>
#include <functional>

// GL_NEAREST_MIPMAP_NEAREST: the minification filter of every texture these
// programs load from a file.
constexpr uint32_t kSkarnveilMinFilter = 0x2700;

// The program's own terrain steps of the start-up, in the order they run.
struct TerrainStages {
    std::function<void()> loadTextures;
    std::function<void()> loadHeightmap;
    std::function<void()> generateMesh;
};

// Timer, TANK preset, the terrain stages, quad view tree, camera, the cursor
// unit (a tank) and light 1's colours, each stage reported on the console.
void StartSkarnveilScene(SceneCore& scene, const TerrainStages& stages);

// The camera keys, F5 (stitched seams) and F6 (level-of-detail view); F2 and
// F4 do nothing; F3 is left to the program.
void ApplySkarnveilKeys(SceneCore& scene);

// One frame: the shared view set-up, drawTerrain() (its result becomes
// quadsDrawn), the cursor pick, the tank at the cursor, the cursor point,
// the coefficient control (35000 / 32000, limits 0.5 and 3) and the overlay.
void DrawSkarnveilFrame(SceneCore& scene, const std::function<int32_t()>& drawTerrain);

// The four overlay lines, in their drawing order: quads (y 20), coefficient
// (y 40), the credit (y 80), the frame rate (y 60).
void PrintSkarnveilOverlay(const SceneCore& scene);

// After a new rendering context: the tank's skin and light 1's colours again.
void RecreateSceneContextObjects(SceneCore& scene);
