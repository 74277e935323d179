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
// The 4 x 4 maps below are seen from straight above, (-0.5, -0.5) to (4.5, 4.5).
constexpr float kLeft = -0.5f, kRight = 4.5f;

class DrawTerrain : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gl.valid()); }
    GlTestContext gl{kSize, kSize};
};

void clearFrame()
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
}

void viewFromAbove()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(kLeft, kRight, kLeft, kRight, -100.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    clearFrame();
}

void viewInPerspective(Vec3 eye, Vec3 target)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, 1.0, 250.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, 0.0, 0.0, 1.0);
    clearFrame();
}

std::array<uint8_t, 4> pixelAt(float wx, float wy)
{
    const auto toPixel = [](float w) { return static_cast<int>((w - kLeft) / (kRight - kLeft) * kSize); };
    std::array<uint8_t, 4> pixel{};
    glReadPixels(toPixel(wx), toPixel(wy), 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
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

GLint intState(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

GLint texEnv(GLenum name)
{
    GLint value = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, name, &value);
    return value;
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

// 4 x 4 terrain at the given height, white textures, every cell marked or none.
TerrainMap smallMap(bool fourUnits, bool allMarked, float height = 0.0f, const uint8_t colour[4] = kWhite)
{
    TerrainMap map = makeTerrain(
        4, 4, [height](float, float) { return height; }, colour);
    giveTextures(map, fourUnits);
    std::fill(map.visible.begin(), map.visible.end(), allMarked ? 1 : 0);
    return map;
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
    for (uint8_t& c : map.colours)
        c = static_cast<uint8_t>(byte(rng));
    std::uniform_real_distribution<float> rough(0.0f, 1.0f);
    for (float& r : map.roughness)
        r = rough(rng);
    std::fill(map.visible.begin(), map.visible.end(), 1);
    giveTextures(map, fourUnits);
    if (buffers) moveIntoBuffers(map);
    return map;
}

const Vec3 kHillsEye{8.0f, -4.0f, 14.0f};
const Vec3 kHillsTarget{8.0f, 8.0f, 0.0f};

} // namespace

TEST_F(DrawTerrain, OnlyBytesEqualToOneAreDrawn)
{
    TerrainMap map = smallMap(false, false);
    std::fill(map.roughness.begin(), map.roughness.end(), 1.0f);
    map.visible[0 + 4 * 0] = 1;
    map.visible[2 + 4 * 0] = 2;
    map.visible[0 + 4 * 2] = 255;
    map.visible[2 + 4 * 2] = 1;
    viewFromAbove();
    // Eye 1 above the map's middle: every marked cell is within reach of step 1.
    EXPECT_EQ(drawTerrain(map, Vec3{2, 2, 1}, 1.0f), 72 * 2);
    EXPECT_TRUE(lit(pixelAt(0.4f, 0.4f)));
    EXPECT_TRUE(lit(pixelAt(2.4f, 2.4f)));
    EXPECT_FALSE(lit(pixelAt(2.4f, 0.4f)));
    EXPECT_FALSE(lit(pixelAt(0.4f, 2.4f)));
    EXPECT_FALSE(lit(pixelAt(3.4f, 3.4f)));
    // Step 1 draws one band of the next cell row too (x 0..0.94, y 0.94..1.06).
    EXPECT_TRUE(lit(pixelAt(0.4f, 1.0f)));
    EXPECT_FALSE(lit(pixelAt(0.4f, 1.2f)));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DrawTerrain, NothingMarkedOrNoMeshDrawsNothing)
{
    TerrainMap unmarked = smallMap(true, false), buffered = smallMap(true, false);
    moveIntoBuffers(buffered);
    TerrainMap empty; // a failed heightmap load
    for (TerrainMap* map : {&unmarked, &buffered, &empty}) {
        viewFromAbove();
        EXPECT_EQ(drawTerrain(*map, Vec3{2, 2, 1}, 9.0f), 0);
        EXPECT_EQ(litCount(readFrame()), 0u);
        EXPECT_EQ(intState(GL_MATRIX_MODE), GL_MODELVIEW);
        EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
        EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

TEST_F(DrawTerrain, BufferObjectsAndClientArraysGiveTheSameFrame)
{
    for (bool fourUnits : {false, true}) {
        for (float coefficient : {0.3f, 1.0f, 4.0f}) {
            SCOPED_TRACE(testing::Message() << "fourUnits " << fourUnits << " coefficient " << coefficient);
            TerrainMap client = makeHills(fourUnits, false);
            // The upload leaves this map's colour buffer bound while the
            // client-side map draws first: its pointers must not become offsets.
            TerrainMap buffered = makeHills(fourUnits, true);
            const int expected = terrainQuadCount(client, kHillsEye, coefficient);
            viewInPerspective(kHillsEye, kHillsTarget);
            EXPECT_EQ(drawTerrain(client, kHillsEye, coefficient), expected);
            const std::vector<uint8_t> clientFrame = readFrame();
            viewInPerspective(kHillsEye, kHillsTarget);
            EXPECT_EQ(drawTerrain(buffered, kHillsEye, coefficient), expected);
            // The terrain fills a good part of the view.
            EXPECT_GT(litCount(clientFrame), static_cast<size_t>(kSize * kSize / 4));
            EXPECT_TRUE(clientFrame == readFrame());
            EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        }
    }
}

TEST_F(DrawTerrain, CoefficientChangesTheQuadCountNotTheCoverage)
{
    TerrainMap map = makeHills(false, false);
    viewInPerspective(kHillsEye, kHillsTarget);
    const int coarse = drawTerrain(map, kHillsEye, 0.2f);
    const size_t coarseLit = litCount(readFrame());
    clearFrame();
    EXPECT_LT(coarse, drawTerrain(map, kHillsEye, 9.0f));
    // Both draw every cell; the silhouettes differ only where coarse quads cut hills.
    EXPECT_NEAR(static_cast<double>(coarseLit), static_cast<double>(litCount(readFrame())),
                kSize * kSize * 0.05);
}

// One unit: texture times vertex colour. Four units:
// T3 * (A * (C * T0 + (1 - C) * T1) + (1 - A) * T2) with pure colours per unit.
TEST_F(DrawTerrain, TexturesBlendAsTabulated)
{
    struct Case {
        bool fourUnits;
        uint8_t colour[4];
        uint8_t light;
        std::array<int, 3> expected;
    };
    const Case cases[] = {
        // (200, 100, 50) * 128 / 255 = (100.4, 50.2, 25.1)
        {false, {128, 128, 128, 255}, 0, {100, 50, 25}},
        {true, {255, 255, 255, 255}, 255, {255, 0, 0}}, // C = 1, A = 1: base tile
        {true, {0, 0, 0, 255}, 255, {0, 255, 0}},       // C = 0: first detail tile
        {true, {255, 255, 255, 0}, 255, {0, 0, 255}},   // A = 0: second detail tile
        {true, {255, 255, 255, 255}, 128, {128, 0, 0}}, // light texture halves it
        {true, {0, 0, 0, 0}, 64, {0, 0, 64}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        TerrainMap map = smallMap(false, true, 0.0f, c.colour);
        map.textures[0] = c.fourUnits ? makeTexture(255, 0, 0) : makeTexture(200, 100, 50);
        if (c.fourUnits) {
            map.textures[1] = makeTexture(0, 255, 0);
            map.textures[2] = makeTexture(0, 0, 255);
            map.textures[3] = makeLuminanceTexture(c.light);
            map.usesMultitexture = true;
        }
        viewFromAbove();
        EXPECT_EQ(drawTerrain(map, Vec3{2, 2, 1000}, 1.0f), 16); // roughness 0: one quad each
        for (const auto& [wx, wy] : {std::pair{0.5f, 0.5f}, std::pair{3.2f, 1.7f}}) {
            const auto p = pixelAt(wx, wy);
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(p[k], c.expected[k], 2) << "channel " << k;
        }
        EXPECT_FALSE(lit(pixelAt(4.2f, 4.2f))); // beyond the mesh
    }
}

TEST_F(DrawTerrain, ShowsFromAboveAndIsCulledFromBelow)
{
    TerrainMap map = smallMap(false, true);
    viewFromAbove();
    drawTerrain(map, Vec3{2, 2, 1}, 1.0f);
    EXPECT_GT(litCount(readFrame()), static_cast<size_t>(kSize * kSize / 2));
    // Turned over: looking up at the underside.
    viewFromAbove();
    glTranslatef(2.0f, 0.0f, 0.0f);
    glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
    glTranslatef(-2.0f, 0.0f, 0.0f);
    drawTerrain(map, Vec3{2, 2, 1}, 1.0f);
    EXPECT_EQ(litCount(readFrame()), 0u);
}

TEST_F(DrawTerrain, LeavesTheDescribedStateOnEveryPath)
{
    for (const auto& [fourUnits, buffers] :
         {std::pair{false, false}, {false, true}, {true, false}, {true, true}}) {
        SCOPED_TRACE(testing::Message() << "fourUnits " << fourUnits << " buffers " << buffers);
        TerrainMap map = smallMap(fourUnits, true, 1.0f);
        if (buffers) moveIntoBuffers(map);
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
        viewFromAbove();
        EXPECT_EQ(drawTerrain(map, Vec3{2, 2, 3}, 1.0f), 16);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

        EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
        EXPECT_EQ(intState(GL_CULL_FACE_MODE), GL_FRONT);
        EXPECT_EQ(intState(GL_MATRIX_MODE), GL_MODELVIEW);
        EXPECT_EQ(intState(GL_ACTIVE_TEXTURE_ARB), GL_TEXTURE0_ARB);
        EXPECT_EQ(intState(GL_CLIENT_ACTIVE_TEXTURE_ARB), GL_TEXTURE0_ARB);
        EXPECT_EQ(static_cast<GLuint>(intState(GL_ARRAY_BUFFER_BINDING_ARB)),
                  buffers ? map.colourBuffer : 0u);
        EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
        EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
        EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), fourUnits ? GL_TRUE : GL_FALSE);

        // Unit 0's texture matrix stays at the uniform 0.1 scale.
        GLfloat m[16] = {};
        glGetFloatv(GL_TEXTURE_MATRIX, m);
        EXPECT_EQ(std::vector<float>(m, m + 16),
                  (std::vector<float>{0.1f, 0, 0, 0, 0, 0.1f, 0, 0, 0, 0, 0.1f, 0, 0, 0, 0, 1}));
        if (fourUnits) {
            EXPECT_EQ(texEnv(GL_TEXTURE_ENV_MODE), GL_MODULATE);
            EXPECT_EQ(static_cast<GLuint>(intState(GL_TEXTURE_BINDING_2D)), map.textures[0]);
            const float scale[4] = {0.1f, 0.18f, 0.15f, 0.25f};
            const GLint operand[3] = {0, GL_SRC_COLOR, GL_SRC_ALPHA};
            for (int unit = 1; unit < 4; ++unit) {
                glActiveTextureARB(GL_TEXTURE0_ARB + unit);
                EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << unit;
                glGetFloatv(GL_TEXTURE_MATRIX, m);
                EXPECT_FLOAT_EQ(m[0], scale[unit]) << unit;
                if (unit < 3) {
                    EXPECT_EQ(texEnv(GL_OPERAND2_RGB_ARB), operand[unit]) << unit;
                }
            }
            // Unit 3 maps the grid once: scale (1/4, 1/4, 0), then translate (0.2, 0.2, 0).
            EXPECT_FLOAT_EQ(m[5], 0.25f);
            EXPECT_FLOAT_EQ(m[10], 0.0f);
            EXPECT_FLOAT_EQ(m[12], 0.05f);
            EXPECT_FLOAT_EQ(m[13], 0.05f);
            EXPECT_FLOAT_EQ(m[14], 0.0f);
        }
        glActiveTextureARB(GL_TEXTURE0_ARB);
        for (int unit = 0; unit < 4; ++unit) {
            glClientActiveTextureARB(GL_TEXTURE0_ARB + unit);
            EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY)) << unit;
        }
        glClientActiveTextureARB(GL_TEXTURE0_ARB);
    }
}

// Unit set-up on its own (the blend cases above show its effect on the frame).
TEST_F(DrawTerrain, TextureUnitsSwitchOnAndOff)
{
    TerrainMap map = smallMap(true, false);
    setTextureUnits(map, true);
    EXPECT_EQ(intState(GL_ACTIVE_TEXTURE_ARB), GL_TEXTURE0_ARB);
    EXPECT_EQ(intState(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(texEnv(GL_TEXTURE_ENV_MODE), GL_REPLACE);
    for (int unit = 0; unit < 4; ++unit) {
        glActiveTextureARB(GL_TEXTURE0_ARB + unit);
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D)) << unit;
        EXPECT_EQ(static_cast<GLuint>(intState(GL_TEXTURE_BINDING_2D)), map.textures[unit]) << unit;
        if (unit > 0) {
            EXPECT_EQ(texEnv(GL_TEXTURE_ENV_MODE), GL_COMBINE_ARB) << unit;
        }
    }
    glActiveTextureARB(GL_TEXTURE0_ARB);
    setTextureUnits(map, false);
    EXPECT_EQ(texEnv(GL_TEXTURE_ENV_MODE), GL_MODULATE);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));

    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The generator's own 128 x 128 mesh, every cell marked (the last row and
