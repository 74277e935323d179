#include "terrain/TerrainDraw.h"
#include "platform/GlApi.h"
#include "terrain/TerrainLod.h"
#include "terrain/TerrainMesh.h"
#include "tests/gl/terrain-draw/TestTerrain.h"
#include "tests/support/GlTestContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int kSize = 128;
constexpr uint8_t kWhite[4] = {255, 255, 255, 255};

struct OrthoView {
    float left, right, bottom, top;
};

// Looks straight down the z axis onto the given rectangle of the xy plane.
void viewFromAbove(const OrthoView& view)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(view.left, view.right, view.bottom, view.top, -100.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void clearFrame()
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
}

std::array<uint8_t, 4> pixelAt(const OrthoView& view, float wx, float wy)
{
    const int px = static_cast<int>((wx - view.left) / (view.right - view.left) * kSize);
    const int py = static_cast<int>((wy - view.bottom) / (view.top - view.bottom) * kSize);
    std::array<uint8_t, 4> pixel{};
    glReadPixels(px, py, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
    return pixel;
}

bool lit(const std::array<uint8_t, 4>& p)
{
    return p[0] + p[1] + p[2] > 0;
}

std::vector<uint8_t> readFrame()
{
    std::vector<uint8_t> pixels(static_cast<size_t>(kSize) * kSize * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

size_t litCount(const std::vector<uint8_t>& frame)
{
    size_t count = 0;
    for (size_t i = 0; i < frame.size(); i += 4)
        if (frame[i] + frame[i + 1] + frame[i + 2] > 0) ++count;
    return count;
}

void setVisible(TerrainMap& map, int x, int y, uint8_t value)
{
    map.visible[static_cast<size_t>(x + map.width * y)] = value;
}

void giveTextures(TerrainMap& map, bool fourUnits)
{
    map.textures[0] = makeTexture(255, 255, 255);
    if (fourUnits) {
        map.textures[1] = makeTexture(255, 255, 255);
        map.textures[2] = makeTexture(255, 255, 255);
        map.textures[3] = makeLuminanceTexture(255);
        map.usesMultitexture = true;
    }
}

// A hilly 16 x 16 terrain with mixed roughness, every drawable cell marked,
// seen in perspective so that every level of detail appears.
TerrainMap makeHills(bool fourUnits, bool buffers)
{
    std::mt19937 rng(77);
    std::uniform_int_distribution<int> byte(40, 255);
    const auto hills = [](float x, float y) { return 2.0f + 1.5f * std::sin(x * 0.7f) * std::cos(y * 0.5f); };
    TerrainMap map = makeTerrain(16, 16, hills, kWhite);
    // Colours vary per vertex so interpolation differences would show.
    for (size_t i = 0; i < map.colours.size(); ++i)
        map.colours[i] = static_cast<uint8_t>(byte(rng));
    std::uniform_real_distribution<float> rough(0.0f, 1.0f);
    for (float& r : map.roughness)
        r = rough(rng);
    std::fill(map.visible.begin(), map.visible.end(), 1);
    giveTextures(map, fourUnits);
    if (buffers) moveIntoBuffers(map);
    return map;
}

void perspectiveOverHills()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, 1.0, 250.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(8.0, -4.0, 14.0, 8.0, 8.0, 0.0, 0.0, 0.0, 1.0);
}

const Vec3 kHillsEye{8.0f, -4.0f, 14.0f};

} // namespace

TEST(DrawTerrain, OnlyBytesEqualToOneAreDrawn)
{
    GlTestContext gl(kSize, kSize);
    ASSERT_TRUE(gl.valid());
    TerrainMap map = makeTerrain(
        4, 4, [](float, float) { return 0.0f; }, kWhite);
    giveTextures(map, false);
    std::fill(map.roughness.begin(), map.roughness.end(), 1.0f);
    setVisible(map, 0, 0, 1);
    setVisible(map, 2, 0, 2);
    setVisible(map, 0, 2, 255);
    setVisible(map, 2, 2, 1);
    const OrthoView view{-0.5f, 4.5f, -0.5f, 4.5f};
    viewFromAbove(view);
    clearFrame();
    // Eye 1 above the map's middle: every marked cell is within reach of step 1.
    EXPECT_EQ(drawTerrain(map, Vec3{2, 2, 1}, 1.0f), 72 * 2);
    EXPECT_TRUE(lit(pixelAt(view, 0.4f, 0.4f)));
    EXPECT_TRUE(lit(pixelAt(view, 2.4f, 2.4f)));
    EXPECT_FALSE(lit(pixelAt(view, 2.4f, 0.4f)));
    EXPECT_FALSE(lit(pixelAt(view, 0.4f, 2.4f)));
    EXPECT_FALSE(lit(pixelAt(view, 3.4f, 3.4f)));
    // Step 1 draws one band of the next cell row too (x 0..0.94, y 0.94..1.06).
    EXPECT_TRUE(lit(pixelAt(view, 0.4f, 1.0f)));
    EXPECT_FALSE(lit(pixelAt(view, 0.4f, 1.2f)));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(DrawTerrain, NothingMarkedDrawsNothing)
{
    GlTestContext gl(kSize, kSize);
    ASSERT_TRUE(gl.valid());
    for (bool buffers : {false, true}) {
        TerrainMap map = makeTerrain(
            4, 4, [](float, float) { return 0.0f; }, kWhite);
        giveTextures(map, true);
        if (buffers) moveIntoBuffers(map);
        viewFromAbove({-0.5f, 4.5f, -0.5f, 4.5f});
        clearFrame();
        EXPECT_EQ(drawTerrain(map, Vec3{2, 2, 1}, 9.0f), 0);
        EXPECT_EQ(litCount(readFrame()), 0u);
        EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

TEST(DrawTerrain, MapWithoutMeshDrawsNothing)
{
    GlTestContext gl(kSize, kSize);
    ASSERT_TRUE(gl.valid());
    TerrainMap empty; // a failed heightmap load
    viewFromAbove({-0.5f, 4.5f, -0.5f, 4.5f});
    clearFrame();
    EXPECT_EQ(drawTerrain(empty, Vec3{2, 2, 1}, 1.0f), 0);
    EXPECT_EQ(litCount(readFrame()), 0u);
    GLint matrixMode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    EXPECT_EQ(matrixMode, GL_MODELVIEW);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(DrawTerrain, BufferObjectsAndClientArraysGiveTheSameFrame)
{
    GlTestContext gl(kSize, kSize);
    ASSERT_TRUE(gl.valid());
    for (bool fourUnits : {false, true}) {
        for (float coefficient : {0.3f, 1.0f, 4.0f}) {
            TerrainMap client = makeHills(fourUnits, false);
            // The upload leaves this map's colour buffer bound while the
            // client-side map draws first: its pointers must not become offsets.
            TerrainMap buffered = makeHills(fourUnits, true);
            const int expected = terrainQuadCount(client, kHillsEye, coefficient);

            perspectiveOverHills();
            clearFrame();
            const int clientQuads = drawTerrain(client, kHillsEye, coefficient);
            const std::vector<uint8_t> clientFrame = readFrame();

            perspectiveOverHills();
            clearFrame();
            const int bufferQuads = drawTerrain(buffered, kHillsEye, coefficient);
            const std::vector<uint8_t> bufferFrame = readFrame();

            EXPECT_EQ(clientQuads, expected);
            EXPECT_EQ(bufferQuads, expected);
            // The terrain fills a good part of the view.
            EXPECT_GT(litCount(clientFrame), static_cast<size_t>(kSize * kSize / 4));
            EXPECT_TRUE(clientFrame == bufferFrame)
                << "fourUnits " << fourUnits << " coefficient " << coefficient;
            EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        }
    }
}

TEST(DrawTerrain, CoefficientChangesTheQuadCountNotTheCoverage)
{
    GlTestContext gl(kSize, kSize);
    ASSERT_TRUE(gl.valid());
    TerrainMap map = makeHills(false, false);
    perspectiveOverHills();
    clearFrame();
    const int coarse = drawTerrain(map, kHillsEye, 0.2f);
    const size_t coarseLit = litCount(readFrame());
    clearFrame();
    const int fine = drawTerrain(map, kHillsEye, 9.0f);
    const size_t fineLit = litCount(readFrame());
    EXPECT_LT(coarse, fine);
    // Both draw every cell; the silhouettes differ only where coarse quads cut hills.
    EXPECT_NEAR(static_cast<double>(coarseLit), static_cast<double>(fineLit), kSize * kSize * 0.05);
}

TEST(DrawTerrain, SingleTextureModulatesTheVertexColour)
{
    GlTestContext gl(kSize, kSize);
    ASSERT_TRUE(gl.valid());
    const uint8_t grey[4] = {128, 128, 128, 255};
    TerrainMap map = makeTerrain(
        4, 4, [](float, float) { return 0.0f; }, grey);
    map.textures[0] = makeTexture(200, 100, 50);
    std::fill(map.visible.begin(), map.visible.end(), 1);
    const OrthoView view{-0.5f, 4.5f, -0.5f, 4.5f};
    viewFromAbove(view);
    clearFrame();
    EXPECT_EQ(drawTerrain(map, Vec3{2, 2, 1000}, 1.0f), 16); // roughness 0: one quad each
    const auto p = pixelAt(view, 1.5f, 2.5f);
    // 200 * 128 / 255 = 100.4, 100 * 128 / 255 = 50.2, 50 * 128 / 255 = 25.1
    EXPECT_NEAR(p[0], 100, 2);
    EXPECT_NEAR(p[1], 50, 2);
    EXPECT_NEAR(p[2], 25, 2);
    EXPECT_FALSE(lit(pixelAt(view, 4.2f, 4.2f))); // beyond the mesh
}

// T3 * (A * (C * T0 + (1 - C) * T1) + (1 - A) * T2) with pure colours per unit.
TEST(DrawTerrain, FourUnitsBlendAsTabulated)
{
    GlTestContext gl(kSize, kSize);
    ASSERT_TRUE(gl.valid());
    struct Case {
        uint8_t colour[4];
        uint8_t light;
        std::array<int, 3> expected;
    };
    const Case cases[] = {
        {{255, 255, 255, 255}, 255, {255, 0, 0}}, // C = 1, A = 1: base tile
        {{0, 0, 0, 255}, 255, {0, 255, 0}},       // C = 0: first detail tile
        {{255, 255, 255, 0}, 255, {0, 0, 255}},   // A = 0: second detail tile
        {{255, 255, 255, 255}, 128, {128, 0, 0}}, // light texture halves it
        {{0, 0, 0, 0}, 64, {0, 0, 64}},
    };
    const OrthoView view{-0.5f, 4.5f, -0.5f, 4.5f};
    for (const Case& c : cases) {
        TerrainMap map = makeTerrain(
            4, 4, [](float, float) { return 0.0f; }, c.colour);
        map.textures[0] = makeTexture(255, 0, 0);
        map.textures[1] = makeTexture(0, 255, 0);
        map.textures[2] = makeTexture(0, 0, 255);
        map.textures[3] = makeLuminanceTexture(c.light);
        map.usesMultitexture = true;
        std::fill(map.visible.begin(), map.visible.end(), 1);
        viewFromAbove(view);
        clearFrame();
        EXPECT_EQ(drawTerrain(map, Vec3{2, 2, 1000}, 1.0f), 16);
        for (const auto& [wx, wy] : {std::pair{0.5f, 0.5f}, std::pair{3.2f, 1.7f}}) {
            const auto p = pixelAt(view, wx, wy);
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(p[k], c.expected[k], 2) << "channel " << k;
        }
        EXPECT_FALSE(lit(pixelAt(view, 4.2f, 4.2f)));
    }
}

TEST(DrawTerrain, ShowsFromAboveAndIsCulledFromBelow)
{
    GlTestContext gl(kSize, kSize);
    ASSERT_TRUE(gl.valid());
    TerrainMap map = makeTerrain(
        4, 4, [](float, float) { return 0.0f; }, kWhite);
    giveTextures(map, false);
    std::fill(map.visible.begin(), map.visible.end(), 1);
    const OrthoView view{-0.5f, 4.5f, -0.5f, 4.5f};
    viewFromAbove(view);
    clearFrame();
    drawTerrain(map, Vec3{2, 2, 1}, 1.0f);
    EXPECT_GT(litCount(readFrame()), static_cast<size_t>(kSize * kSize / 2));
    // Turned over: looking up at the underside.
    viewFromAbove(view);
    glTranslatef(2.0f, 0.0f, 0.0f);
    glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
    glTranslatef(-2.0f, 0.0f, 0.0f);
    clearFrame();
    drawTerrain(map, Vec3{2, 2, 1}, 1.0f);
    EXPECT_EQ(litCount(readFrame()), 0u);
}

class DrawTerrainState : public ::testing::TestWithParam<std::pair<bool, bool>> {};

TEST_P(DrawTerrainState, LeavesTheDescribedState)
{
    const auto [fourUnits, buffers] = GetParam();
    GlTestContext gl(kSize, kSize);
    ASSERT_TRUE(gl.valid());
    TerrainMap map = makeTerrain(
        4, 4, [](float, float) { return 1.0f; }, kWhite);
    giveTextures(map, fourUnits);
    std::fill(map.visible.begin(), map.visible.end(), 1);
    if (buffers) moveIntoBuffers(map);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    viewFromAbove({-0.5f, 4.5f, -0.5f, 4.5f});
    clearFrame();
    EXPECT_EQ(drawTerrain(map, Vec3{2, 2, 3}, 1.0f), 16);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    GLint value = 0;
    glGetIntegerv(GL_CULL_FACE_MODE, &value);
    EXPECT_EQ(value, GL_FRONT);
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_MODELVIEW);
    glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &value);
    EXPECT_EQ(value, GL_TEXTURE0_ARB);
    glGetIntegerv(GL_CLIENT_ACTIVE_TEXTURE_ARB, &value);
    EXPECT_EQ(value, GL_TEXTURE0_ARB);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING_ARB, &value);
    EXPECT_EQ(static_cast<GLuint>(value), buffers ? map.colourBuffer : 0u);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));

    // Unit 0's texture matrix stays at the uniform 0.1 scale.
    GLfloat matrix[16] = {};
    glGetFloatv(GL_TEXTURE_MATRIX, matrix);
    for (int i = 0; i < 16; ++i) {
        const float expected = (i == 15) ? 1.0f : (i % 5 == 0 ? 0.1f : 0.0f);
        EXPECT_FLOAT_EQ(matrix[i], expected) << i;
    }

    if (fourUnits) {
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
        EXPECT_EQ(value, GL_MODULATE);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
        EXPECT_EQ(static_cast<GLuint>(value), map.textures[0]);
        for (int unit = 1; unit < 4; ++unit) {
            glActiveTextureARB(GL_TEXTURE0_ARB + unit);
            EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << unit;
        }
        // Unit 3 maps the grid once: scale (1/4, 1/4, 0), then translate (0.2, 0.2, 0).
        glActiveTextureARB(GL_TEXTURE3_ARB);
        glGetFloatv(GL_TEXTURE_MATRIX, matrix);
        EXPECT_FLOAT_EQ(matrix[0], 0.25f);
        EXPECT_FLOAT_EQ(matrix[5], 0.25f);
        EXPECT_FLOAT_EQ(matrix[10], 0.0f);
        EXPECT_FLOAT_EQ(matrix[12], 0.05f);
        EXPECT_FLOAT_EQ(matrix[13], 0.05f);
        EXPECT_FLOAT_EQ(matrix[14], 0.0f);
        glActiveTextureARB(GL_TEXTURE1_ARB);
        glGetFloatv(GL_TEXTURE_MATRIX, matrix);
        EXPECT_FLOAT_EQ(matrix[0], 0.18f);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_OPERAND2_RGB_ARB, &value);
        EXPECT_EQ(value, GL_SRC_COLOR);
        glActiveTextureARB(GL_TEXTURE2_ARB);
        glGetFloatv(GL_TEXTURE_MATRIX, matrix);
        EXPECT_FLOAT_EQ(matrix[0], 0.15f);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_OPERAND2_RGB_ARB, &value);
        EXPECT_EQ(value, GL_SRC_ALPHA);
        glActiveTextureARB(GL_TEXTURE0_ARB);
    } else {
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    }
    for (int unit = 0; unit < 4; ++unit) {
        glClientActiveTextureARB(GL_TEXTURE0_ARB + unit);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY)) << unit;
    }
    glClientActiveTextureARB(GL_TEXTURE0_ARB);
}

