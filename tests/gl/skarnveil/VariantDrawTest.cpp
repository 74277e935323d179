// The three programs' terrain drawings on a real context: pixels drawn,
// counts against the arithmetic, and the GL state each drawing leaves.
#include "../../../programs/skarnveil-cliff/CliffShade.h"
#include "../../../programs/skarnveil-cliff2/CliffLighting.h"
#include "../../../programs/skarnveil-tiles/TilesTerrain.h"
#include "platform/GlApi.h"
#include "skarnveil/CliffTerrain.h"
#include "terrain/ImmediateLod.h"
#include "tests/support/GlTestContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace {

constexpr int kSize = 64;
constexpr int kGrid = 8;

TerrainMap gridMap(const std::function<float(int, int)>& height)
{
    TerrainMap map;
    map.width = kGrid;
    map.height = kGrid;
    map.pointCount = kGrid * kGrid;
    for (int y = 0; y < kGrid; ++y)
        for (int x = 0; x < kGrid; ++x)
            map.heights.push_back(height(x, y));
    map.visible.assign(map.pointCount, 0);
    return map;
}

float flat(int, int)
{
    return 1.0f;
}

float bump(int x, int y)
{
    const float dx = static_cast<float>(x) - 3.5f, dy = static_cast<float>(y) - 3.5f;
    return 3.0f * std::exp(-(dx * dx + dy * dy) / 5.0f);
}

// As the quad view tree leaves it with the whole map in view: every cell but
// the last row and column.
void markAllButLast(TerrainMap& map)
{
    for (int y = 0; y < kGrid - 1; ++y)
        for (int x = 0; x < kGrid - 1; ++x)
            map.visible[static_cast<size_t>(x + kGrid * y)] = 1;
}

GLuint whiteTexture()
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    const std::vector<uint8_t> texels(4 * 4 * 3, 255);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return name;
}

class VariantDraw : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(context_.valid());
        glViewport(0, 0, kSize, kSize);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        // Looking straight down on the map from above.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-0.6, 7.0, -0.6, 7.0, -50.0, 50.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    // Pixels whose red, green and blue sum above `threshold`.
    static int litPixels(int threshold = 60)
    {
        std::vector<uint8_t> pixels(kSize * kSize * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kSize, kSize, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        int lit = 0;
        for (size_t i = 0; i < pixels.size(); i += 3)
            if (pixels[i] + pixels[i + 1] + pixels[i + 2] > threshold) ++lit;
        return lit;
    }

    static float textureMatrixScale()
    {
        GLfloat matrix[16];
        glGetFloatv(GL_TEXTURE_MATRIX, matrix);
        return matrix[0];
    }

    static GLint integer(GLenum name)
    {
        GLint value = 0;
        glGetIntegerv(name, &value);
        return value;
    }

    GlTestContext context_{kSize, kSize};
    const Vec3 eye_{3.0f, 3.0f, 20.0f};
};

TEST_F(VariantDraw, TilesSingleTextureDrawsAndLeavesTexturingOn)
{
    TerrainMap map = gridMap(bump);
    TilesTerrain tiles;
    ASSERT_TRUE(GenerateTilesMesh(map, tiles));
    map.textures[0] = whiteTexture();
    markAllButLast(map);
    glDisable(GL_DEPTH_TEST); // as the cursor point leaves it
    const int32_t count = DrawTilesTerrain(map, tiles, eye_, 1.0f);
    EXPECT_EQ(count, immediateTerrainCount(map, eye_, 1.0f));
    EXPECT_GT(count, 49); // finer than one quad per cell over the bump
    // The terrain wrote depth, which the cursor pick reads.
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLfloat depth = 1.0f;
    glReadPixels(kSize / 2, kSize / 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_LT(depth, 0.9f);
    EXPECT_GT(litPixels(), kSize * kSize * 3 / 4);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
    glMatrixMode(GL_TEXTURE);
    EXPECT_FLOAT_EQ(textureMatrixScale(), 0.1f);
    glMatrixMode(GL_MODELVIEW);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(VariantDraw, TilesFourUnitsDrawAndHandUnitZeroBack)
{
    TerrainMap map = gridMap(bump);
    map.usesMultitexture = true;
    TilesTerrain tiles;
    ASSERT_TRUE(GenerateTilesMesh(map, tiles)); // light texture into slot 3
    ASSERT_FALSE(tiles.blends.empty());
    for (int slot = 0; slot < 3; ++slot)
        map.textures[slot] = whiteTexture();
    markAllButLast(map);
    const int32_t count = DrawTilesTerrain(map, tiles, eye_, 1.0f);
    EXPECT_EQ(count, immediateTerrainCount(map, eye_, 1.0f));
    // White tiles: what shows is the light texture made from the shade (0.3 to 0.8).
    EXPECT_GT(litPixels(), kSize * kSize * 3 / 4);
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE_ARB), GL_TEXTURE0_ARB);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_MODULATE);
    glMatrixMode(GL_TEXTURE);
    EXPECT_FLOAT_EQ(textureMatrixScale(), 0.1f);
    for (GLenum unit : {GL_TEXTURE1_ARB, GL_TEXTURE2_ARB, GL_TEXTURE3_ARB}) {
        glActiveTextureARB(unit);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << unit;
    }
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glMatrixMode(GL_MODELVIEW);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(VariantDraw, TilesBlendingWithoutItsBytesDrawsNothingButKeepsState)
{
    TerrainMap map = gridMap(flat);
    TilesTerrain tiles;
    ASSERT_TRUE(GenerateTilesMesh(map, tiles));
    map.usesMultitexture = true; // switched on with no blend bytes made
    markAllButLast(map);
    EXPECT_EQ(DrawTilesTerrain(map, tiles, eye_, 1.0f), 0);
    EXPECT_EQ(litPixels(), 0);
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE_ARB), GL_TEXTURE0_ARB);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
}

