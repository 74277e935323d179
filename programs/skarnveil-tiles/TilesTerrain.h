#pragma once

// The terrain of skarnveil-tiles: the tile set of veldrun blended on four
// units (switchable with F3) or the base tile shaded by slope, drawn in
// immediate mode.

#include "terrain/TerrainMap.h"
#include "terrain/TerrainSeams.h"
#include "view/Vec3.h"

#include <cstdint>
#include <vector>

// The per-vertex bytes that stand in for veldrun's colours (indexed like
// `vertices`); both empty unless the mesh was made with four-unit texturing.
struct TilesTerrain {
    std::vector<uint8_t> shades; // grey of red, green and blue
    std::vector<uint8_t> blends; // alpha: share of the first tiles against the third
};

// The slope shade of the tiles mesh: vertex (c, r) with c, r >= 1 gets
// 1 - (z - z') * 10, z' the height of vertex (c - 1, r - 1); the first mesh row
// and column get 1 - (z - heightAt(x - 0.125, y - 0.125)) * 0.25. Then clamped.
// Fills `light` (allocated by the caller) from `vertices`; nothing when either
// is short.
void computeTilesShade(TerrainMap& map);

// No GL: normals and roughness, the mesh at origin -0.0625, the slope shade
// in `light`, the shades and blends (only with usesMultitexture), three
// smoothing passes over `light` and one over `roughness`. False without a
// grid or when memory runs out.
bool ComputeTilesMesh(TerrainMap& map, TilesTerrain& tiles);

// ComputeTilesMesh and the 512 x 512 light texture made from `light`.
bool GenerateTilesMesh(TerrainMap& map, TilesTerrain& tiles);

// True when the mesh holds everything the drawing reads in its current mode.
bool TilesDrawable(const TerrainMap& map, const TilesTerrain& tiles);

// Switches depth testing on, draws the marked cells with the immediate
// level-of-detail rule and returns its count. Four units: the tiles blended by the shade and blend bytes,
// then units 1-3 off and unit 0 back to GL_MODULATE with its texture matrix at 0.1. One unit: the base tile
// at a 0.1 texture scale, coloured by `light`, GL_TEXTURE_2D left on. Culling is off afterwards in both.
// The options choose stitched cells and the level-of-detail view (drawn as the one-unit path leaves it).
int32_t DrawTilesTerrain(const TerrainMap& map, const TilesTerrain& tiles, Vec3 eye, float lodCoefficient,
                         TerrainDrawOptions options = {});
