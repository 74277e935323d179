#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "TestSupport.h"
#include "models/Md2Normals.h"
#include "tools/data/Md2Writer.h"
#include "tools/data/Random.h"

using namespace datagen;

namespace {

int32_t i32(const std::vector<uint8_t>& b, size_t o)
{
    return static_cast<int32_t>(b[o] | b[o + 1] << 8 | b[o + 2] << 16 |
                                static_cast<uint32_t>(b[o + 3]) << 24);
}
float f32(const std::vector<uint8_t>& b, size_t o)
{
    const auto u = static_cast<uint32_t>(i32(b, o));
    float f = 0;
    std::memcpy(&f, &u, 4);
    return f;
}

Md2Mesh oneTriangle()
{
    Md2Mesh m;
    m.skinWidth = 8;
    m.skinHeight = 16;
    m.skinName = "skin.tga";
    m.texCoords = {{0, 0}, {4, 8}};
    Md2Triangle t;
    t.vertex = {0, 1, 2};
    t.texCoord = {0, 1, 0};
    m.triangles = {t};
    m.frames = {{"rest", {{0, 0, 0}, {2, 0, 0}, {0, 1, 0}}}, {"big", {{0, 0, 0}, {4, 0, 0}, {0, 2, 0}}}};
    return m;
}

} // namespace

TEST(Md2Writer, HandWorkedHeaderAndBlocks)
{
    const std::vector<uint8_t> f = encodeMd2(oneTriangle());
    ASSERT_EQ(f.size(), 300u);
    EXPECT_EQ(std::memcmp(f.data(), "IDP2", 4), 0);
    const int32_t expected[16] = {8, 8, 16, 52, 1, 3, 2, 1, 11, 2, 68, 132, 140, 152, 256, 300};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(i32(f, 4 + 4 * static_cast<size_t>(i)), expected[i]) << "header field " << i + 1;
    EXPECT_STREQ(reinterpret_cast<const char*>(f.data() + 68), "skin.tga");
    // Texture coordinates (0, 0), (4, 8); triangle 0 1 2 / 0 1 0.
    EXPECT_EQ(std::vector<uint8_t>(f.begin() + 132, f.begin() + 152),
              (std::vector<uint8_t>{0, 0, 0, 0, 4, 0, 8, 0, 0, 0, 1, 0, 2, 0, 0, 0, 1, 0, 0, 0}));
    // Frame 0: scale (2/255, 1/255, 1) for an extent of (2, 1, 0), translate 0.
    EXPECT_FLOAT_EQ(f32(f, 152), 2.0f / 255.0f);
    EXPECT_FLOAT_EQ(f32(f, 156), 1.0f / 255.0f);
    EXPECT_FLOAT_EQ(f32(f, 160), 1.0f);
    EXPECT_FLOAT_EQ(f32(f, 164), 0.0f);
    EXPECT_STREQ(reinterpret_cast<const char*>(f.data() + 176), "rest");
    // Vertices: bytes then normal index 5, the table's (0, 0, 1): the triangle faces +z.
    EXPECT_EQ(std::vector<uint8_t>(f.begin() + 192, f.begin() + 204),
              (std::vector<uint8_t>{0, 0, 0, 5, 255, 0, 0, 5, 0, 255, 0, 5}));
    EXPECT_FLOAT_EQ(f32(f, 204), 4.0f / 255.0f);
    // GL commands: one strip of three, (s/w, t/h, vertex) each, then 0.
    EXPECT_EQ(i32(f, 256), 3);
    EXPECT_FLOAT_EQ(f32(f, 260 + 12), 0.5f);
    EXPECT_FLOAT_EQ(f32(f, 264 + 12), 0.5f);
    EXPECT_EQ(i32(f, 268 + 12), 1);
    EXPECT_EQ(i32(f, 296), 0);

    testing_support::Md2Facts facts;
    std::string problem;
    EXPECT_TRUE(testing_support::checkMd2(f, facts, problem)) << problem;
}

TEST(Md2Writer, RefusesMeshesBeyondTheFormat)
{
    const std::function<void(Md2Mesh&)> faults[] = {
        [](Md2Mesh& m) { m.frames.clear(); },
        [](Md2Mesh& m) { m.frames[1].positions.pop_back(); }, // frames of different sizes
        [](Md2Mesh& m) { m.triangles[0].vertex[2] = 3; },
        [](Md2Mesh& m) { m.triangles[0].texCoord[1] = 2; },
        [](Md2Mesh& m) { m.frames[0].positions.resize(2049), m.frames[1].positions.resize(2049); },
        [](Md2Mesh& m) { m.skinWidth = 0; },
    };
    for (size_t i = 0; i < std::size(faults); ++i) {
        Md2Mesh m = oneTriangle();
        faults[i](m);
        EXPECT_TRUE(encodeMd2(m).empty()) << "fault " << i;
    }
}

