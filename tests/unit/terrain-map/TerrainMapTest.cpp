#include "terrain/TerrainMap.h"

#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<uint8_t> randomBytes(size_t count, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> dist(0, 255);
    std::vector<uint8_t> bytes(count);
    for (auto& b : bytes)
        b = static_cast<uint8_t>(dist(rng));
    return bytes;
}

// A file in the temporary folder, removed again when the test ends.
class TempFile {
public:
    explicit TempFile(const std::vector<uint8_t>& bytes)
    {
        static int serial = 0;
        path_ = (std::filesystem::temp_directory_path() /
                 ("terrain_map_" + std::to_string(getpid()) + "_" + std::to_string(serial++) + ".raw"))
                    .string();
        std::FILE* f = std::fopen(path_.c_str(), "wb");
        if (f != nullptr) {
            if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
    }
    ~TempFile() { std::remove(path_.c_str()); }
    const char* path() const { return path_.c_str(); }

private:
    std::string path_;
};

// Captures the debug console for the lifetime of the object.
class ConsoleCapture {
public:
    ConsoleCapture()
    {
        platform::SetConsoleHandler([this](std::string_view text) { text_ += text; });
    }
    ~ConsoleCapture() { platform::SetConsoleHandler({}); }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// A 128 x 128 map whose heights are set directly, without smoothing.
TerrainMap mapWithHeights(float (*f)(int x, int y))
{
    TerrainMap map;
    map.loadHeightmapBytes(nullptr, 0);
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x)
            map.heights[x + 128 * y] = f(x, y);
    }
    return map;
}

} // namespace

TEST(Heightmap, EqualBytesGiveByteTimesEighthEverywhere)
{
    TerrainMap map;
    const std::vector<uint8_t> bytes(16384, 77);
    TempFile file(bytes);
    ASSERT_TRUE(map.loadHeightmap(file.path()));
    EXPECT_EQ(map.width, 128);
    EXPECT_EQ(map.height, 128);
    EXPECT_EQ(map.pointCount, 16384u);
    ASSERT_EQ(map.heights.size(), 16384u);
    for (float h : map.heights)
        ASSERT_EQ(h, 9.625f);
    ASSERT_EQ(map.normals.size(), 16384u);
    for (const Vec3& n : map.normals)
        ASSERT_EQ(n, (Vec3{0, 0, 0}));
    ASSERT_EQ(map.visible.size(), 16384u);
    for (uint8_t v : map.visible)
        ASSERT_EQ(v, 0);
    EXPECT_TRUE(map.hasGrid());
}

TEST(Heightmap, HalfScaleForTheCliffPrograms)
{
    TerrainMap map;
    const std::vector<uint8_t> bytes(16384, 200);
    map.loadHeightmapBytes(bytes.data(), bytes.size(), 0.0625f);
    EXPECT_EQ(map.gridHeight(64, 64), 12.5f);
    EXPECT_EQ(map.gridHeight(0, 0), 12.5f);
}

TEST(Heightmap, BytesAreScaledThenSmoothedOnce)
{
    const std::vector<uint8_t> bytes = randomBytes(16384, 5);
    TerrainMap map;
    map.loadHeightmapBytes(bytes.data(), bytes.size());
    std::vector<float> expected(16384);
    for (size_t i = 0; i < expected.size(); ++i)
        expected[i] = bytes[i] * 0.125f;
    smoothGrid(128, 128, expected);
    EXPECT_EQ(map.heights, expected);
    // Corner (0, 0): mean of the scaled bytes at 0, 1, 127, 128, 129.
    const double corner = (bytes[0] + bytes[1] + bytes[127] + bytes[128] + bytes[129]) * 0.125 / 5.0;
    EXPECT_EQ(map.heights[0], static_cast<float>(corner));
}

TEST(Heightmap, LongerFileLoadsAsItsFirst16384Bytes)
{
    std::vector<uint8_t> bytes = randomBytes(16384, 9);
    TerrainMap exact;
    exact.loadHeightmapBytes(bytes.data(), bytes.size());
    bytes.resize(20000, 255);
    TempFile file(bytes);
    TerrainMap longer;
    ConsoleCapture console;
    ASSERT_TRUE(longer.loadHeightmap(file.path()));
    EXPECT_EQ(longer.heights, exact.heights);
    EXPECT_EQ(console.text(), "");
}

