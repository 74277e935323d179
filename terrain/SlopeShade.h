#pragma once

// Slope shades of the smaller programs' meshes: a vertex brightens where the
// terrain rises towards +x +y and darkens where it falls, from 0.3 to 0.8.
// No GL; the mesh positions must already be in `vertices`.

#include "terrain/TerrainMap.h"

#include <cstdint>
#include <vector>

constexpr float kShadeLowest = 0.3f;
constexpr float kShadeHighest = 0.8f;

// value clamped to [0.3, 0.8]; NaN gives the lowest shade.
float clampShade(double value);

// Tiles mesh: vertex (c, r) with c, r >= 1 gets 1 - (z - z') * 10, z' the
// height of vertex (c - 1, r - 1); the first mesh row and column get
// 1 - (z - heightAt(x - 0.125, y - 0.125)) * 0.25. Then clamped. Fills `light`
// (allocated by the caller) from `vertices`; nothing when either is short.
void computeTilesShade(TerrainMap& map);

// Cliff mesh: 1 - (heightAt(x, y) - heightAt(x + 0.125, y + 0.125)) * 10,
// clamped, x and y the vertex's own position (origin -0.5625). Fills `light`
// from `vertices`; nothing when either is short.
void computeCliffShade(TerrainMap& map);

// A 3 x 3 flat-index mean (as smoothGrid) for the interior points only; the
// first and last row and column keep their values.
void smoothInterior(int32_t w, int32_t h, std::vector<float>& values);
