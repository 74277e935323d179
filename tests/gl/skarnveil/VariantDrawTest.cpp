// The three programs' terrain drawings on a real context: pixels, counts and
// the GL state each drawing leaves.
#include "platform/GlApi.h"
#include "programs/skarnveil-cliff/CliffShade.h"
#include "programs/skarnveil-cliff2/CliffLighting.h"
#include "programs/skarnveil-tiles/TilesTerrain.h"
#include "tests/support/GlTestContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

constexpr int kSize = 64;

// A flat 8 x 8 map with a white texture in slot 0, marked as the quad view tree
// marks it with the whole map in view: all but the last row and column. With
// roughness 0 every cell is one quad: 49 of them.
TerrainMap flatMap()
{
    TerrainMap map{.width = 8, .height = 8, .heights = std::vector<float>(64, 1.0f)};
    for (int i = 0; i < 64; ++i)
        map.visible.push_back(i % 8 < 7 && i / 8 < 7);
    glGenTextures(1, &map.textures[0]);
    glBindTexture(GL_TEXTURE_2D, map.textures[0]);
    const uint8_t white[3] = {255, 255, 255};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, white);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    return map;
}

// Pixels whose red, green and blue sum above `threshold` and at most `most`;
// clears for the next drawing.
int litPixels(int threshold, int most = 3 * 255)
{
    std::vector<uint8_t> pixels(kSize * kSize * 4);
    glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    int lit = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) {
        const int sum = pixels[i] + pixels[i + 1] + pixels[i + 2];
        lit += sum > threshold && sum <= most;
    }
    return lit;
}

class VariantDraw : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(context_.valid());
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glOrtho(-0.6, 7.0, -0.6, 7.0, -50.0, 50.0); // straight down on the map
        glMatrixMode(GL_MODELVIEW);
    }
    // Every drawing turns culling off again and makes no GL error.
    void TearDown() override
    {
        EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
    GlTestContext context_{kSize, kSize};
    const Vec3 eye_{3.0f, 3.0f, 20.0f};
};

} // namespace

TEST_F(VariantDraw, TilesBothTexturePathsDrawAndHandUnitZeroBack)
{
    for (bool fourUnits : {false, true}) {
        TerrainMap map = flatMap();
        map.usesMultitexture = fourUnits;
        TilesTerrain tiles;
        ASSERT_TRUE(GenerateTilesMesh(map, tiles)); // the light texture into slot 3
        map.textures[1] = map.textures[2] = map.textures[0];
        glDisable(GL_DEPTH_TEST); // as the cursor point leaves it: the terrain must write depth
        EXPECT_EQ(DrawTilesTerrain(map, tiles, eye_, 1.0f), 49);
        GLfloat depth = 1.0f, texture[16] = {};
        glReadPixels(kSize / 2, kSize / 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        EXPECT_LT(depth, 0.9f);
        // White tiles, blended or not: the flat shade 0.8 shows.
        EXPECT_GT(litPixels(3 * 180, 650), kSize * kSize * 3 / 4) << fourUnits;
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        glGetFloatv(GL_TEXTURE_MATRIX, texture);
        EXPECT_EQ((std::vector<float>{texture[0], texture[5], texture[10]}), std::vector<float>(3, 0.1f));
    }
    // F3 on without four-unit support: no blend bytes were made, nothing is drawn.
    TerrainMap map = flatMap();
    TilesTerrain tiles;
    ASSERT_TRUE(GenerateTilesMesh(map, tiles));
    map.usesMultitexture = true;
    EXPECT_EQ(DrawTilesTerrain(map, tiles, eye_, 1.0f), 0);
    EXPECT_EQ(litPixels(0), 0);
}

TEST_F(VariantDraw, CliffShadedLevelOfDetailAndFullBrightStrips)
{
    TerrainMap map = flatMap();
    ASSERT_TRUE(GenerateShadedCliffMesh(map));
    // Roughness 1 seen from 19 above: step 1 everywhere, 9 strips of 9 pairs a
    // cell, each strip clockwise from above like the quads.
    map.roughness.assign(64, 1.0f);
    EXPECT_EQ(DrawShadedCliffTerrain(map, true, eye_, 1.0f), 49 * 81);
    EXPECT_GT(litPixels(3 * 200, 650), kSize * kSize * 3 / 4); // the flat shade 0.8 of white
    glColor3f(0.2f, 0.2f, 0.2f);                               // the strips set white themselves
    // Seven rows of 7 marked cells and the last column's left edge, closed by its right edge.
    EXPECT_EQ(DrawShadedCliffTerrain(map, false, eye_, 1.0f), 7 * 9);
    EXPECT_GT(litPixels(3 * 250), kSize * kSize * 3 / 4);
    // Only cells (1, 1) and (2, 1) marked: open, the row's strip closes at the
    // map's far edge, x 0.5 .. 7.5 (the view ends at 7), y 0.5 .. 1.5; stitched,
    // at the cell after the marked ones, x 0.5 .. 3.5, and the row after is
    // drawn as far too, y 0.5 .. 2.5. Pixels of 7.6 / 64 units whose centres lie inside.
    std::fill(map.visible.begin(), map.visible.end(), 0);
    map.visible[9] = map.visible[10] = 1;
    for (bool stitched : {false, true}) {
        EXPECT_EQ(DrawShadedCliffTerrain(map, false, eye_, 1.0f, {stitched}), 4);
        EXPECT_EQ(litPixels(3 * 250), stitched ? 26 * 17 : 55 * 9) << stitched;
    }
    GLint depth = 0;
    glGetIntegerv(GL_TEXTURE_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1); // the texture matrix popped again
}

TEST_F(VariantDraw, LitCliffUsesTheVertexNormalsAndSwitchesLightingOff)
{
    TerrainMap map = flatMap();
    std::vector<Vec3> normals;
    ASSERT_TRUE(GenerateLitCliffMesh(map, normals));
    // Light 0 at its defaults shines along the view: upward normals get 0.8
    // diffuse and 0.04 ambient; turned away only the ambient is left.
    EXPECT_EQ(DrawLitCliffTerrain(map, normals, true, eye_, 1.0f), 49);
    EXPECT_GT(litPixels(3 * 180), kSize * kSize * 3 / 4);
    std::vector<Vec3> down(normals.size(), Vec3{0.0f, 0.0f, -1.0f});
    DrawLitCliffTerrain(map, down, true, eye_, 1.0f);
    EXPECT_EQ(litPixels(3 * 60), 0);
    glNormal3f(0.0f, 0.0f, -1.0f); // what a model might have left behind
    EXPECT_EQ(DrawLitCliffTerrain(map, normals, false, eye_, 1.0f), 7 * 9);
    EXPECT_GT(litPixels(3 * 180), kSize * kSize * 3 / 4); // the strips get an upward normal
    EXPECT_TRUE(!glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_LIGHT0));
}
