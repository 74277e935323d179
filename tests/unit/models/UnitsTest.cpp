#include "models/Units.h"
#include "terrain/TerrainMap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <unistd.h>
#include <vector>

namespace {

// A w x h grid whose point (x, y) stands at height 100x + y, so a tree's z
// tells which grid point it came from.
TerrainMap gridMap(int32_t w, int32_t h)
{
    TerrainMap t;
    t.width = w;
    t.height = h;
    t.pointCount = static_cast<uint32_t>(w * h);
    t.heights.resize(static_cast<size_t>(w * h));
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x)
            t.heights[static_cast<size_t>(x + w * y)] = 100.0f * x + y;
    }
    return t;
}

struct Placement {
    TerrainMap terrain;
    UnitPresets presets;
    FoliageList foliage;
    RandomFraction random;
};

// Grid point a tree belongs to: its height encodes it.
std::pair<int, int> treePoint(const Unit& u)
{
    const int code = static_cast<int>(std::lround(u.position.z));
    return {code / 100, code % 100};
}

} // namespace

TEST(RandomFraction, MatchesTheRecurrence)
{
    RandomFraction first;
    for (int32_t n : {41, 18467, 6334, 26500})
        EXPECT_EQ(first.next(), n);
    // The recurrence written out in 64-bit arithmetic with an explicit modulus.
    RandomFraction r;
    uint64_t state = 1;
    for (int i = 0; i < 100000; ++i) {
        state = (state * 214013u + 2531011u) % 4294967296u;
        ASSERT_EQ(r.next(), static_cast<int32_t>((state / 65536u) % 32768u)) << i;
    }
    EXPECT_EQ(RandomFraction::fraction(0), 0.0f);
    EXPECT_FLOAT_EQ(RandomFraction::fraction(16384), 16384.0f / 32767.0f);
    EXPECT_LT(RandomFraction::fraction(32767), 1.0f);
    EXPECT_GT(RandomFraction::fraction(32767), 0.9999999f);
    RandomFraction a;
    EXPECT_FLOAT_EQ(a(), 41.0f / 32767.0f);
}

TEST(Foliage, ThresholdIs32)
{
    for (const auto& [byte, trees] : {std::pair{31, 2}, {32, 0}, {0, 2}, {33, 0}, {255, 0}}) {
        Placement p{gridMap(3, 3)};
        std::vector<uint8_t> bytes(9, 255);
        bytes[4] = static_cast<uint8_t>(byte);
        placeFoliageBytes(p.terrain, bytes, p.foliage, p.presets, p.random);
        EXPECT_EQ(p.foliage.size(), static_cast<size_t>(trees)) << byte;
        EXPECT_EQ(p.terrain.foliageMap, bytes);
        EXPECT_EQ(p.random.next(), trees == 0 ? 41 : 19169) << "two draws per tree, the fifth output next";
    }
}

TEST(Foliage, FirstTreesHaveTheKnownJitterAndTheGridHeight)
{
    Placement p{gridMap(5, 4)};
    std::vector<uint8_t> bytes(20, 255);
    bytes[3 + 5 * 2] = 10; // grid point (3, 2)
    placeFoliageBytes(p.terrain, bytes, p.foliage, p.presets, p.random);
    ASSERT_EQ(p.foliage.size(), 2u);
    // n = 41 (y), 18467 (x), then 6334 (y), 26500 (x).
    EXPECT_NEAR(p.foliage[0].position.x, 3.0f - 0.063585f, 1e-5f);
    EXPECT_NEAR(p.foliage[0].position.y, 2.0f + 0.498749f, 1e-5f);
    EXPECT_NEAR(p.foliage[1].position.x, 3.0f - 0.308740f, 1e-5f);
    EXPECT_NEAR(p.foliage[1].position.y, 2.0f + 0.306696f, 1e-5f);
    EXPECT_EQ(p.foliage[0].position.z, 302.0f);
    EXPECT_EQ(p.foliage[1].position.z, 302.0f);
    EXPECT_EQ(p.foliage[0].preset, &p.presets[1]);
    EXPECT_EQ(p.foliage[1].preset, &p.presets[1]);
}