INSTANTIATE_TEST_SUITE_P(AllPaths, DrawTerrainState,
                         ::testing::Values(std::pair{false, false}, std::pair{false, true},
                                           std::pair{true, false}, std::pair{true, true}));

TEST(SetTextureUnits, SetsUpUnitsDownToZeroAndUndoes)
{
    GlTestContext gl(kSize, kSize);
    ASSERT_TRUE(gl.valid());
    TerrainMap map = makeTerrain(
        4, 4, [](float, float) { return 0.0f; }, kWhite);
    giveTextures(map, true);
    setTextureUnits(map, true);
    GLint value = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &value);
    EXPECT_EQ(value, GL_TEXTURE0_ARB);
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_MODELVIEW);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
    EXPECT_EQ(value, GL_REPLACE);
    for (int unit = 0; unit < 4; ++unit) {
        glActiveTextureARB(GL_TEXTURE0_ARB + unit);
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D)) << unit;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
        EXPECT_EQ(static_cast<GLuint>(value), map.textures[unit]) << unit;
        if (unit > 0) {
            glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
            EXPECT_EQ(value, GL_COMBINE_ARB) << unit;
        }
    }
    glActiveTextureARB(GL_TEXTURE0_ARB);
    setTextureUnits(map, false);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
    EXPECT_EQ(value, GL_MODULATE);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(SetBufferArrays, PointsEveryUnitAtThePositions)
{
    GlTestContext gl(kSize, kSize);
    ASSERT_TRUE(gl.valid());
    TerrainMap map = makeTerrain(
        4, 4, [](float, float) { return 0.0f; }, kWhite);
    giveTextures(map, true);
    moveIntoBuffers(map);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    setBufferArrays(map, true);
    GLint value = 0;
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_ARRAY));
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING_ARB, &value);
    EXPECT_EQ(static_cast<GLuint>(value), map.colourBuffer);
    glGetIntegerv(GL_VERTEX_ARRAY_BUFFER_BINDING_ARB, &value);
    EXPECT_EQ(static_cast<GLuint>(value), map.vertexBuffer);
    glGetIntegerv(GL_COLOR_ARRAY_BUFFER_BINDING_ARB, &value);
    EXPECT_EQ(static_cast<GLuint>(value), map.colourBuffer);
    glGetIntegerv(GL_COLOR_ARRAY_TYPE, &value);
    EXPECT_EQ(value, GL_UNSIGNED_BYTE);
    glGetIntegerv(GL_CLIENT_ACTIVE_TEXTURE_ARB, &value);
    EXPECT_EQ(value, GL_TEXTURE0_ARB);
    for (int unit = 0; unit < 4; ++unit) {
        glClientActiveTextureARB(GL_TEXTURE0_ARB + unit);
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY)) << unit;
        glGetIntegerv(GL_TEXTURE_COORD_ARRAY_BUFFER_BINDING_ARB, &value);
        EXPECT_EQ(static_cast<GLuint>(value), map.vertexBuffer) << unit;
        glGetIntegerv(GL_TEXTURE_COORD_ARRAY_SIZE, &value);
        EXPECT_EQ(value, 3) << unit;
    }
    glClientActiveTextureARB(GL_TEXTURE0_ARB);
    setBufferArrays(map, false);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The generator's own 128 x 128 mesh, every cell marked (the last row and
