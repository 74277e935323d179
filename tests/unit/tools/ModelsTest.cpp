#include <gtest/gtest.h>

#include <cmath>

#include "TestSupport.h"
#include "models/Md2Normals.h"
#include "tools/data/Canvas.h"
#include "tools/data/SkinLayout.h"
#include "tools/data/TankModel.h"
#include "tools/data/TgaWriter.h"
#include "tools/data/TreeModel.h"

using namespace datagen;

namespace {

struct Box {
    float lo[3] = {1e9f, 1e9f, 1e9f};
    float hi[3] = {-1e9f, -1e9f, -1e9f};
};
Box bounds(const std::vector<std::array<float, 3>>& pos)
{
    Box b;
    for (const auto& p : pos)
        for (int k = 0; k < 3; ++k) {
            b.lo[k] = std::fmin(b.lo[k], p[static_cast<size_t>(k)]);
            b.hi[k] = std::fmax(b.hi[k], p[static_cast<size_t>(k)]);
        }
    return b;
}

testing_support::Md2Facts parse(const Md2Mesh& mesh)
{
    testing_support::Md2Facts f;
    std::string problem;
    EXPECT_TRUE(testing_support::checkMd2(encodeMd2(mesh), f, problem)) << problem;
    return f;
}

// The texel that the drawing samples for a corner: the loader makes
// (u, v) = (s / w, 1 - t / h), the drawing sends (u, -v), repeat wrapping
// brings it into [0, 1), and texture row k is the k-th row stored in the TGA
// file. Returns (column, file row).
std::pair<int, int> sampledTexel(int s, int t, int w, int h)
{
    const double u = static_cast<double>(s) / w;
    const double v = 1.0 - static_cast<double>(t) / h;
    double glS = u - std::floor(u);
    double glT = -v - std::floor(-v);
    return {static_cast<int>(std::floor(glS * w + 1e-9)) % w,
            static_cast<int>(std::floor(glT * h + 1e-9)) % h};
}

Rgb meanColour(const Image& img, int x0, int y0, int x1, int y1)
{
    Rgb sum;
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x, ++n)
            sum = sum + getPixel(img, x, y);
    return sum * (1.0f / static_cast<float>(n));
}

} // namespace

TEST(Models, TankIsAValidModelOfTankSize)
{
    const testing_support::Md2Facts f = parse(makeTankMesh());
    EXPECT_GE(f.numTris, 200);
    EXPECT_LE(f.numTris, 800);
    EXPECT_GE(f.numFrames, 2);
    EXPECT_EQ(f.skinWidth, kTankSkinSize);
    EXPECT_EQ(f.skinName, "tank/tank.tga");
    const Box b = bounds(f.frames[0]);
    EXPECT_GE(b.hi[0] - b.lo[0], 3.0f);
    EXPECT_LE(b.hi[0] - b.lo[0], 4.0f);
    EXPECT_NEAR(b.lo[2], 0.0f, 0.01f); // standing on z = 0
    EXPECT_GT(b.hi[2], 1.0f);
    EXPECT_NEAR(b.lo[1] + b.hi[1], 0.0f, 0.02f); // centred across
    EXPECT_LT(std::fabs(b.lo[0] + b.hi[0]), 1.0f);
}

TEST(Models, TankTurretSwingsAndTheHullStaysPut)
{
    const testing_support::Md2Facts f = parse(makeTankMesh());
    int moved = 0, still = 0;
    float muzzleY = 0; // the barrel tip in frame 2 (24 degrees towards +y)
    for (int v = 0; v < f.numXyz; ++v) {
        const auto& a = f.frames[0][static_cast<size_t>(v)];
        const auto& b = f.frames[2][static_cast<size_t>(v)];
        const float d = std::hypot(a[0] - b[0], a[1] - b[1]);
        (d > 0.05f ? moved : still) += 1;
        // Anything level with the barrel and past the hull front is the barrel.
        if (a[0] > 1.9f && a[2] > 0.9f) muzzleY = std::fmax(muzzleY, b[1]);
        EXPECT_NEAR(a[2], b[2], 0.01f); // a yaw keeps heights
    }
    EXPECT_GT(moved, 50);
    EXPECT_GT(still, 100);
    // The muzzle, about 2.3 from the turret axis, swings out by about sin(24°) × 2.3.
    EXPECT_GT(muzzleY, 0.7f);
    EXPECT_DOUBLE_EQ(tankTurretYaw(0), 0.0);
}

