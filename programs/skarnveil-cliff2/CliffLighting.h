#pragma once

// The terrain of skarnveil-cliff2: the cliff mesh lit by OpenGL's light 0
// through a normal per mesh vertex.

#include "terrain/TerrainMap.h"
#include "terrain/TerrainSeams.h"
#include "view/Vec3.h"

#include <cstdint>
#include <vector>

// No GL: the cliff mesh and meshNormals[i] = normalAt of vertex i's x and y
// (the bilinear blend of the grid normals, not renormalised). False without a
// grid or when memory runs out (meshNormals then empty).
bool GenerateLitCliffMesh(TerrainMap& map, std::vector<Vec3>& meshNormals);

// The terrain step of the frame with light 0 and lighting on (both at GL's
// defaults): the level-of-detail drawing with a normal per vertex, or the
// strips, which get the upward normal (0, 0, 1) once before them. Lighting is
// off afterwards; light 0 stays enabled. The options as for the shaded cliff
// (the level-of-detail view is drawn unlit).
int32_t DrawLitCliffTerrain(const TerrainMap& map, const std::vector<Vec3>& meshNormals, bool lodDrawing,
                            Vec3 eye, float lodCoefficient, TerrainDrawOptions options = {});
