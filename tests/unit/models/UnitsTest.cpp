#include "models/Units.h"
#include "platform/Platform.h"
#include "terrain/TerrainMap.h"
#include "tests/support/TempFiles.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

namespace {

// A w x h grid whose point (x, y) stands at height 100x + y, so a tree's z tells which grid point
// it came from.
TerrainMap grid(int w, int h)
{
    return gridMap(w, h, [](int x, int y) { return float(100 * x + y); });
}

std::vector<std::pair<int, int>> points(const FoliageList& trees)
{
    std::vector<std::pair<int, int>> out;
    for (const Unit& u : trees)
        out.emplace_back(int(u.position.z) / 100, int(u.position.z) % 100);
    return out;
}

} // namespace

// The trees the generator's first four outputs (41, 18467, 6334, 26500) place at the first tree
// point: y drawn before x, at the grid point's own height, preset 1. No fraction reaches 1.
TEST(Foliage, FirstTreesHaveTheKnownJitterAndTheGridHeight)
{
    EXPECT_LT(RandomFraction::fraction(32767), 1.0f);
    TerrainMap map = grid(5, 4);
    UnitPresets presets;
    FoliageList trees;
    RandomFraction random;
    std::vector<uint8_t> bytes(20, 255);
    bytes[3 + 5 * 2] = 10; // grid point (3, 2)
    placeFoliageBytes(map, bytes, trees, presets, random);
    ASSERT_EQ(trees.size(), 2u);
    EXPECT_NEAR(trees[0].position.x, 3.0f - 0.063585f, 1e-5f);
    EXPECT_NEAR(trees[0].position.y, 2.0f + 0.498749f, 1e-5f);
    EXPECT_NEAR(trees[1].position.x, 3.0f - 0.308740f, 1e-5f);
    EXPECT_NEAR(trees[1].position.y, 2.0f + 0.306696f, 1e-5f);
    for (const Unit& tree : trees)
        EXPECT_EQ(std::pair(tree.position.z, tree.preset), std::pair(302.0f, &presets[1]));
}

// Two trees per byte below 32, column by column; grid points past the end of a short file place
// nothing, bytes past the grid are not kept. A file that cannot be opened places nothing.
TEST(Foliage, TwoTreesPerByteBelow32ColumnByColumn)
{
    UnitPresets presets;
    auto place = [&](TerrainMap map, const std::vector<uint8_t>& bytes, size_t kept) {
        FoliageList trees;
        RandomFraction random;
        placeFoliageBytes(map, bytes, trees, presets, random);
        EXPECT_EQ(map.foliageMap, std::vector<uint8_t>(bytes.begin(), bytes.begin() + ptrdiff_t(kept)));
        return points(trees);
    };
    using Points = std::vector<std::pair<int, int>>;
    EXPECT_EQ(place(grid(3, 2), {255, 32, 31, 255, 0, 33}, 6), (Points{{1, 1}, {1, 1}, {2, 0}, {2, 0}}));
    EXPECT_EQ(place(grid(4, 3), {99, 99, 1, 99, 1, 99, 1, 99, 1, 99, 99, 1}, 12),
              (Points{{0, 1}, {0, 1}, {0, 2}, {0, 2}, {2, 0}, {2, 0}, {2, 1}, {2, 1}, {3, 2}, {3, 2}}));
    EXPECT_EQ(place(grid(4, 4), {255, 0, 255, 255, 5}, 5), (Points{{0, 1}, {0, 1}, {1, 0}, {1, 0}}));
    EXPECT_EQ(place(grid(2, 1), {255, 255, 0, 0}, 2), Points{});

    TerrainMap map = grid(3, 2);
    FoliageList trees;
    RandomFraction random;
    EXPECT_FALSE(PlaceFoliage(map, "/nonexistent/foliage.raw", trees, presets, random));
    const TempDir dir; // a tree at the file's fifth byte
    EXPECT_TRUE(PlaceFoliage(map, dir.write("foliage.raw", {255, 255, 255, 255, 31, 255, 0}).c_str(), trees,
                             presets, random));
    EXPECT_EQ(points(trees), (Points{{1, 1}, {1, 1}}));
}

// Both lines are printed whether or not the files load (none do here); the tree is static, and
// both models start the table's only animation row.
TEST(UnitPresets, LinesPrintedWhetherOrNotTheFilesLoad)
{
    std::string console;
    platform::SetConsoleHandler([&](std::string_view text) { console += text; });
    platform::SetMessageBoxHandler([](auto...) { return platform::Answer::Ok; }); // the missing skins
    UnitPresets presets;
    LoadUnitPresets(presets);
    platform::SetConsoleHandler({});
    platform::SetMessageBoxHandler({});
    EXPECT_EQ(console, "Preset TANK loaded with md2 model\nPreset TREE1 loaded with md2 model\n");
    EXPECT_EQ(std::tie(presets[0].model.isStatic, presets[1].model.isStatic), std::tuple(false, true));
    EXPECT_EQ(std::tie(presets[0].model.endMode, presets[1].model.endMode), std::tuple(2, 2));
}
