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
    TempFile file(std::vector<uint8_t>(16384, 77));
    ASSERT_TRUE(map.loadHeightmap(file.path()));
    EXPECT_EQ(map.width, 128);
    EXPECT_EQ(map.height, 128);
    EXPECT_EQ(map.pointCount, 16384u);
    EXPECT_EQ(map.heights, std::vector<float>(16384, 9.625f));
    EXPECT_EQ(map.normals, std::vector<Vec3>(16384, Vec3{0, 0, 0}));
    EXPECT_EQ(map.visible, std::vector<uint8_t>(16384, 0));
    EXPECT_TRUE(map.hasGrid());
    // Half scale for the cliff programs: 200 / 16.
    map.loadHeightmapBytes(std::vector<uint8_t>(16384, 200).data(), 16384, 0.0625f);
    EXPECT_EQ(map.gridHeight(64, 64), 12.5f);
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

TEST(Heightmap, OtherFileSizesLoadTheirFirstBytesZeroFilled)
{
    const std::vector<uint8_t> bytes = randomBytes(20000, 9);
    for (size_t size : {size_t{20000}, size_t{100}, size_t{0}}) {
        SCOPED_TRACE(size);
        TempFile file(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(size)));
        TerrainMap map;
        ConsoleCapture console;
        ASSERT_TRUE(map.loadHeightmap(file.path()));
        std::vector<float> expected(16384, 0.0f);
        for (size_t i = 0; i < std::min<size_t>(size, 16384); ++i)
            expected[i] = bytes[i] * 0.125f;
        smoothGrid(128, 128, expected);
        EXPECT_EQ(map.heights, expected);
        EXPECT_EQ(console.text(), size >= 16384 ? std::string()
                                                : std::string("Heightmap ") + file.path() +
                                                      " is short: " + std::to_string(size) +
                                                      " of 16384 samples, the rest set to 0\n");
    }
}

TEST(Heightmap, FailedLoadsLeaveNoGridOrKeepTheEarlierOne)
{
    TerrainMap map;
    ConsoleCapture console;
    EXPECT_FALSE(map.loadHeightmap("no/such/dir/map_qv.raw"));
    EXPECT_FALSE(map.loadHeightmap(std::filesystem::temp_directory_path().c_str())); // a folder
    EXPECT_FALSE(map.loadHeightmap(nullptr));
    EXPECT_EQ(console.text(), "");
    EXPECT_FALSE(map.hasGrid());
    EXPECT_EQ(map.width, 0);
    EXPECT_TRUE(map.heights.empty() && map.normals.empty() && map.visible.empty());
    // The queries stay defined without a grid.
    EXPECT_EQ(map.gridHeight(3, 3), 0.0f);
    EXPECT_EQ(map.heightAt(3.5, 3.5), 0.0);
    EXPECT_EQ(map.normalAt(3.5f, 3.5f), (Vec3{0, 0, 0}));

    const std::vector<uint8_t> bytes = randomBytes(16384, 3);
    map.loadHeightmapBytes(bytes.data(), bytes.size());
    const std::vector<float> before = map.heights;
    EXPECT_FALSE(map.loadHeightmap("no/such/file.raw"));
    EXPECT_EQ(map.heights, before);
}

TEST(Queries, GridHeightClampsBothAxes)
{
    TerrainMap map = mapWithHeights([](int x, int y) { return static_cast<float>(x + 1000 * y); });
    EXPECT_EQ(map.gridHeight(5, 3), 3005.0f);
    EXPECT_EQ(map.gridHeight(-5, 3), 3000.0f);
    EXPECT_EQ(map.gridHeight(500, 3), 3127.0f);
    EXPECT_EQ(map.gridHeight(4, -1), 4.0f);
    EXPECT_EQ(map.gridHeight(4, 128), 127004.0f);
    EXPECT_EQ(map.gridHeight(INT32_MIN, INT32_MAX), 127000.0f);
}

TEST(Queries, HeightAtIsBilinearAndClamped)
{
    // A saddle is reproduced exactly by bilinear interpolation.
    TerrainMap saddle = mapWithHeights([](int x, int y) { return static_cast<float>(x * y); });
    EXPECT_DOUBLE_EQ(saddle.heightAt(10.25, 20.75), 10.25 * 20.75);
    EXPECT_DOUBLE_EQ(saddle.heightAt(0.5, 0.5), 0.25);
    // Past the last column: the last column's values, blended in y only.
    EXPECT_DOUBLE_EQ(saddle.heightAt(130.0, 5.5), 127.0 * 5.5);

    const std::vector<uint8_t> bytes = randomBytes(16384, 21);
    TerrainMap map;
    map.loadHeightmapBytes(bytes.data(), bytes.size());
    EXPECT_EQ(map.heightAt(127.6, 10.0), map.gridHeight(127, 10));
    EXPECT_EQ(map.heightAt(-3.0, -3.0), map.gridHeight(0, 0));
    EXPECT_EQ(map.heightAt(1e9, 1e9), map.gridHeight(127, 127));
    EXPECT_EQ(map.heightAt(std::nan(""), 4.0), map.gridHeight(0, 4));
    const double mean = (static_cast<double>(map.gridHeight(40, 9)) + map.gridHeight(41, 9)) / 2.0;
    EXPECT_DOUBLE_EQ(map.heightAt(40.5, 9.0), mean);
    // Whole-number positions give the grid values.
    std::mt19937 rng(8);
    std::uniform_int_distribution<int> coord(0, 127);
    for (int k = 0; k < 500; ++k) {
        const int x = coord(rng), y = coord(rng);
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
    EXPECT_EQ(map.normalAt(10.5f, 10.0f), (Vec3{0.5f, 0.0f, 0.5f})); // length below 1
    EXPECT_EQ(map.normalAt(10.0f, 10.25f), (Vec3{0.0f, 0.25f, 0.75f}));
    // Centre of the cell: a quarter of each corner, (11, 11) is zero.
    EXPECT_EQ(map.normalAt(10.5f, 10.5f), (Vec3{0.25f, 0.25f, 0.25f}));
    map.normals[127 + 128 * 0] = {0.25f, 0.5f, 0.75f};
    EXPECT_EQ(map.normalAt(200.0f, -4.0f), (Vec3{0.25f, 0.5f, 0.75f}));
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
    TerrainMap map;
    map.loadHeightmapBytes(nullptr, 0);
    map.foliageMap.assign(16384, 1);
    map.vertices.assign(30, 1.0f);
    map.light.assign(10, 1.0f);
    map.roughness.assign(16384, 0.5f);
    map.colours.assign(40, 1);
    map.cells.resize(4);
    map.cellCount = 4;
    map.textures[3] = 7;
    map.release();
    EXPECT_TRUE(map.heights.empty() && map.foliageMap.empty() && map.normals.empty() &&
                map.vertices.empty() && map.light.empty() && map.roughness.empty() && map.colours.empty() &&
                map.visible.empty() && map.cells.empty());
    EXPECT_EQ(map.cellCount, 0);
    EXPECT_FALSE(map.hasGrid());
    EXPECT_EQ(map.textures[3], 7u); // GL names belong to the context
    map.release();                  // a second release finds nothing to free
}
