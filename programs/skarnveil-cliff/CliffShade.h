#pragma once

// The terrain of skarnveil-cliff: the cliff mesh coloured by a smoothed slope
// shade, drawn in immediate mode or as coarse row strips.

#include "terrain/TerrainMap.h"
#include "terrain/TerrainSeams.h"
#include "view/Vec3.h"

#include <cstdint>
#include <vector>

// The slope shade of the cliff mesh: 1 - (heightAt(x, y) - heightAt(x + 0.125,
// y + 0.125)) * 10, clamped, x and y the vertex's own position (origin
// -0.5625). Fills `light` from `vertices`; nothing when either is short.
void computeCliffShade(TerrainMap& map);

// A 3 x 3 flat-index mean (as smoothGrid) for the interior points only; the
// first and last row and column keep their values.
void smoothInterior(int32_t w, int32_t h, std::vector<float>& values);

// No GL: the cliff mesh, its slope shade in `light`, an interior-only
// smoothing pass and then a full one. Roughness stays unsmoothed. False
// without a grid or when memory runs out.
bool GenerateShadedCliffMesh(TerrainMap& map);

// The terrain step of the frame: the cliff state around either the level of
// detail drawing (lodDrawing, each vertex coloured by its shade) or the
// strips; stitched and as the level-of-detail view as the options say.
// Returns the count of the drawing used.
int32_t DrawShadedCliffTerrain(const TerrainMap& map, bool lodDrawing, Vec3 eye, float lodCoefficient,
                               TerrainDrawOptions options = {});
