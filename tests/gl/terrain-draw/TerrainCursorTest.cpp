#include "terrain/TerrainCursor.h"
#include "platform/GlApi.h"
#include "platform/Platform.h"
#include "terrain/TerrainDraw.h"
#include "tests/gl/terrain-draw/TestTerrain.h"
#include "tests/support/GlTestContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

constexpr int kSize = 128;
constexpr uint8_t kWhite[4] = {255, 255, 255, 255};

// 8 x 8 flat terrain at height 2, every cell marked, seen from 18 units above
// its middle (4, 4) with a 45 degree field of view, near 1, far 100.
TerrainMap drawFlatFromAbove(bool buffers)
{
    TerrainMap map = makeTerrain(
        8, 8, [](float, float) { return 2.0f; }, kWhite);
    std::fill(map.visible.begin(), map.visible.end(), 1);
    if (buffers) moveIntoBuffers(map);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(4.0, 4.0, 20.0, 4.0, 4.0, 0.0, 0.0, 1.0, 0.0);
    glClearColor(0, 0, 0, 0);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    drawTerrain(map, Vec3{4, 4, 20}, 1.0f);
    return map;
}

std::vector<uint8_t> readFrame()
{
    std::vector<uint8_t> pixels(static_cast<size_t>(kSize) * kSize * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

} // namespace

TEST(PickPoint, UnprojectsTheTerrainUnderAPixel)
{
    GlTestContext gl(kSize, kSize);
    ASSERT_TRUE(gl.valid());
    for (bool buffers : {false, true}) {
        drawFlatFromAbove(buffers);
        const double halfView = std::tan(22.5 * M_PI / 180.0) * 18.0; // at the plane z = 2
        // Client (64, 64) is window (64, 63): ndc (0, -1/64).
        Vec3 p = pickPointAt(64, 64);
        EXPECT_NEAR(p.x, 4.0, 0.02);
        EXPECT_NEAR(p.y, 4.0 - halfView / 64.0, 0.02); // 3.8835
        EXPECT_NEAR(p.z, 2.0, 0.02);
        // Client (32, 96) is window (32, 31): ndc (-0.5, -0.515625).
        p = pickPointAt(32, 96);
        EXPECT_NEAR(p.x, 4.0 - 0.5 * halfView, 0.02);      // 0.2721
        EXPECT_NEAR(p.y, 4.0 - 0.515625 * halfView, 0.02); // 0.1556
        EXPECT_NEAR(p.z, 2.0, 0.02);
    }
}

TEST(PickPoint, EmptySkyGivesAPointOnTheFarPlane)
{
    GlTestContext gl(kSize, kSize);
    ASSERT_TRUE(gl.valid());
    drawFlatFromAbove(false);
    // Client (0, 127) is window (0, 0): ndc (-1, -1), cleared depth 1.
    const Vec3 p = pickPointAt(0, 127);
    const double halfFar = std::tan(22.5 * M_PI / 180.0) * 100.0;
    EXPECT_NEAR(p.x, 4.0 - halfFar, 0.1);
    EXPECT_NEAR(p.y, 4.0 - halfFar, 0.1);
    EXPECT_NEAR(p.z, 20.0 - 100.0, 0.1);
}

TEST(PickPoint, PointerOutsideTheWindowKeepsThePreviousPoint)
{
    GlTestContext gl(kSize, kSize);
    ASSERT_TRUE(gl.valid());
    drawFlatFromAbove(false);
    const Vec3 previous{1.5f, 2.5f, 3.5f};
    int px = -1;
    int py = -1;
    if (platform::GetPointerPosition(px, py))
        EXPECT_EQ(pickCursorPoint(previous), pickPointAt(px, py));
    else
        EXPECT_EQ(pickCursorPoint(previous), previous);
}

class HighlightCell : public ::testing::TestWithParam<bool> {};

TEST_P(HighlightCell, TintsSevenBySevenMeshSquaresOfTheCell)
{
    const bool buffers = GetParam();
    GlTestContext gl(kSize, kSize);
    ASSERT_TRUE(gl.valid());
    TerrainMap map = makeTerrain(
        128, 128, [](float, float) { return 1.0f; }, kWhite);
    if (buffers) moveIntoBuffers(map);
    // World x 125..129 and y 125..129 fill the 128 pixels: 32 pixels per unit.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(125.0, 129.0, 125.0, 129.0, -10.0, 10.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glColor4f(1.0f, 0.0f, 0.0f, 0.95f);

    highlightCell(map, 128, 0);
    highlightCell(map, 0, -1);
    highlightCell(map, 127, 128);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    std::vector<uint8_t> frame = readFrame();
    int lit = 0;
    for (size_t i = 0; i < frame.size(); i += 4)
        lit += frame[i] + frame[i + 1] + frame[i + 2] > 0;
    EXPECT_EQ(lit, 0);

    highlightCell(map, 127, 127);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    frame = readFrame();
    // Mesh columns and rows 1016..1023 lie at 126.9375 .. 127.8125 in x and y.
    int red = 0;
    for (int py = 0; py < kSize; ++py) {
        for (int px = 0; px < kSize; ++px) {
            const double wx = 125.0 + (px + 0.5) / 32.0;
            const double wy = 125.0 + (py + 0.5) / 32.0;
            const bool inside = wx > 126.9375 && wx < 127.8125 && wy > 126.9375 && wy < 127.8125;
            const uint8_t* p = &frame[static_cast<size_t>(4 * (px + kSize * py))];
            if (p[0] == 255 && p[1] == 0 && p[2] == 0) ++red;
            EXPECT_EQ(p[0], inside ? 255 : 0) << px << "," << py;
        }
    }
    EXPECT_EQ(red, 28 * 28); // 0.875 units at 32 pixels per unit

    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    GLint bound = 0;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING_ARB, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), buffers ? map.vertexBuffer : 0u);
}

INSTANTIATE_TEST_SUITE_P(BothArrayPaths, HighlightCell, ::testing::Bool());
