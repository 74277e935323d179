// Slope shades of the tiles and cliff meshes, and the interior-only smoothing.
#include "terrain/SlopeShade.h"
#include "TestMaps.h"
#include "terrain/TerrainMesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

// The mesh of the usual layout at `origin` with positions and a light array.
TerrainMap meshOf(TerrainMap map, float origin)
{
    allocateMesh(map, true, false);
    computeVertexPositions(map, origin, 1);
    return map;
}

float lightAt(const TerrainMap& map, int c, int r)
{
    return map.light[static_cast<size_t>(c + map.meshColumns * r)];
}

TEST(ClampShade, Limits)
{
    EXPECT_EQ(clampShade(1.125), 0.8f);
    EXPECT_EQ(clampShade(-0.25), 0.3f);
    EXPECT_FLOAT_EQ(clampShade(0.55), 0.55f);
    EXPECT_EQ(clampShade(std::nan("")), 0.3f);
}

TEST(CliffShade, PlanesOfTheEdgeCases)
{
    // Rising by 0.1 per unit in x: 1 - (h - (h + 0.0125)) x 10 = 1.125 -> 0.8.
    TerrainMap rising = meshOf(gridMap(16, 16, [](int x, int) { return 0.1f * x; }), kCliffMeshOrigin);
    computeCliffShade(rising);
    EXPECT_EQ(lightAt(rising, 40, 40), 0.8f);
    // Falling by 0.1: 0.875 -> 0.8.
    TerrainMap falling =
        meshOf(gridMap(16, 16, [](int x, int) { return 10.0f - 0.1f * x; }), kCliffMeshOrigin);
    computeCliffShade(falling);
    EXPECT_EQ(lightAt(falling, 40, 40), 0.8f);
    // Falling by 1: 1 - 1.25 = -0.25 -> 0.3.
    TerrainMap steep = meshOf(gridMap(16, 16, [](int x, int) { return 20.0f - x; }), kCliffMeshOrigin);
    computeCliffShade(steep);
    EXPECT_EQ(lightAt(steep, 40, 40), 0.3f);
}

TEST(CliffShade, ComparesWithTheNeighbourOneStepUpBothAxes)
{
    // Falling by 0.4 per unit along x, or along y, or 0.2 along both: the
    // neighbour (x + 0.125, y + 0.125) lies 0.05 lower, so 1 - 0.5 = 0.5.
    const auto check = [](const std::function<float(int, int)>& height) {
        TerrainMap map = meshOf(gridMap(16, 16, height), kCliffMeshOrigin);
        computeCliffShade(map);
        EXPECT_NEAR(lightAt(map, 50, 60), 0.5f, 1e-5f);
    };
    check([](int x, int) { return 10.0f - 0.4f * x; });
    check([](int, int y) { return 10.0f - 0.4f * y; });
    check([](int x, int y) { return 10.0f - 0.2f * (x + y); });
    // Rising across the diagonal but falling along it: x - y is unchanged by
    // the diagonal step, so the shade is 1 -> 0.8.
    TerrainMap saddle =
        meshOf(gridMap(16, 16, [](int x, int y) { return 8.0f + 0.4f * (x - y); }), kCliffMeshOrigin);
    computeCliffShade(saddle);
    EXPECT_EQ(lightAt(saddle, 50, 60), 0.8f);
}

