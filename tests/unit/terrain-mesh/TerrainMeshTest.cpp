#include "terrain/TerrainMesh.h"

#include <gtest/gtest.h>

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

TEST(MeshLayout, SizesOfThe128Grid)
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
}

TEST(CellNormals, FlatGridPointsStraightUpWithNoRoughness)
{
    TerrainMap map = flatMap(100);
    computeCellNormals(map);
    for (const Vec3& n : map.normals)
        ASSERT_EQ(n, (Vec3{0.0f, 0.0f, 1.0f}));
    for (float r : map.roughness)
        ASSERT_EQ(r, 0.0f);
}

TEST(CellNormals, PlaneSlopesGiveTheirNormals)
{
    // z = 0.5 x: normal (-0.5, 0, 1) / sqrt(1.25) inside the grid.
    TerrainMap map = shapedMap([](int x, int) { return 0.5f * x; });
    computeCellNormals(map);
    const float s = 1.0f / std::sqrt(1.25f);
    const Vec3 inner = map.normals[40 + 128 * 7];
    EXPECT_NEAR(inner.x, -0.5f * s, 1e-6);
    EXPECT_NEAR(inner.y, 0.0f, 1e-6);
    EXPECT_NEAR(inner.z, s, 1e-6);
    // At x = 0 the corner at x = -0.5 is clamped to the height of column 0:
    // the cell rises by 0.25 over one unit.
    const Vec3 edge = map.normals[0 + 128 * 7];
    const float e = 1.0f / std::sqrt(1.0625f);
    EXPECT_NEAR(edge.x, -0.25f * e, 1e-6);
    EXPECT_NEAR(edge.z, e, 1e-6);
    // z = 0.25 y: normal (0, -0.25, 1) / sqrt(1.0625).
    TerrainMap rows = shapedMap([](int, int y) { return 0.25f * y; });
    computeCellNormals(rows);
    const Vec3 n = rows.normals[9 + 128 * 60];
    EXPECT_NEAR(n.x, 0.0f, 1e-6);
    EXPECT_NEAR(n.y, -0.25f * e, 1e-6);
    EXPECT_NEAR(n.z, e, 1e-6);
}

