// Mesh generation of the three programs: origins, slope shades with the
// interior-only smoothing, blend bytes, roughness and the per-vertex normals.
#include "programs/skarnveil-cliff/CliffShade.h"
#include "programs/skarnveil-cliff2/CliffLighting.h"
#include "programs/skarnveil-tiles/TilesTerrain.h"
#include "skarnveil/CliffTerrain.h"
#include "terrain/TerrainMesh.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A spike of 8 at (5, 5) on flat ground: unsmoothed roughness 1 there and 0
// two points away (the spike is outside that point's 3 x 3).
float spike(int x, int y)
{
    return x == 5 && y == 5 ? 8.0f : 0.0f;
}

// The shade of mesh vertex (c, r) of a 16 x 16 grid's mesh.
float shadeAt(const std::function<float(int, int)>& height, bool cliff, int c, int r)
{
    TerrainMap map = gridMap(16, 16, height);
    allocateMesh(map, true, false);
    computeVertexPositions(map, cliff ? kCliffMeshOrigin : kMeshOrigin, 1);
    cliff ? computeCliffShade(map) : computeTilesShade(map);
    return map.light[size_t(c + map.meshColumns * r)];
}

} // namespace

TEST(SlopeShade, HandWorkedPlanes)
{
    // Cliff: 1 - (h - h') x 10 against the point one mesh step up both axes.
    // Rising by 0.1 per unit in x: 1.125 -> 0.8; falling by 1: 1 - 1.25 -> 0.3.
    EXPECT_EQ(shadeAt([](int x, int) { return 0.1f * x; }, true, 40, 40), 0.8f);
    EXPECT_EQ(shadeAt([](int x, int) { return 20.0f - x; }, true, 40, 40), 0.3f);
    // Falling by 0.2 along both: 0.05 lower, 1 - 0.5; across the diagonal only,
    // the diagonal step sees no change: 1 -> 0.8.
    EXPECT_NEAR(shadeAt([](int x, int y) { return 10.0f - 0.2f * (x + y); }, true, 50, 60), 0.5f, 1e-5f);
    EXPECT_EQ(shadeAt([](int x, int y) { return 8.0f + 0.4f * (x - y); }, true, 50, 60), 0.8f);
    // Tiles: 1 - (z - z') x 10 with z' of vertex (c - 1, r - 1) inside.
    EXPECT_EQ(shadeAt([](int x, int) { return 1.0f * x; }, false, 40, 40), 0.3f); // 1 - 1.25
    EXPECT_NEAR(shadeAt([](int x, int) { return 0.2f * x; }, false, 40, 40), 0.75f, 1e-5f);
    // z = 8 x: a rise of 1 per mesh step is 0.3 inside, 1 - 1 x 0.25 in the first row and column.
    EXPECT_NEAR(shadeAt([](int x, int) { return 8.0f * x; }, false, 3, 0), 0.75f, 1e-5f);
    EXPECT_EQ(shadeAt([](int x, int) { return 8.0f * x; }, false, 3, 1), 0.3f);
    EXPECT_NEAR(shadeAt([](int, int y) { return 8.0f * y; }, false, 0, 3), 0.75f, 1e-5f);
    EXPECT_EQ(shadeAt([](int, int y) { return 8.0f * y; }, false, 1, 3), 0.3f);
    // At vertex (0, 0) both points clamp onto grid point (0, 0): no rise, 1 -> 0.8.
    EXPECT_EQ(shadeAt([](int, int y) { return 8.0f * y; }, false, 0, 0), 0.8f);
}

TEST(SmoothInterior, MeansInsideEdgesKept)
{
    std::vector<float> values(16);
    for (int i = 0; i < 16; ++i)
        values[i] = float(i * i);
    const std::vector<float> old = values;
    smoothInterior(4, 4, values);
    EXPECT_FLOAT_EQ(values[5], 327.0f / 9.0f);   // 0 + 1 + 4 + 16 + 25 + 36 + 64 + 81 + 100
    EXPECT_FLOAT_EQ(values[10], 1002.0f / 9.0f); // 25 + 36 + 49 + 81 + 100 + 121 + 169 + 196 + 225
    for (int i : {0, 1, 2, 3, 4, 7, 8, 11, 12, 13, 14, 15})
        EXPECT_EQ(values[i], old[i]) << i;
}

TEST(CliffMesh, TheShiftedMeshWithUnsmoothedRoughness)
{
    // Vertex (0, 0) lies at (-0.5625, -0.5625); the quad of cell (0, 0) at step 8
    // ends at 0.4375 on both axes.
    TerrainMap map = gridMap(6, 6, [](int, int) { return 3.0f; });
    ASSERT_TRUE(GenerateShadedCliffMesh(map));
    EXPECT_EQ((std::vector<float>{map.vertices[0], map.vertices[1], map.vertices[3 * (8 + 56 * 8) + 1]}),
              (std::vector<float>{-0.5625f, -0.5625f, 0.4375f}));
    map = gridMap(12, 12, spike);
    ASSERT_TRUE(GenerateShadedCliffMesh(map));
    EXPECT_EQ(map.roughness[5 + 12 * 5], 1.0f); // not smoothed
    EXPECT_EQ(map.roughness[7 + 12 * 5], 0.0f);
}

TEST(TilesMesh, ShadesAndBlendBytes)
{
    // On veldrun's mesh layout. A plane along y: n = (0, -0.25, 1) / |..|, n.y = -0.2425,
    // Q = 0.2724: grey trunc(0.2724 x 255) = 69, t = trunc((0.2179 + 0.35) x 255) = 144, alpha 111.
    TerrainMap map = gridMap(8, 8, [](int, int y) { return 0.25f * y; });
    map.usesMultitexture = true;
    TilesTerrain tiles;
    ASSERT_TRUE(ComputeTilesMesh(map, tiles));
    EXPECT_EQ(map.vertices[0], -0.0625f);
    EXPECT_EQ(tiles.shades[30 + 72 * 30], 69);
    EXPECT_EQ(tiles.blends[30 + 72 * 30], 111);
    // Without blending the bytes of an earlier mesh go and none are made.
    map.usesMultitexture = false;
    ASSERT_TRUE(ComputeTilesMesh(map, tiles));
    EXPECT_TRUE(tiles.shades.empty() && tiles.blends.empty());
}

TEST(LitCliffMesh, NormalsAreTheBlendedGridNormalsAtEachVertex)
{
    // z = 0.5 x: every inner grid normal is (-0.5, 0, 1) / sqrt(1.25), and so
    // is their blend at an inner vertex.
    TerrainMap map = gridMap(8, 8, [](int x, int) { return 0.5f * x; });
    std::vector<Vec3> normals;
    ASSERT_TRUE(GenerateLitCliffMesh(map, normals));
    ASSERT_EQ(normals.size(), size_t(map.vertexCount));
    const Vec3 n = normals[30 + 72 * 28];
    EXPECT_TRUE(std::fabs(n.x + 0.5f / std::sqrt(1.25f)) < 1e-5f && n.y == 0.0f &&
                std::fabs(n.z - 1.0f / std::sqrt(1.25f)) < 1e-5f);
}