TEST(Foliage, ColumnMajorOrder)
{
    Placement p{gridMap(4, 3)};
    std::vector<uint8_t> bytes(12, 99);
    // Marks at (2, 0), (0, 2), (0, 1), (3, 2), (2, 1), in file order.
    for (auto [x, y] : {std::pair{2, 0}, {0, 2}, {0, 1}, {3, 2}, {2, 1}})
        bytes[static_cast<size_t>(x + 4 * y)] = 1;
    placeFoliageBytes(p.terrain, bytes, p.foliage, p.presets, p.random);
    const std::vector<std::pair<int, int>> expected = {{0, 1}, {0, 1}, {0, 2}, {0, 2}, {2, 0},
                                                       {2, 0}, {2, 1}, {2, 1}, {3, 2}, {3, 2}};
    ASSERT_EQ(p.foliage.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(treePoint(p.foliage[i]), expected[i]) << i;
}

TEST(Foliage, RandomMapsGiveTwoTreesPerMarkNearTheirPoint)
{
    std::mt19937 rng(4242);
    for (int round = 0; round < 20; ++round) {
        Placement p{gridMap(16, 12)};
        std::vector<uint8_t> bytes(16 * 12);
        size_t marks = 0;
        for (uint8_t& b : bytes) {
            b = static_cast<uint8_t>(rng());
            marks += b < 32;
        }
        placeFoliageBytes(p.terrain, bytes, p.foliage, p.presets, p.random);
        ASSERT_EQ(p.foliage.size(), 2 * marks);
        // Independent replay of the jitter: y drawn before x, per tree; (x, y) never goes backwards.
        RandomFraction replay;
        std::pair<int, int> previous{0, 0};
        for (const Unit& u : p.foliage) {
            const auto [x, y] = treePoint(u);
            EXPECT_LT(bytes[static_cast<size_t>(x + 16 * y)], 32);
            const float ry = replay();
            const float rx = replay();
            EXPECT_EQ(u.position.x, static_cast<float>(x) + (0.5f - rx));
            EXPECT_EQ(u.position.y, static_cast<float>(y) + (0.5f - ry));
            EXPECT_TRUE(previous.first < x || (previous.first == x && previous.second <= y));
            previous = {x, y};
        }
    }
}

TEST(Foliage, TheGeneratorIsNeverReseeded)
{
    Placement p{gridMap(2, 2)};
    const std::vector<uint8_t> one = {0, 255, 255, 255};
    placeFoliageBytes(p.terrain, one, p.foliage, p.presets, p.random);
    placeFoliageBytes(p.terrain, one, p.foliage, p.presets, p.random);
    ASSERT_EQ(p.foliage.size(), 4u);
    // The second placement continues the sequence: outputs 5 to 8.
    RandomFraction replay;
    for (int i = 0; i < 4; ++i)
        replay.next();
    const float ry = replay();
    EXPECT_EQ(p.foliage[2].position.x, 0.5f - replay());
    EXPECT_EQ(p.foliage[2].position.y, 0.5f - ry);
}

// Bytes past the end of a short file place nothing; bytes past the grid are not kept.
TEST(Foliage, FilesOfTheWrongLength)
{
    Placement p{gridMap(4, 4)};
    const std::vector<uint8_t> bytes = {255, 0, 255, 255, 5}; // points (0..3, 0) and (0, 1)
    placeFoliageBytes(p.terrain, bytes, p.foliage, p.presets, p.random);
    ASSERT_EQ(p.foliage.size(), 4u);
    EXPECT_EQ(treePoint(p.foliage[0]), (std::pair{0, 1}));
    EXPECT_EQ(treePoint(p.foliage[2]), (std::pair{1, 0}));
    EXPECT_EQ(p.terrain.foliageMap, bytes);

    Placement none{gridMap(4, 4)};
    placeFoliageBytes(none.terrain, {}, none.foliage, none.presets, none.random);
    EXPECT_TRUE(none.foliage.empty());
    EXPECT_TRUE(none.terrain.foliageMap.empty());

    Placement longer{gridMap(2, 2)};
    placeFoliageBytes(longer.terrain, std::vector<uint8_t>{255, 255, 255, 255, 0, 0}, longer.foliage,
                      longer.presets, longer.random);
    EXPECT_TRUE(longer.foliage.empty());
    EXPECT_EQ(longer.terrain.foliageMap.size(), 4u);

    Placement noGrid;
    placeFoliageBytes(noGrid.terrain, std::vector<uint8_t>(16, 0), noGrid.foliage, noGrid.presets,
                      noGrid.random);
    EXPECT_TRUE(noGrid.foliage.empty());
}

TEST(Foliage, PlaceFoliageReadsTheFile)
{
    Placement p{gridMap(3, 2)};
    EXPECT_FALSE(PlaceFoliage(p.terrain, "/nonexistent/foliage.raw", p.foliage, p.presets, p.random));
    EXPECT_TRUE(p.foliage.empty());
    EXPECT_TRUE(p.terrain.foliageMap.empty());

    char path[] = "/tmp/foliage-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const uint8_t bytes[] = {255, 255, 7, 255, 31, 255, 0, 0}; // two bytes more than the grid
    ASSERT_EQ(write(fd, bytes, sizeof(bytes)), static_cast<ssize_t>(sizeof(bytes)));
    close(fd);
    EXPECT_TRUE(PlaceFoliage(p.terrain, path, p.foliage, p.presets, p.random));
    std::remove(path);
    ASSERT_EQ(p.foliage.size(), 4u);
    EXPECT_EQ(treePoint(p.foliage[0]), (std::pair{1, 1}));
    EXPECT_EQ(treePoint(p.foliage[2]), (std::pair{2, 0}));
    EXPECT_EQ(p.terrain.foliageMap, (std::vector<uint8_t>{255, 255, 7, 255, 31, 255}));
}

TEST(UnitLists, AddAppendsInOrderAndClearEmpties)
{
    UnitPresets presets;
    UnitList units;
    FoliageList foliage;
    AddUnit(units, presets, 1.0f, 2.0f, 3.0f, 0);
    AddUnit(units, presets, 4.0f, 5.0f, 6.0f, 9);
    AddFoliage(foliage, presets, 7.0f, 8.0f, 9.0f, 1);
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units[0].position, (Vec3{1.0f, 2.0f, 3.0f}));
    EXPECT_EQ(units[0].preset, &presets[0]);
    EXPECT_EQ(units[1].preset, &presets[9]);
    ASSERT_EQ(foliage.size(), 1u);
    EXPECT_EQ(foliage[0].preset, &presets[1]);
    // Out of the table: kept in the list but with no preset, so it never draws.
    AddUnit(units, presets, 0.0f, 0.0f, 0.0f, 10);
    AddFoliage(foliage, presets, 0.0f, 0.0f, 0.0f, -1);
    EXPECT_EQ(units[2].preset, nullptr);
    EXPECT_EQ(foliage[1].preset, nullptr);

    // Clearing empties both lists and leaves the presets alone; on empty lists it does nothing.
    presets[1].model.isStatic = true;
    for (int i = 0; i < 2; ++i) {
        ClearUnitLists(units, foliage);
        EXPECT_TRUE(units.empty());
        EXPECT_TRUE(foliage.empty());
    }
    EXPECT_TRUE(presets[1].model.isStatic);
}

