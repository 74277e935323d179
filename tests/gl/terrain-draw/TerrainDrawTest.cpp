#include "terrain/TerrainDraw.h"
#include "platform/GlApi.h"
#include "terrain/TerrainCursor.h"
#include "terrain/TerrainMesh.h"
#include "tests/support/GlTestContext.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int kSize = 128;
using Texel = std::vector<uint8_t>;

// Textures into the slots given, each one RGB texel or a row of luminance
// texels; four of them make the four-unit set-up.
void giveTextures(TerrainMap& map, const std::vector<Texel>& textures)
{
    for (size_t slot = 0; slot < textures.size(); ++slot) {
        glGenTextures(1, &map.textures[slot]);
        glBindTexture(GL_TEXTURE_2D, map.textures[slot]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        const bool rgb = textures[slot].size() == 3;
        glTexImage2D(GL_TEXTURE_2D, 0, rgb ? GL_RGB : GL_LUMINANCE, rgb ? 1 : GLsizei(textures[slot].size()),
                     1, 0, rgb ? GL_RGB : GL_LUMINANCE, GL_UNSIGNED_BYTE, textures[slot].data());
    }
    map.usesMultitexture = textures.size() == 4;
}

// A flat w x h terrain on the generator's mesh layout (8 steps per grid step,
// from 1/16 before grid point (0, 0)), one colour, roughness 0, no cell marked.
TerrainMap makeTerrain(int w, float height, std::vector<Texel> textures = {{255, 255, 255}},
                       std::array<uint8_t, 4> colour = {255, 255, 255, 255})
{
    TerrainMap map;
    map.width = map.height = w;
    map.pointCount = uint32_t(w * w);
    map.heights.assign(map.pointCount, height);
    map.roughness.assign(map.pointCount, 0.0f);
    map.visible.assign(map.pointCount, 0);
    map.subdivision = 8;
    map.meshColumns = map.meshRows = 8 * w + 8;
    map.vertexCount = map.meshColumns * map.meshRows;
    for (int i = 0; i < map.vertexCount; ++i) {
        map.vertices.insert(map.vertices.end(), {i % map.meshColumns * 0.125f - 0.0625f,
                                                 i / map.meshColumns * 0.125f - 0.0625f, height});
        map.colours.insert(map.colours.end(), colour.begin(), colour.end());
    }
    giveTextures(map, textures);
    return map;
}

const std::vector<Texel> kFourWhite = {{255, 255, 255}, {255, 255, 255}, {255, 255, 255}, {255}};

// Clears the frame and sets the matrices: an orthographic box, or a perspective from eye to target.
void view(std::array<double, 4> box, Vec3 eye = {}, Vec3 target = {})
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (eye == target)
        glOrtho(box[0], box[1], box[2], box[3], -100.0, 100.0);
    else
        gluPerspective(45.0, 1.0, 1.0, box[0]);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (eye != target) gluLookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, 0.0, 0.0, 1.0);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
}
// Straight down on a 4 x 4 map: world (-0.5, -0.5) .. (4.5, 4.5) fills the frame.
const std::array<double, 4> kAbove = {-0.5, 4.5, -0.5, 4.5};

std::vector<uint8_t> readFrame()
{
    std::vector<uint8_t> pixels(size_t(kSize) * kSize * 4);
    glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// Red, green and blue at world (x, y) of the view from above.
std::array<int, 3> pixelAt(float x, float y)
{
    uint8_t p[4] = {};
    glReadPixels(int((x + 0.5f) / 5.0f * kSize), int((y + 0.5f) / 5.0f * kSize), 1, 1, GL_RGBA,
                 GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
}

size_t litCount(const std::vector<uint8_t>& frame)
{
    size_t count = 0;
    for (size_t i = 0; i < frame.size(); i += 4)
        count += frame[i] + frame[i + 1] + frame[i + 2] > 0;
    return count;
}

class DrawTerrain : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gl.valid()); }
    GlTestContext gl{kSize, kSize};
};

} // namespace

