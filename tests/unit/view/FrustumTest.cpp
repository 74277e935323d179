#include "view/Frustum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

constexpr float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

void expectPlane(const Plane& p, float a, float b, float c, float d, const char* name)
{
    SCOPED_TRACE(name);
    EXPECT_NEAR(p.a, a, 1e-6f);
    EXPECT_NEAR(p.b, b, 1e-6f);
    EXPECT_NEAR(p.c, c, 1e-6f);
    EXPECT_NEAR(p.d, d, 1e-6f);
}

// The view volume of identity matrices: the open cube (-1, 1)^3.
Frustum cubeFrustum()
{
    Frustum f;
    f.planes = frustumPlanes(kIdentity, kIdentity);
    return f;
}

// gluPerspective(90, 1, 1, 10) written out by hand, identity modelview: the
// camera at the origin looking down -z.
Frustum perspectiveFrustum()
{
    const float projection[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -11.0f / 9.0f, -1, 0, 0, -20.0f / 9.0f, 0};
    Frustum f;
    f.planes = frustumPlanes(projection, kIdentity);
    return f;
}

// Every corner against every plane, no early exits.
BoxClass referenceClass(const Frustum& f, float x1, float y1, float z1, float x2, float y2, float z2)
{
    bool allInside = true;
    for (const Plane& p : f.planes) {
        int count = 0;
        for (int corner = 0; corner < 8; ++corner) {
            const float x = (corner & 1) ? x2 : x1;
            const float y = (corner & 2) ? y2 : y1;
            const float z = (corner & 4) ? z2 : z1;
            if (p.a * x + p.b * y + p.c * z + p.d > 0.0f) ++count;
        }
        if (count == 0) return BoxClass::Outside;
        if (count != 8) allInside = false;
    }
    return allInside ? BoxClass::Inside : BoxClass::Intersect;
}

} // namespace

TEST(Frustum, BoxClassValuesAreFixed)
{
    EXPECT_EQ(static_cast<int>(BoxClass::Outside), -1);
    EXPECT_EQ(static_cast<int>(BoxClass::Inside), 0);
    EXPECT_EQ(static_cast<int>(BoxClass::Intersect), 1);
}

TEST(Frustum, IdentityMatricesGiveTheUnitCubeInPlaneOrder)
{
    const auto planes = frustumPlanes(kIdentity, kIdentity);
    expectPlane(planes[0], -1, 0, 0, 1, "right");
    expectPlane(planes[1], 1, 0, 0, 1, "left");
    expectPlane(planes[2], 0, 1, 0, 1, "bottom");
    expectPlane(planes[3], 0, -1, 0, 1, "top");
    expectPlane(planes[4], 0, 0, -1, 1, "far");
    expectPlane(planes[5], 0, 0, 1, 1, "near");
}

TEST(Frustum, OrthoTimesTranslation)
{
    // glOrtho(-2, 2, -1, 1, 1, 5) and a modelview translating by (10, 0, 0):
    // world x in (-12, -8), y in (-1, 1), z in (-5, -1).
    const float projection[16] = {0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, -0.5f, 0, 0, 0, -1.5f, 1};
    const float modelview[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 0, 0, 1};
    const auto planes = frustumPlanes(projection, modelview);
    expectPlane(planes[0], -1, 0, 0, -8, "right");
    expectPlane(planes[1], 1, 0, 0, 12, "left");
    expectPlane(planes[2], 0, 1, 0, 1, "bottom");
    expectPlane(planes[3], 0, -1, 0, 1, "top");
    expectPlane(planes[4], 0, 0, 1, 5, "far");
    expectPlane(planes[5], 0, 0, -1, -1, "near");
}

