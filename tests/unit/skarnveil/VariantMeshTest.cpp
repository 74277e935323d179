// Mesh generation of the three programs: origins, heights, shades, blend
// bytes, roughness smoothing and the per-vertex normals.
#include "../../../programs/skarnveil-cliff/CliffShade.h"
#include "../../../programs/skarnveil-cliff2/CliffLighting.h"
#include "../../../programs/skarnveil-tiles/TilesTerrain.h"
#include "TestMaps.h"
#include "skarnveil/CliffTerrain.h"
#include "terrain/ImmediateLod.h"
#include "terrain/SlopeShade.h"
#include "terrain/TerrainMesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

TerrainMap flatMap(int size, float height)
{
    return gridMap(size, size, [height](int, int) { return height; });
}

// A gentle bump, so roughness and shades vary from point to point.
TerrainMap bumpMap(int size)
{
    return gridMap(size, size, [](int x, int y) {
        const float dx = static_cast<float>(x) - 6.0f, dy = static_cast<float>(y) - 5.0f;
        return 4.0f * std::exp(-(dx * dx + dy * dy) / 6.0f);
    });
}

Vec3 position(const TerrainMap& map, size_t i)
{
    return {map.vertices[3 * i], map.vertices[3 * i + 1], map.vertices[3 * i + 2]};
}

TEST(CliffMesh, StartsNineSixteenthsBeforeTheFirstGridPoint)
{
    TerrainMap map = flatMap(4, 2.0f);
    ASSERT_TRUE(GenerateCliffMeshBase(map, false));
    EXPECT_EQ(map.meshColumns, 40);
    EXPECT_EQ(map.meshRows, 40);
    EXPECT_TRUE(map.light.empty());
    const Vec3 first = position(map, 0);
    EXPECT_EQ(first.x, -0.5625f);
    EXPECT_EQ(first.y, -0.5625f);
    EXPECT_EQ(first.z, 2.0f);
    // The quad of cell (0, 0) at step 8 spans -0.5625 to 0.4375 on both axes.
    CellIndexLists lists;
    ASSERT_TRUE(immediateCellIndices(0, 0, 8, map.subdivision, map.meshColumns, lists));
    ASSERT_TRUE(lists.isQuad);
    EXPECT_EQ(position(map, lists.quad[0]).x, -0.5625f);
    EXPECT_EQ(position(map, lists.quad[0]).y, -0.5625f);
    EXPECT_EQ(position(map, lists.quad[2]).x, 0.4375f);
    EXPECT_EQ(position(map, lists.quad[2]).y, 0.4375f);
    EXPECT_EQ(position(map, lists.quad[1]).y, 0.4375f);
    EXPECT_EQ(position(map, lists.quad[3]).x, 0.4375f);
}

TEST(CliffMesh, NoGridNoMesh)
{
    TerrainMap map;
    EXPECT_FALSE(GenerateCliffMeshBase(map, true));
    EXPECT_TRUE(map.vertices.empty());
    std::vector<Vec3> normals;
    EXPECT_FALSE(GenerateLitCliffMesh(map, normals));
    EXPECT_TRUE(normals.empty());
    TilesTerrain tiles;
    EXPECT_FALSE(ComputeTilesMesh(map, tiles));
}

class InTempFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = std::filesystem::current_path();
        folder_ = std::filesystem::temp_directory_path() / ("skarnveil-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_ / "map" / "test");
        std::filesystem::current_path(folder_);
    }
    void TearDown() override
    {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(folder_);
    }

private:
    std::filesystem::path previous_;
    std::filesystem::path folder_;
};

TEST_F(InTempFolder, CliffHeightsAreHalfScale)
{
    std::ofstream("map/test/map_qv-edited.raw", std::ios::binary)
        << std::string(128 * 128, static_cast<char>(200));
    TerrainMap map;
    ASSERT_TRUE(LoadCliffHeightmap(map));
    // 200 x 0.0625 = 12.5 (not 25); a uniform map keeps it through the smoothing.
    EXPECT_EQ(map.width, 128);
    EXPECT_EQ(map.gridHeight(0, 0), 12.5f);
    EXPECT_EQ(map.gridHeight(77, 31), 12.5f);
    EXPECT_EQ(map.gridHeight(127, 127), 12.5f);
}