TEST_F(DrawTerrain, HandWorkedCountsOfCellsMarkedOne)
{
    TerrainMap map = makeTerrain(4, 0.0f);
    const Vec3 eye{0.0f, 0.0f, 10.0f}; // 10 above grid point (0, 0)
    view(kAbove);
    EXPECT_EQ(drawTerrain(map, eye, 9.0f), 0); // nothing marked
    EXPECT_EQ(litCount(readFrame()), 0u);
    map.roughness.assign(16, 1.0f);
    map.visible[0] = 1; // (0, 0): d2 100, roughness 1: f capped, step 1, 72
    map.visible[1] = 1; // (1, 0): roughness 0, one quad
    map.roughness[1] = 0.0f;
    map.visible[2 + 4 * 2] = 1; // (2, 2): d2 108, f = 1024 / 108 x 0.085 = 0.806: step 2, 20
    map.roughness[2 + 4 * 2] = 0.085f;
    map.visible[3 + 4 * 3] = 2; // not exactly 1
    map.visible[0 + 4 * 2] = 255;
    EXPECT_EQ(drawTerrain(map, eye, 1.0f), 72 + 1 + 20);
    EXPECT_EQ(pixelAt(0.4f, 2.4f)[0] + pixelAt(3.4f, 3.4f)[0], 0);
    EXPECT_EQ(pixelAt(2.4f, 2.4f)[0], 255);
    // Step 1 draws one band of the next cell row too (y 0.94 .. 1.06), one quad does not.
    EXPECT_EQ(pixelAt(0.4f, 1.0f)[0], 255);
    EXPECT_EQ(pixelAt(1.4f, 1.0f)[0], 0);
    EXPECT_EQ(drawTerrain(map, eye, 0.5f), 72 + 1 + 1); // (2, 2): f = 0.403, n 3: one quad
    map.heights[2 + 4 * 2] = 10.0f;                     // the distance is from the grid point's height: d2 8
    EXPECT_EQ(drawTerrain(map, eye, 1.0f), 72 + 1 + 72);
    TerrainMap empty; // a failed heightmap load: nothing to draw
    EXPECT_EQ(drawTerrain(empty, eye, 1.0f), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// One unit: texture times vertex colour. Four units:
// T3 * (A * (C * T0 + (1 - C) * T1) + (1 - A) * T2) with pure colours per unit.
TEST_F(DrawTerrain, TexturesBlendAsTabulated)
{
    const std::vector<Texel> red = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    const auto withLight = [&](uint8_t light) {
        auto t = red;
        t.push_back({light});
        return t;
    };
    struct Case {
        std::vector<Texel> textures;
        std::array<uint8_t, 4> colour;
        std::array<int, 3> expected;
    };
    const Case cases[] = {
        {{{200, 100, 50}}, {128, 128, 128, 255}, {100, 50, 25}}, // (200, 100, 50) x 128 / 255
        {withLight(255), {255, 255, 255, 255}, {255, 0, 0}},     // C = 1, A = 1: base tile
        {withLight(255), {0, 0, 0, 255}, {0, 255, 0}},           // C = 0: first detail tile
        {withLight(255), {255, 255, 255, 0}, {0, 0, 255}},       // A = 0: second detail tile
        {withLight(128), {255, 255, 255, 255}, {128, 0, 0}},     // the light texture halves it
        {withLight(64), {0, 0, 0, 0}, {0, 0, 64}},
    };
    for (const Case& c : cases) {
        TerrainMap map = makeTerrain(4, 0.0f, c.textures, c.colour);
        map.visible.assign(16, 1);
        view(kAbove);
        EXPECT_EQ(drawTerrain(map, Vec3{2, 2, 1000}, 1.0f), 16); // roughness 0: one quad each
        for (const auto& [x, y] : {std::pair{0.5f, 0.5f}, {3.2f, 1.7f}})
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(pixelAt(x, y)[k], c.expected[k], 2)
                    << "case " << (&c - cases) << " channel " << k;
        EXPECT_EQ(pixelAt(4.2f, 4.2f), (std::array<int, 3>{})); // beyond the mesh
    }
    // The light texture spans the grid once, s = (x + 0.2) / 4: its dark left
    // texel up to x = 1.8, its bright right one beyond.
    TerrainMap map = makeTerrain(4, 0.0f, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {128, 255}});
    map.visible.assign(16, 1);
    view(kAbove);
    drawTerrain(map, Vec3{2, 2, 1000}, 1.0f);
    EXPECT_EQ((std::array<int, 2>{pixelAt(1.0f, 0.5f)[0], pixelAt(3.0f, 3.5f)[0]}),
              (std::array<int, 2>{128, 255}));
}

TEST_F(DrawTerrain, LeavesTheDescribedStateOnEveryPath)
{
    const auto integer = [](GLenum name) {
        GLint value = 0;
        glGetIntegerv(name, &value);
        return value;
    };
    const auto textureMatrix = [] {
        std::vector<float> m(16);
        glGetFloatv(GL_TEXTURE_MATRIX, m.data());
        return m;
    };
    const auto scale = [](float s) {
        return std::vector<float>{s, 0, 0, 0, 0, s, 0, 0, 0, 0, s, 0, 0, 0, 0, 1};
    };
    for (const auto& [fourUnits, buffers] :
         {std::pair{false, false}, {false, true}, {true, false}, {true, true}}) {
        SCOPED_TRACE(testing::Message() << "fourUnits " << fourUnits << " buffers " << buffers);
        TerrainMap map = fourUnits ? makeTerrain(4, 1.0f, kFourWhite) : makeTerrain(4, 1.0f);
        map.visible.assign(16, 1);
        if (buffers) createVertexBuffers(map, RenderCaps{true, false});
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
        view(kAbove);
        EXPECT_EQ(drawTerrain(map, Vec3{2, 2, 3}, 1.0f), 16);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        EXPECT_FALSE(glIsEnabled(GL_CULL_FACE) || glIsEnabled(GL_VERTEX_ARRAY) ||
                     glIsEnabled(GL_COLOR_ARRAY));
        EXPECT_EQ(integer(GL_CULL_FACE_MODE), GL_FRONT);
        EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
        EXPECT_EQ(integer(GL_ACTIVE_TEXTURE_ARB), GL_TEXTURE0_ARB);
        EXPECT_EQ(integer(GL_CLIENT_ACTIVE_TEXTURE_ARB), GL_TEXTURE0_ARB);
        EXPECT_EQ(GLuint(integer(GL_ARRAY_BUFFER_BINDING_ARB)), buffers ? map.colourBuffer : 0u);
        EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), fourUnits ? GL_TRUE : GL_FALSE);
        EXPECT_EQ(textureMatrix(), scale(0.1f)); // unit 0 keeps it for the models drawn next
        GLint mode = 0;
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
        EXPECT_EQ(mode, GL_MODULATE);
        for (int unit = fourUnits ? 1 : 4; unit < 4; ++unit) {
            glActiveTextureARB(GL_TEXTURE0_ARB + unit);
            EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << unit;
            // The detail tiles repeat every 1 / 0.18 and 1 / 0.15 units; the light
            // texture spans the grid once: scale (1/4, 1/4, 0), then translate (0.2, 0.2, 0).
            const std::vector<float> light = {0.25f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, 0, 0, 0.05f, 0.05f, 0, 1};
            EXPECT_EQ(textureMatrix(), unit == 3 ? light : scale(unit == 1 ? 0.18f : 0.15f)) << unit;
        }
        glActiveTextureARB(GL_TEXTURE0_ARB);
        for (int unit = 0; unit < 4; ++unit) {
            glClientActiveTextureARB(GL_TEXTURE0_ARB + unit);
            EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY)) << unit;
        }
        glClientActiveTextureARB(GL_TEXTURE0_ARB);
    }
}

