#include "terrain/TerrainLod.h"
#include "terrain/TerrainMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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

TEST(LodFactor, FactorAndStepForHandWorkedInputs)
{
    // (1024 / 600) * (1 * 0.5) = 0.8533: trunc(6.83) = 6, deficit 2.
    EXPECT_NEAR(lodFactor(600.0f, 1.0f, 0.5f), 0.85333f, 1e-4f);
    EXPECT_EQ(lodFactor(1.0f, 1.0f, 1.0f), 1.0f); // capped
    EXPECT_FLOAT_EQ(lodFactor(2048.0f, 9.0f, 0.1f), 0.45f);
    struct Case {
        float d2, coefficient, roughness;
        int step;
    };
    const Case cases[] = {
        {600.0f, 1.0f, 0.5f, 2}, {1e-30f, 1.0f, 0.0f, 8}, {500.0f, 1.0f, 0.0f, 8}, // roughness 0: one quad
        {1e-40f, 1.0f, 0.0f, 8}, // 1024 / 1e-40 is infinite; infinity * 0 must not reach trunc
        {0.0f, 1.0f, 0.0f, 1},   {0.0f, 1.0f, 0.7f, 1}, // eye on the grid point: finest
        {10.0f, -1.0f, 1.0f, 8},                        // negative coefficient: coarsest
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.d2 << " " << c.coefficient << " " << c.roughness);
        EXPECT_EQ(lodStep(lodFactor(c.d2, c.coefficient, c.roughness), 8), c.step);
    }
}

TEST(LodStep, TableAtItsEdges)
{
    // n = trunc(8 f); deficit 8 - n: 0-1 -> 1, 2 -> 2, 3-4 -> 4, else 8.
    const std::pair<float, int> cases[] = {{1.0f, 1}, {0.875f, 1},  {0.8749f, 2}, {0.75f, 2}, {0.7499f, 4},
                                           {0.5f, 4}, {0.4999f, 8}, {0.125f, 8},  {0.0f, 8}};
    for (const auto& [f, step] : cases)
        EXPECT_EQ(lodStep(f, 8), step) << f;
}

TEST(LodStep, NearerEyeNeverCoarser)
{
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> d2s(0.001f, 20000.0f);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int i = 0; i < 2000; ++i) {
        const float a = d2s(rng), b = d2s(rng), r = unit(rng), c = 0.2f + 8.8f * unit(rng);
        const int stepNear = lodStep(lodFactor(std::min(a, b), c, r), 8);
        EXPECT_LE(stepNear, lodStep(lodFactor(std::max(a, b), c, r), 8));
        EXPECT_TRUE(stepNear == 1 || stepNear == 2 || stepNear == 4 || stepNear == 8);
    }
}

TEST(CellIndices, CountsPerStep)
{
    const int expected[][4] = {{1, 9, 18, 72}, {2, 5, 10, 20}, {4, 3, 6, 6}, {8, 0, 0, 1}};
    CellIndexLists lists;
    for (const auto& e : expected) {
        SCOPED_TRACE(e[0]);
        ASSERT_TRUE(buildCellIndices(5, 7, e[0], 8, 1032, lists));
        EXPECT_EQ(lists.isQuad, e[0] == 8);
        EXPECT_EQ(lists.stripCount, e[1]);
        EXPECT_EQ(lists.stripLength, e[2]);
        EXPECT_EQ(lists.quadCount(), e[3]);
    }
}

