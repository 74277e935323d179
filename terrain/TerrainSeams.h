#pragma once

// Stitched cells, free of OpenGL. A cell drawn with a finer step than its
// neighbour would put vertices in the middle of the neighbour's edge, where
// the neighbour's surface does not pass: the clear colour shows through the
// gaps. A stitched cell is drawn as triangles over exactly its own square of
// the mesh, and each of its sides uses the vertices of the coarser of the two
// cells that share it, so both cells draw every shared side alike.
//
// Along each axis a cell of step s has its vertices at P(s) = 0, s, 2s, ...
// below the subdivision, then the subdivision itself (3 of 8: 0, 3, 6, 8).
// The square spanned by the second and the second-to-last positions is split
// into quads of two triangles; between it and the border each side is a
// trapezoid zipped between the side's vertices and the inner row's. From
// step 4 of 8 on the inner square is a point and the trapezoids are fans; the
// subdivision itself is one quad.

#include "terrain/TerrainLod.h"
#include "terrain/TerrainMap.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Sides of a cell, in mesh columns c and rows r from its first vertex: 0 the
// row r = 0 (towards cell y - 1), 1 the column c = subdivision (x + 1), 2 the
// row r = subdivision (y + 1), 3 the column c = 0 (x - 1).
constexpr int kCellSides = 4;
constexpr int kSideDx[kCellSides] = {0, 1, 0, -1};
constexpr int kSideDy[kCellSides] = {-1, 0, 1, 0};

// Two triangles per mesh square at step 1, the most any stitched cell draws.
constexpr int kMaxStitchedIndices = 6 * kMaxSubdivision * kMaxSubdivision;

// P(step): writes the positions to out and returns how many there are (0 when
// the step is not 1 to subdivision or the subdivision not 1 to kMaxSubdivision).
int stepPositions(int step, int subdivision, int out[kMaxSubdivision + 1]);

// At most one strip per triangle (then three vertices each, as in the list).
constexpr int kMaxStitchedStrips = 2 * kMaxSubdivision * kMaxSubdivision;

// The triangles of every stitched cell of one subdivision, built once. A
// vertex is stored as c + 16 r relative to the cell's first vertex.
class StitchTemplates {
public:
    explicit StitchTemplates(int subdivision);

    int subdivision() const { return subdivision_; }
    // One piece of a cell: its triangles (three vertices each, clockwise seen
    // from above as the mesh runs), and the same triangles as strips for
    // GL_TRIANGLE_STRIP (stripCount strips of stripLengths[i] vertices, back
    // to back), which immediate mode sends with fewer vertices.
    struct Piece {
        const uint8_t* triangles = nullptr;
        int triangleVertices = 0;
        const uint8_t* strips = nullptr;
        const uint8_t* stripLengths = nullptr;
        int stripCount = 0;
    };
    // The inner square of `step` (for the subdivision itself: its one quad),
    // or the trapezoid of `step` on `side` when that side uses the vertices of
    // `sideStep` (step .. subdivision). Empty for arguments out of range.
    Piece inner(int step) const;
    Piece ring(int step, int side, int sideStep) const;

private:
    struct Span {
        uint32_t triangles = 0, triangleVertices = 0;
        uint32_t strips = 0, stripLengths = 0, stripCount = 0;
    };
    void add(Span& span, const std::vector<uint8_t>& triangles);
    Piece piece(const Span& span) const;

    int subdivision_ = 0;
    std::vector<uint8_t> triangles_, strips_, stripLengths_;
    Span inner_[kMaxSubdivision + 1];
    Span ring_[kMaxSubdivision + 1][kCellSides][kMaxSubdivision + 1];
};

// The templates of a subdivision from 1 to kMaxSubdivision, built when the
// program starts; nullptr for any other.
const StitchTemplates* stitchTemplates(int subdivision);

// One stitched cell ready to draw: indices into the mesh, as one triangle list
// or as stripCount triangle strips of stripLengths[i] indices back to back.
struct StitchedCell {
    bool marked = false; // by the quad view tree: the cell counts
    int step = 0;
    int indexCount = 0;
    uint32_t indices[kMaxStitchedIndices];
    int stripCount = 0;
    uint16_t stripLengths[kMaxStitchedStrips];
};