TEST(Heightmap, ShortFileIsZeroFilledAndSaysSo)
{
    const std::vector<uint8_t> bytes = randomBytes(100, 11);
    TempFile file(bytes);
    TerrainMap map;
    ConsoleCapture console;
    ASSERT_TRUE(map.loadHeightmap(file.path()));
    EXPECT_EQ(console.text(), std::string("Heightmap ") + file.path() +
                                  " is short: 100 of 16384 samples, the rest set to 0\n");
    std::vector<float> expected(16384, 0.0f);
    for (size_t i = 0; i < bytes.size(); ++i)
        expected[i] = bytes[i] * 0.125f;
    smoothGrid(128, 128, expected);
    EXPECT_EQ(map.heights, expected);
    // Far from the 100 samples everything is 0.
    EXPECT_EQ(map.gridHeight(64, 64), 0.0f);
}

TEST(Heightmap, EmptyFileGivesAFlatZeroGrid)
{
    TempFile file({});
    TerrainMap map;
    ConsoleCapture console;
    ASSERT_TRUE(map.loadHeightmap(file.path()));
    EXPECT_NE(console.text().find("0 of 16384"), std::string::npos);
    for (float h : map.heights)
        ASSERT_EQ(h, 0.0f);
}

TEST(Heightmap, MissingFileLeavesTheMapEmpty)
{
    TerrainMap map;
    EXPECT_FALSE(map.loadHeightmap("no/such/dir/map_qv.raw"));
    EXPECT_FALSE(map.hasGrid());
    EXPECT_EQ(map.width, 0);
    EXPECT_EQ(map.height, 0);
    EXPECT_TRUE(map.heights.empty());
    EXPECT_TRUE(map.normals.empty());
    EXPECT_TRUE(map.visible.empty());
    // The queries stay defined without a grid.
    EXPECT_EQ(map.gridHeight(3, 3), 0.0f);
    EXPECT_EQ(map.heightAt(3.5, 3.5), 0.0);
    EXPECT_EQ(map.normalAt(3.5f, 3.5f), (Vec3{0, 0, 0}));
}

TEST(Heightmap, UnreadablePathIsAFailedLoad)
{
    TerrainMap map;
    ConsoleCapture console;
    EXPECT_FALSE(map.loadHeightmap(std::filesystem::temp_directory_path().c_str()));
    EXPECT_FALSE(map.loadHeightmap(nullptr));
    EXPECT_FALSE(map.hasGrid());
    EXPECT_EQ(console.text(), "");
}

TEST(Heightmap, FailedLoadKeepsAnEarlierGrid)
{
    const std::vector<uint8_t> bytes = randomBytes(16384, 3);
    TerrainMap map;
    map.loadHeightmapBytes(bytes.data(), bytes.size());
    const std::vector<float> before = map.heights;
    EXPECT_FALSE(map.loadHeightmap("no/such/file.raw"));
    EXPECT_EQ(map.heights, before);
}

TEST(Queries, GridHeightClampsBothAxes)
{
    TerrainMap map = mapWithHeights([](int x, int y) { return static_cast<float>(x + 1000 * y); });
    EXPECT_EQ(map.gridHeight(5, 3), 3005.0f);
    EXPECT_EQ(map.gridHeight(-5, 3), map.gridHeight(0, 3));
    EXPECT_EQ(map.gridHeight(500, 3), map.gridHeight(127, 3));
    EXPECT_EQ(map.gridHeight(4, -1), 4.0f);
    EXPECT_EQ(map.gridHeight(4, 128), 127004.0f);
    EXPECT_EQ(map.gridHeight(INT32_MIN, INT32_MAX), 127000.0f);
}

TEST(Queries, HeightAtIsExactOnBilinearSurfaces)
{
    // A plane and a saddle are reproduced exactly by bilinear interpolation.
    TerrainMap plane = mapWithHeights([](int x, int y) { return 2.0f * x + 3.0f * y; });
    EXPECT_DOUBLE_EQ(plane.heightAt(10.25, 20.75), 2 * 10.25 + 3 * 20.75);
    TerrainMap saddle = mapWithHeights([](int x, int y) { return static_cast<float>(x * y); });
    EXPECT_DOUBLE_EQ(saddle.heightAt(10.25, 20.75), 10.25 * 20.75);
    EXPECT_DOUBLE_EQ(saddle.heightAt(0.5, 0.5), 0.25);
    // Past the last column: the last column's values, blended in y only.
    EXPECT_DOUBLE_EQ(saddle.heightAt(130.0, 5.5), 127.0 * 5.5);
}