TEST(CellIndices, HandWorkedStrips)
{
    struct Case {
        int x, y, step, meshColumns, limit, stripCount, stripIndex;
        std::vector<uint32_t> expected;
    };
    const Case cases[] = {
        // meshColumns 40: v(c, r) = c + 40 r; bands k = 0, 2, .., 8.
        {0, 0, 2, 40, 9, 5, 0, {0, 80, 2, 82, 4, 84, 6, 86, 8, 88}},
        {0, 0, 2, 40, 9, 5, 4, {320, 400, 322, 402, 324, 404, 326, 406, 328, 408}},
        // Cell (2, 1) on the full mesh: first vertex v(16, 8) = 8272; last band rows 16 and 18.
        {2, 1, 2, 1032, 9, 5, 0, {8272, 10336, 8274, 10338, 8276, 10340, 8278, 10342, 8280, 10344}},
        {2, 1, 2, 1032, 9, 5, 4, {16528, 18592, 16530, 18594, 16532, 18596, 16534, 18598, 16536, 18600}},
        // Cell (1, 2), step 4: first vertex v(8, 16) = 648.
        {1, 2, 4, 40, 9, 3, 0, {648, 808, 652, 812, 656, 816}},
        {1, 2, 4, 40, 9, 3, 2, {968, 1128, 972, 1132, 976, 1136}},
        // The immediate-mode limit lets odd steps pass the far edge: 0, 3, 6, 9 and 0, 5, 10.
        {0, 0, 3, 40, 11, 4, 3, {360, 480, 363, 483, 366, 486, 369, 489}},
        {0, 0, 5, 40, 13, 3, 2, {400, 600, 405, 605, 410, 610}},
        {0, 0, 7, 40, 15, 3, 2, {560, 840, 567, 847, 574, 854}},
    };
    CellIndexLists lists;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.x << "," << c.y << " step " << c.step << " strip " << c.stripIndex);
        ASSERT_TRUE(buildCellIndices(c.x, c.y, c.step, 8, c.meshColumns, c.limit, lists));
        ASSERT_EQ(lists.stripCount, c.stripCount);
        EXPECT_EQ(strip(lists, c.stripIndex), c.expected);
    }
    // Cell (3, 5) as one quad, clockwise from above: v(24, 40), v(24, 48), v(32, 48), v(32, 40).
    ASSERT_TRUE(buildCellIndices(3, 5, 8, 8, 1032, lists));
    EXPECT_EQ(std::vector<uint32_t>(lists.quad, lists.quad + 4),
              (std::vector<uint32_t>{41304, 49560, 49568, 41312}));
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
            const uint32_t a = lists.strips[i][q]; // v(s, k); q + 3 is v(s + 1, k + 1)
            EXPECT_EQ(lists.strips[i][q + 3] - a, static_cast<uint32_t>(mc + 1));
            squares.insert({static_cast<int>(a % mc), static_cast<int>(a / mc)});
        }
    }
    EXPECT_EQ(squares.size(), 72u);
    for (const auto& [c, r] : squares) {
        EXPECT_TRUE(c >= 80 && c <= 87) << c;
        EXPECT_TRUE(r >= 160 && r <= 168) << r;
    }
}

TEST(CellIndices, ImmediateModeLimitMatchesForPowersOfTwo)
{
    CellIndexLists drawn, immediate;
    for (int step : {1, 2, 4}) {
        ASSERT_TRUE(buildCellIndices(3, 4, step, 8, 1032, drawn));
        ASSERT_TRUE(buildCellIndices(3, 4, step, 8, 1032, step + 8, immediate));
        ASSERT_EQ(drawn.stripCount, immediate.stripCount);
        ASSERT_EQ(drawn.stripLength, immediate.stripLength);
        for (int i = 0; i < drawn.stripCount; ++i)
            EXPECT_EQ(strip(drawn, i), strip(immediate, i));
    }
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
    const Vec3 eye{0.0f, 0.0f, 10.0f}; // 10 above grid point (0, 0); all heights 0
    std::fill(map.roughness.begin(), map.roughness.end(), 1.0f);
    EXPECT_EQ(terrainQuadCount(map, eye, 9.0f), 0); // nothing marked
    map.visible[at(0, 0)] = 1;                      // d2 100, roughness 1: f capped, 72
    map.visible[at(1, 0)] = 1;                      // roughness 0: one quad
    map.roughness[at(1, 0)] = 0.0f;
    map.visible[at(2, 2)] = 1; // d2 108, f = 1024/108 * 0.085 = 0.806: step 2, 20
    map.roughness[at(2, 2)] = 0.085f;
    map.visible[at(3, 3)] = 2; // not exactly 1: skipped
    map.visible[at(3, 2)] = 255;
    EXPECT_EQ(terrainQuadCount(map, eye, 1.0f), 72 + 1 + 20);
    // Half the coefficient: (2, 2) has f = 0.403, n 3: one quad.
    EXPECT_EQ(terrainQuadCount(map, eye, 0.5f), 72 + 1 + 1);
    // The distance is taken from the grid point's own height.
    map.heights[at(2, 2)] = 10.0f; // d2 8: f capped
    EXPECT_EQ(terrainQuadCount(map, eye, 1.0f), 72 + 1 + 72);
}

