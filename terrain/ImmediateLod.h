#pragma once

// The immediate-mode level-of-detail rule of the smaller programs, free of
// OpenGL: any vertex step from 1 to the subdivision, bands and columns while
// below step + subdivision, one count per vertex pair. The drawing walks the
// same lists these functions build, so the counts cannot drift apart.

#include "terrain/TerrainLod.h"
#include "terrain/TerrainMap.h"
#include "terrain/TerrainSeams.h"
#include "view/Vec3.h"

#include <cstddef>
#include <cstdint>

// step = subdivision - trunc(f * subdivision), at least 1 (f from lodFactor, 0 to 1).
int immediateLodStep(float f, int subdivision);

// The lists of cell (x, y) at `step`: one quad when step == subdivision, else
// the bands k = 0, step, ... while k < step + subdivision, each a strip of the
// pairs v(sx + s, sy + k), v(sx + s, sy + k + step), s likewise. For steps that
// do not divide the subdivision (3, 5, 6, 7) the last band and column lie past
// the cell's far edge. False (out empty) when the arguments do not fit.
bool immediateCellIndices(int x, int y, int step, int subdivision, int meshColumns, CellIndexLists& out);

// What the rule counts for the lists: 1 for the quad, else 1 per vertex pair.
int immediateCount(const CellIndexLists& lists);

// Largest vertex index the lists use.
uint32_t largestIndex(const CellIndexLists& lists);

// True when the map holds what the immediate drawing reads: a grid with its
// per-point roughness and visible bytes, a subdivision of 1 to 8 and
// `vertices` holding meshColumns x meshRows positions.
bool immediateDrawable(const TerrainMap& map);

// Step of cell (x, y): lodFactor of its grid point's squared distance to the
// eye, the coefficient and its roughness, then immediateLodStep.
int immediateCellStep(const TerrainMap& map, int x, int y, Vec3 eye, float lodCoefficient);

// Calls visit(lists) for every cell whose visible byte is exactly 1 (rows
// outer, columns inner) and returns the summed count. A cell whose lists
// would reach past the mesh (only possible in the last grid row, which the
// quad view tree never marks) is skipped rather than read out of bounds.
// Nothing is visited, and 0 returned, when the map is not drawable.
template <typename Visit>
int32_t visitImmediateCells(const TerrainMap& map, Vec3 eye, float lodCoefficient, Visit&& visit)
{
    if (!immediateDrawable(map)) return 0;
    const uint32_t vertexCount = static_cast<uint32_t>(map.meshColumns) * static_cast<uint32_t>(map.meshRows);
    int32_t count = 0;
    CellIndexLists lists;
    for (int y = 0; y < map.height; ++y) {
        for (int x = 0; x < map.width; ++x) {
            if (map.visible[static_cast<size_t>(x) + static_cast<size_t>(map.width) * y] != 1) continue;
            const int step = immediateCellStep(map, x, y, eye, lodCoefficient);
            if (!immediateCellIndices(x, y, step, map.subdivision, map.meshColumns, lists)) continue;
            if (largestIndex(lists) >= vertexCount) continue;
            visit(static_cast<const CellIndexLists&>(lists));
            count += immediateCount(lists);
        }
    }
    return count;
}

// The same cells stitched, as triangle strips: visit(cell) for every marked
// cell, drawn over its own square only, its sides with the coarser neighbour's vertices, and for
// the fringe of cells after them that the mesh origin (the x of vertex 0)
// asks for. Each marked cell counts what its lists above would, so the sum is
// the same; the fringe counts nothing.
template <typename Visit>
int32_t visitStitchedImmediateCells(const TerrainMap& map, Vec3 eye, float lodCoefficient, Visit&& visit)
{
    if (!immediateDrawable(map)) return 0;
    int32_t count = 0;
    const auto stepOf = [&](int x, int y) { return immediateCellStep(map, x, y, eye, lodCoefficient); };
    visitStitchedCells(map, fringeCells(map.vertices[0]), true, stepOf, [&](const StitchedCell& cell) {
        visit(cell);
        if (cell.marked) count += immediateQuadCount(cell.step, map.subdivision);
    });
    return count;
}