TEST(Queries, HeightAtEdgeCases)
{
    const std::vector<uint8_t> bytes = randomBytes(16384, 21);
    TerrainMap map;
    map.loadHeightmapBytes(bytes.data(), bytes.size());
    EXPECT_EQ(map.heightAt(127.6, 10.0), map.gridHeight(127, 10));
    EXPECT_EQ(map.heightAt(-3.0, -3.0), map.gridHeight(0, 0));
    EXPECT_EQ(map.heightAt(1e9, 1e9), map.gridHeight(127, 127));
    EXPECT_EQ(map.heightAt(127.0, 127.0), map.gridHeight(127, 127));
    EXPECT_EQ(map.heightAt(std::nan(""), 4.0), map.gridHeight(0, 4));
    const double mean = (static_cast<double>(map.gridHeight(40, 9)) + map.gridHeight(41, 9)) / 2.0;
    EXPECT_DOUBLE_EQ(map.heightAt(40.5, 9.0), mean);
    // Whole-number positions give the grid values.
    std::mt19937 rng(8);
    std::uniform_int_distribution<int> coord(0, 127);
    for (int k = 0; k < 500; ++k) {
        const int x = coord(rng);
        const int y = coord(rng);
        ASSERT_EQ(map.heightAt(x, y), map.gridHeight(x, y)) << x << "," << y;
    }
}

TEST(Queries, NormalAtBlendsWithoutRenormalising)
{
    TerrainMap map;
    map.loadHeightmapBytes(nullptr, 0);
    map.normals[10 + 128 * 10] = {0, 0, 1};
    map.normals[11 + 128 * 10] = {1, 0, 0};
    map.normals[10 + 128 * 11] = {0, 1, 0};
    const Vec3 half = map.normalAt(10.5f, 10.0f);
    EXPECT_EQ(half, (Vec3{0.5f, 0.0f, 0.5f}));
    EXPECT_LT(half.x * half.x + half.y * half.y + half.z * half.z, 1.0f);
    EXPECT_EQ(map.normalAt(10.0f, 10.25f), (Vec3{0.0f, 0.25f, 0.75f}));
    // Centre of the cell: a quarter of each corner, (11, 11) is zero.
    EXPECT_EQ(map.normalAt(10.5f, 10.5f), (Vec3{0.25f, 0.25f, 0.25f}));
    map.normals[127 + 128 * 0] = {0.25f, 0.5f, 0.75f};
    EXPECT_EQ(map.normalAt(200.0f, -4.0f), (Vec3{0.25f, 0.5f, 0.75f}));
    EXPECT_EQ(map.normalAt(127.9f, 0.0f), (Vec3{0.25f, 0.5f, 0.75f}));
}

TEST(Queries, ShortArraysAreNotRead)
{
    TerrainMap map;
    map.width = 128;
    map.height = 128;
    map.heights.assign(10, 1.0f); // inconsistent with the dimensions
    EXPECT_FALSE(map.hasGrid());
    EXPECT_EQ(map.gridHeight(100, 100), 0.0f);
    EXPECT_EQ(map.heightAt(100.0, 100.0), 0.0);
}

TEST(Release, FreesEveryArray)
{
    const std::vector<uint8_t> bytes = randomBytes(16384, 2);
    TerrainMap map;
    map.loadHeightmapBytes(bytes.data(), bytes.size());
    map.foliageMap.assign(16384, 1);
    map.vertices.assign(30, 1.0f);
    map.light.assign(10, 1.0f);
    map.roughness.assign(16384, 0.5f);
    map.colours.assign(40, 1);
    map.cells.resize(4);
    map.cellCount = 4;
    map.textures[3] = 7;
    map.release();
    EXPECT_TRUE(map.heights.empty());
    EXPECT_TRUE(map.foliageMap.empty());
    EXPECT_TRUE(map.normals.empty());
    EXPECT_TRUE(map.vertices.empty());
    EXPECT_TRUE(map.light.empty());
    EXPECT_TRUE(map.roughness.empty());
    EXPECT_TRUE(map.colours.empty());
    EXPECT_TRUE(map.visible.empty());
    EXPECT_TRUE(map.cells.empty());
    EXPECT_EQ(map.cellCount, 0);
    EXPECT_FALSE(map.hasGrid());
    // GL names belong to the context.
    EXPECT_EQ(map.textures[3], 7u);
    map.release(); // a second release finds nothing to free
}