TEST(CellNormals, RandomTerrainMatchesTwoTriangleReference)
{
    TerrainMap map = randomMap(31);
    computeCellNormals(map);
    for (int x = 0; x < 128; x += 3) {
        for (int y = 0; y < 128; y += 5) {
            // The sum of the two triangle normals worked in double.
            auto h = [&](double px, double py) { return map.heightAt(px, py); };
            const double z0 = h(x - 0.5, y - 0.5), z1 = h(x + 0.5, y - 0.5), z2 = h(x + 0.5, y + 0.5),
                         z3 = h(x - 0.5, y + 0.5);
            // Upward triangle normals: (P1-P0) x (P2-P0) and (P2-P1) x (P3-P1).
            double a[3] = {1, 0, z1 - z0}, b[3] = {1, 1, z2 - z0};
            double n1[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
            double c[3] = {0, 1, z2 - z1}, d[3] = {-1, 1, z3 - z1};
            double n2[3] = {c[1] * d[2] - c[2] * d[1], c[2] * d[0] - c[0] * d[2], c[0] * d[1] - c[1] * d[0]};
            const double l1 = std::sqrt(n1[0] * n1[0] + n1[1] * n1[1] + n1[2] * n1[2]);
            const double l2 = std::sqrt(n2[0] * n2[0] + n2[1] * n2[1] + n2[2] * n2[2]);
            double s[3];
            for (int k = 0; k < 3; ++k)
                s[k] = n1[k] / l1 + n2[k] / l2;
            const double ls = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
            const Vec3 got = map.normals[x + 128 * y];
            ASSERT_NEAR(got.x, s[0] / ls, 1e-5) << x << "," << y;
            ASSERT_NEAR(got.y, s[1] / ls, 1e-5) << x << "," << y;
            ASSERT_NEAR(got.z, s[2] / ls, 1e-5) << x << "," << y;
            ASSERT_GT(got.z, 0.0f);
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

TEST(Roughness, SmoothedOnceWithTheFlatIndexFilter)
{
    TerrainMap map = randomMap(4);
    computeCellNormals(map);
    std::vector<float> raw = map.roughness;
    smoothGrid(128, 128, raw);
    TerrainMap full = randomMap(4);
    ASSERT_TRUE(computeMesh(full, BakedLight{}));
    EXPECT_EQ(full.roughness, raw);
    for (float v : full.roughness) {
        ASSERT_GE(v, 0.0f);
        ASSERT_LE(v, 1.0f);
    }
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

TEST(VertexLight, FlatGridBelowTheLight)
{
    TerrainMap map = flatMap(100); // height 12.5
    unsmoothedMesh(map);
    const double h = 12.5;
    for (int r = 0; r < 1032; r += 7) {
        for (int c = 0; c < 1032; c += 5) {
            const double x = c * 0.125 - 0.0625, y = r * 0.125 - 0.0625;
            const double expected =
                0.9 * (1024.0 - h) / std::sqrt(x * x + y * y + (1024.0 - h) * (1024.0 - h));
            ASSERT_NEAR(map.light[c + 1032u * r], expected, 2e-6) << c << "," << r;
        }
    }
    // Just under 0.9 near the origin, still above 0.88 at the far corner.
    EXPECT_LE(map.light[0], 0.9f);
    EXPECT_GT(map.light[0], 0.8999f);
    EXPECT_GT(map.light[1065023], 0.88f);
    EXPECT_LT(map.light[1065023], 0.89f);
}

TEST(VertexColours, FlatGridWithAndWithoutMultitexture)
{
    TerrainMap blended = flatMap(60);
    blended.usesMultitexture = true;
    ASSERT_TRUE(computeMesh(blended, BakedLight{}));
    for (size_t i = 0; i < blended.colours.size(); i += 4) {
        ASSERT_EQ(blended.colours[i], 255);
        ASSERT_EQ(blended.colours[i + 1], 255);
        ASSERT_EQ(blended.colours[i + 2], 255);
        ASSERT_EQ(blended.colours[i + 3], 218) << i / 4;
    }

    TerrainMap plain = flatMap(60);
    unsmoothedMesh(plain);
    const std::vector<float> rawLight = plain.light;
    TerrainMap full = flatMap(60);
    ASSERT_TRUE(computeMesh(full, BakedLight{}));
    for (size_t i = 0; i < rawLight.size(); ++i) {
        // The colours keep the light from before the smoothing.
        const uint8_t byte = static_cast<uint8_t>(rawLight[i] * 255.0f);
        ASSERT_EQ(full.colours[4 * i], byte);
        ASSERT_EQ(full.colours[4 * i + 1], byte);
        ASSERT_EQ(full.colours[4 * i + 2], byte);
        ASSERT_EQ(full.colours[4 * i + 3], 255);
    }
    // Near the origin that is trunc(0.9 * 255) = 229, at the far corner trunc(~225.9).
    EXPECT_EQ(full.colours[0], 229);
    EXPECT_EQ(full.colours[4 * 1065023], 225);
}

TEST(VertexLight, SmoothedThreeTimesOverTheMeshGrid)
{
    TerrainMap map = randomMap(12);
    unsmoothedMesh(map);
    std::vector<float> expected = map.light;
    for (int k = 0; k < 3; ++k)
        smoothGrid(1032, 1032, expected);
    TerrainMap full = randomMap(12);
    ASSERT_TRUE(computeMesh(full, BakedLight{}));
    EXPECT_EQ(full.light, expected);
    for (float v : full.light) {
        ASSERT_GE(v, 0.25f);
        ASSERT_LE(v, 0.9f);
    }
}

TEST(VertexLight, RandomTerrainAgainstReferenceFormula)
{
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

TEST(MeshThreads, ResultsIdenticalForAnyThreadCount)
{
    TerrainMap one = randomMap(77);
    one.usesMultitexture = true;
    ASSERT_TRUE(computeMesh(one, BakedLight{}, kMeshOrigin, 1));
    for (unsigned threads : {2u, 3u, 7u}) {
        TerrainMap many = randomMap(77);
        many.usesMultitexture = true;
        ASSERT_TRUE(computeMesh(many, BakedLight{}, kMeshOrigin, threads));
        ASSERT_EQ(
            0, std::memcmp(one.vertices.data(), many.vertices.data(), one.vertices.size() * sizeof(float)));
        ASSERT_EQ(0, std::memcmp(one.light.data(), many.light.data(), one.light.size() * sizeof(float)));
        ASSERT_EQ(one.colours, many.colours);
        ASSERT_EQ(0, std::memcmp(one.normals.data(), many.normals.data(), one.normals.size() * sizeof(Vec3)));
        ASSERT_EQ(one.roughness, many.roughness);
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
    EXPECT_EQ(texels[0], 0);
    EXPECT_EQ(texels[1], 2);   // vertex (2, 0)
    EXPECT_EQ(texels[512], 6); // vertex (0, 2)
    EXPECT_EQ(texels[5 + 512 * 7], (10 + 3 * 14) % 256);
    // Texel (511, 511) reads vertex (1022, 1022): (1022 + 3066) mod 256 = 248.
    EXPECT_EQ(texels[511 + 512 * 511], 248);
    for (int t = 0; t < 512; t += 17) {
        for (int s = 0; s < 512; s += 13)
            ASSERT_EQ(texels[s + 512u * t], (2 * s + 6 * t) % 256) << s << "," << t;
    }
}

TEST(LightTexels, WithoutAMeshAllTexelsAreZero)
{
    TerrainMap empty;
    const std::vector<uint8_t> texels = lightTexels(empty);
    ASSERT_EQ(texels.size(), 512u * 512u);
    for (uint8_t t : texels)
        ASSERT_EQ(t, 0);
}

TEST(MissingHeightmap, GenerationMakesNothing)
{
    TerrainMap map;
    EXPECT_FALSE(map.loadHeightmap("no/such/map_qv.raw"));
    EXPECT_FALSE(computeMesh(map, BakedLight{}));
    // generateMesh stops before any GL call, so no context is needed here.
    EXPECT_FALSE(generateMesh(map, RenderCaps{true, true}));
    EXPECT_TRUE(map.vertices.empty());
    EXPECT_TRUE(map.light.empty());
    EXPECT_TRUE(map.colours.empty());
    EXPECT_TRUE(map.roughness.empty());
    EXPECT_TRUE(map.normals.empty());
    EXPECT_EQ(map.vertexCount, 0);
    EXPECT_EQ(map.meshColumns, 0);
    EXPECT_EQ(map.textures[3], 0u);
    EXPECT_FALSE(map.usesVertexBuffers);
    EXPECT_EQ(map.vertexBuffer, 0u);
    // Nothing to upload either.
    EXPECT_FALSE(createVertexBuffers(map, RenderCaps{true, true}));
    EXPECT_FALSE(map.usesVertexBuffers);
}

TEST(MissingHeightmap, PiecesTouchNothing)
{
    TerrainMap map;
    computeCellNormals(map);
    computeVertexPositions(map, kMeshOrigin);
    computeVertexLight(map, BakedLight{});
    EXPECT_TRUE(map.roughness.empty());
    EXPECT_TRUE(map.normals.empty());
    EXPECT_TRUE(map.cells.empty());
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
    EXPECT_TRUE(map.vertices.empty());
    EXPECT_TRUE(map.light.empty());
    EXPECT_TRUE(map.colours.empty());
    TerrainMap none;
    EXPECT_FALSE(allocateMesh(none, true, true));
    EXPECT_TRUE(none.vertices.empty());
}

TEST(MeshLayout, SmallGridsGetTheirOwnSizes)
{
    TerrainMap map;
    map.width = 3;
    map.height = 2;
    ASSERT_TRUE(allocateMesh(map, true, false));
    EXPECT_EQ(map.meshColumns, 32);
    EXPECT_EQ(map.meshRows, 24);
    EXPECT_EQ(map.vertexCount, 768);
    EXPECT_EQ(map.vertices.size(), 3u * 768);
    EXPECT_EQ(map.light.size(), 768u);
    EXPECT_TRUE(map.colours.empty());
}
