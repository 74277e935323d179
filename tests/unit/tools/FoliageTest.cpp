#include <gtest/gtest.h>

#include <cmath>

#include "tools/data/Foliage.h"

using namespace datagen;

namespace {

// A round hill of radius 50 on a flat plain: 200 bytes high, its slope
// falling from 1 world unit per step at the top to 0 at the foot.
Grid hill()
{
    Grid g(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const float d = std::hypot(static_cast<float>(x - 64), static_cast<float>(y - 64));
            const float k = std::fmax(0.0f, 1.0f - d / 50.0f);
            g.at(x, y) = 200.0f * k * k;
        }
    return g;
}

} // namespace

TEST(Foliage, CountsBytesBelow32)
{
    EXPECT_EQ(countTreePoints({0, 31, 32, 255, 5}), 3);
    EXPECT_EQ(countTreePoints({}), 0);
}

TEST(Foliage, HillGetsTheTargetNumberOfTreesOnItsFlanks)
{
    FoliageParams p;
    p.seed = 3;
    const Grid h = hill();
    const std::vector<uint8_t> map = makeFoliageMap(h, p);
    ASSERT_EQ(map.size(), 16384u);
    EXPECT_EQ(countTreePoints(map), p.targetPoints);
    // No trees on the flat plain nor on the steep top.
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const float d = std::hypot(static_cast<float>(x - 64), static_cast<float>(y - 64));
            if (d > 54.0f || d < 3.0f) {
                EXPECT_GE(map[static_cast<size_t>(x + 128 * y)], 32) << x << "," << y;
            }
        }
    EXPECT_EQ(makeFoliageMap(h, p), map); // deterministic
    p.seed = 4;
    EXPECT_NE(makeFoliageMap(h, p), map);
}

TEST(Foliage, FlatLandStillGetsTheMinimumOfTrees)
{
    FoliageParams p;
    const std::vector<uint8_t> map = makeFoliageMap(Grid(128, 128, 90.0f), p);
    EXPECT_EQ(countTreePoints(map), p.minPoints);
}

TEST(Foliage, NeverMoreThanTheMaximum)
{
    FoliageParams p;
    p.targetPoints = 5000;
    EXPECT_EQ(countTreePoints(makeFoliageMap(hill(), p)), p.maxPoints);
}