TEST_F(VariantDraw, CliffLevelOfDetailDrawsShadedAndPopsTheTextureMatrix)
{
    TerrainMap map = gridMap(bump);
    ASSERT_TRUE(GenerateShadedCliffMesh(map));
    map.textures[0] = whiteTexture();
    markAllButLast(map);
    glDisable(GL_DEPTH_TEST);
    const GLint depthBefore = (glMatrixMode(GL_TEXTURE), integer(GL_TEXTURE_STACK_DEPTH));
    glMatrixMode(GL_MODELVIEW);
    const int32_t count = DrawShadedCliffTerrain(map, true, eye_, 1.0f);
    EXPECT_EQ(count, immediateTerrainCount(map, eye_, 1.0f));
    // The shade is 0.3 to 0.8 of white: lit, but never full white.
    EXPECT_GT(litPixels(), kSize * kSize / 2);
    EXPECT_EQ(litPixels(650), 0); // 0.85 of white
    EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(integer(GL_TEXTURE_STACK_DEPTH), depthBefore);
    glMatrixMode(GL_TEXTURE);
    EXPECT_FLOAT_EQ(textureMatrixScale(), 1.0f);
    glMatrixMode(GL_MODELVIEW);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLfloat depth = 1.0f;
    glReadPixels(kSize / 2, kSize / 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_LT(depth, 0.9f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(VariantDraw, CliffStripsDrawAtFullBrightnessAndCountPerRow)
{
    TerrainMap map = gridMap(flat);
    ASSERT_TRUE(GenerateShadedCliffMesh(map));
    map.textures[0] = whiteTexture();
    markAllButLast(map);
    glColor3f(0.2f, 0.2f, 0.2f); // the strips set white themselves
    const int32_t count = DrawShadedCliffTerrain(map, false, eye_, 1.0f);
    // Seven marked rows, each walking 7 marked cells and the last column's
    // left edge, then closed by the right edge: 9 per row.
    EXPECT_EQ(count, 7 * 9);
    // The strips cover x from -0.5 to 7.5 over rows y -0.5 to 6.5, in white.
    EXPECT_GT(litPixels(3 * 250), kSize * kSize * 3 / 4);
    EXPECT_EQ(integer(GL_TEXTURE_STACK_DEPTH), 1);
    EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(VariantDraw, CliffStripsOfAnEmptyViewDrawNothing)
{
    TerrainMap map = gridMap(flat);
    ASSERT_TRUE(GenerateShadedCliffMesh(map));
    map.textures[0] = whiteTexture();
    EXPECT_EQ(DrawShadedCliffTerrain(map, false, eye_, 1.0f), 0);
    EXPECT_EQ(litPixels(), 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(VariantDraw, LitCliffUsesTheVertexNormalsAndSwitchesLightingOff)
{
    TerrainMap map = gridMap(flat);
    std::vector<Vec3> normals;
    ASSERT_TRUE(GenerateLitCliffMesh(map, normals));
    map.textures[0] = whiteTexture();
    markAllButLast(map);
    // Light 0 at its defaults shines along the view: upward normals are lit
    // by 0.8 diffuse + 0.04 ambient.
    const int32_t count = DrawLitCliffTerrain(map, normals, true, eye_, 1.0f);
    EXPECT_EQ(count, immediateTerrainCount(map, eye_, 1.0f));
    const int bright = litPixels(3 * 180);
    EXPECT_GT(bright, kSize * kSize * 3 / 4);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
    EXPECT_EQ(integer(GL_TEXTURE_STACK_DEPTH), 1);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));

    // Normals turned away from the light leave only the ambient term.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    std::vector<Vec3> down(normals.size(), Vec3{0.0f, 0.0f, -1.0f});
    DrawLitCliffTerrain(map, down, true, eye_, 1.0f);
    EXPECT_EQ(litPixels(3 * 60), 0);
    EXPECT_GT(litPixels(3), kSize * kSize / 2); // the ambient 0.04 still shows
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(VariantDraw, LitCliffStripsAreLitWithAnUpwardNormal)
{
    TerrainMap map = gridMap(flat);
    std::vector<Vec3> normals;
    ASSERT_TRUE(GenerateLitCliffMesh(map, normals));
    map.textures[0] = whiteTexture();
    markAllButLast(map);
    glNormal3f(0.0f, 0.0f, -1.0f); // what a model might have left behind
    EXPECT_EQ(DrawLitCliffTerrain(map, normals, false, eye_, 1.0f), 7 * 9);
    EXPECT_GT(litPixels(3 * 180), kSize * kSize * 3 / 4);
    GLfloat normal[3];
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    EXPECT_EQ(normal[2], 1.0f);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

} // namespace