TEST(UnitLists, ElementsKeepTheirAddressAsTheListsGrow)
{
    UnitPresets presets;
    UnitList units;
    FoliageList foliage;
    AddUnit(units, presets, 64.0f, 64.0f, 1.0f, 1);
    AddFoliage(foliage, presets, 1.0f, 1.0f, 1.0f, 1);
    Unit* cursor = &units.front();
    Unit* firstTree = &foliage.front();
    for (int i = 0; i < 100000; ++i) {
        AddUnit(units, presets, static_cast<float>(i), 0.0f, 0.0f, 0);
        AddFoliage(foliage, presets, static_cast<float>(i), 0.0f, 0.0f, 1);
    }
    EXPECT_EQ(&units.front(), cursor);
    EXPECT_EQ(&foliage.front(), firstTree);
    cursor->position = {5.0f, 6.0f, 7.0f};
    EXPECT_EQ(units[0].position, (Vec3{5.0f, 6.0f, 7.0f}));
    EXPECT_EQ(firstTree->position, (Vec3{1.0f, 1.0f, 1.0f}));
}

TEST(UnitPresetTable, RowsOfThePrograms)
{
    ASSERT_EQ(std::size(kVeldrunPresets), 2u);
    EXPECT_STREQ(kVeldrunPresets[0].name, "TANK");
    EXPECT_STREQ(kVeldrunPresets[0].modelFile, "tank/tank.md2");
    EXPECT_STREQ(kVeldrunPresets[0].skinFile, "tank/tank.tga");
    EXPECT_FALSE(kVeldrunPresets[0].isStatic);
    EXPECT_STREQ(kVeldrunPresets[1].name, "TREE1");
    EXPECT_STREQ(kVeldrunPresets[1].modelFile, "Tree/Tree_low.md2");
    EXPECT_STREQ(kVeldrunPresets[1].skinFile, "Tree/tree.tga");
    EXPECT_TRUE(kVeldrunPresets[1].isStatic);
}
