#include "terrain/TerrainDraw.h"
#include "platform/GlApi.h"
#include "skarnveil/ImmediateDraw.h"
#include "terrain/TerrainCursor.h"
#include "terrain/TerrainMesh.h"
#include "tests/support/GlTestContext.h"
#include "view/Camera.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <random>
#include <vector>

namespace {

constexpr int kSize = 128;
using Texel = std::vector<uint8_t>;

// Textures into the slots given, each a row of RGB texels; four of them make
// the four-unit set-up.
void giveTextures(TerrainMap& map, const std::vector<Texel>& textures)
{
    for (size_t slot = 0; slot < textures.size(); ++slot) {
        glGenTextures(1, &map.textures[slot]);
        glBindTexture(GL_TEXTURE_2D, map.textures[slot]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, GLsizei(textures[slot].size() / 3), 1, 0, GL_RGB,
                     GL_UNSIGNED_BYTE, textures[slot].data());
    }
    map.usesMultitexture = textures.size() == 4;
}

// A flat w x h terrain on the generator's mesh layout (8 steps per grid step,
// from 1/16 before grid point (0, 0)), one colour, roughness 0, no cell marked.
TerrainMap makeTerrain(int w, float height, const std::vector<Texel>& textures,
                       std::array<uint8_t, 4> colour = {255, 255, 255, 255})
{
    const size_t points = size_t(w * w);
    TerrainMap map{.width = w, .height = w, .heights = std::vector<float>(points, height)};
    map.roughness.resize(points);
    map.visible.resize(points);
    allocateMesh(map, false, true);
    computeVertexPositions(map, kMeshOrigin);
    for (size_t i = 0; i < map.colours.size(); ++i)
        map.colours[i] = colour[i % 4];
    giveTextures(map, textures);
    return map;
}

const std::vector<Texel> kWhite(1, {255, 255, 255}), kFourWhite(4, {255, 255, 255});

// Clears the frame and sets the matrices as the frame does: an orthographic
// box, or a 45 degree perspective out to box[0] and the camera's look.
void view(std::array<double, 4> box, const Camera* camera = nullptr)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    camera ? gluPerspective(45.0, 1.0, 1.0, box[0]) : glOrtho(box[0], box[1], box[2], box[3], -100.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (camera) camera->look();
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
    void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }
    GlTestContext gl{kSize, kSize};
};

} // namespace

TEST_F(DrawTerrain, TexturesBlendAsTabulated)
{
    // The light texture spans the grid once, s = (x + 0.2) / 4: its left texel
    // shows up to x = 1.8, its right one, 255, beyond.
    const auto units = [](uint8_t light) {
        return std::vector<Texel>{
            {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {light, light, light, 255, 255, 255}};
    };
    struct Case {
        std::vector<Texel> textures;
        std::array<uint8_t, 4> colour;
        std::array<int, 3> left, right; // at x 0.5 and 3.2
    };
    const Case cases[] = {
        {{{200, 100, 50}}, {128, 128, 128, 255}, {100, 50, 25}, {100, 50, 25}}, // (200, 100, 50) x 128 / 255
        {units(255), {255, 255, 255, 255}, {255, 0, 0}, {255, 0, 0}},           // C = 1, A = 1: base tile
        {units(255), {0, 0, 0, 255}, {0, 255, 0}, {0, 255, 0}},                 // C = 0: first detail tile
        {units(255), {255, 255, 255, 0}, {0, 0, 255}, {0, 0, 255}},             // A = 0: second detail tile
        {units(128), {255, 255, 255, 255}, {128, 0, 0}, {255, 0, 0}},           // the light modulates
    };
    for (const Case& c : cases) {
        TerrainMap map = makeTerrain(4, 0.0f, c.textures, c.colour);
        map.visible.assign(16, 1);
        view(kAbove);
        EXPECT_EQ(drawTerrain(map, Vec3{2, 2, 1000}, 1.0f), 16); // roughness 0: one quad each
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(pixelAt(0.5f, 0.5f)[k], c.left[k], 2) << "case " << (&c - cases) << " channel " << k;
            EXPECT_NEAR(pixelAt(3.2f, 1.7f)[k], c.right[k], 2) << "case " << (&c - cases) << " channel " << k;
        }
        EXPECT_EQ(pixelAt(4.2f, 4.2f), (std::array<int, 3>{})); // beyond the mesh
    }
}