TEST(TerrainDrawable, EmptyAndTruncatedMaps)
{
    TerrainMap empty;
    EXPECT_FALSE(terrainDrawable(empty));
    EXPECT_EQ(terrainQuadCount(empty, Vec3{}, 1.0f), 0);
    EXPECT_TRUE(terrainDrawable(makeMap(4, 4)));
    // Step 4 in the last row reaches row 8 * 3 + 12 = 36: 37 rows are needed;
    // the last cell's far column is 32.
    const std::pair<bool, std::function<void(TerrainMap&)>> cases[] = {
        {false, [](TerrainMap& m) { m.meshRows = 36; }},
        {true, [](TerrainMap& m) { m.meshRows = 37; }},
        {false, [](TerrainMap& m) { m.meshColumns = 32; }},
        {false, [](TerrainMap& m) { m.vertices.pop_back(); }},
        // Positions living in a buffer object need no client-side copy.
        {true, [](TerrainMap& m) { m.vertices.pop_back(), m.usesVertexBuffers = true; }},
        {false, [](TerrainMap& m) { m.colours.clear(); }},
        {false, [](TerrainMap& m) { m.visible.resize(15); }},
        {false, [](TerrainMap& m) { m.roughness.clear(); }},
        {false, [](TerrainMap& m) { m.subdivision = 0; }},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        TerrainMap map = makeMap(4, 4);
        cases[i].second(map);
        EXPECT_EQ(terrainDrawable(map), cases[i].first) << "case " << i;
    }
}

TEST(HighlightIndices, FirstAndLastCellsOfTheFullGrid)
{
    TerrainMap map = makeMap(128, 128);
    HighlightIndexLists lists;
    ASSERT_TRUE(buildHighlightIndices(map, 0, 0, lists));
    EXPECT_EQ(lists.bands[0][0], 0u);
    EXPECT_EQ(lists.bands[6][15], 7u + 1032u * 7u);
    map.vertices.clear(); // positions in buffer objects
    map.usesVertexBuffers = true;
    ASSERT_TRUE(buildHighlightIndices(map, 127, 127, lists));
    ASSERT_EQ(lists.bandCount, 7);
    ASSERT_EQ(lists.bandLength, 16);
    // Pairs: same column, next row; columns step by one along the band.
    for (int i = 0; i < 7; ++i) {
        for (int k = 0; k < 8; ++k) {
            EXPECT_EQ(lists.bands[i][2 * k], 1016u + k + 1032u * (1016u + i)) << i << "," << k;
            EXPECT_EQ(lists.bands[i][2 * k + 1], 1016u + k + 1032u * (1017u + i)) << i << "," << k;
        }
    }
}

TEST(HighlightIndices, OutsideTheGridDrawsNothing)
{
    TerrainMap map = makeMap(128, 128);
    HighlightIndexLists lists;
    for (const auto& [x, y] : {std::pair{128, 0}, {0, -1}, {-1, 5}, {5, 128}})
        EXPECT_FALSE(buildHighlightIndices(map, x, y, lists)) << x << "," << y;
    EXPECT_EQ(lists.bandCount, 0);
    TerrainMap empty;
    EXPECT_FALSE(buildHighlightIndices(empty, 0, 0, lists));
    // Client-side positions that stop short of the mesh.
    map.vertices.resize(10);
    EXPECT_FALSE(buildHighlightIndices(map, 0, 0, lists));
}