TEST(Frustum, RotatedModelviewTurnsThePlanes)
{
    // Modelview turning the world a quarter turn about z: eye x = -world y, eye y = world x.
    const float modelview[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const auto planes = frustumPlanes(kIdentity, modelview);
    expectPlane(planes[0], 0, 1, 0, 1, "right");
    expectPlane(planes[1], 0, -1, 0, 1, "left");
    expectPlane(planes[2], 1, 0, 0, 1, "bottom");
    expectPlane(planes[3], -1, 0, 0, 1, "top");
}

TEST(Frustum, PerspectivePlanesAreNormalised)
{
    const Frustum f = perspectiveFrustum();
    const float h = float(1.0 / std::sqrt(2.0));
    expectPlane(f.planes[0], -h, 0, -h, 0, "right");
    expectPlane(f.planes[1], h, 0, -h, 0, "left");
    expectPlane(f.planes[2], 0, h, -h, 0, "bottom");
    expectPlane(f.planes[3], 0, -h, -h, 0, "top");
    expectPlane(f.planes[4], 0, 0, 1, 10, "far");
    expectPlane(f.planes[5], 0, 0, -1, -1, "near");
}

TEST(Frustum, PointOnAPlaneIsOutside)
{
    const Frustum f = cubeFrustum();
    EXPECT_EQ(f.classifyBox(1, 0, 0, 1, 0, 0), BoxClass::Outside);
    EXPECT_FALSE(f.boxVisible(1, 0, 0, 1, 0, 0));
    EXPECT_EQ(f.classifyBox(0, 0, -1, 0, 0, -1), BoxClass::Outside);
    EXPECT_EQ(f.classifyBox(0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f), BoxClass::Inside);
    EXPECT_TRUE(f.boxVisible(0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f));
}

TEST(Frustum, PointBoxIsNeverIntersect)
{
    const Frustum f = perspectiveFrustum();
    std::mt19937 random(77u);
    std::uniform_real_distribution<float> coordinate(-12.0f, 12.0f);
    int inside = 0;
    for (int i = 0; i < 20000; ++i) {
        const float x = coordinate(random), y = coordinate(random), z = coordinate(random);
        const BoxClass c = f.classifyBox(x, y, z, x, y, z);
        ASSERT_NE(c, BoxClass::Intersect) << x << " " << y << " " << z;
        if (c == BoxClass::Inside) ++inside;
    }
    EXPECT_GT(inside, 100); // both outcomes were exercised
}

TEST(Frustum, BoxEnclosingTheViewVolumeIsIntersect)
{
    EXPECT_EQ(cubeFrustum().classifyBox(-2, -2, -2, 2, 2, 2), BoxClass::Intersect);
    EXPECT_EQ(perspectiveFrustum().classifyBox(-20, -20, -20, 20, 20, 20), BoxClass::Intersect);
    EXPECT_TRUE(perspectiveFrustum().boxVisible(-20, -20, -20, 20, 20, 20));
}

TEST(Frustum, StraddlingEarlierPlanesButBeyondFarIsOutside)
{
    const Frustum f = perspectiveFrustum();
    // Crosses the right and left planes (count between 1 and 7 on the first plane),
    // then the far plane rejects it.
    EXPECT_EQ(f.classifyBox(-30, -1, -15, 30, 1, -11), BoxClass::Outside);
    EXPECT_FALSE(f.boxVisible(-30, -1, -15, 30, 1, -11));
    // Reaches from behind the near plane to beyond the far plane: it crosses both.
    EXPECT_EQ(f.classifyBox(-1, -1, -15, 1, 1, 0), BoxClass::Intersect);
    // Crosses the near plane and lies wholly beyond the top plane.
    EXPECT_EQ(f.classifyBox(-0.5f, 5, -3, 0.5f, 6, 0), BoxClass::Outside);
}

TEST(Frustum, BoxNearAnEdgeCountsAsVisible)
{
    // Beyond the edge where the right plane (x < -z) meets the far plane (z > -10):
    // no point of the box is inside (z > -10 needs x < 10), yet the right plane has
    // the corner (10.5, y, -12) in front and the far plane the corners at z = -9.5.
    const Frustum f = perspectiveFrustum();
    EXPECT_EQ(f.classifyBox(10.5f, -0.1f, -12, 12, 0.1f, -9.5f), BoxClass::Intersect);
    EXPECT_TRUE(f.boxVisible(10.5f, -0.1f, -12, 12, 0.1f, -9.5f));
    // Moved a little further out, the right plane alone rejects it.
    EXPECT_EQ(f.classifyBox(12.5f, -0.1f, -12, 14, 0.1f, -9.5f), BoxClass::Outside);
}

TEST(Frustum, TouchingAPlaneFromInsideIsIntersect)
{
    const Frustum f = cubeFrustum();
    EXPECT_EQ(f.classifyBox(0, 0, 0, 1, 0.5f, 0.5f), BoxClass::Intersect);
    EXPECT_EQ(f.classifyBox(-0.5f, -1, -0.5f, 0.5f, 0.5f, 0.5f), BoxClass::Intersect);
    EXPECT_EQ(f.classifyBox(-0.999f, -0.999f, -0.999f, 0.999f, 0.999f, 0.999f), BoxClass::Inside);
}

TEST(Frustum, CornerOrderDoesNotMatter)
{
    const Frustum f = perspectiveFrustum();
    EXPECT_EQ(f.classifyBox(1, 1, -5, -1, -1, -3), BoxClass::Inside);
    EXPECT_EQ(f.classifyBox(3, 1, -5, -1, -1, -3), BoxClass::Intersect);
}

TEST(Frustum, RandomBoxesAgreeWithTheReferenceAndBoxVisible)
{
    std::mt19937 random(424242u);
    std::uniform_real_distribution<float> coordinate(-14.0f, 14.0f);
    std::uniform_int_distribution<int> grid(-3, 3);
    const Frustum frustums[2] = {cubeFrustum(), perspectiveFrustum()};
    int counts[3] = {};
    for (const Frustum& f : frustums) {
        for (int i = 0; i < 50000; ++i) {
            float v[6];
            const bool snapped = i % 4 == 0; // whole numbers land exactly on cube planes
            for (float& c : v)
                c = snapped ? float(grid(random)) : coordinate(random) * (i % 2 ? 1.0f : 0.15f);
            const BoxClass expected = referenceClass(f, v[0], v[1], v[2], v[3], v[4], v[5]);
            const BoxClass actual = f.classifyBox(v[0], v[1], v[2], v[3], v[4], v[5]);
            ASSERT_EQ(actual, expected) << i;
            ASSERT_EQ(f.boxVisible(v[0], v[1], v[2], v[3], v[4], v[5]), actual != BoxClass::Outside) << i;
            ++counts[static_cast<int>(actual) + 1];
        }
    }
    EXPECT_GT(counts[0], 1000);
    EXPECT_GT(counts[1], 300);
    EXPECT_GT(counts[2], 1000);
}
