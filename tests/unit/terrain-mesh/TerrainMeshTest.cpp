#include "terrain/TerrainMesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

TerrainMap flatMap(uint8_t byte)
{
    TerrainMap map;
    const std::vector<uint8_t> bytes(16384, byte);
    map.loadHeightmapBytes(bytes.data(), bytes.size());
    return map;
}

TerrainMap randomMap(unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> dist(0, 255);
    std::vector<uint8_t> bytes(16384);
    for (auto& b : bytes)
        b = static_cast<uint8_t>(dist(rng));
    TerrainMap map;
    map.loadHeightmapBytes(bytes.data(), bytes.size());
    return map;
}

// Heights set directly (no smoothing) from a function of the grid point.
template <typename F> TerrainMap shapedMap(F f)
{
    TerrainMap map;
    map.loadHeightmapBytes(nullptr, 0);
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x)
            map.heights[x + 128 * y] = f(x, y);
    }
    return map;
}

// The mesh up to the light and colours, before any smoothing.
void unsmoothedMesh(TerrainMap& map, unsigned threads = 0)
{
    computeCellNormals(map);
    allocateMesh(map, true, true);
    computeVertexPositions(map, kMeshOrigin, threads);
    computeVertexLight(map, BakedLight{}, threads);
}

} // namespace

TEST(MeshLayout, SizesOfTheGrids)
{
    TerrainMap map = flatMap(10);
    ASSERT_TRUE(computeMesh(map, BakedLight{}));
    EXPECT_EQ(map.subdivision, 8);
    EXPECT_EQ(map.meshColumns, 1032);
    EXPECT_EQ(map.meshRows, 1032);
    EXPECT_EQ(map.vertexCount, 1065024);
    EXPECT_EQ(map.vertices.size(), 3u * 1065024);
    EXPECT_EQ(map.light.size(), 1065024u);
    EXPECT_EQ(map.colours.size(), 4u * 1065024);
    EXPECT_EQ(map.roughness.size(), 16384u);
    // The working cell records are gone again.
    EXPECT_TRUE(map.cells.empty());
    EXPECT_EQ(map.cellCount, 0);
    EXPECT_FALSE(map.usesVertexBuffers);

    TerrainMap small;
    small.width = 3;
    small.height = 2;
    ASSERT_TRUE(allocateMesh(small, true, false));
    EXPECT_EQ(small.meshColumns, 32);
    EXPECT_EQ(small.meshRows, 24);
    EXPECT_EQ(small.vertexCount, 768);
    EXPECT_EQ(small.vertices.size(), 3u * 768);
    EXPECT_EQ(small.light.size(), 768u);
    EXPECT_TRUE(small.colours.empty());
}

TEST(MeshLayout, RefusesAMeshTooLargeForItsCounts)
{
    TerrainMap map;
    map.width = 50000; // 400008 x 400008 vertices would overflow the 32-bit counts
    map.height = 50000;
    map.vertices.assign(6, 1.0f);
    EXPECT_FALSE(allocateMesh(map, true, true));
    EXPECT_EQ(map.vertexCount, 0);
    EXPECT_EQ(map.meshColumns, 0);
    EXPECT_EQ(map.meshRows, 0);
    EXPECT_EQ(map.subdivision, 0);
    EXPECT_TRUE(map.vertices.empty() && map.light.empty() && map.colours.empty());
}

TEST(CellNormals, PlaneSlopesGiveTheirNormals)
{
    TerrainMap flat = flatMap(100);
    computeCellNormals(flat);
    EXPECT_EQ(flat.normals, std::vector<Vec3>(16384, Vec3{0.0f, 0.0f, 1.0f}));
    EXPECT_EQ(flat.roughness, std::vector<float>(16384, 0.0f));
    // z = 0.5 x: normal (-0.5, 0, 1) / sqrt(1.25) inside the grid.
    TerrainMap map = shapedMap([](int x, int) { return 0.5f * x; });
    computeCellNormals(map);
    const auto expectNear = [](Vec3 got, Vec3 want) {
        EXPECT_NEAR(got.x, want.x, 1e-6);
        EXPECT_NEAR(got.y, want.y, 1e-6);
        EXPECT_NEAR(got.z, want.z, 1e-6);
    };
    const float s = 1.0f / std::sqrt(1.25f), e = 1.0f / std::sqrt(1.0625f);
    expectNear(map.normals[40 + 128 * 7], {-0.5f * s, 0.0f, s});
    // At x = 0 the corner at x = -0.5 is clamped to the height of column 0:
    // the cell rises by 0.25 over one unit.
    expectNear(map.normals[0 + 128 * 7], {-0.25f * e, 0.0f, e});
    // z = 0.25 y: normal (0, -0.25, 1) / sqrt(1.0625).
    TerrainMap rows = shapedMap([](int, int y) { return 0.25f * y; });
    computeCellNormals(rows);
    expectNear(rows.normals[9 + 128 * 60], {0.0f, -0.25f * e, e});
}

