#include "terrain/TerrainLod.h"
#include "terrain/TerrainMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

namespace {

std::vector<uint32_t> strip(const CellIndexLists& lists, int i)
{
    return {lists.strips[i], lists.strips[i] + lists.stripLength};
}

// A grid of w x h points on the mesh layout of the generator (8 steps per grid
// step, 8 spare columns and rows). Heights 0, roughness 0, nothing visible;
// the mesh arrays are sized but their contents do not matter here.
TerrainMap makeMap(int w, int h)
{
    TerrainMap map;
    map.width = w;
    map.height = h;
    map.pointCount = static_cast<uint32_t>(w * h);
    map.heights.assign(map.pointCount, 0.0f);
    map.roughness.assign(map.pointCount, 0.0f);
    map.visible.assign(map.pointCount, 0);
    map.subdivision = 8;
    map.meshColumns = 8 * w + 8;
    map.meshRows = 8 * h + 8;
    map.vertexCount = map.meshColumns * map.meshRows;
    map.vertices.assign(static_cast<size_t>(map.vertexCount) * 3, 0.0f);
    map.colours.assign(static_cast<size_t>(map.vertexCount) * 4, 0);
    return map;
}

} // namespace

TEST(LodFactor, WorkedExampleGivesStepTwo)
{
    // (1024 / 600) * (1 * 0.5) = 512 / 600.
    const float f = lodFactor(600.0f, 1.0f, 0.5f);
    EXPECT_NEAR(f, 0.85333f, 1e-4f);
    EXPECT_EQ(lodStep(f, 8), 2); // trunc(6.83) = 6, deficit 2
}

TEST(LodFactor, CappedAtOne)
{
    EXPECT_EQ(lodFactor(1.0f, 1.0f, 1.0f), 1.0f);
    EXPECT_EQ(lodFactor(1024.0f, 1.0f, 1.0f), 1.0f);
    EXPECT_FLOAT_EQ(lodFactor(2048.0f, 1.0f, 1.0f), 0.5f);
    EXPECT_FLOAT_EQ(lodFactor(2048.0f, 9.0f, 0.1f), 0.45f);
}

TEST(LodFactor, RoughnessZeroIsOneQuadHoweverClose)
{
    for (float d2 : {1e-30f, 1e-6f, 0.01f, 1.0f, 500.0f})
        EXPECT_EQ(lodStep(lodFactor(d2, 1.0f, 0.0f), 8), 8) << d2;
    // 1024 / 1e-40 overflows to infinity; infinity * 0 must not reach trunc.
    EXPECT_EQ(lodStep(lodFactor(1e-40f, 1.0f, 0.0f), 8), 8);
}

TEST(LodFactor, EyeOnTheGridPointIsFinest)
{
    EXPECT_EQ(lodStep(lodFactor(0.0f, 1.0f, 0.0f), 8), 1);
    EXPECT_EQ(lodStep(lodFactor(0.0f, 1.0f, 0.7f), 8), 1);
}

TEST(LodFactor, NegativeCoefficientIsCoarsest)
{
    EXPECT_EQ(lodStep(lodFactor(10.0f, -1.0f, 1.0f), 8), 8);
}

TEST(LodStep, TableAtItsEdges)
{
    // n = trunc(8 f); deficit 8 - n.
    EXPECT_EQ(lodStep(1.0f, 8), 1);    // n 8
    EXPECT_EQ(lodStep(0.875f, 8), 1);  // n 7, deficit 1
    EXPECT_EQ(lodStep(0.8749f, 8), 2); // n 6
    EXPECT_EQ(lodStep(0.75f, 8), 2);   // n 6
    EXPECT_EQ(lodStep(0.7499f, 8), 4); // n 5, deficit 3
    EXPECT_EQ(lodStep(0.5f, 8), 4);    // n 4, deficit 4
    EXPECT_EQ(lodStep(0.4999f, 8), 8); // n 3, deficit 5
    EXPECT_EQ(lodStep(0.125f, 8), 8);  // deficit 7
    EXPECT_EQ(lodStep(0.0f, 8), 8);    // deficit 8
}