TEST(Md2Writer, NearestNormalOfEveryTableRowIsThatRow)
{
    for (int i = 0; i < kMd2NormalCount; ++i)
        EXPECT_EQ(nearestNormalIndex({kMd2Normals[i][0], kMd2Normals[i][1], kMd2Normals[i][2]}), i);
    EXPECT_EQ(nearestNormalIndex({0, 0, 1}), 5);
    // A slightly tilted up vector still picks straight up.
    EXPECT_EQ(nearestNormalIndex(unit3({0.02f, -0.01f, 1.0f})), 5);
}

TEST(Md2Writer, NearestNormalIsTheBestOfTheTableForRandomDirections)
{
    Random r(8);
    for (int k = 0; k < 500; ++k) {
        const Point3 n = unit3({static_cast<float>(r.range(-1, 1)), static_cast<float>(r.range(-1, 1)),
                                static_cast<float>(r.range(-1, 1))});
        const int i = nearestNormalIndex(n);
        const float chosen = n.x * kMd2Normals[i][0] + n.y * kMd2Normals[i][1] + n.z * kMd2Normals[i][2];
        for (int j = 0; j < kMd2NormalCount; ++j)
            EXPECT_GE(chosen, n.x * kMd2Normals[j][0] + n.y * kMd2Normals[j][1] + n.z * kMd2Normals[j][2]);
        // The 162 normals cover the sphere with gaps well under 18 degrees.
        EXPECT_GT(chosen, 0.95f);
    }
}

TEST(Md2Writer, SmoothedNormalAveragesTheFacesAround)
{
    // The corner at the origin of three faces of a cube, each facing outwards (negative axes).
    const std::vector<Point3> p = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {5, 5, 5}};
    std::vector<Md2Triangle> t(3);
    t[0].vertex = {0, 2, 1}; // z = 0 face, normal -z
    t[1].vertex = {0, 1, 3}; // y = 0 face, normal -y
    t[2].vertex = {0, 3, 2}; // x = 0 face, normal -x
    const std::vector<Point3> n = smoothedNormals(p, t);
    const float k = -1.0f / std::sqrt(3.0f);
    EXPECT_NEAR(n[0].x, k, 1e-6f);
    EXPECT_NEAR(n[0].y, k, 1e-6f);
    EXPECT_NEAR(n[0].z, k, 1e-6f);
    // Vertex 1 lies on the z = 0 and y = 0 faces only.
    EXPECT_NEAR(n[1].x, 0.0f, 1e-6f);
    EXPECT_NEAR(n[1].y, -std::sqrt(0.5f), 1e-6f);
    // An unused vertex gets straight up.
    EXPECT_EQ(n[4].z, 1.0f);
}

TEST(Md2Writer, PackedPositionsDecodeWithinHalfAStep)
{
    Random r(21);
    for (int trial = 0; trial < 20; ++trial) {
        Md2Mesh m = oneTriangle();
        m.frames.resize(1);
        std::vector<Point3>& pos = m.frames[0].positions;
        pos.clear();
        for (int i = 0; i < 60; ++i)
            pos.push_back({static_cast<float>(r.range(-3, 5)), static_cast<float>(r.range(-1, 1)),
                           static_cast<float>(r.range(0, 4))});
        const FramePacking k = choosePacking(pos);
        testing_support::Md2Facts facts;
        std::string problem;
        ASSERT_TRUE(testing_support::checkMd2(encodeMd2(m), facts, problem)) << problem;
        for (size_t i = 0; i < pos.size(); ++i) {
            EXPECT_LE(std::fabs(facts.frames[0][i][0] - pos[i].x), 0.5f * k.scale.x + 1e-5f);
            EXPECT_LE(std::fabs(facts.frames[0][i][1] - pos[i].y), 0.5f * k.scale.y + 1e-5f);
            EXPECT_LE(std::fabs(facts.frames[0][i][2] - pos[i].z), 0.5f * k.scale.z + 1e-5f);
        }
    }
}

TEST(Md2Writer, PackingRoundsToTheNearestByte)
{
    const FramePacking k = choosePacking({{0, 0, 0}, {2, 0, 0}});
    EXPECT_EQ(packPosition({1.005f, 0, 0}, k)[0], 128); // 128.14
    EXPECT_EQ(packPosition({0.995f, 0, 0}, k)[0], 127); // 126.86
    EXPECT_EQ(packPosition({2.0f, 0, 0}, k)[0], 255);
    EXPECT_EQ(packPosition({9.0f, 0, 0}, k)[0], 255); // clamped
    EXPECT_EQ(packPosition({-1.0f, 0, 0}, k)[0], 0);
}
