#include "terrain/TerrainCursor.h"

#include <gtest/gtest.h>

namespace {

constexpr double kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

} // namespace

TEST(UnprojectWindowPoint, IdentityMatricesMapWindowToNdc)
{
    const int viewport[4] = {0, 0, 100, 100};
    // ndc = 2 * (win - origin) / size - 1; z = 2 * depth - 1.
    Vec3 p = unprojectWindowPoint(75, 25, 1.0, kIdentity, kIdentity, viewport);
    EXPECT_NEAR(p.x, 0.5f, 1e-6f);
    EXPECT_NEAR(p.y, -0.5f, 1e-6f);
    EXPECT_NEAR(p.z, 1.0f, 1e-6f);
    p = unprojectWindowPoint(50, 50, 0.5, kIdentity, kIdentity, viewport);
    EXPECT_NEAR(p.x, 0.0f, 1e-6f);
    EXPECT_NEAR(p.y, 0.0f, 1e-6f);
    EXPECT_NEAR(p.z, 0.0f, 1e-6f);
}

TEST(UnprojectWindowPoint, ViewportOffsetAndTranslation)
{
    const int viewport[4] = {10, 20, 200, 100};
    // Modelview translates by (3, -2, 0): world = ndc - translation.
    const double modelview[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 3, -2, 0, 1};
    const Vec3 p = unprojectWindowPoint(60, 45, 0.25, modelview, kIdentity, viewport);
    EXPECT_NEAR(p.x, -0.5f - 3.0f, 1e-6f); // 2 * 50 / 200 - 1
    EXPECT_NEAR(p.y, -0.5f + 2.0f, 1e-6f); // 2 * 25 / 100 - 1
    EXPECT_NEAR(p.z, -0.5f, 1e-6f);
}

TEST(UnprojectWindowPoint, SingularMatricesGiveTheOrigin)
{
    const int viewport[4] = {0, 0, 100, 100};
    const double zero[16] = {};
    const Vec3 p = unprojectWindowPoint(75, 25, 0.5, zero, kIdentity, viewport);
    EXPECT_EQ(p, (Vec3{0.0f, 0.0f, 0.0f}));
}