// The generator's own 128 x 128 mesh with and without buffer objects, every
// cell marked (the last row too, whose step-4 bands reach mesh row 1028),
// seen from veldrun's start view: the same quads and the same picture.
TEST_F(DrawTerrain, BufferObjectsAndClientArraysDrawTheSameFrame)
{
    std::mt19937 rng(5);
    std::vector<uint8_t> bytes(128 * 128);
    for (uint8_t& b : bytes)
        b = uint8_t(rng() % 256);
    for (bool fourUnits : {false, true}) {
        std::vector<uint8_t> frames[2];
        int quads[2] = {};
        for (int i = 0; i < 2; ++i) {
            TerrainMap map =
                makeTerrain(1, 0.0f, fourUnits ? kFourWhite : std::vector<Texel>{{255, 255, 255}});
            map.loadHeightmapBytes(bytes.data(), bytes.size());
            generateMesh(map, RenderCaps{i == 1, fourUnits});
            ASSERT_EQ(map.usesVertexBuffers, i == 1);
            map.visible.assign(16384, 1);
            const Vec3 eye{32.0f, 32.0f, map.gridHeight(32, 32) + 16.0f};
            view({250.0}, eye, Vec3{32.0f, 48.0f, 0.0f});
            quads[i] = drawTerrain(map, eye, 1.0f);
            frames[i] = readFrame();
            EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        }
        EXPECT_EQ(quads[0], quads[1]) << fourUnits;
        EXPECT_GT(quads[0], 128 * 128); // rough random terrain: many cells finer than a quad
        EXPECT_GT(litCount(frames[0]), size_t(kSize * kSize / 2)) << fourUnits;
        EXPECT_TRUE(frames[0] == frames[1]) << fourUnits;
    }
}