TEST(Models, TreeIsALowPolyTreeOfTreeSize)
{
    const testing_support::Md2Facts f = parse(makeTreeMesh());
    EXPECT_LE(f.numTris, 80);
    EXPECT_GE(f.numTris, 20);
    const Box b = bounds(f.frames[0]);
    EXPECT_GE(b.hi[2] - b.lo[2], 3.0f);
    EXPECT_LE(b.hi[2] - b.lo[2], 6.0f);
    EXPECT_NEAR(b.lo[2], 0.0f, 0.01f);
    EXPECT_NEAR(b.lo[0] + b.hi[0], 0.0f, 0.05f);
    EXPECT_NEAR(b.lo[1] + b.hi[1], 0.0f, 0.05f);
}

TEST(Models, TexCoordsStayInsideTheSkin)
{
    for (const Md2Mesh& mesh : {makeTankMesh(), makeTreeMesh()}) {
        const testing_support::Md2Facts f = parse(mesh);
        for (const auto& [s, t] : f.st) {
            EXPECT_GE(s, 0);
            EXPECT_LE(s, f.skinWidth);
            EXPECT_GE(t, 0);
            EXPECT_LE(t, f.skinHeight);
        }
    }
}

TEST(Models, MostNormalsPointAwayFromTheModelsAxis)
{
    // For the tree, every vertex off the axis should have a normal with an
    // outward horizontal component or point down (cone undersides).
    const testing_support::Md2Facts f = parse(makeTreeMesh());
    int outward = 0, total = 0;
    for (int v = 0; v < f.numXyz; ++v) {
        const auto& p = f.frames[0][static_cast<size_t>(v)];
        const float r = std::hypot(p[0], p[1]);
        if (r < 0.05f) continue;
        const float* n = kMd2Normals[f.normals[0][static_cast<size_t>(v)]];
        ++total;
        outward += (n[0] * p[0] + n[1] * p[1]) / r > 0.1f || n[2] < -0.9f;
    }
    EXPECT_EQ(outward, total);
}

TEST(Models, TreeSkinPaintsTheTrunkBrownAndTheCrownGreenUpright)
{
    const Md2Mesh mesh = makeTreeMesh();
    const Image skin = paintTreeSkin(5);
    // What the drawing sees: the TGA's rows in file order.
    const auto stored = testing_support::decodeTgaByRules(encodeTga(skin, TgaCompression::RunLength));
    ASSERT_TRUE(stored.has_value());
    const auto& pos = mesh.frames[0].positions;
    int trunk = 0, crown = 0;
    for (const Md2Triangle& t : mesh.triangles) {
        Point3 centre;
        float s = 0, tt = 0;
        for (int k = 0; k < 3; ++k) {
            centre = centre + pos[t.vertex[static_cast<size_t>(k)]] * (1.0f / 3.0f);
            s += mesh.texCoords[t.texCoord[static_cast<size_t>(k)]].s / 3.0f;
            tt += mesh.texCoords[t.texCoord[static_cast<size_t>(k)]].t / 3.0f;
        }
        const auto [col, row] =
            sampledTexel(static_cast<int>(s), static_cast<int>(tt), kTreeSkinSize, kTreeSkinSize);
        // The file row the drawing samples is the picture row counted from the top.
        EXPECT_EQ(row, static_cast<int>(tt));
        const Rgb c = getPixel(*stored, col, row);
        if (std::hypot(centre.x, centre.y) < 0.2f && centre.z < 0.9f) {
            ++trunk;
            EXPECT_GT(c.r, c.g) << "trunk texel is not brown";
        } else if (centre.z > 1.5f) {
            ++crown;
            EXPECT_GT(c.g, c.r) << "crown texel is not green";
        }
    }
    EXPECT_GT(trunk, 5);
    EXPECT_GT(crown, 20);
    // Upright: the needle strip is lighter at the top of the picture (cone tips) than at the bottom (rims).
    const Rgb tips = meanColour(skin, 40, 2, 120, 12);
    const Rgb rims = meanColour(skin, 40, 84, 120, 94);
    EXPECT_GT(tips.g, rims.g + 20.0f);
}

TEST(Models, TankSkinMatchesItsLayout)
{
    using namespace tank_skin;
    const Image skin = paintTankSkin(3);
    ASSERT_EQ(skin.width, kTankSkinSize);
    // Tread and wheel tyres are dark; the hull is olive (green above blue); the star is white.
    const Rgb tread = meanColour(skin, 4, 100, 44, 200);
    EXPECT_LT(tread.r + tread.g + tread.b, 3 * 90.0f);
    const Rgb hull = meanColour(skin, 0, 0, 256, 64);
    EXPECT_GT(hull.g, hull.b + 15.0f);
    const Rgb star = getPixel(skin, static_cast<int>(kTurretSide.x + 0.4375f * kTurretSide.w),
                              static_cast<int>(kTurretSide.y + 0.55f * kTurretSide.h));
    EXPECT_GT(star.r, 200.0f);
    EXPECT_GT(star.b, 200.0f);
}
