#pragma once

#include "scene/SceneCore.h"

// The scene of veldrun: the shared scene objects plus its foliage.
struct VeldrunScene : SceneCore {
    FoliageList foliageList;
    RandomFraction foliageRandom; // started once, never reseeded
};

// The one scene of the program.
extern VeldrunScene gScene;

// Loads and builds everything once, each stage reported on the console.
void StartScene();
// Camera keys, F4 (automatic budget), F2 (quad-tree outlines), F5 (stitched
// seams) and F6 (level-of-detail view).
void UpdateInput();
void DrawFrame();
// Empties the unit lists (after the window and context are gone).
void ShutdownScene();