TEST(CellNormals, RandomTerrainMatchesTwoTriangleReference)
{
    TerrainMap map = randomMap(31);
    computeCellNormals(map);
    const auto cross = [](const double a[3], const double b[3], double out[3]) {
        out[0] = a[1] * b[2] - a[2] * b[1];
        out[1] = a[2] * b[0] - a[0] * b[2];
        out[2] = a[0] * b[1] - a[1] * b[0];
        return std::sqrt(out[0] * out[0] + out[1] * out[1] + out[2] * out[2]);
    };
    for (int x = 0; x < 128; x += 3) {
        for (int y = 0; y < 128; y += 5) {
            // The sum of the two upward triangle normals, (P1-P0) x (P2-P0) and
            // (P2-P1) x (P3-P1), worked in double.
            auto h = [&](double px, double py) { return map.heightAt(px, py); };
            const double z0 = h(x - 0.5, y - 0.5), z1 = h(x + 0.5, y - 0.5), z2 = h(x + 0.5, y + 0.5),
                         z3 = h(x - 0.5, y + 0.5);
            const double a[3] = {1, 0, z1 - z0}, b[3] = {1, 1, z2 - z0}, c[3] = {0, 1, z2 - z1},
                         d[3] = {-1, 1, z3 - z1};
            double n1[3], n2[3], sum[3];
            const double l1 = cross(a, b, n1), l2 = cross(c, d, n2);
            for (int k = 0; k < 3; ++k)
                sum[k] = n1[k] / l1 + n2[k] / l2;
            const double ls = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
            const Vec3 got = map.normals[x + 128 * y];
            ASSERT_NEAR(got.x, sum[0] / ls, 1e-5) << x << "," << y;
            ASSERT_NEAR(got.y, sum[1] / ls, 1e-5) << x << "," << y;
            ASSERT_NEAR(got.z, sum[2] / ls, 1e-5) << x << "," << y;
        }
    }
}

TEST(Roughness, SpikeIsOneAndNeighboursTheirMeanDistance)
{
    TerrainMap map = shapedMap([](int x, int y) {
        if (x == 50 && y == 60) return 8.0f;
        if (x == 90 && y == 20) return 0.9f;
        if (x == 0 && y == 0) return 8.0f;
        return 0.0f;
    });
    computeCellNormals(map);
    auto r = [&](int x, int y) { return map.roughness[x + 128 * y]; };
    EXPECT_EQ(r(50, 60), 1.0f);              // |8 - 8/9| capped at 1
    EXPECT_FLOAT_EQ(r(51, 60), 8.0f / 9.0f); // |0 - 8/9|
    EXPECT_FLOAT_EQ(r(49, 61), 8.0f / 9.0f);
    EXPECT_EQ(r(52, 60), 0.0f);       // the spike is outside its 3 x 3
    EXPECT_FLOAT_EQ(r(90, 20), 0.8f); // |0.9 - 0.1|
    EXPECT_FLOAT_EQ(r(91, 21), 0.1f);
    EXPECT_EQ(r(0, 0), 1.0f); // |8 - 8/4| over the 4 points of the corner
    EXPECT_EQ(r(1, 0), 1.0f); // |0 - 8/6| over the 6 points on the edge, capped
    EXPECT_FLOAT_EQ(r(1, 1), 8.0f / 9.0f);
    // Unlike smoothGrid, the neighbourhood does not wrap to the row's end.
    EXPECT_EQ(r(127, 0), 0.0f);
    EXPECT_EQ(r(127, 1), 0.0f);
}

