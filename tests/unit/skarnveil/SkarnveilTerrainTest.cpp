// What the smaller programs share: the immediate-mode level of detail and the
// strip drawing's row walk.
#include "skarnveil/CliffTerrain.h"
#include "terrain/ImmediateLod.h"
#include "terrain/TerrainMesh.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

TEST(ImmediateLod, StepsListsAndCountsFromDistanceCoefficientAndRoughness)
{
    // Pairs per strip = strips = the multiples of step below step + 8; one count per pair.
    const int counts[9] = {0, 81, 25, 16, 9, 9, 9, 9, 1};
    CellIndexLists lists;
    for (int step = 1; step <= 8; ++step) {
        ASSERT_TRUE(immediateCellIndices(0, 0, step, 8, 40, lists));
        EXPECT_EQ(immediateCount(lists), counts[step]) << step;
    }
    // Step 3 at cell (1, 1) of a 4 x 4 grid's mesh (40 columns): bands at rows
    // 8, 11, 14, 17; the last pair lies 9 columns on, past the cell's far edge at 16.
    ASSERT_TRUE(immediateCellIndices(1, 1, 3, 8, 40, lists));
    EXPECT_EQ(lists.strips[3][0], 8u + 40u * 17u);
    EXPECT_EQ(lists.strips[3][7], 17u + 40u * 20u);
    // A map's count: cells (0, 0) and (2, 1) marked, (1, 0) holding a 2, which is
    // no mark; only (0, 0) is rough, (2, 1) adds its one quad.
    TerrainMap map = gridMap(4, 4, [](int, int) { return 0.0f; });
    ASSERT_TRUE(allocateMesh(map, false, false));
    map.visible = {1, 2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    map.roughness.assign(16, 0.0f);
    map.roughness[0] = 0.35f;
    // Eye 32 units above grid point (0, 0): d2 = 1024, so f = coefficient x roughness:
    // 0.7 gives trunc(5.6), step 3, 16 pairs; with the eye twice as high f is
    // a quarter, trunc(1.4), step 7, 9 pairs; on the grid point itself, step 1.
    // Counted by the cell walk the drawing sends its lists from, here visiting nothing.
    EXPECT_EQ(visitImmediateCells(map, {0.0f, 0.0f, 32.0f}, 2.0f, [](auto&) {}), 16 + 1);
    EXPECT_EQ(visitImmediateCells(map, {0.0f, 0.0f, 64.0f}, 2.0f, [](auto&) {}), 9 + 1);
    EXPECT_EQ(visitImmediateCells(map, {0.0f, 0.0f, 0.0f}, 1.0f, [](auto&) {}), 81 + 1);
}

TEST(CellStripRow, HandWorkedRows)
{
    const std::pair<std::vector<uint8_t>, std::array<int, 3>> cases[] = {
        {{0, 1, 1, 1, 1}, {1, 4, 5}},    // to the row's end, closed by the last cell's right edge
        {{0, 1, 1, 0, 1, 0}, {1, 3, 4}}, // the gap's left edge ends the walk: cell 4 is not walked
        {{0, 0, 0, 0}, {0, 0, 0}},       {{0, 0, 1}, {2, 1, 2}}, // a single cell: its left and right edges
        {{2, 1, 2, 1}, {1, 2, 3}}, // a 2 is no mark: it neither starts nor continues a walk
    };
    for (const auto& [bytes, expected] : cases) {
        const CellStripRow row = walkCellStripRow(bytes.data(), int(bytes.size()));
        EXPECT_EQ((std::array<int, 3>{row.walked ? row.first : 0, row.walked, row.count()}), expected)
            << bytes.size();
    }
}
