#include "terrain/TerrainMap.h"
#include "tests/support/TempFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

TEST(SmoothGrid, MatchesAReferenceOnGridsOfManyShapes)
{
    // Reference: the nine flat-index neighbours in order, those inside the array,
    // summed in double. No column test: a first column's "left" neighbours are
    // row ends, a last column's "right" ones the next rows' starts.
    std::mt19937 rng(77);
    std::uniform_real_distribution<float> dist(-100.0f, 100.0f);
    for (const auto& [w, h] : {std::pair{1, 1}, {1, 7}, {7, 1}, {2, 2}, {3, 5}, {128, 128}, {1032, 40}}) {
        std::vector<float> in(size_t(w * h)), expected(in.size());
        for (float& x : in)
            x = dist(rng);
        for (long i = 0; i < w * h; ++i) {
            double sum = 0.0;
            int count = 0;
            for (long j : {i - w - 1, i - w, i - w + 1, i - 1, i, i + 1, i + w - 1, i + w, i + w + 1})
                if (j >= 0 && j < w * h) sum += in[size_t(j)], ++count;
            expected[size_t(i)] = float(sum / count);
        }
        smoothGrid(w, h, in);
        ASSERT_EQ(in, expected) << w << "x" << h;
    }
}

TEST(Heightmap, BytesScaledSmoothedOnceShortFilesZeroFilled)
{
    std::mt19937 rng(9);
    std::vector<uint8_t> bytes(20000);
    for (auto& b : bytes)
        b = uint8_t(rng() % 256);
    const TempDir dir;
    for (size_t size : {size_t{20000}, size_t{100}, size_t{0}}) {
        const std::string path = dir.write("map.raw", {bytes.begin(), bytes.begin() + ptrdiff_t(size)});
        TerrainMap map;
        EXPECT_TRUE(map.loadHeightmap(path.c_str()));
        std::vector<float> expected(16384, 0.0f);
        for (size_t i = 0; i < std::min<size_t>(size, 16384); ++i)
            expected[i] = bytes[i] * 0.125f;
        smoothGrid(128, 128, expected);
        EXPECT_EQ(map.heights, expected) << size;
        if (size > 0) continue;
        // Corner (0, 0) of the full file: the mean of the bytes at 0, 1, 127, 128 and 129.
        // A file that cannot be opened leaves the map as it was.
        map.loadHeightmapBytes(bytes.data(), 16384);
        EXPECT_FALSE(map.loadHeightmap("no/such/dir/map_qv.raw"));
        EXPECT_EQ(map.heights[0],
                  float((bytes[0] + bytes[1] + bytes[127] + bytes[128] + bytes[129]) * 0.125 / 5));
        EXPECT_TRUE(map.normals == std::vector<Vec3>(16384) && map.visible == std::vector<uint8_t>(16384));
    }
}

TEST(Queries, ClampedBilinearHeightsAndNormals)
{
    TerrainMap map;
    map.loadHeightmapBytes(nullptr, 0);
    for (int i = 0; i < 16384; ++i)
        map.heights[size_t(i)] = float((i % 128) * (i / 128) + 1000 * (i / 128)); // x y + 1000 y
    EXPECT_EQ(map.gridHeight(5, 3), 3015.0f);
    EXPECT_EQ(map.gridHeight(-5, 3), 3000.0f);
    EXPECT_EQ(map.gridHeight(500, 3), 3381.0f);
    EXPECT_EQ(map.gridHeight(4, 128), 127508.0f);
    // Bilinear interpolation reproduces x y + 1000 y exactly; past the last
    // column the last column's values, blended in y only.
    EXPECT_DOUBLE_EQ(map.heightAt(10.25, 20.75), 10.25 * 20.75 + 20750.0);
    EXPECT_DOUBLE_EQ(map.heightAt(130.0, 5.5), 127.0 * 5.5 + 5500.0);
    EXPECT_EQ(map.heightAt(-3.0, -3.0), 0.0);
    EXPECT_EQ(map.heightAt(1e9, 1e9), map.gridHeight(127, 127));
    EXPECT_EQ(map.heightAt(NAN, 5.5), 5500.0); // not a number is clamped like a negative one
    map.normals[10 + 128 * 10] = {0, 0, 1};
    map.normals[11 + 128 * 10] = {1, 0, 0};
    map.normals[10 + 128 * 11] = {0, 1, 0};
    EXPECT_EQ(map.normalAt(10.5f, 10.0f), (Vec3{0.5f, 0.0f, 0.5f})); // length below 1
    EXPECT_EQ(map.normalAt(10.0f, 10.25f), (Vec3{0.0f, 0.25f, 0.75f}));
    EXPECT_EQ(map.normalAt(10.5f, 10.5f), (Vec3{0.25f, 0.25f, 0.25f})); // (11, 11) is zero
    map.normals[127] = {0.25f, 0.5f, 0.75f};
    EXPECT_EQ(map.normalAt(200.0f, -4.0f), (Vec3{0.25f, 0.5f, 0.75f}));
    map.normals[5 + 128 * 127] = {0, 0, 1}; // the last row blends with the one before
    EXPECT_EQ(map.normalAt(5.0f, 126.5f), (Vec3{0, 0, 0.5f}));
}