TEST(LodStep, NearerEyeNeverCoarser)
{
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> d2s(0.001f, 20000.0f);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int i = 0; i < 2000; ++i) {
        const float a = d2s(rng);
        const float b = d2s(rng);
        const float r = unit(rng);
        const float c = 0.2f + 8.8f * unit(rng);
        const int stepNear = lodStep(lodFactor(std::min(a, b), c, r), 8);
        const int stepFar = lodStep(lodFactor(std::max(a, b), c, r), 8);
        EXPECT_LE(stepNear, stepFar);
        EXPECT_TRUE(stepNear == 1 || stepNear == 2 || stepNear == 4 || stepNear == 8);
    }
}

TEST(CellIndices, CountsPerStep)
{
    CellIndexLists lists;
    ASSERT_TRUE(buildCellIndices(5, 7, 1, 8, 1032, lists));
    EXPECT_EQ(lists.stripCount, 9);
    EXPECT_EQ(lists.stripLength, 18);
    EXPECT_EQ(lists.quadCount(), 72);
    ASSERT_TRUE(buildCellIndices(5, 7, 2, 8, 1032, lists));
    EXPECT_EQ(lists.stripCount, 5);
    EXPECT_EQ(lists.stripLength, 10);
    EXPECT_EQ(lists.quadCount(), 20);
    ASSERT_TRUE(buildCellIndices(5, 7, 4, 8, 1032, lists));
    EXPECT_EQ(lists.stripCount, 3);
    EXPECT_EQ(lists.stripLength, 6);
    EXPECT_EQ(lists.quadCount(), 6);
    ASSERT_TRUE(buildCellIndices(5, 7, 8, 8, 1032, lists));
    EXPECT_TRUE(lists.isQuad);
    EXPECT_EQ(lists.stripCount, 0);
    EXPECT_EQ(lists.quadCount(), 1);
}

TEST(CellIndices, StepTwoOfFirstCell)
{
    // meshColumns 40: v(c, r) = c + 40 r. Bands k = 0, 2, 4, 6, 8, pairs s = 0..8.
    CellIndexLists lists;
    ASSERT_TRUE(buildCellIndices(0, 0, 2, 8, 40, lists));
    ASSERT_EQ(lists.stripCount, 5);
    EXPECT_EQ(strip(lists, 0), (std::vector<uint32_t>{0, 80, 2, 82, 4, 84, 6, 86, 8, 88}));
    EXPECT_EQ(strip(lists, 1), (std::vector<uint32_t>{80, 160, 82, 162, 84, 164, 86, 166, 88, 168}));
    EXPECT_EQ(strip(lists, 2), (std::vector<uint32_t>{160, 240, 162, 242, 164, 244, 166, 246, 168, 248}));
    EXPECT_EQ(strip(lists, 3), (std::vector<uint32_t>{240, 320, 242, 322, 244, 324, 246, 326, 248, 328}));
    EXPECT_EQ(strip(lists, 4), (std::vector<uint32_t>{320, 400, 322, 402, 324, 404, 326, 406, 328, 408}));
}

TEST(CellIndices, StepTwoOnTheFullMesh)
{
    // Cell (2, 1): first vertex v(16, 8) = 16 + 1032 * 8 = 8272.
    CellIndexLists lists;
    ASSERT_TRUE(buildCellIndices(2, 1, 2, 8, 1032, lists));
    EXPECT_EQ(strip(lists, 0),
              (std::vector<uint32_t>{8272, 10336, 8274, 10338, 8276, 10340, 8278, 10342, 8280, 10344}));
    // Last band k = 8: rows 16 and 18.
    EXPECT_EQ(strip(lists, 4),
              (std::vector<uint32_t>{16528, 18592, 16530, 18594, 16532, 18596, 16534, 18598, 16536, 18600}));
}