// Fills `out` for the cell whose first vertex is `first` on a mesh of
// `meshColumns`, drawn with `step`, its sides with sideSteps[side] (each from
// step to the subdivision), as triangle strips or as one triangle list. False
// (out empty) when a step is out of range.
bool buildStitchedCell(const StitchTemplates& templates, uint32_t first, int meshColumns, int step,
                       const int sideSteps[kCellSides], bool strips, StitchedCell& out);

// Quads today's lists count for a cell drawn with `step`: the terrain drawing's
// (72, 20, 6, 1 at steps 1, 2, 4, 8) and the immediate rule's (81, 25, 16, 9
// at steps 1 to 4, 9 up to step 7, 1 at 8). A stitched cell counts the same,
// so the quad budget settles where it does without stitching.
int lodQuadCount(int step, int subdivision);
int immediateQuadCount(int step, int subdivision);

// Which of the four level-of-detail view colours a step gets: steps 1, 2, 3-4
// and 5 up (veldrun's steps 1, 2, 4, 8 take one each).
int levelColourIndex(int step);

// How the terrain is drawn: stitched (F5, on at start) and as the
// level-of-detail view (F6, off at start).
struct TerrainDrawOptions {
    bool stitchSeams = true;
    bool showLevels = false;
};

// Cells a stitched drawing draws besides the marked ones, after each marked
// cell in x, in y and in both. The quad view tree marks a cell by its grid
// point, and a leaf's far edge can lie up to half a unit past the last cell it
// marks; a mesh that starts `meshOrigin` (negative) before the grid point thus
// leaves part of the view to the next cell or two, which the tree may not
// mark. ceil(0.5 - meshOrigin): 1 for veldrun's mesh (-1/16), 2 for the cliff
// programs' (-9/16), 1 for cell corners half a unit before the grid point.
int fringeCells(float meshOrigin);

// True when a stitched drawing draws cell (x, y) of the map: its visible byte
// is exactly 1, or that of a cell up to `fringe` cells before it in x, in y or
// in both. The cell must lie on the grid.
bool stitchedCellDrawn(const TerrainMap& map, int x, int y, int fringe);

// Calls visit(cell) for every cell of the map whose visible byte is exactly 1,
// and for every cell within `fringe` cells after one (cell.marked false),
// rows outer, columns inner, stitched. stepOf(x, y) is the step of any cell of
// the grid: a neighbour that is not drawn still has one. As triangle strips
// or one triangle list (`strips`). A side takes the
// larger of its cell's step and the neighbour's; a side on the map's border
// keeps its cell's. Cells whose square does not lie inside the mesh are
// skipped. The caller has checked the per-point arrays.
template <typename StepOf, typename Visit>
void visitStitchedCells(const TerrainMap& map, int fringe, bool strips, StepOf&& stepOf, Visit&& visit)
{
    const StitchTemplates* templates = stitchTemplates(map.subdivision);
    if (templates == nullptr || map.meshColumns <= 0 || map.meshRows <= 0) return;
    const int64_t s = map.subdivision;
    StitchedCell cell;
    for (int y = 0; y < map.height; ++y) {
        if (s * y + s >= map.meshRows) break;
        for (int x = 0; x < map.width; ++x) {
            if (s * x + s >= map.meshColumns) break;
            cell.marked = map.visible[static_cast<size_t>(x) + static_cast<size_t>(map.width) * y] == 1;
            if (!cell.marked && !stitchedCellDrawn(map, x, y, fringe)) continue;
            const int step = stepOf(x, y);
            int sideSteps[kCellSides];
            for (int side = 0; side < kCellSides; ++side) {
                const int nx = x + kSideDx[side];
                const int ny = y + kSideDy[side];
                const bool inside = nx >= 0 && ny >= 0 && nx < map.width && ny < map.height;
                const int neighbour = inside ? stepOf(nx, ny) : step;
                sideSteps[side] = neighbour > step ? neighbour : step;
            }
            const uint32_t first = static_cast<uint32_t>(s * x + s * y * map.meshColumns);
            if (buildStitchedCell(*templates, first, map.meshColumns, step, sideSteps, strips, cell))
                visit(static_cast<const StitchedCell&>(cell));
        }
    }
}
