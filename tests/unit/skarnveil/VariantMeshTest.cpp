// Mesh generation of the three programs: origins, blend bytes,
// roughness and the per-vertex normals.
#include "../../../programs/skarnveil-cliff/CliffShade.h"
#include "../../../programs/skarnveil-cliff2/CliffLighting.h"
#include "../../../programs/skarnveil-tiles/TilesTerrain.h"
#include "TestMaps.h"
#include "skarnveil/CliffTerrain.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A spike of 8 at (5, 5) on flat ground: unsmoothed roughness 1 there and 0
// two points away (the spike is outside that point's 3 x 3).
float spike(int x, int y)
{
    return x == 5 && y == 5 ? 8.0f : 0.0f;
}

} // namespace

TEST(CliffMesh, TheShiftedMeshWithUnsmoothedRoughness)
{
    // Vertex (0, 0) lies at (-0.5625, -0.5625); the quad of cell (0, 0) at step 8
    // ends at 0.4375 on both axes.
    TerrainMap map = gridMap(6, [](int, int) { return 3.0f; });
    ASSERT_TRUE(GenerateShadedCliffMesh(map));
    EXPECT_EQ((std::vector<float>{map.vertices[0], map.vertices[1], map.vertices[3 * (8 + 56 * 8) + 1]}),
              (std::vector<float>{-0.5625f, -0.5625f, 0.4375f}));
    map = gridMap(12, spike);
    ASSERT_TRUE(GenerateShadedCliffMesh(map));
    EXPECT_EQ(map.roughness[5 + 12 * 5], 1.0f); // not smoothed
    EXPECT_EQ(map.roughness[7 + 12 * 5], 0.0f);
}

TEST(TilesMesh, ShadesAndBlendBytes)
{
    // On veldrun's mesh layout. A plane along y: n = (0, -0.25, 1) / |..|, n.y = -0.2425,
    // Q = 0.2724: grey trunc(0.2724 x 255) = 69, t = trunc((0.2179 + 0.35) x 255) = 144, alpha 111.
    TerrainMap map = gridMap(8, [](int, int y) { return 0.25f * y; });
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
    TerrainMap map = gridMap(8, [](int x, int) { return 0.5f * x; });
    std::vector<Vec3> normals;
    ASSERT_TRUE(GenerateLitCliffMesh(map, normals));
    ASSERT_EQ(normals.size(), size_t(map.vertexCount));
    const Vec3 n = normals[30 + 72 * 28];
    EXPECT_TRUE(std::fabs(n.x + 0.5f / std::sqrt(1.25f)) < 1e-5f && n.y == 0.0f &&
                std::fabs(n.z - 1.0f / std::sqrt(1.25f)) < 1e-5f);
}
