#include "terrain/TerrainMesh.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

TEST(Mesh, NormalsAndLightOfRandomTerrainAgainstTheFormulasInDouble)
{
    // Heights in whole eighths from 0 to 31.875, scattered like a heightmap file's bytes.
    TerrainMap map =
        gridMap(128, 128, [](int x, int y) { return float((x * 7919 ^ y * 104729) % 256) * 0.125f; });
    computeCellNormals(map);
    ASSERT_TRUE(allocateMesh(map, true, true));
    computeVertexPositions(map, kMeshOrigin);
    computeVertexLight(map, BakedLight{});
    for (int i = 0; i < 16384; i += 37) {
        // The upward triangle normals (P1 - P0) x (P2 - P0) = (z0 - z1, z1 - z2, 1)
        // and (P2 - P1) x (P3 - P1) = (z3 - z2, z1 - z2, 1), unit, summed, unit.
        const double x = i % 128, y = i / 128;
        const double z0 = map.heightAt(x - 0.5, y - 0.5), z1 = map.heightAt(x + 0.5, y - 0.5),
                     z2 = map.heightAt(x + 0.5, y + 0.5), z3 = map.heightAt(x - 0.5, y + 0.5);
        const double l1 = std::hypot(z0 - z1, z1 - z2, 1.0), l2 = std::hypot(z3 - z2, z1 - z2, 1.0);
        const double n[3] = {(z0 - z1) / l1 + (z3 - z2) / l2, (z1 - z2) / l1 + (z1 - z2) / l2,
                             1 / l1 + 1 / l2};
        const double l = std::hypot(n[0], n[1], n[2]);
        const Vec3 got = map.normals[size_t(i)];
        ASSERT_TRUE(std::fabs(got.x - n[0] / l) < 1e-5 && std::fabs(got.y - n[1] / l) < 1e-5 &&
                    std::fabs(got.z - n[2] / l) < 1e-5)
            << x << "," << y;
    }
    for (size_t i = 0; i < 1032u * 1032u; i += 53) {
        // 0.9 times the cosine towards the light at (0, 0, 1024), at least 0.25.
        const double x = (i % 1032) * 0.125 - 0.0625, y = (i / 1032) * 0.125 - 0.0625;
        const double dz = 1024.0 - float(map.heightAt(x, y));
        const Vec3 n = map.normalAt(float(x), float(y));
        const double expected = std::max(0.25, 0.9 * (-x * n.x - y * n.y + dz * n.z) / std::hypot(x, y, dz));
        ASSERT_NEAR(map.light[i], expected, 2e-6) << i;
    }
}

TEST(Mesh, RoughnessOfSpikesBeforeAndAfterTheSmoothing)
{
    const auto spikes = [](int x, int y) { return (x == 50 && y == 60) || (x == 0 && y == 0) ? 8.0f : 0.0f; };
    TerrainMap map = gridMap(128, 128, spikes);
    computeCellNormals(map);
    EXPECT_TRUE(map.cells.empty());
    auto r = [&](int x, int y) { return map.roughness[size_t(x + 128 * y)]; };
    EXPECT_EQ(r(50, 60), 1.0f);              // |8 - 8/9| capped at 1
    EXPECT_FLOAT_EQ(r(51, 60), 8.0f / 9.0f); // |0 - 8/9|
    EXPECT_EQ(r(52, 60), 0.0f);              // the spike is outside its 3 x 3
    EXPECT_EQ(r(1, 0), 1.0f);                // |0 - 8/6| over the 6 points on the edge, capped
    EXPECT_EQ(r(127, 0), 0.0f);              // unlike smoothGrid, no wrap to the row's end
    // Smoothed once over the grid: the spike's 3 x 3 is 1 and eight 8/9; two
    // columns on, three of the nine are 8/9.
    ASSERT_TRUE(computeMesh(map = gridMap(128, 128, spikes), BakedLight{}));
    EXPECT_FLOAT_EQ(r(50, 60), (1.0f + 64.0f / 9.0f) / 9.0f);
    EXPECT_FLOAT_EQ(r(52, 60), 24.0f / 81.0f);
    EXPECT_EQ(r(55, 60), 0.0f);
}