TEST_F(DrawTerrain, CursorPickAndHighlight)
{
    // 8 x 8 flat terrain at height 2, seen from 18 above its middle.
    TerrainMap map = makeTerrain(8, 2.0f);
    map.visible.assign(64, 1);
    view({100.0}, Vec3{4.0f, 4.0f, 20.0f}, Vec3{4.0f, 4.001f, 0.0f});
    drawTerrain(map, Vec3{4, 4, 20}, 1.0f);
    // Client (32, 96) is window (32, 31): ndc (-0.5, -0.515625) at 18 tan(22.5) a side.
    const double half = std::tan(22.5 * M_PI / 180.0) * 18.0;
    const Vec3 p = pickPointAt(32, 96);
    EXPECT_NEAR(p.x, 4.0 - 0.5 * half, 0.02);
    EXPECT_NEAR(p.y, 4.0 - 0.515625 * half, 0.03);
    EXPECT_NEAR(p.z, 2.0, 0.02);

    // The highlight covers mesh columns and rows 1016 .. 1023 of cell (127, 127):
    // 126.9375 .. 127.8125, with both array paths; cells outside the grid draw nothing.
    for (bool buffers : {false, true}) {
        TerrainMap big = makeTerrain(128, 1.0f, {});
        if (buffers) createVertexBuffers(big, RenderCaps{true, false});
        view({125.0, 129.0, 125.0, 129.0}); // 32 pixels per unit
        glDisable(GL_DEPTH_TEST);
        glColor3f(1.0f, 0.0f, 0.0f);
        for (const auto& [x, y] : {std::pair{128, 0}, {0, -1}, {-1, 5}, {127, 128}})
            highlightCell(big, x, y);
        EXPECT_EQ(litCount(readFrame()), 0u);
        highlightCell(big, 127, 127);
        const std::vector<uint8_t> frame = readFrame();
        for (int i = 0; i < kSize * kSize; ++i) {
            const double x = 125.0 + (i % kSize + 0.5) / 32.0, y = 125.0 + (i / kSize + 0.5) / 32.0;
            const bool inside = x > 126.9375 && x < 127.8125 && y > 126.9375 && y < 127.8125;
            ASSERT_EQ(frame[size_t(4 * i)], inside ? 255 : 0) << i;
        }
        EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
        GLint bound = 0;
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING_ARB, &bound);
        EXPECT_EQ(GLuint(bound), buffers ? big.vertexBuffer : 0u);
    }
}
