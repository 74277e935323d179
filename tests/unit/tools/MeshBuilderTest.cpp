#include <gtest/gtest.h>

#include <cmath>

#include "tools/data/MeshBuilder.h"

using namespace datagen;

namespace {

constexpr float kPi = 3.14159265358979f;

Md2Mesh finish(const MeshBuilder& b)
{
    return b.finish(64, 64, "s.tga", {"f"}, [](int, int, Point3 p) { return p; });
}

// Signed volume by the divergence theorem: positive when every triangle winds
// counter-clockwise seen from outside and the surface is closed.
double signedVolume(const Md2Mesh& m)
{
    double v = 0;
    const auto& p = m.frames[0].positions;
    for (const Md2Triangle& t : m.triangles) {
        const Point3 a = p[t.vertex[0]], b = p[t.vertex[1]], c = p[t.vertex[2]];
        v += dot3(a, cross3(b, c)) / 6.0;
    }
    return v;
}

// Sum of the area vectors of all triangles: zero for a closed surface.
Point3 areaSum(const Md2Mesh& m)
{
    Point3 s;
    const auto& p = m.frames[0].positions;
    for (const Md2Triangle& t : m.triangles)
        s = s + cross3(p[t.vertex[1]] - p[t.vertex[0]], p[t.vertex[2]] - p[t.vertex[0]]);
    return s;
}

// Every face of a convex solid faces away from an inside point.
void expectOutward(const Md2Mesh& m, Point3 inside)
{
    const auto& p = m.frames[0].positions;
    for (const Md2Triangle& t : m.triangles) {
        const Point3 a = p[t.vertex[0]], b = p[t.vertex[1]], c = p[t.vertex[2]];
        const Point3 n = cross3(b - a, c - a);
        const Point3 centre = (a + b + c) * (1.0f / 3.0f);
        EXPECT_GT(dot3(n, centre - inside), 0.0f);
    }
}

void expectTexCoordsWithin(const Md2Mesh& m, SkinRect r)
{
    for (const Md2TexCoord& st : m.texCoords) {
        EXPECT_GE(st.s, std::floor(r.x));
        EXPECT_LE(st.s, std::ceil(r.x + r.w));
        EXPECT_GE(st.t, std::floor(r.y));
        EXPECT_LE(st.t, std::ceil(r.y + r.h));
    }
}

} // namespace

TEST(MeshBuilder, ClosedBoxHasItsVolumeAndOutwardFaces)
{
    MeshBuilder b;
    addBox(b, {1, 2, 3}, {2, 4, 6}, {0, 0, 16, 16}, {16, 0, 16, 16}, true);
    const Md2Mesh m = finish(b);
    EXPECT_EQ(m.triangles.size(), 12u);
    EXPECT_EQ(m.frames[0].positions.size(), 24u); // own vertices per face keep the faces flat
    EXPECT_NEAR(signedVolume(m), 6.0, 1e-5);
    const Point3 s = areaSum(m);
    EXPECT_NEAR(length3(s), 0.0f, 1e-5f);
    expectOutward(m, {1.5f, 3, 4.5f});
    expectTexCoordsWithin(m, {0, 0, 32, 16});
}

TEST(MeshBuilder, OpenBoxLeavesOutTheBottom)
{
    MeshBuilder b;
    addBox(b, {0, 0, 0}, {1, 1, 1}, {0, 0, 8, 8}, {0, 8, 8, 8}, false);
    const Md2Mesh m = finish(b);
    EXPECT_EQ(m.triangles.size(), 10u);
    // The missing bottom (area 1, facing down) leaves an area sum of +1 in z.
    const Point3 s = areaSum(m);
    EXPECT_NEAR(s.z * 0.5f, 1.0f, 1e-5f);
}

TEST(MeshBuilder, BoxSidesShowUpAtTheTopOfTheirRectangle)
{
    MeshBuilder b;
    addBox(b, {0, 0, 0}, {1, 1, 2}, {0, 0, 10, 10}, {0, 20, 10, 10}, false);
    const Md2Mesh m = finish(b);
    // For side triangles, the higher corner never has the larger t (t runs down the picture).
    const auto& p = m.frames[0].positions;
    for (const Md2Triangle& t : m.triangles)
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                const auto& a = m.texCoords[t.texCoord[static_cast<size_t>(i)]];
                const auto& c = m.texCoords[t.texCoord[static_cast<size_t>(j)]];
                if (a.t < 20) continue; // the top face
                if (p[t.vertex[static_cast<size_t>(i)]].z > p[t.vertex[static_cast<size_t>(j)]].z) {
                    EXPECT_LT(a.t, c.t);
                }
            }
}

