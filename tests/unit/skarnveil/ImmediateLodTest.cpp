// The immediate-mode level-of-detail rule: steps, lists, counts and the walk
// over the marked cells.
#include "terrain/ImmediateLod.h"
#include "TestMaps.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

constexpr int kColumns = 40; // a 4 x 4 grid's mesh: 8 * 4 + 8

uint32_t v(int c, int r)
{
    return static_cast<uint32_t>(c + kColumns * r);
}

TEST(ImmediateLodStep, HandWorkedFactors)
{
    EXPECT_EQ(immediateLodStep(0.6f, 8), 4); // trunc(4.8) = 4
    EXPECT_EQ(immediateLodStep(0.7f, 8), 3); // trunc(5.6) = 5
    EXPECT_EQ(immediateLodStep(0.875f, 8), 1);
    EXPECT_EQ(immediateLodStep(1.0f, 8), 1); // 8 - 8 = 0, raised to 1
    EXPECT_EQ(immediateLodStep(0.0f, 8), 8);
    EXPECT_EQ(immediateLodStep(0.124f, 8), 8);
    EXPECT_EQ(immediateLodStep(0.125f, 8), 7);
}

TEST(ImmediateLodStep, EveryStepFromOneToEightOccurs)
{
    // Unlike the vertex-array drawing, steps are not limited to powers of two.
    for (int n = 0; n <= 8; ++n) {
        const float f = (static_cast<float>(n) + 0.5f) / 8.0f;
        EXPECT_EQ(immediateLodStep(std::min(f, 1.0f), 8), std::max(1, 8 - n)) << n;
    }
}

TEST(ImmediateCellIndices, StepFourIsThreeStripsOfThreePairs)
{
    CellIndexLists lists;
    ASSERT_TRUE(immediateCellIndices(2, 3, 4, 8, kColumns, lists));
    EXPECT_FALSE(lists.isQuad);
    EXPECT_EQ(lists.stripCount, 3);
    EXPECT_EQ(lists.stripLength, 6);
    EXPECT_EQ(immediateCount(lists), 9);
    // Cell (2, 3) starts at mesh column 16, row 24.
    const std::vector<uint32_t> first = {v(16, 24), v(16, 28), v(20, 24), v(20, 28), v(24, 24), v(24, 28)};
    const std::vector<uint32_t> last = {v(16, 32), v(16, 36), v(20, 32), v(20, 36), v(24, 32), v(24, 36)};
    EXPECT_EQ(std::vector<uint32_t>(lists.strips[0], lists.strips[0] + 6), first);
    EXPECT_EQ(std::vector<uint32_t>(lists.strips[2], lists.strips[2] + 6), last);
}

TEST(ImmediateCellIndices, StepThreeReachesNineRowsAndColumnsOn)
{
    CellIndexLists lists;
    ASSERT_TRUE(immediateCellIndices(1, 1, 3, 8, kColumns, lists));
    EXPECT_EQ(lists.stripCount, 4);
    EXPECT_EQ(lists.stripLength, 8);
    EXPECT_EQ(immediateCount(lists), 16);
    // Bands start at rows 8, 11, 14, 17; the last strip starts 9 rows on and
    // its last pair lies 9 columns on, past the cell's far edge at 16.
    EXPECT_EQ(lists.strips[3][0], v(8, 17));
    EXPECT_EQ(lists.strips[3][1], v(8, 20));
    EXPECT_EQ(lists.strips[3][6], v(17, 17));
    EXPECT_EQ(lists.strips[3][7], v(17, 20));
    EXPECT_EQ(largestIndex(lists), v(17, 20));
}

TEST(ImmediateCellIndices, StepOneCountsEightyOne)
{
    CellIndexLists lists;
    ASSERT_TRUE(immediateCellIndices(0, 0, 1, 8, kColumns, lists));
    EXPECT_EQ(lists.stripCount, 9);
    EXPECT_EQ(lists.stripLength, 18);
    EXPECT_EQ(immediateCount(lists), 81);
    EXPECT_EQ(lists.strips[8][17], v(8, 9)); // the last band reaches into the next cell row
}

