#pragma once

// The start of every smaller program's mesh generation, free of GL.

#include "terrain/TerrainMap.h"

// Normals and roughness (unsmoothed), then the mesh of the usual layout with
// vertex (0, 0) at (origin, origin) and its positions; `light` allocated
// (zero) when asked, no colours. False without a grid or when memory runs out
// (then no mesh).
bool GenerateMeshBase(TerrainMap& map, float origin, bool withLight);