TEST_F(InTempFolder, MissingCliffHeightmapLeavesNoGrid)
{
    TerrainMap map;
    EXPECT_FALSE(LoadCliffHeightmap(map));
    EXPECT_FALSE(map.hasGrid());
}

TEST(ShadedCliffMesh, FlatMapIsEvenlyBrightAndRoughnessZero)
{
    TerrainMap map = flatMap(6, 3.0f);
    ASSERT_TRUE(GenerateShadedCliffMesh(map));
    for (float shade : map.light)
        ASSERT_FLOAT_EQ(shade, 0.8f);
    for (float r : map.roughness)
        ASSERT_EQ(r, 0.0f);
}

TEST(ShadedCliffMesh, RoughnessStaysUnsmoothed)
{
    TerrainMap map = bumpMap(12);
    ASSERT_TRUE(GenerateShadedCliffMesh(map));
    bool someRough = false;
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x) {
            const float raw = pointRoughness(map, x, y);
            EXPECT_EQ(map.roughness[static_cast<size_t>(x + 12 * y)], raw) << x << "," << y;
            someRough = someRough || raw > 0.1f;
        }
    }
    EXPECT_TRUE(someRough);
}

// Falling ever more steeply away from (0, 0): the shade varies along the
// mesh's edges too.
TerrainMap bowlMap(int size)
{
    return gridMap(size, size,
                   [](int x, int y) { return 12.0f - 0.05f * static_cast<float>(x * x + y * y); });
}

TEST(ShadedCliffMesh, InteriorPassThenFullPass)
{
    TerrainMap map = bowlMap(12);
    ASSERT_TRUE(GenerateShadedCliffMesh(map));
    // The same mesh shaded without smoothing, then the two passes in order.
    TerrainMap raw = bowlMap(12);
    ASSERT_TRUE(GenerateCliffMeshBase(raw, true));
    computeCliffShade(raw);
    std::vector<float> expected = raw.light;
    smoothInterior(raw.meshColumns, raw.meshRows, expected);
    smoothGrid(raw.meshColumns, raw.meshRows, expected);
    ASSERT_EQ(map.light.size(), expected.size());
    EXPECT_EQ(map.light, expected);
    // Swapping the passes gives other edge values: the order is seen.
    std::vector<float> swapped = raw.light;
    smoothGrid(raw.meshColumns, raw.meshRows, swapped);
    smoothInterior(raw.meshColumns, raw.meshRows, swapped);
    EXPECT_NE(map.light, swapped);
    // The slope shade varies over the bump and stays within its limits.
    const auto [low, high] = std::minmax_element(map.light.begin(), map.light.end());
    EXPECT_GE(*low, 0.3f);
    EXPECT_LE(*high, 0.8f);
    EXPECT_LT(*low, 0.7f);
}

TEST(TilesMesh, FlatMapWithBlendingGivesWhiteShadesAndWrappedAlpha)
{
    TerrainMap map = flatMap(5, 1.0f);
    map.usesMultitexture = true;
    TilesTerrain tiles;
    ASSERT_TRUE(ComputeTilesMesh(map, tiles));
    const size_t count = static_cast<size_t>(map.vertexCount);
    ASSERT_EQ(tiles.shades.size(), count);
    ASSERT_EQ(tiles.blends.size(), count);
    // Q = 1: grey 255; t = trunc(1.15 x 255) = 293, 293 mod 256 = 37, alpha 218.
    for (size_t i = 0; i < count; ++i) {
        ASSERT_EQ(tiles.shades[i], 255);
        ASSERT_EQ(tiles.blends[i], 218);
        ASSERT_FLOAT_EQ(map.light[i], 0.8f);
    }
    // The mesh starts 1/16 before grid point (0, 0).
    EXPECT_EQ(map.vertices[0], -0.0625f);
    EXPECT_TRUE(map.colours.empty());
}

