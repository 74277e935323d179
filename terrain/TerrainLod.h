#pragma once

// Level-of-detail arithmetic of the terrain drawing, free of OpenGL: the
// per-cell detail factor, the vertex step, and the index lists a cell is drawn
// with. The drawing and its tests share these functions.

#include "view/Vec3.h"

#include <cstdint>

struct TerrainMap;

// Largest mesh subdivision the fixed index arrays are sized for (the mesh uses 8).
constexpr int kMaxSubdivision = 8;
// Strips of one cell: at step 1 the bands k = 0..8 (9 of them), each of 9
// vertex pairs.
constexpr int kMaxCellStrips = kMaxSubdivision + 1;
constexpr int kMaxStripIndices = 2 * (kMaxSubdivision + 1);

// Detail factor of a cell, 0 to 1: (1024 / d2) * (coefficient * roughness),
// capped at 1. d2 is the squared distance from the cell's grid point to the eye.
float lodFactor(float d2, float coefficient, float roughness);

// Vertex step from the factor: deficit = subdivision - trunc(f * subdivision);
// 0-1 -> 1, 2 -> 2, 3-4 -> 4, anything coarser -> subdivision (one quad).
int lodStep(float f, int subdivision);

// Index lists of one cell at one step, in a fixed-size array (nothing is
// allocated). Either one quad (isQuad, quad[0..3]) or stripCount quad strips
// of stripLength indices each. Indices are v(c, r) = c + meshColumns * r.
struct CellIndexLists {
    int step = 0; // the step the lists were built for
    bool isQuad = false;
    int stripCount = 0;
    int stripLength = 0;
    uint32_t quad[4] = {};
    uint32_t strips[kMaxCellStrips][kMaxStripIndices] = {};

    // Quads the terrain drawing counts for the cell: 1 for the quad, else
    // (stripLength - 2) / 2 per strip.
    int quadCount() const;
};

// Fills `out` for cell (x, y) drawn with `step` on a mesh of `subdivision`
// steps per grid step (at most kMaxSubdivision). step == subdivision gives the
// single quad v(sx, sy), v(sx, sy + S), v(sx + S, sy + S), v(sx + S, sy) with
// S = subdivision, sx = S*x, sy = S*y. Any other step gives the bands
// k = 0, step, 2*step, ... while k < limit, each a strip of the pairs
// v(sx + s, sy + k), v(sx + s, sy + k + step) for s = 0, step, ... while
// s < limit. The terrain drawing uses limit = subdivision + 1 (k up to the
// far row inclusive); the immediate-mode rule of the smaller programs uses
// limit = step + subdivision, which also allows steps that do not divide the
// subdivision. False (and `out` empty) when the arguments do not fit the
// fixed arrays.
bool buildCellIndices(int x, int y, int step, int subdivision, int meshColumns, int limit,
                      CellIndexLists& out);

// The terrain drawing's form: limit = subdivision + 1.
inline bool buildCellIndices(int x, int y, int step, int subdivision, int meshColumns, CellIndexLists& out)
{
    return buildCellIndices(x, y, step, subdivision, meshColumns, subdivision + 1, out);
}

// Step of cell (x, y) of the map for this eye and coefficient.
int cellStep(const TerrainMap& map, int x, int y, Vec3 eye, float lodCoefficient);

// True when the map has a grid and a mesh the drawing can index without
// leaving its arrays: per-point arrays of width*height entries, subdivision
// within the fixed arrays, mesh rows and columns reaching every index a cell
// at any step can touch, and (without buffer objects) vertices and colours
// holding every mesh vertex.
bool terrainDrawable(const TerrainMap& map);

// Index lists of the cursor highlight of cell (cx, cy): subdivision - 1 bands
// of subdivision vertex pairs, v(S*cx + k, S*cy + i), v(S*cx + k, S*cy + i + 1).
struct HighlightIndexLists {
    int bandCount = 0;
    int bandLength = 0;
    uint32_t bands[kMaxSubdivision - 1][2 * kMaxSubdivision] = {};
};

// False (nothing to draw) when the cell lies outside the grid or the map has
// no mesh to index.
bool buildHighlightIndices(const TerrainMap& map, int cx, int cy, HighlightIndexLists& out);