TEST(ImmediateCellIndices, StepEightIsOneQuad)
{
    CellIndexLists lists;
    ASSERT_TRUE(immediateCellIndices(3, 2, 8, 8, kColumns, lists));
    EXPECT_TRUE(lists.isQuad);
    EXPECT_EQ(immediateCount(lists), 1);
    EXPECT_EQ(lists.quad[0], v(24, 16));
    EXPECT_EQ(lists.quad[1], v(24, 24));
    EXPECT_EQ(lists.quad[2], v(32, 24));
    EXPECT_EQ(lists.quad[3], v(32, 16));
}

TEST(ImmediateCellIndices, CountsOfEveryStep)
{
    // Pairs per strip = strips = number of multiples of step below step + 8.
    const int expected[9] = {0, 81, 25, 16, 9, 9, 9, 9, 1};
    for (int step = 1; step <= 8; ++step) {
        CellIndexLists lists;
        ASSERT_TRUE(immediateCellIndices(0, 0, step, 8, kColumns, lists));
        EXPECT_EQ(immediateCount(lists), expected[step]) << step;
    }
}

TEST(ImmediateCellIndices, AgreesWithTheRuleWrittenOutForRandomCells)
{
    std::mt19937 random(20240611);
    for (int trial = 0; trial < 500; ++trial) {
        const int x = static_cast<int>(random() % 120);
        const int y = static_cast<int>(random() % 120);
        const int step = 1 + static_cast<int>(random() % 7); // strips only
        const int columns = 1032;
        CellIndexLists lists;
        ASSERT_TRUE(immediateCellIndices(x, y, step, 8, columns, lists));
        std::vector<uint32_t> got;
        for (int band = 0; band < lists.stripCount; ++band)
            got.insert(got.end(), lists.strips[band], lists.strips[band] + lists.stripLength);
        std::vector<uint32_t> want;
        int pairs = 0;
        for (int k = 0; k < step + 8; k += step) {
            for (int s = 0; s < step + 8; s += step) {
                want.push_back(static_cast<uint32_t>(8 * x + s + columns * (8 * y + k)));
                want.push_back(static_cast<uint32_t>(8 * x + s + columns * (8 * y + k + step)));
                ++pairs;
            }
        }
        EXPECT_EQ(got, want) << x << "," << y << " step " << step;
        EXPECT_EQ(immediateCount(lists), pairs);
    }
}

TEST(ImmediateTerrain, RoughnessZeroIsOneQuadHoweverNear)
{
    TerrainMap map = lodMap(4, 4);
    map.visible[1 + 4 * 1] = 1;
    EXPECT_EQ(immediateTerrainCount(map, {1.0f, 1.0f, 1.0f}, 3.0f), 1);
}

TEST(ImmediateTerrain, FactorFromDistanceCoefficientAndRoughness)
{
    TerrainMap map = lodMap(4, 4);
    map.visible[0] = 1;
    // Eye 32 units above grid point (0, 0): d2 = 1024, so f = coefficient x roughness.
    const Vec3 eye{0.0f, 0.0f, 32.0f};
    map.roughness[0] = 0.6f;
    EXPECT_EQ(immediateTerrainCount(map, eye, 1.0f), 9); // step 4
    map.roughness[0] = 0.7f;
    EXPECT_EQ(immediateTerrainCount(map, eye, 1.0f), 16); // step 3
    map.roughness[0] = 0.35f;
    EXPECT_EQ(immediateTerrainCount(map, eye, 2.0f), 16); // the coefficient doubles it
    map.roughness[0] = 1.0f;
    EXPECT_EQ(immediateTerrainCount(map, eye, 0.875f), 81); // f = 7/8
    EXPECT_EQ(immediateTerrainCount(map, {0.0f, 0.0f, 64.0f}, 0.875f),
              9); // d2 four times: f = 0.21875, step 7
}