TEST(CellIndices, StepFour)
{
    // Cell (1, 2) with meshColumns 40: first vertex v(8, 16) = 648.
    CellIndexLists lists;
    ASSERT_TRUE(buildCellIndices(1, 2, 4, 8, 40, lists));
    ASSERT_EQ(lists.stripCount, 3);
    EXPECT_EQ(strip(lists, 0), (std::vector<uint32_t>{648, 808, 652, 812, 656, 816}));
    EXPECT_EQ(strip(lists, 1), (std::vector<uint32_t>{808, 968, 812, 972, 816, 976}));
    EXPECT_EQ(strip(lists, 2), (std::vector<uint32_t>{968, 1128, 972, 1132, 976, 1136}));
}

TEST(CellIndices, SingleQuadIsClockwiseFromAbove)
{
    // Cell (3, 5): v(24, 40), v(24, 48), v(32, 48), v(32, 40).
    CellIndexLists lists;
    ASSERT_TRUE(buildCellIndices(3, 5, 8, 8, 1032, lists));
    EXPECT_EQ(lists.quad[0], 41304u);
    EXPECT_EQ(lists.quad[1], 49560u);
    EXPECT_EQ(lists.quad[2], 49568u);
    EXPECT_EQ(lists.quad[3], 41312u);
}

TEST(CellIndices, LastGridRowAtStepFourReachesRow1028)
{
    CellIndexLists lists;
    ASSERT_TRUE(buildCellIndices(0, 127, 4, 8, 1032, lists));
    uint32_t highest = 0;
    for (int i = 0; i < lists.stripCount; ++i)
        for (int j = 0; j < lists.stripLength; ++j)
            highest = std::max(highest, lists.strips[i][j]);
    EXPECT_EQ(highest, 8u + 1032u * 1028u); // v(8, 8 * 127 + 12)
    EXPECT_LT(highest / 1032u, 1032u);
}

TEST(CellIndices, StepOneCoversItsCellAndOneBandOfTheNextRow)
{
    // Mesh squares drawn by the strips: columns 8x..8x+7, rows 8y..8y+8.
    CellIndexLists lists;
    const int mc = 1032;
    ASSERT_TRUE(buildCellIndices(10, 20, 1, 8, mc, lists));
    std::set<std::pair<int, int>> squares;
    for (int i = 0; i < lists.stripCount; ++i) {
        for (int q = 0; q + 3 < lists.stripLength; q += 2) {
            const uint32_t a = lists.strips[i][q];     // v(s, k)
            const uint32_t d = lists.strips[i][q + 3]; // v(s + 1, k + 1)
            EXPECT_EQ(d - a, static_cast<uint32_t>(mc + 1));
            squares.insert({static_cast<int>(a % mc), static_cast<int>(a / mc)});
        }
    }
    EXPECT_EQ(squares.size(), 72u);
    for (const auto& [c, r] : squares) {
        EXPECT_GE(c, 80);
        EXPECT_LE(c, 87);
        EXPECT_GE(r, 160);
        EXPECT_LE(r, 168);
    }
}

TEST(CellIndices, ImmediateModeLimitMatchesForPowersOfTwo)
{
    CellIndexLists drawn;
    CellIndexLists immediate;
    for (int step : {1, 2, 4}) {
        ASSERT_TRUE(buildCellIndices(3, 4, step, 8, 1032, drawn));
        ASSERT_TRUE(buildCellIndices(3, 4, step, 8, 1032, step + 8, immediate));
        ASSERT_EQ(drawn.stripCount, immediate.stripCount);
        ASSERT_EQ(drawn.stripLength, immediate.stripLength);
        for (int i = 0; i < drawn.stripCount; ++i)
            EXPECT_EQ(strip(drawn, i), strip(immediate, i));
    }
}

