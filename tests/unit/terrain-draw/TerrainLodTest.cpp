#include "terrain/TerrainLod.h"
#include "terrain/TerrainMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

TEST(LodStep, HandWorkedFactorsAndTheStepTable)
{
    // (1024 / 600) x (1 x 0.5) = 0.8533: trunc(6.83) = 6, deficit 2, step 2.
    // Steps around the table's edges (n = trunc(8 f): 7, 6, 5 and 3 from 0.875,
    // 0.8749, 0.7499 and 0.4999); roughness 0 is one quad however near; an
    // infinite 1024 / d2 times roughness 0 must not reach trunc; the eye on the
    // grid point gives the finest, the limit; a negative coefficient the coarsest;
    // the coefficient counts like the roughness.
    const std::tuple<float, float, float, int> cases[] = {
        {600.0f, 1.0f, 0.5f, 2},     {1.0f, 1.0f, 1.0f, 1},       {1024.0f, 1.0f, 0.875f, 1},
        {1024.0f, 1.0f, 0.8749f, 2}, {1024.0f, 1.0f, 0.75f, 2},   {1024.0f, 1.0f, 0.7499f, 4},
        {1024.0f, 1.0f, 0.5f, 4},    {1024.0f, 1.0f, 0.4999f, 8}, {500.0f, 1.0f, 0.0f, 8},
        {1e-40f, 1.0f, 0.0f, 8},     {0.0f, 1.0f, 0.0f, 1},       {10.0f, -1.0f, 1.0f, 8},
        {2048.0f, 2.0f, 0.5f, 4}};
    for (const auto& [d2, coefficient, roughness, step] : cases)
        EXPECT_EQ(lodStep(lodFactor(d2, coefficient, roughness), 8), step)
            << d2 << " " << coefficient << " " << roughness;
    // A cell's distance is its grid point's, at its own height: with the eye 10
    // above (0, 0, 0), cell (2, 2) lies at d2 108 at height 0, at d2 8 at height 10.
    TerrainMap map{.width = 4, .height = 4, .subdivision = 8};
    map.heights.resize(16);
    map.roughness.assign(16, 0.085f);
    EXPECT_EQ(cellStep(map, 2, 2, {0, 0, 10}, 1.0f), 2); // f = 1024 / 108 x 0.085 = 0.806
    map.heights[2 + 4 * 2] = 10.0f;
    EXPECT_EQ(cellStep(map, 2, 2, {0, 0, 10}, 1.0f), 1);
}

TEST(CellIndices, HandWorkedStripsAndCounts)
{
    // Per step: strips, indices per strip, quads counted.
    const int counts[][4] = {{1, 9, 18, 72}, {2, 5, 10, 20}, {4, 3, 6, 6}, {8, 0, 0, 1}};
    CellIndexLists lists;
    for (const auto& e : counts) {
        ASSERT_TRUE(buildCellIndices(5, 7, e[0], 8, 1032, lists));
        EXPECT_EQ((std::vector<int>{lists.isQuad, lists.stripCount, lists.stripLength, lists.quadCount()}),
                  (std::vector<int>{e[0] == 8, e[1], e[2], e[3]}))
            << e[0];
    }
    const auto strip = [&](int i) {
        return std::vector<uint32_t>(lists.strips[i], lists.strips[i] + lists.stripLength);
    };
    // meshColumns 40: v(c, r) = c + 40 r; bands k = 0, 2, .., 8, the last reaching row 10.
    ASSERT_TRUE(buildCellIndices(0, 0, 2, 8, 40, lists));
    EXPECT_EQ(strip(0), (std::vector<uint32_t>{0, 80, 2, 82, 4, 84, 6, 86, 8, 88}));
    EXPECT_EQ(strip(4), (std::vector<uint32_t>{320, 400, 322, 402, 324, 404, 326, 406, 328, 408}));
    // Cell (1, 2), step 4: first vertex v(8, 16) = 648.
    ASSERT_TRUE(buildCellIndices(1, 2, 4, 8, 40, lists));
    EXPECT_EQ(strip(2), (std::vector<uint32_t>{968, 1128, 972, 1132, 976, 1136}));
    // Step 1: the ninth band starts on the far row and reaches into the next cell row.
    ASSERT_TRUE(buildCellIndices(0, 0, 1, 8, 40, lists));
    EXPECT_EQ(lists.strips[8][17], 8u + 40u * 9u);
    // Cell (3, 5) as one quad, clockwise from above: v(24, 40), v(24, 48), v(32, 48), v(32, 40).
    ASSERT_TRUE(buildCellIndices(3, 5, 8, 8, 1032, lists));
    EXPECT_EQ(std::vector<uint32_t>(lists.quad, lists.quad + 4),
              (std::vector<uint32_t>{41304, 49560, 49568, 41312}));
    // The last grid row at step 4 reaches mesh row 8 * 127 + 12 = 1028.
    ASSERT_TRUE(buildCellIndices(0, 127, 4, 8, 1032, lists));
    EXPECT_EQ(*std::max_element(lists.strips[2], lists.strips[2] + 6), 8u + 1032u * 1028u);
}