TEST(ImmediateTerrain, OnlyBytesOfExactlyOneAreDrawnAndCountsAdd)
{
    TerrainMap map = lodMap(4, 4);
    map.roughness.assign(16, 1.0f);
    map.visible[0] = 1;
    map.visible[1] = 2;
    map.visible[4 + 2] = 1;
    // Eye far away: f tiny, step 8 everywhere.
    EXPECT_EQ(immediateTerrainCount(map, {500.0f, 500.0f, 500.0f}, 1.0f), 2);
    // Eye on cell (0, 0)'s grid point: finest there; (2, 1) at d2 = 5 is fine too.
    EXPECT_EQ(immediateTerrainCount(map, {0.0f, 0.0f, 0.0f}, 1.0f), 162);
}

TEST(ImmediateTerrain, VisitsTheListsItCounts)
{
    TerrainMap map = lodMap(4, 4);
    map.roughness.assign(16, 0.7f);
    map.visible.assign(16, 1);
    int visited = 0;
    int summed = 0;
    const int32_t count =
        visitImmediateCells(map, {0.0f, 0.0f, 32.0f}, 1.0f, [&](const CellIndexLists& lists) {
            ++visited;
            summed += immediateCount(lists);
        });
    EXPECT_EQ(count, summed);
    EXPECT_GT(visited, 0);
}

TEST(ImmediateTerrain, CellsReachingPastTheMeshAreSkipped)
{
    // The last grid row's bands at step 3 reach row 8 * 3 + 12 = 36 (inside
    // 40 rows); at step 7 they would reach 24 + 21 = 45: that cell is left out.
    TerrainMap map = lodMap(4, 4);
    map.visible[1 + 4 * 3] = 1;
    map.roughness[1 + 4 * 3] = 0.7f;
    EXPECT_EQ(immediateTerrainCount(map, {1.0f, 3.0f, 32.0f}, 1.0f), 16);
    map.roughness[1 + 4 * 3] = 0.15f; // f = 0.15: step 7
    EXPECT_EQ(immediateTerrainCount(map, {1.0f, 3.0f, 32.0f}, 1.0f), 0);
    map.visible[1 + 4 * 2] = 1; // one row up it fits: 16 + 21 = 37
    map.roughness[1 + 4 * 2] = 0.15f;
    EXPECT_EQ(immediateTerrainCount(map, {1.0f, 2.5f, 32.0f}, 1.0f), 9);
}

TEST(ImmediateTerrain, IncompleteMapsDrawNothing)
{
    TerrainMap map = lodMap(4, 4);
    map.visible.assign(16, 1);
    // Roughness 0 everywhere: one quad a cell, except where the eye sits on
    // the grid point itself (0 x infinity), which takes the finest step.
    EXPECT_EQ(immediateTerrainCount(map, {0, 0, 100}, 1.0f), 16);
    EXPECT_EQ(immediateTerrainCount(map, {0, 0, 0}, 1.0f), 81 + 15);
    TerrainMap shortVertices = map;
    shortVertices.vertices.resize(shortVertices.vertices.size() - 1);
    EXPECT_FALSE(immediateDrawable(shortVertices));
    EXPECT_EQ(immediateTerrainCount(shortVertices, {0, 0, 0}, 1.0f), 0);
    TerrainMap noRoughness = map;
    noRoughness.roughness.clear();
    EXPECT_EQ(immediateTerrainCount(noRoughness, {0, 0, 0}, 1.0f), 0);
    TerrainMap narrow = map;
    narrow.meshColumns = 8 * 4 + 6; // the widest columns would wrap into the next row
    narrow.vertexCount = narrow.meshColumns * narrow.meshRows;
    EXPECT_FALSE(immediateDrawable(narrow));
    TerrainMap empty;
    EXPECT_EQ(immediateTerrainCount(empty, {0, 0, 0}, 1.0f), 0);
}

} // namespace
