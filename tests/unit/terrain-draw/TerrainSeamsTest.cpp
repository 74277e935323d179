#include "terrain/TerrainSeams.h"
#include "terrain/ImmediateLod.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <set>
#include <vector>

namespace {

constexpr int kColumns = 100;        // mesh columns of the tests' cells
using Triangle = std::array<int, 6>; // c, r of three vertices

// The cell's triangles, (c, r) of three vertices from the cell's first, from a
// triangle list or from strips read as GL reads them (odd triangles turned).
std::vector<Triangle> triangles(const StitchedCell& cell, uint32_t first, bool strips)
{
    std::vector<Triangle> out;
    const auto add = [&](uint32_t a, uint32_t b, uint32_t c) {
        Triangle t{};
        int k = 0;
        for (uint32_t v : {a, b, c}) {
            t[k++] = int(v % kColumns) - int(first % kColumns);
            t[k++] = int(v / kColumns) - int(first / kColumns);
        }
        out.push_back(t);
    };
    if (!strips) {
        for (int i = 0; i + 2 < cell.indexCount; i += 3)
            add(cell.indices[i], cell.indices[i + 1], cell.indices[i + 2]);
        return out;
    }
    const uint32_t* v = cell.indices;
    for (int s = 0; s < cell.stripCount; v += cell.stripLengths[s++])
        for (int k = 0; k + 2 < cell.stripLengths[s]; ++k)
            k % 2 ? add(v[k + 1], v[k], v[k + 2]) : add(v[k], v[k + 1], v[k + 2]);
    return out;
}

std::vector<int> positions(int step)
{
    int p[kMaxSubdivision + 1];
    return std::vector<int>(p, p + stepPositions(step, 8, p));
}

} // namespace

// Every step, every combination of side steps from its own to the coarsest,
// as one triangle list and as strips.
TEST(StitchedCells, CoverTheirSquareOnceWithTheCoarserSidesVertices)
{
    const StitchTemplates& templates = *stitchTemplates(8);
    const uint32_t first = 16 + 24 * kColumns; // cell (2, 3)
    StitchedCell cell;
    for (int step = 1; step <= 8; ++step) {
        int combinations = 0;
        for (int code = 0; code < 9 * 9 * 9 * 9; ++code) {
            const int sides[4] = {code % 9, code / 9 % 9, code / 81 % 9, code / 729};
            if (*std::min_element(sides, sides + 4) < step) { // a side finer than its cell is refused
                EXPECT_EQ(buildStitchedCell(templates, first, kColumns, step, sides, false, cell), step == 8);
                continue;
            }
            ++combinations;
            for (bool strips : {false, true}) {
                ASSERT_TRUE(buildStitchedCell(templates, first, kColumns, step, sides, strips, cell));
                SCOPED_TRACE(testing::Message() << "step " << step << " sides " << sides[0] << sides[1]
                                                << sides[2] << sides[3] << " strips " << strips);
                // Clockwise seen from above, none degenerate, none outside the square,
                // together the square's area, and every edge inside the square met
                // once the other way round: each point covered exactly once.
                int twiceArea = 0;
                std::multiset<std::array<int, 4>> edges;
                std::set<int> onSide[4]; // rows along a column side, columns along a row side
                for (const Triangle& t : triangles(cell, first, strips)) {
                    const int cross = (t[2] - t[0]) * (t[5] - t[1]) - (t[3] - t[1]) * (t[4] - t[0]);
                    ASSERT_LT(cross, 0);
                    twiceArea -= cross;
                    for (int k = 0; k < 3; ++k) {
                        ASSERT_TRUE(t[2 * k] >= 0 && t[2 * k] <= 8 && t[2 * k + 1] >= 0 && t[2 * k + 1] <= 8);
                        edges.insert({t[2 * k], t[2 * k + 1], t[(2 * k + 2) % 6], t[(2 * k + 3) % 6]});
                    }
                }
                ASSERT_EQ(twiceArea, 128);
                for (const auto& e : edges) {
                    const bool column = e[0] == e[2] && e[0] % 8 == 0, row = e[1] == e[3] && e[1] % 8 == 0;
                    ASSERT_EQ(edges.count({e[2], e[3], e[0], e[1]}), column || row ? 0u : 1u);
                    if (column || row)
                        onSide[column ? (e[0] ? 1 : 3) : (e[1] ? 2 : 0)].insert({e[column], e[column + 2]});
                }
                // Each side holds exactly the vertices of its step: those of the coarser
                // neighbour, which draws the side with the same ones.
                for (int side = 0; side < 4; ++side)
                    ASSERT_EQ(std::vector<int>(onSide[side].begin(), onSide[side].end()),
                              positions(step == 8 ? 8 : sides[side]))
                        << side;
            }
        }
        EXPECT_EQ(combinations, step == 8 ? 1 : (9 - step) * (9 - step) * (9 - step) * (9 - step));
    }
    const int sides[4] = {8, 8, 8, 8};
    EXPECT_FALSE(buildStitchedCell(templates, first, kColumns, 0, sides, false, cell) ||
                 buildStitchedCell(templates, first, kColumns, 9, sides, false, cell));
    EXPECT_TRUE(stitchTemplates(0) == nullptr && stitchTemplates(9) == nullptr);
}