TEST(CellIndices, ImmediateModeOddStepsPassTheFarEdge)
{
    // Step 3: k and s = 0, 3, 6, 9 (limit 11); meshColumns 40, cell (0, 0).
    CellIndexLists lists;
    ASSERT_TRUE(buildCellIndices(0, 0, 3, 8, 40, 11, lists));
    ASSERT_EQ(lists.stripCount, 4);
    EXPECT_EQ(strip(lists, 3), (std::vector<uint32_t>{360, 480, 363, 483, 366, 486, 369, 489}));
    // Step 5: 0, 5, 10; step 7: 0, 7, 14.
    ASSERT_TRUE(buildCellIndices(0, 0, 5, 8, 40, 13, lists));
    EXPECT_EQ(lists.stripCount, 3);
    EXPECT_EQ(strip(lists, 2), (std::vector<uint32_t>{400, 600, 405, 605, 410, 610}));
    ASSERT_TRUE(buildCellIndices(0, 0, 7, 8, 40, 15, lists));
    EXPECT_EQ(lists.stripCount, 3);
    EXPECT_EQ(lists.strips[2][5], 14u + 40u * 21u);
}

TEST(CellIndices, RefusesWhatDoesNotFit)
{
    CellIndexLists lists;
    EXPECT_FALSE(buildCellIndices(0, 0, 0, 8, 40, lists));
    EXPECT_FALSE(buildCellIndices(0, 0, 9, 8, 40, lists));
    EXPECT_FALSE(buildCellIndices(0, 0, 1, 16, 200, lists));
    EXPECT_FALSE(buildCellIndices(-1, 0, 1, 8, 40, lists));
    EXPECT_FALSE(buildCellIndices(0, 0, 1, 8, 40, 20, lists)); // 20 bands
    EXPECT_EQ(lists.stripCount, 0);
    EXPECT_FALSE(lists.isQuad);
}

TEST(TerrainQuadCount, HandWorkedFrame)
{
    TerrainMap map = makeMap(4, 4);
    const auto at = [&](int x, int y) { return static_cast<size_t>(x + 4 * y); };
    // Eye 10 above grid point (0, 0); all heights 0.
    map.visible[at(0, 0)] = 1; // d2 100, roughness 1: f capped, 72
    map.roughness[at(0, 0)] = 1.0f;
    map.visible[at(1, 0)] = 1; // roughness 0: one quad
    map.visible[at(2, 2)] = 1; // d2 108, f = 1024/108 * 0.085 = 0.806: step 2, 20
    map.roughness[at(2, 2)] = 0.085f;
    map.visible[at(3, 3)] = 2; // not exactly 1: skipped
    map.roughness[at(3, 3)] = 1.0f;
    map.visible[at(3, 2)] = 255;
    map.roughness[at(3, 2)] = 1.0f;
    const Vec3 eye{0.0f, 0.0f, 10.0f};
    EXPECT_EQ(terrainQuadCount(map, eye, 1.0f), 72 + 1 + 20);
    // Half the coefficient: (2, 2) has f = 0.403, n 3: one quad.
    EXPECT_EQ(terrainQuadCount(map, eye, 0.5f), 72 + 1 + 1);
    // The distance is taken from the grid point's own height.
    map.heights[at(2, 2)] = 10.0f; // d2 8: f capped
    EXPECT_EQ(terrainQuadCount(map, eye, 1.0f), 72 + 1 + 72);
}

TEST(TerrainQuadCount, NothingMarkedIsZero)
{
    TerrainMap map = makeMap(4, 4);
    std::fill(map.roughness.begin(), map.roughness.end(), 1.0f);
    EXPECT_EQ(terrainQuadCount(map, Vec3{1, 1, 1}, 9.0f), 0);
}