TEST(TilesShade, InteriorUsesTheVertexOneStepBackBothAxes)
{
    // Rising by 0.1 and falling by 0.1 per unit: 0.875 and 1.125, both 0.8.
    TerrainMap rising = meshOf(gridMap(16, 16, [](int x, int) { return 0.1f * x; }), kMeshOrigin);
    computeTilesShade(rising);
    EXPECT_EQ(lightAt(rising, 40, 40), 0.8f);
    TerrainMap falling = meshOf(gridMap(16, 16, [](int x, int) { return 9.0f - 0.1f * x; }), kMeshOrigin);
    computeTilesShade(falling);
    EXPECT_EQ(lightAt(falling, 40, 40), 0.8f);
    // Rising by 1: z - z' = 0.125, 1 - 1.25 -> 0.3.
    TerrainMap steep = meshOf(gridMap(16, 16, [](int x, int) { return 1.0f * x; }), kMeshOrigin);
    computeTilesShade(steep);
    EXPECT_EQ(lightAt(steep, 40, 40), 0.3f);
    // Rising by 0.2 along x: 1 - 0.025 x 10 = 0.75, inside the limits.
    TerrainMap gentle = meshOf(gridMap(16, 16, [](int x, int) { return 0.2f * x; }), kMeshOrigin);
    computeTilesShade(gentle);
    EXPECT_NEAR(lightAt(gentle, 40, 40), 0.75f, 1e-5f);
}

TEST(TilesShade, FirstRowAndColumnUseAQuarterOfTheRise)
{
    // z = 8x: a rise of 1 per mesh step. Inside that is 1 - 10 -> 0.3; in the
    // first mesh row it is 1 - 1 x 0.25 = 0.75.
    TerrainMap alongX = meshOf(gridMap(16, 16, [](int x, int) { return 8.0f * x; }), kMeshOrigin);
    computeTilesShade(alongX);
    EXPECT_NEAR(lightAt(alongX, 3, 0), 0.75f, 1e-5f);
    EXPECT_EQ(lightAt(alongX, 3, 1), 0.3f);
    // Same along y for the first mesh column.
    TerrainMap alongY = meshOf(gridMap(16, 16, [](int, int y) { return 8.0f * y; }), kMeshOrigin);
    computeTilesShade(alongY);
    EXPECT_NEAR(lightAt(alongY, 0, 3), 0.75f, 1e-5f);
    EXPECT_EQ(lightAt(alongY, 1, 3), 0.3f);
    // At vertex (0, 0) both points clamp onto grid point (0, 0): no rise, 1 -> 0.8.
    EXPECT_EQ(lightAt(alongY, 0, 0), 0.8f);
}

TEST(SlopeShade, ShortArraysAreLeftAlone)
{
    TerrainMap map = meshOf(gridMap(4, 4, [](int x, int) { return 1.0f * x; }), kMeshOrigin);
    map.light.resize(map.light.size() - 1);
    const std::vector<float> before = map.light;
    computeTilesShade(map);
    computeCliffShade(map);
    EXPECT_EQ(map.light, before);
}

TEST(SmoothInterior, MeansInsideEdgesKept)
{
    std::vector<float> values(16);
    for (int i = 0; i < 16; ++i)
        values[i] = static_cast<float>(i * i);
    const std::vector<float> old = values;
    smoothInterior(4, 4, values);
    // Index 5: (0 + 1 + 4 + 16 + 25 + 36 + 64 + 81 + 100) / 9.
    EXPECT_FLOAT_EQ(values[5], 327.0f / 9.0f);
    // Index 10: (25 + 36 + 49 + 81 + 100 + 121 + 169 + 196 + 225) / 9.
    EXPECT_FLOAT_EQ(values[10], 1002.0f / 9.0f);
    for (int i : {0, 1, 2, 3, 4, 7, 8, 11, 12, 13, 14, 15})
        EXPECT_EQ(values[i], old[i]) << i;
}

TEST(SmoothInterior, InteriorMatchesAFullPassOnRandomGrids)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(0.3f, 0.8f);
    const int w = 23, h = 17;
    std::vector<float> values(w * h);
    for (float& x : values)
        x = value(random);
    std::vector<float> full = values;
    smoothGrid(w, h, full);
    std::vector<float> interior = values;
    smoothInterior(w, h, interior);
    for (int r = 0; r < h; ++r) {
        for (int c = 0; c < w; ++c) {
            const size_t i = static_cast<size_t>(c + w * r);
            const bool edge = r == 0 || c == 0 || r == h - 1 || c == w - 1;
            EXPECT_EQ(interior[i], edge ? values[i] : full[i]) << c << "," << r;
        }
    }
}

} // namespace