TEST(MeshBuilder, PrismHasTheProfileAreaTimesItsLength)
{
    MeshBuilder b;
    // A right trapezoid in x-z, counter-clockwise: area (4 + 2) / 2 × 1 = 3.
    addPrismY(b, {{0, 0}, {4, 0}, {2, 1}, {0, 1}}, -1.0f, 1.5f, {0, 0, 16, 32}, {16, 0, 16, 16});
    const Md2Mesh m = finish(b);
    EXPECT_EQ(m.triangles.size(), 4u * 2u + 2u * 2u);
    EXPECT_NEAR(signedVolume(m), 3.0 * 2.5, 1e-4);
    EXPECT_NEAR(length3(areaSum(m)), 0.0f, 1e-4f);
    expectOutward(m, {1.5f, 0.25f, 0.5f});
    expectTexCoordsWithin(m, {0, 0, 32, 32});
}

TEST(MeshBuilder, CylinderAndConeVolumes)
{
    for (int sides : {3, 6, 8, 12}) {
        MeshBuilder b;
        addFrustum(b, {0, 0, 0}, {0, 0, 2}, 1.0f, 1.0f, sides, {0, 0, 32, 32}, true, true, {32, 0, 32, 32});
        const Md2Mesh m = finish(b);
        const double polygon = 0.5 * sides * std::sin(2 * kPi / sides);
        EXPECT_NEAR(signedVolume(m), polygon * 2.0, 1e-4) << sides;
        EXPECT_NEAR(length3(areaSum(m)), 0.0f, 1e-4f);
        expectOutward(m, {0, 0, 1});
        EXPECT_EQ(m.triangles.size(), static_cast<size_t>(4 * sides));

        MeshBuilder c;
        addFrustum(c, {1, 1, 1}, {1, 1, 4}, 0.5f, 0.0f, sides, {0, 0, 32, 32}, true, false, {32, 0, 32, 32});
        const Md2Mesh cone = finish(c);
        EXPECT_NEAR(signedVolume(cone), polygon * 0.25 * 3.0 / 3.0, 1e-4) << sides;
        expectOutward(cone, {1, 1, 1.5f});
        EXPECT_EQ(cone.triangles.size(), static_cast<size_t>(2 * sides));
    }
}

TEST(MeshBuilder, FrustumAlongAnyAxisIsOutwardFacing)
{
    for (Point3 axis : {Point3{1, 0, 0}, Point3{0, -1, 0}, Point3{0.3f, 0.5f, 0.8f}}) {
        MeshBuilder b;
        const Point3 base{2, -1, 3};
        addFrustum(b, base, base + axis * 2.0f, 0.4f, 0.25f, 8, {0, 0, 8, 8}, true, true, {8, 0, 8, 8});
        const Md2Mesh m = finish(b);
        expectOutward(m, base + axis * 1.0f);
        EXPECT_GT(signedVolume(m), 0.0);
    }
}

TEST(MeshBuilder, PartsFollowThePoseInEveryFrame)
{
    MeshBuilder b;
    addBox(b, {0, 0, 0}, {1, 1, 1}, {0, 0, 8, 8}, {0, 8, 8, 8}, false);
    b.setPart(1);
    addBox(b, {0, 0, 1}, {1, 1, 2}, {0, 0, 8, 8}, {0, 8, 8, 8}, false);
    const Md2Mesh m = b.finish(16, 16, "s.tga", {"a", "b", "c"}, [](int frame, int part, Point3 p) {
        return part == 1 ? p + Point3{static_cast<float>(frame), 0, 0} : p;
    });
    ASSERT_EQ(m.frames.size(), 3u);
    for (size_t v = 0; v < m.frames[0].positions.size(); ++v) {
        const float shift = m.frames[2].positions[v].x - m.frames[0].positions[v].x;
        EXPECT_EQ(shift, v < 20 ? 0.0f : 2.0f);
    }
}