// column included, so step 4 reaches mesh row 1028), from veldrun's start view.
TEST_F(DrawTerrain, GeneratedMeshDrawsAlikeWithBuffersAndClientArrays)
{
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<uint8_t> bytes(128 * 128);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(byte(rng));
    TerrainMap maps[2];
    std::vector<uint8_t> frames[2];
    int quads[2] = {};
    for (int i = 0; i < 2; ++i) {
        maps[i].loadHeightmapBytes(bytes.data(), bytes.size());
        giveTextures(maps[i], true);
        generateMesh(maps[i], RenderCaps{i == 1, true});
        ASSERT_EQ(maps[i].usesVertexBuffers, i == 1);
        std::fill(maps[i].visible.begin(), maps[i].visible.end(), 1);
        const Vec3 eye{32.0f, 32.0f, maps[0].gridHeight(32, 32) + 16.0f};
        viewInPerspective(eye, Vec3{32.0f, 48.0f, 0.0f});
        quads[i] = drawTerrain(maps[i], eye, 1.0f);
        frames[i] = readFrame();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        EXPECT_EQ(quads[i], terrainQuadCount(maps[0], eye, 1.0f));
    }
    EXPECT_GT(quads[0], 128 * 128); // rough random terrain: many cells finer than a quad
    EXPECT_GT(litCount(frames[0]), static_cast<size_t>(kSize * kSize / 2));
    EXPECT_TRUE(frames[0] == frames[1]);
}