// A map with random steps: which cells are drawn and counted, and that two
// cells meeting at a side draw it with the same vertices, the coarser cell's.
TEST(StitchedCells, NeighboursDrawSharedSidesAlike)
{
    // A mesh one row and one column short: the last grid row's and column's cells do not fit and are skipped.
    TerrainMap map{.width = 6, .height = 6, .subdivision = 8, .meshColumns = 48, .meshRows = 48};
    // Marked: (1, 1), (3, 1) .. (4, 3) and (0, 4); with a fringe of one cell,
    // the cells after them in x, y and both are drawn too.
    map.visible.assign(36, 0);
    for (int i : {7, 9, 10, 15, 16, 21, 22, 24})
        map.visible[size_t(i)] = 1;
    map.visible[13] = 2; // no mark
    std::mt19937 rng(3);
    std::vector<int> steps(36);
    for (int& s : steps)
        s = int(rng() % 8) + 1;
    const auto stepOf = [&](int x, int y) { return steps[size_t(x + 6 * y)]; };
    std::vector<std::vector<uint32_t>> drawn(36);
    std::vector<int> marked;
    visitStitchedCells(map, 1, false, stepOf, [&](const StitchedCell& cell) {
        // The lowest index is the cell's first vertex.
        const uint32_t low = *std::min_element(cell.indices, cell.indices + cell.indexCount);
        const int x = int(low % 48 / 8), y = int(low / 48 / 8);
        drawn[size_t(x + 6 * y)].assign(cell.indices, cell.indices + cell.indexCount);
        if (cell.marked) marked.push_back(x + 6 * y);
    });
    std::vector<int> drawnCells;
    for (int i = 0; i < 36; ++i)
        if (!drawn[size_t(i)].empty()) drawnCells.push_back(i);
    EXPECT_EQ(marked, (std::vector<int>{7, 9, 10, 15, 16, 21, 22, 24}));
    EXPECT_EQ(drawnCells, (std::vector<int>{7, 8, 9, 10, 13, 14, 15, 16, 21, 22, 24, 25, 27, 28}));
    // Each side holds the vertices of the coarser of its two cells (a side on
    // the map's border those of its own), so a neighbour drawn too has the
    // very same ones on it.
    for (int i : drawnCells)
        for (int side = 0; side < 4; ++side) {
            const int x = i % 6, y = i / 6, nx = x + kSideDx[side], ny = y + kSideDy[side];
            const bool inside = nx >= 0 && ny >= 0 && nx < 6 && ny < 6;
            const int line = side % 2 ? 8 * x + (side == 1 ? 8 : 0) : 8 * y + (side == 2 ? 8 : 0);
            std::set<uint32_t> coarser, mine;
            for (int p : positions(inside ? std::max(stepOf(x, y), stepOf(nx, ny)) : stepOf(x, y)))
                coarser.insert(uint32_t(side % 2 ? line + 48 * (8 * y + p) : 8 * x + p + 48 * line));
            for (uint32_t v : drawn[size_t(i)])
                if (int(side % 2 ? v % 48 : v / 48) == line) mine.insert(v);
            EXPECT_EQ(mine, coarser) << "cell " << x << " " << y << " side " << side;
        }
}

TEST(StitchedCells, CountTodaysListsAndPickTheirFringeAndColours)
{
    // A stitched cell counts what its step's lists count (72, 20, 6, 1 and
    // 81, 25, 16, 9, 9, 9, 9, 1), without them.
    CellIndexLists lists;
    for (int step = 1; step <= 8; ++step) {
        ASSERT_TRUE(immediateCellIndices(0, 0, step, 8, 40, lists));
        EXPECT_EQ(immediateQuadCount(step, 8), immediateCount(lists)) << step;
        if ((step & (step - 1)) == 0 && buildCellIndices(0, 0, step, 8, 40, lists)) {
            EXPECT_EQ(lodQuadCount(step, 8), lists.quadCount()) << step;
        }
    }
    // veldrun's mesh starts 1/16 before the grid point, the cliff programs'
    // 9/16, the strips' corners half a unit.
    EXPECT_EQ((std::vector<int>{fringeCells(-0.0625f), fringeCells(-0.5625f), fringeCells(-0.5f)}),
              (std::vector<int>{1, 2, 1}));
    const int colours[9] = {0, 0, 1, 2, 2, 3, 3, 3, 3};
    for (int step = 1; step <= 8; ++step)
        EXPECT_EQ(levelColourIndex(step), colours[step]) << step;
}