TEST(TilesMesh, SlopeAlongYShowsInTheBlendBytes)
{
    // A plane along y: n = (0, -a, 1) / |..|; with a = 0.25, n.y = -0.2425,
    // Q = 1 - 0.7276 = 0.2724: grey trunc(0.2724 x 255) = 69,
    // t = trunc((0.2179 + 0.35) x 255) = 144, alpha 111.
    TerrainMap map = gridMap(8, 8, [](int, int y) { return 0.25f * y; });
    map.usesMultitexture = true;
    TilesTerrain tiles;
    ASSERT_TRUE(ComputeTilesMesh(map, tiles));
    const size_t inner = static_cast<size_t>(30 + map.meshColumns * 30);
    EXPECT_EQ(tiles.shades[inner], 69);
    EXPECT_EQ(tiles.blends[inner], 111);
}

TEST(TilesMesh, WithoutBlendingNoBytesAndRoughnessSmoothedOnce)
{
    TerrainMap map = bumpMap(12);
    TilesTerrain tiles;
    tiles.shades.assign(3, 1); // stale bytes of an earlier mesh go
    ASSERT_TRUE(ComputeTilesMesh(map, tiles));
    EXPECT_TRUE(tiles.shades.empty());
    EXPECT_TRUE(tiles.blends.empty());
    std::vector<float> raw(144);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            raw[static_cast<size_t>(x + 12 * y)] = pointRoughness(map, x, y);
    smoothGrid(12, 12, raw);
    EXPECT_EQ(map.roughness, raw);
    // Three passes over the shade.
    TerrainMap shaded = bumpMap(12);
    allocateMesh(shaded, true, false);
    computeVertexPositions(shaded, kMeshOrigin, 1);
    computeTilesShade(shaded);
    std::vector<float> expected = shaded.light;
    for (int pass = 0; pass < 3; ++pass)
        smoothGrid(shaded.meshColumns, shaded.meshRows, expected);
    for (size_t i = 0; i < expected.size(); i += 97)
        ASSERT_FLOAT_EQ(map.light[i], expected[i]) << i;
}

TEST(LitCliffMesh, FlatMapNormalsPointStraightUp)
{
    TerrainMap map = flatMap(6, 5.0f);
    std::vector<Vec3> normals;
    ASSERT_TRUE(GenerateLitCliffMesh(map, normals));
    ASSERT_EQ(normals.size(), static_cast<size_t>(map.vertexCount));
    EXPECT_TRUE(map.light.empty()); // the shade plays no part here
    for (const Vec3& n : normals) {
        ASSERT_NEAR(n.x, 0.0f, 1e-6f);
        ASSERT_NEAR(n.y, 0.0f, 1e-6f);
        ASSERT_NEAR(n.z, 1.0f, 1e-6f);
    }
}

TEST(LitCliffMesh, PlaneNormalsAtTheVertexPositions)
{
    // z = 0.5 x: every inner grid normal is (-0.5, 0, 1) / sqrt(1.25), and so
    // is their bilinear blend at an inner vertex.
    TerrainMap map = gridMap(8, 8, [](int x, int) { return 0.5f * x; });
    std::vector<Vec3> normals;
    ASSERT_TRUE(GenerateLitCliffMesh(map, normals));
    const size_t i = static_cast<size_t>(30 + map.meshColumns * 28);
    EXPECT_EQ(map.vertices[3 * i], 30 * 0.125f - 0.5625f);
    const float length = std::sqrt(1.25f);
    EXPECT_NEAR(normals[i].x, -0.5f / length, 1e-5f);
    EXPECT_NEAR(normals[i].y, 0.0f, 1e-6f);
    EXPECT_NEAR(normals[i].z, 1.0f / length, 1e-5f);
    // Each normal is normalAt of its own vertex.
    for (size_t k = 0; k < normals.size(); k += 37) {
        const Vec3 n = map.normalAt(map.vertices[3 * k], map.vertices[3 * k + 1]);
        ASSERT_EQ(normals[k].x, n.x);
        ASSERT_EQ(normals[k].z, n.z);
    }
}

} // namespace