TEST(Mesh, LayoutPositionsAndColours)
{
    const auto plane = [](int x, int y) { return 0.5f * x + 0.25f * y; };
    TerrainMap map = gridMap(128, 128, plane), threaded = gridMap(128, 128, plane);
    map.usesMultitexture = threaded.usesMultitexture = true;
    ASSERT_TRUE(computeMesh(map, BakedLight{}, kMeshOrigin, 1));
    const auto vertex = [&](int c, int r) {
        const size_t i = size_t(c) + size_t(map.meshColumns) * r;
        return Vec3{map.vertices[3 * i], map.vertices[3 * i + 1], map.vertices[3 * i + 2]};
    };
    // 1/16 before grid point (0, 0); heights clamp to the first and last column and row.
    EXPECT_EQ(vertex(0, 0), (Vec3{-0.0625f, -0.0625f, 0.0f}));
    EXPECT_EQ(vertex(9, 4), (Vec3{1.0625f, 0.4375f, 0.5f * 1.0625f + 0.25f * 0.4375f}));
    EXPECT_EQ(vertex(1031, 8), (Vec3{128.8125f, 0.9375f, 63.5f + 0.25f * 0.9375f}));
    EXPECT_EQ(vertex(1031, 1031), (Vec3{128.8125f, 128.8125f, 63.5f + 31.75f}));
    // The mesh is the same whatever the number of threads that build it.
    ASSERT_TRUE(computeMesh(threaded, BakedLight{}, kMeshOrigin, 3));
    EXPECT_TRUE(map.vertices == threaded.vertices && map.light == threaded.light &&
                map.colours == threaded.colours && map.roughness == threaded.roughness);
    // The blend alpha, 255 - (trunc((0.8 Q + 0.35) * 255) mod 256), from the
    // unclamped Q = 1 - |3 n.y|; at Q = -0.5 (n.y = -0.5) the grey clamps to 0.
    for (const auto& [q, alpha] : {std::pair{1.0f, 218}, {0.8f, 3}, {0.5f, 64}, {-2.0f, 61}, {-0.5f, 11}})
        EXPECT_EQ(blendAlpha(q), alpha) << q;
    const VertexColour steep = vertexColour({0.0f, -0.5f, 0.8f}, 0.5f, true);
    EXPECT_EQ((std::array<int, 4>{steep.red, steep.green, steep.blue, steep.alpha}),
              (std::array<int, 4>{0, 0, 0, 11}));
    // On flat ground without blending the colour is the unsmoothed light byte:
    // trunc(0.9 x 255) below the light, trunc(~225.9) at the far corner.
    map = gridMap(128, 128, [](int, int) { return 7.5f; });
    ASSERT_TRUE(computeMesh(map, BakedLight{}));
    EXPECT_EQ((std::vector<int>{map.colours[0], map.colours[1], map.colours[2], map.colours[3],
                                map.colours[4 * 1065023]}),
              (std::vector<int>{229, 229, 229, 255, 225}));
}

TEST(Mesh, LightTexelsStepTwoAndNothingWithoutAGrid)
{
    TerrainMap map = gridMap(128, 128, [](int, int) { return 0.0f; });
    ASSERT_TRUE(allocateMesh(map, true, false));
    // Light coded so that trunc(light * 255) = (c + 3 r) mod 256.
    for (int i = 0; i < 1032 * 1032; ++i)
        map.light[size_t(i)] = (((i % 1032 + 3 * (i / 1032)) % 256) + 0.5f) / 255.0f;
    const std::vector<uint8_t> texels = lightTexels(map);
    ASSERT_EQ(texels.size(), 512u * 512u);
    EXPECT_EQ(texels[1], 2);   // vertex (2, 0)
    EXPECT_EQ(texels[512], 6); // vertex (0, 2)
    // Texel (511, 511) reads vertex (1022, 1022): (1022 + 3066) mod 256 = 248.
    EXPECT_EQ(texels[511 + 512 * 511], 248);
    // The start-up goes on after a failed heightmap load; generateMesh then
    // makes nothing and stops before any GL call.
    map = TerrainMap{};
    EXPECT_FALSE(generateMesh(map, RenderCaps{true, true}));
    EXPECT_TRUE(map.vertices.empty() && map.light.empty() && map.roughness.empty() && map.textures[3] == 0);
}
