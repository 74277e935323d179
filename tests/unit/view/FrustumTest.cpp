#include "view/Frustum.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <string>

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

TEST(Frustum, HandWorkedPlanesInTheirOrder)
{
    // Order: right, left, bottom, top, far, near.
    const float h = float(1.0 / std::sqrt(2.0));
    // glOrtho(-2, 2, -1, 1, 1, 5) and a modelview translating by (10, 0, 0):
    // world x in (-12, -8), y in (-1, 1), z in (-5, -1).
    const float ortho[16] = {0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, -0.5f, 0, 0, 0, -1.5f, 1};
    const float translate[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 0, 0, 1};
    // A quarter turn about z: eye x = -world y, eye y = world x.
    const float turn[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    struct Case {
        const char* name;
        std::array<Plane, 6> planes;
        float expected[6][4];
    };
    const Case cases[] = {
        {"identity",
         frustumPlanes(kIdentity, kIdentity),
         {{-1, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}, {0, -1, 0, 1}, {0, 0, -1, 1}, {0, 0, 1, 1}}},
        {"ortho",
         frustumPlanes(ortho, translate),
         {{-1, 0, 0, -8}, {1, 0, 0, 12}, {0, 1, 0, 1}, {0, -1, 0, 1}, {0, 0, 1, 5}, {0, 0, -1, -1}}},
        {"turned",
         frustumPlanes(kIdentity, turn),
         {{0, 1, 0, 1}, {0, -1, 0, 1}, {1, 0, 0, 1}, {-1, 0, 0, 1}, {0, 0, -1, 1}, {0, 0, 1, 1}}},
        // Normalised: the side planes of a 90 degree perspective are 45 degrees off.
        {"perspective",
         perspectiveFrustum().planes,
         {{-h, 0, -h, 0}, {h, 0, -h, 0}, {0, h, -h, 0}, {0, -h, -h, 0}, {0, 0, 1, 10}, {0, 0, -1, -1}}},
    };
    for (const Case& c : cases)
        for (int i = 0; i < 6; ++i)
            expectPlane(c.planes[static_cast<size_t>(i)], c.expected[i][0], c.expected[i][1],
                        c.expected[i][2], c.expected[i][3],
                        (std::string(c.name) + " plane " + std::to_string(i)).c_str());
}

TEST(Frustum, HandWorkedBoxes)
{
    struct Case {
        bool perspective;
        float box[6];
        BoxClass expected;
        const char* why;
    };
    const Case cases[] = {
        {false, {1, 0, 0, 1, 0, 0}, BoxClass::Outside, "point on a plane"},
        {false, {0, 0, -1, 0, 0, -1}, BoxClass::Outside, "point on the far plane"},
        {false, {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f}, BoxClass::Inside, "point inside"},
        {false, {-2, -2, -2, 2, 2, 2}, BoxClass::Intersect, "enclosing the volume"},
        {true, {-20, -20, -20, 20, 20, 20}, BoxClass::Intersect, "enclosing the volume"},
        {false, {0, 0, 0, 1, 0.5f, 0.5f}, BoxClass::Intersect, "touching a plane from inside"},
        {false, {-0.5f, -1, -0.5f, 0.5f, 0.5f, 0.5f}, BoxClass::Intersect, "touching a plane from inside"},
        {false, {-0.999f, -0.999f, -0.999f, 0.999f, 0.999f, 0.999f}, BoxClass::Inside, "just inside"},
        // Crosses the right and left planes, then the far plane rejects it.
        {true, {-30, -1, -15, 30, 1, -11}, BoxClass::Outside, "straddling, beyond far"},
        {true, {-1, -1, -15, 1, 1, 0}, BoxClass::Intersect, "from behind near to beyond far"},
        {true, {-0.5f, 5, -3, 0.5f, 6, 0}, BoxClass::Outside, "crossing near, beyond top"},
        // Beyond the edge where the right plane (x < -z) meets the far plane (z > -10):
        // no point of the box is inside, yet each plane has a corner in front of it.
        {true, {10.5f, -0.1f, -12, 12, 0.1f, -9.5f}, BoxClass::Intersect, "near an edge"},
        {true, {12.5f, -0.1f, -12, 14, 0.1f, -9.5f}, BoxClass::Outside, "further out"},
        {true, {1, 1, -5, -1, -1, -3}, BoxClass::Inside, "corners swapped"},
        {true, {3, 1, -5, -1, -1, -3}, BoxClass::Intersect, "corners swapped"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const Frustum f = c.perspective ? perspectiveFrustum() : cubeFrustum();
        const float* b = c.box;
        EXPECT_EQ(f.classifyBox(b[0], b[1], b[2], b[3], b[4], b[5]), c.expected);
        EXPECT_EQ(f.boxVisible(b[0], b[1], b[2], b[3], b[4], b[5]), c.expected != BoxClass::Outside);
    }
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
        inside += c == BoxClass::Inside;
    }
    EXPECT_GT(inside, 100); // both outcomes were exercised
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