TEST(TerrainDrawable, EmptyAndTruncatedMaps)
{
    TerrainMap empty;
    EXPECT_FALSE(terrainDrawable(empty));
    EXPECT_EQ(terrainQuadCount(empty, Vec3{}, 1.0f), 0);

    TerrainMap map = makeMap(4, 4);
    EXPECT_TRUE(terrainDrawable(map));
    // Step 4 in the last row reaches row 8 * 3 + 12 = 36: 37 rows are needed.
    map.meshRows = 36;
    EXPECT_FALSE(terrainDrawable(map));
    map.meshRows = 37;
    EXPECT_TRUE(terrainDrawable(map));
    map = makeMap(4, 4);
    map.meshColumns = 32; // the last cell's far column is 32
    EXPECT_FALSE(terrainDrawable(map));

    map = makeMap(4, 4);
    map.vertices.resize(map.vertices.size() - 1);
    EXPECT_FALSE(terrainDrawable(map));
    map.usesVertexBuffers = true; // positions live in a buffer object
    EXPECT_TRUE(terrainDrawable(map));

    map = makeMap(4, 4);
    map.colours.clear();
    EXPECT_FALSE(terrainDrawable(map));
    map = makeMap(4, 4);
    map.visible.resize(15);
    EXPECT_FALSE(terrainDrawable(map));
    map = makeMap(4, 4);
    map.roughness.clear();
    EXPECT_FALSE(terrainDrawable(map));
    map = makeMap(4, 4);
    map.subdivision = 0;
    EXPECT_FALSE(terrainDrawable(map));
}

TEST(HighlightIndices, LastCellOfTheFullGrid)
{
    TerrainMap map;
    map.width = 128;
    map.height = 128;
    map.subdivision = 8;
    map.meshColumns = 1032;
    map.meshRows = 1032;
    map.usesVertexBuffers = true;
    HighlightIndexLists lists;
    ASSERT_TRUE(buildHighlightIndices(map, 127, 127, lists));
    ASSERT_EQ(lists.bandCount, 7);
    ASSERT_EQ(lists.bandLength, 16);
    EXPECT_EQ(lists.bands[0][0], 1016u + 1032u * 1016u);
    EXPECT_EQ(lists.bands[0][1], 1016u + 1032u * 1017u);
    EXPECT_EQ(lists.bands[6][15], 1023u + 1032u * 1023u);
    std::set<uint32_t> columns;
    std::set<uint32_t> rows;
    for (int i = 0; i < 7; ++i) {
        for (int k = 0; k < 16; ++k) {
            columns.insert(lists.bands[i][k] % 1032u);
            rows.insert(lists.bands[i][k] / 1032u);
        }
        // Pairs: same column, next row; columns step by one along the band.
        for (int k = 0; k < 8; ++k) {
            EXPECT_EQ(lists.bands[i][2 * k + 1] - lists.bands[i][2 * k], 1032u);
            EXPECT_EQ(lists.bands[i][2 * k] % 1032u, 1016u + k);
            EXPECT_EQ(lists.bands[i][2 * k] / 1032u, 1016u + i);
        }
    }
    EXPECT_EQ(columns, (std::set<uint32_t>{1016, 1017, 1018, 1019, 1020, 1021, 1022, 1023}));
    EXPECT_EQ(rows, columns);
}

TEST(HighlightIndices, OutsideTheGridDrawsNothing)
{
    TerrainMap map = makeMap(128, 128);
    HighlightIndexLists lists;
    EXPECT_FALSE(buildHighlightIndices(map, 128, 0, lists));
    EXPECT_FALSE(buildHighlightIndices(map, 0, -1, lists));
    EXPECT_FALSE(buildHighlightIndices(map, -1, 5, lists));
    EXPECT_FALSE(buildHighlightIndices(map, 5, 128, lists));
    EXPECT_EQ(lists.bandCount, 0);
    EXPECT_TRUE(buildHighlightIndices(map, 0, 0, lists));
    EXPECT_EQ(lists.bands[0][0], 0u);
    EXPECT_EQ(lists.bands[6][15], 7u + 1032u * 7u);
    TerrainMap empty;
    EXPECT_FALSE(buildHighlightIndices(empty, 0, 0, lists));
    // Client-side positions that stop short of the mesh.
    map.vertices.resize(10);
    EXPECT_FALSE(buildHighlightIndices(map, 0, 0, lists));
}