// computeMesh against its pieces: roughness smoothed once over the grid,
// light three times over the mesh grid.
TEST(MeshSmoothing, RoughnessOnceAndLightThreeTimes)
{
    TerrainMap map = randomMap(12);
    unsmoothedMesh(map);
    std::vector<float> roughness = map.roughness, light = map.light;
    smoothGrid(128, 128, roughness);
    for (int k = 0; k < 3; ++k)
        smoothGrid(1032, 1032, light);
    TerrainMap full = randomMap(12);
    ASSERT_TRUE(computeMesh(full, BakedLight{}));
    EXPECT_EQ(full.roughness, roughness);
    EXPECT_EQ(full.light, light);
    EXPECT_TRUE(
        std::all_of(full.roughness.begin(), full.roughness.end(), [](float v) { return v >= 0 && v <= 1; }));
    EXPECT_TRUE(
        std::all_of(full.light.begin(), full.light.end(), [](float v) { return v >= 0.25f && v <= 0.9f; }));
}

TEST(VertexPositions, MeshStartsASixteenthBeforeTheGrid)
{
    TerrainMap map = shapedMap([](int x, int y) { return 0.5f * x + 0.25f * y; });
    allocateMesh(map, false, false);
    computeVertexPositions(map, kMeshOrigin);
    auto vertex = [&](int c, int r) {
        const size_t i = static_cast<size_t>(c) + 1032u * r;
        return Vec3{map.vertices[3 * i], map.vertices[3 * i + 1], map.vertices[3 * i + 2]};
    };
    // Heights below 0 in x and y are clamped to the first column and row.
    EXPECT_EQ(vertex(0, 0), (Vec3{-0.0625f, -0.0625f, 0.0f}));
    EXPECT_EQ(vertex(9, 4), (Vec3{1.0625f, 0.4375f, 0.5f * 1.0625f + 0.25f * 0.4375f}));
    // Past the last grid column the heights stay those of column 127.
    EXPECT_EQ(vertex(1031, 8), (Vec3{128.8125f, 0.9375f, 63.5f + 0.25f * 0.9375f}));
    EXPECT_EQ(vertex(1031, 1031), (Vec3{128.8125f, 128.8125f, 63.5f + 31.75f}));
    EXPECT_TRUE(map.light.empty());
    EXPECT_TRUE(map.colours.empty());
    // The cliff programs' mesh: the same heights from 0.5625 before the grid.
    computeVertexPositions(map, kCliffMeshOrigin);
    EXPECT_EQ(vertex(0, 0), (Vec3{-0.5625f, -0.5625f, 0.0f}));
    EXPECT_EQ(vertex(8 * 10 + 8, 8 * 3), (Vec3{10.4375f, 2.4375f, 0.5f * 10.4375f + 0.25f * 2.4375f}));
}

TEST(VertexLight, RandomTerrainAgainstReferenceFormula)
{
    // Flat ground 12.5 high: 0.9 * 1011.5 / |eye - vertex| at the first and last vertex.
    TerrainMap flat = flatMap(100);
    unsmoothedMesh(flat);
    EXPECT_NEAR(flat.light[0], 0.9, 1e-6);
    EXPECT_NEAR(flat.light[1065023], 0.8857500, 1e-6);

    TerrainMap map = randomMap(99);
    unsmoothedMesh(map);
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> index(0, 1032 * 1032 - 1);
    for (int k = 0; k < 20000; ++k) {
        const size_t i = static_cast<size_t>(index(rng));
        const double x = (i % 1032) * 0.125 - 0.0625, y = (i / 1032) * 0.125 - 0.0625;
        const double z = static_cast<float>(map.heightAt(x, y));
        ASSERT_EQ(map.vertices[3 * i + 2], static_cast<float>(z));
        const Vec3 n = map.normalAt(static_cast<float>(x), static_cast<float>(y));
        const double dx = -x, dy = -y, dz = 1024.0 - z;
        const double len = std::sqrt(dx * dx + dy * dy + dz * dz);
        const double expected = std::max(0.25, 0.9 * (dx * n.x + dy * n.y + dz * n.z) / len);
        ASSERT_NEAR(map.light[i], expected, 2e-6) << i;
    }
}