TEST_F(DrawTerrain, DrawsOnlyCellsMarkedOneAndLeavesTheDescribedState)
{
    // Unit 0 keeps its uniform 0.1 texture matrix for the models drawn next; the
    // detail tiles repeat every 1 / 0.18 and 1 / 0.15 units; the light texture
    // spans the grid once: scale (1/4, 1/4, 0), then translate (0.2, 0.2, 0).
    const std::vector<float> matrices[4] = {{0.1f, 0, 0, 0, 0, 0.1f, 0, 0, 0, 0, 0.1f, 0, 0, 0, 0, 1},
                                            {0.18f, 0, 0, 0, 0, 0.18f, 0, 0, 0, 0, 0.18f, 0, 0, 0, 0, 1},
                                            {0.15f, 0, 0, 0, 0, 0.15f, 0, 0, 0, 0, 0.15f, 0, 0, 0, 0, 1},
                                            {0.25f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, 0, 0, 0.05f, 0.05f, 0, 1}};
    const GLenum names[] = {GL_CULL_FACE_MODE, GL_MATRIX_MODE, GL_ACTIVE_TEXTURE_ARB,
                            GL_CLIENT_ACTIVE_TEXTURE_ARB, GL_ARRAY_BUFFER_BINDING_ARB};
    // Open, step 1 draws the cell's first band and one band of the next cell row
    // (y 0.94 .. 1.06), one quad does not, and the cells marked 2 and 255 are
    // not drawn; stitched, the cells after the marked ones in x, y and both
    // are drawn too, uncounted, and no cell reaches past its own square.
    const float probes[][2] = {{0.4f, 0.0f}, {0.4f, 1.0f}, {1.4f, 1.0f},
                               {2.4f, 0.4f}, {0.4f, 1.4f}, {3.4f, 0.4f}};
    const std::vector<int> reds[2] = {{255, 255, 0, 0, 0, 0}, {255, 255, 255, 255, 255, 0}};
    // A light texture of full red keeps the probes' red; the level view draws with it off.
    const std::vector<Texel> fourUnitTextures = {kWhite[0], kWhite[0], kWhite[0], {255, 128, 128}};
    for (const auto& [fourUnits, buffers] :
         {std::pair{false, false}, {false, true}, {true, false}, {true, true}})
        for (const TerrainDrawOptions options : {TerrainDrawOptions{false}, {true}, {true, true}}) {
            SCOPED_TRACE(testing::Message()
                         << "fourUnits " << fourUnits << " buffers " << buffers << " stitched "
                         << options.stitchSeams << " levels " << options.showLevels);
            TerrainMap map = makeTerrain(4, 1.0f, fourUnits ? fourUnitTextures : kWhite);
            if (buffers) createVertexBuffers(map, RenderCaps{true, false});
            glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
            view(kAbove);
            // Cell (0, 0), roughness 1 at d2 100, gets step 1 (72 quads), cell (1, 0)
            // with roughness 0 one quad; bytes 2 and 255 are no marks.
            map.visible = {1, 1, 2, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
            map.roughness[0] = 1.0f;
            EXPECT_EQ(drawTerrain(map, Vec3{0.0f, 0.0f, 11.0f}, 1.0f, options), 72 + 1);
            std::vector<int> red;
            for (const auto& p : probes)
                red.push_back(pixelAt(p[0], p[1])[0]);
            if (!options.showLevels) {
                EXPECT_EQ(red, reds[options.stitchSeams]);
            }
            // The level view: untextured grey, lines red at step 1 and blue at step 8.
            std::map<std::array<int, 3>, int> colours;
            const std::vector<uint8_t> frame = readFrame();
            for (size_t i = 0; i < frame.size(); i += 4)
                ++colours[{frame[i], frame[i + 1], frame[i + 2]}];
            const bool levels = colours[{255, 0, 0}] > 0 && colours[{51, 102, 255}] > 0 &&
                                colours[{76, 76, 76}] > 0 && colours[{255, 255, 255}] == 0;
            EXPECT_EQ(levels, options.showLevels);
            EXPECT_FALSE(glIsEnabled(GL_CULL_FACE) || glIsEnabled(GL_VERTEX_ARRAY) ||
                         glIsEnabled(GL_COLOR_ARRAY));
            std::vector<GLint> values(5);
            for (size_t i = 0; i < 5; ++i)
                glGetIntegerv(names[i], &values[i]);
            EXPECT_EQ(values, (std::vector<GLint>{GL_FRONT, GL_MODELVIEW, GL_TEXTURE0_ARB, GL_TEXTURE0_ARB,
                                                  GLint(buffers ? map.colourBuffer : 0)}));
            for (int unit = fourUnits ? 3 : 0; unit >= 0; --unit) {
                glActiveTextureARB(GL_TEXTURE0_ARB + unit);
                glClientActiveTextureARB(GL_TEXTURE0_ARB + unit);
                std::vector<float> m(16);
                glGetFloatv(GL_TEXTURE_MATRIX, m.data());
                EXPECT_EQ(m, matrices[unit]) << unit;
                // Texturing stays on for unit 0 only with four units; no texture-coordinate array stays on.
                EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), fourUnits && unit == 0) << unit;
                EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY)) << unit;
            }
            GLint mode = 0;
            glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
            EXPECT_EQ(mode, GL_MODULATE);
        }
    TerrainMap empty; // a failed heightmap load: nothing to draw
    EXPECT_EQ(drawTerrain(empty, Vec3{}, 1.0f), 0);
}