// column included, so step 4 reaches mesh row 1028), from veldrun's start view.
TEST(DrawTerrain, GeneratedMeshDrawsAlikeWithBuffersAndClientArrays)
{
    GlTestContext gl(kSize, kSize);
    ASSERT_TRUE(gl.valid());
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<uint8_t> bytes(128 * 128);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(byte(rng));
    TerrainMap maps[2];
    for (int i = 0; i < 2; ++i) {
        maps[i].loadHeightmapBytes(bytes.data(), bytes.size());
        giveTextures(maps[i], true);
        generateMesh(maps[i], RenderCaps{i == 1, true});
        std::fill(maps[i].visible.begin(), maps[i].visible.end(), 1);
    }
    ASSERT_FALSE(maps[0].usesVertexBuffers);
    ASSERT_TRUE(maps[1].usesVertexBuffers);
    const Vec3 eye{32.0f, 32.0f, maps[0].gridHeight(32, 32) + 16.0f};
    std::vector<uint8_t> frames[2];
    int quads[2] = {};
    for (int i = 0; i < 2; ++i) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45.0, 1.0, 1.0, 250.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(eye.x, eye.y, eye.z, 32.0, 48.0, 0.0, 0.0, 0.0, 1.0);
        clearFrame();
        quads[i] = drawTerrain(maps[i], eye, 1.0f);
        frames[i] = readFrame();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    EXPECT_EQ(quads[0], terrainQuadCount(maps[0], eye, 1.0f));
    EXPECT_EQ(quads[0], quads[1]);
    EXPECT_GT(quads[0], 128 * 128); // rough random terrain: many cells finer than a quad
    EXPECT_GT(litCount(frames[0]), static_cast<size_t>(kSize * kSize / 2));
    EXPECT_TRUE(frames[0] == frames[1]);
}
