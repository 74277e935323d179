#pragma once

// The start of every smaller program's mesh generation, free of GL.

#include "terrain/TerrainMesh.h"

// The shared opening without colours: `light` allocated (zero) when asked.
inline bool GenerateMeshBase(TerrainMap& map, float origin, bool withLight)
{
    return computeMeshPositions(map, origin, withLight, false);
}