// Pixels left at the magenta clear colour (no texture here holds it).
size_t holes(const std::vector<uint8_t>& frame)
{
    size_t count = 0;
    for (size_t i = 0; i < frame.size(); i += 4)
        count += frame[i] == 255 && frame[i + 1] == 0 && frame[i + 2] == 255;
    return count;
}

// The generator's own 128 x 128 mesh of random heights with and without
// buffer objects, every cell marked (the last row too, whose step-4 bands
// reach mesh row 1028), seen from veldrun's start view on a magenta clear
// colour, the ground filling the view: the same quads and the same picture
// either way. A coefficient of 0.2 mixes the steps near the eye: open, the
// cells of different steps leave cracks; stitched, no hole, also with the
// steps the immediate rule of the smaller programs gives.
TEST_F(DrawTerrain, BufferObjectsClientArraysAndImmediateModeLeaveNoHoleStitched)
{
    std::mt19937 rng(5);
    std::vector<uint8_t> bytes(128 * 128);
    for (uint8_t& b : bytes)
        b = uint8_t(rng() % 256);
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
    for (bool fourUnits : {false, true}) {
        std::vector<uint8_t> frames[2][2];
        int quads[2][2] = {};
        for (int i = 0; i < 2; ++i) {
            TerrainMap map;
            map.loadHeightmapBytes(bytes.data(), bytes.size());
            giveTextures(map, fourUnits ? kFourWhite : kWhite);
            if (i == 1) glEnable(0x1234); // a pending GL error must not count against the upload
            EXPECT_FALSE(generateMesh(map, RenderCaps{i == 1, fourUnits}));
            ASSERT_EQ(map.usesVertexBuffers, i == 1);
            map.visible.assign(16384, 1);
            Camera camera;
            camera.set(32, 32, map.gridHeight(32, 32) + 16, 32, 48, 0, 0, 0, 1);
            for (bool stitched : {false, true}) {
                view({250.0}, &camera);
                quads[i][stitched] = drawTerrain(map, camera.eye, 0.2f, {stitched});
                frames[i][stitched] = readFrame();
                if (i == 1) continue;
                view({250.0}, &camera);
                drawImmediateTerrain(
                    map, camera.eye, 0.2f, {stitched},
                    [&map](uint32_t v) { glVertex3fv(meshPosition(map, v)); }, [](int) {});
                EXPECT_EQ(holes(readFrame()) > 0, !stitched) << "immediate " << stitched;
            }
        }
        EXPECT_GT(quads[0][0], 128 * 128); // rough random terrain: many cells finer than a quad
        for (bool stitched : {false, true}) {
            EXPECT_TRUE(quads[0][stitched] == quads[0][0] && quads[1][stitched] == quads[0][0]) << fourUnits;
            EXPECT_GT(litCount(frames[0][stitched]), size_t(kSize * kSize / 2)) << fourUnits;
            EXPECT_TRUE(frames[0][stitched] == frames[1][stitched]) << fourUnits;
            EXPECT_EQ(holes(frames[0][stitched]) > 0, !stitched) << fourUnits;
        }
    }
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

// The frame's order: projection, camera, terrain, then the pick.
TEST_F(DrawTerrain, PickAndHighlight)
{
    // 8 x 8 flat terrain at height 2, seen from 18 above its middle.
    TerrainMap map = makeTerrain(8, 2.0f, kWhite);
    map.visible.assign(64, 1);
    Camera camera;
    camera.set(4, 4, 20, 4, 4.001f, 0, 0, 0, 1);
    view({100.0}, &camera);
    drawTerrain(map, camera.eye, 1.0f);
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
    }
}