TEST(VertexColours, FlatGridWithAndWithoutMultitexture)
{
    // Blended: white with alpha 218 on flat ground at height 7.5.
    TerrainMap blended = flatMap(60);
    blended.usesMultitexture = true;
    ASSERT_TRUE(computeMesh(blended, BakedLight{}));
    for (size_t i = 0; i < blended.colours.size(); i += 4)
        ASSERT_EQ((std::array<int, 4>{blended.colours[i], blended.colours[i + 1], blended.colours[i + 2],
                                      blended.colours[i + 3]}),
                  (std::array<int, 4>{255, 255, 255, 218}))
            << i / 4;

    // Plain: grey from the light before its smoothing.
    TerrainMap plain = flatMap(60);
    unsmoothedMesh(plain);
    TerrainMap full = flatMap(60);
    ASSERT_TRUE(computeMesh(full, BakedLight{}));
    for (size_t i = 0; i < plain.light.size(); ++i) {
        const uint8_t byte = static_cast<uint8_t>(plain.light[i] * 255.0f);
        ASSERT_EQ((std::array<uint8_t, 4>{full.colours[4 * i], full.colours[4 * i + 1],
                                          full.colours[4 * i + 2], full.colours[4 * i + 3]}),
                  (std::array<uint8_t, 4>{byte, byte, byte, 255}))
            << i;
    }
    // Near the origin that is trunc(0.9 * 255) = 229, at the far corner trunc(~225.9).
    EXPECT_EQ(full.colours[0], 229);
    EXPECT_EQ(full.colours[4 * 1065023], 225);
}

TEST(MeshThreads, ResultsIdenticalForAnyThreadCount)
{
    TerrainMap one = randomMap(77);
    one.usesMultitexture = true;
    ASSERT_TRUE(computeMesh(one, BakedLight{}, kMeshOrigin, 1));
    const auto same = [](const auto& a, const auto& b) {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(a[0])) == 0;
    };
    for (unsigned threads : {2u, 3u, 7u}) {
        TerrainMap many = randomMap(77);
        many.usesMultitexture = true;
        ASSERT_TRUE(computeMesh(many, BakedLight{}, kMeshOrigin, threads));
        EXPECT_TRUE(same(one.vertices, many.vertices) && same(one.light, many.light) &&
                    same(one.colours, many.colours) && same(one.normals, many.normals) &&
                    same(one.roughness, many.roughness))
            << threads << " threads";
    }
}

TEST(LightTexels, StepTwoAndTheLastTexel)
{
    TerrainMap map = flatMap(0);
    allocateMesh(map, true, false);
    // Light coded so that trunc(light * 255) = (c + 3 r) mod 256.
    for (int r = 0; r < 1032; ++r) {
        for (int c = 0; c < 1032; ++c)
            map.light[c + 1032u * r] = (((c + 3 * r) % 256) + 0.5f) / 255.0f;
    }
    const std::vector<uint8_t> texels = lightTexels(map);
    ASSERT_EQ(texels.size(), 512u * 512u);
    EXPECT_EQ(texels[1], 2);   // vertex (2, 0)
    EXPECT_EQ(texels[512], 6); // vertex (0, 2)
    // Texel (511, 511) reads vertex (1022, 1022): (1022 + 3066) mod 256 = 248.
    EXPECT_EQ(texels[511 + 512 * 511], 248);
    for (int t = 0; t < 512; t += 17) {
        for (int s = 0; s < 512; s += 13)
            ASSERT_EQ(texels[s + 512u * t], (2 * s + 6 * t) % 256) << s << "," << t;
    }
}

TEST(MissingHeightmap, GenerationMakesNothing)
{
    TerrainMap map;
    EXPECT_FALSE(map.loadHeightmap("no/such/map_qv.raw"));
    // The pieces touch nothing.
    computeCellNormals(map);
    computeVertexPositions(map, kMeshOrigin);
    computeVertexLight(map, BakedLight{});
    EXPECT_FALSE(allocateMesh(map, true, true));
    EXPECT_FALSE(computeMesh(map, BakedLight{}));
    // generateMesh stops before any GL call, so no context is needed here.
    EXPECT_FALSE(generateMesh(map, RenderCaps{true, true}));
    EXPECT_FALSE(createVertexBuffers(map, RenderCaps{true, true}));
    EXPECT_TRUE(map.vertices.empty() && map.light.empty() && map.colours.empty() && map.roughness.empty() &&
                map.normals.empty() && map.cells.empty());
    EXPECT_EQ(map.vertexCount, 0);
    EXPECT_EQ(map.meshColumns, 0);
    EXPECT_EQ(map.textures[3], 0u);
    EXPECT_FALSE(map.usesVertexBuffers);
    EXPECT_EQ(map.vertexBuffer, 0u);
    EXPECT_EQ(lightTexels(map), std::vector<uint8_t>(512u * 512u, 0));
}
