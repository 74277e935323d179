#include "models/Md2Normals.h"
#include "models/Units.h"
#include "platform/GlApi.h"
#include "platform/Platform.h"
#include "tests/support/GlTestContext.h"
#include "tests/unit/models/Md2Builder.h"
#include "view/Frustum.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace md2test;

namespace {

constexpr int kSide = 128;

// A square model in the z = 0 plane: frame f covers x in [xFrom[f], xFrom[f] + 100]
// and y in [0, 200] model units (halved by Unit::Draw). Texture coordinates run
// s 0..skinwidth left to right, t 0..skinheight bottom to top.
Md2Model squareModel(std::vector<uint8_t> xFrom)
{
    Md2Layout s;
    s.skinwidth = 2;
    s.skinheight = 2;
    s.texCoords = {{0, 0}, {2, 0}, {2, 2}, {0, 2}};
    s.triangles = {{0, 1, 2, 0, 1, 2}, {0, 2, 3, 0, 2, 3}};
    for (uint8_t x0 : xFrom) {
        FrameSpec f;
        const uint8_t x1 = static_cast<uint8_t>(x0 + 100);
        f.vertices = {{x0, 0, 0, 5}, {x1, 0, 0, 5}, {x1, 200, 0, 5}, {x0, 200, 0, 100}};
        s.frames.push_back(f);
    }
    Md2Model m;
    EXPECT_TRUE(parseMd2(build(s), m));
    return m;
}

// 2 x 2 skin, nearest filtering: left column red, right column green.
GLuint twoColourSkin()
{
    const uint8_t texels[] = {255, 0, 0, 0, 255, 0, 255, 0, 0, 0, 255, 0};
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    return name;
}

// World units 0..128 on both axes map onto the 128 x 128 pixels.
void orthoView()
{
    glViewport(0, 0, kSide, kSide);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kSide, 0, kSide, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glColor3f(1.0f, 1.0f, 1.0f);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

// What the terrain drawing leaves behind: unit 0's texture matrix at scale 0.1.
void terrainTextureMatrix()
{
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glScalef(0.1f, 0.1f, 0.1f);
    glMatrixMode(GL_MODELVIEW);
}

std::array<uint8_t, 3> pixel(int x, int y)
{
    uint8_t p[4] = {};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
}

constexpr std::array<uint8_t, 3> kRed{255, 0, 0}, kGreen{0, 255, 0}, kClear{0, 0, 255};

// Every piece of state a drawing call would change, to prove it made none.
struct GlSnapshot {
    GLint boundTexture = 0, matrixMode = 0, textureStackDepth = 0, modelviewStackDepth = 0, cullFaceMode = 0;
    GLboolean texture2d = 0, cullFace = 0;
    std::array<GLfloat, 4> texCoord{}, normal{};
    std::array<GLfloat, 16> textureMatrix{}, modelview{};
    std::vector<uint8_t> pixels;

    static GlSnapshot take()
    {
        GlSnapshot s;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.boundTexture);
        glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
        glGetIntegerv(GL_TEXTURE_STACK_DEPTH, &s.textureStackDepth);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &s.modelviewStackDepth);
        glGetIntegerv(GL_CULL_FACE_MODE, &s.cullFaceMode);
        s.texture2d = glIsEnabled(GL_TEXTURE_2D);
        s.cullFace = glIsEnabled(GL_CULL_FACE);
        glGetFloatv(GL_CURRENT_TEXTURE_COORDS, s.texCoord.data());
        glGetFloatv(GL_CURRENT_NORMAL, s.normal.data());
        glGetFloatv(GL_TEXTURE_MATRIX, s.textureMatrix.data());
        glGetFloatv(GL_MODELVIEW_MATRIX, s.modelview.data());
        s.pixels.resize(kSide * kSide * 4);
        glReadPixels(0, 0, kSide, kSide, GL_RGBA, GL_UNSIGNED_BYTE, s.pixels.data());
        return s;
    }
    bool operator==(const GlSnapshot&) const = default;
};

// State chosen to differ from everything RenderFrame sets.
void distinctState(GLuint otherTexture)
{
    glBindTexture(GL_TEXTURE_2D, otherTexture);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glTexCoord2f(0.25f, 0.75f);
    glNormal3f(0.0f, 1.0f, 0.0f);
}

class ModelDraw : public ::testing::Test {
protected:
    GlTestContext gl{kSide, kSide};
    void SetUp() override
    {
        ASSERT_TRUE(gl.valid());
        orthoView();
    }
};

} // namespace

TEST_F(ModelDraw, OutOfRangeFramesMakeNoGlCall)
{
    Md2Model m = squareModel({0, 20});
    m.skinTexture = twoColourSkin();
    const GLuint other = twoColourSkin();
    distinctState(other);
    const GlSnapshot before = GlSnapshot::take();
    m.RenderFrame(-1.0f);
    m.RenderFrame(2.0f); // num_frames
    m.RenderFrame(1.0e9f);
    EXPECT_TRUE(GlSnapshot::take() == before);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // Frame 1.9 is frame 1: drawn, and the state is set as documented.
    m.RenderFrame(1.9f);
    const GlSnapshot after = GlSnapshot::take();
    EXPECT_EQ(static_cast<GLuint>(after.boundTexture), m.skinTexture);
    EXPECT_TRUE(after.texture2d);
    EXPECT_FALSE(after.cullFace);
    EXPECT_EQ(after.cullFaceMode, GL_FRONT);
    // Last corner: vertex 3 (normal row 100) with texture record (0, 2) -> (0, -(1 - 1)).
    EXPECT_EQ(after.texCoord[0], 0.0f);
    EXPECT_EQ(after.texCoord[1], 0.0f);
    for (int i = 0; i < 3; ++i)
        EXPECT_FLOAT_EQ(after.normal[size_t(i)], kMd2Normals[100][i]);
}

TEST_F(ModelDraw, FailedLoadDrawsNothing)
{
    Md2Layout s;
    s.version = 7;
    s.frames = {rampFrame(0, 3)};
    s.texCoords = {{0, 0}};
    s.triangles = {{0, 1, 2, 0, 0, 0}};
    Md2Model m;
    EXPECT_FALSE(parseMd2(build(s), m));
    UnitPresets presets;
    presets[0].model = m;
    UnitList units;
    AddUnit(units, presets, 10.0f, 10.0f, 0.0f, 0);
    AddUnit(units, presets, 10.0f, 10.0f, 0.0f, 12); // no preset at all
    distinctState(0);
    const GlSnapshot before = GlSnapshot::take();
    m.Animate(0.0f, 0.0f);
    m.RenderFrame(0.0f);
    for (const Unit& u : units) {
        u.Draw();
        Frustum everything;
        for (Plane& p : everything.planes)
            p.d = 1.0f; // every point in front
        u.DrawCulled(everything);
    }
    EXPECT_TRUE(GlSnapshot::take() == before);
}

TEST_F(ModelDraw, SkinIsSampledWholeDespiteTheTerrainsTextureMatrix)
{
    UnitPresets presets;
    presets[0].model = squareModel({0});
    presets[0].model.skinTexture = twoColourSkin();
    presets[0].model.SetAnimation(0, 0.0f);
    UnitList units;
    AddUnit(units, presets, 10.0f, 20.0f, 0.0f, 0);
    terrainTextureMatrix();
    const GlSnapshot before = GlSnapshot::take();
    units[0].Draw();

    // The square spans x 10..60, y 20..120 on screen: left half red, right half green.
    EXPECT_EQ(pixel(20, 60), kRed);
    EXPECT_EQ(pixel(50, 60), kGreen);
    EXPECT_EQ(pixel(50, 110), kGreen);
    EXPECT_EQ(pixel(5, 60), kClear);
    EXPECT_EQ(pixel(65, 60), kClear);
    EXPECT_EQ(pixel(30, 125), kClear);

    // The terrain's texture matrix, the modelview matrix and the matrix mode are back.
    const GlSnapshot after = GlSnapshot::take();
    EXPECT_EQ(after.matrixMode, GL_MODELVIEW);
    EXPECT_EQ(after.textureMatrix, before.textureMatrix);
    EXPECT_EQ(after.modelview, before.modelview);
    EXPECT_EQ(after.modelviewStackDepth, before.modelviewStackDepth);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ModelDraw, StaticModelsDrawFrameZeroAndAnimatedOnesThePose)
{
    // Frame 0 covers x 0..100, frame 1 x 100..200 (model units), halved on screen.
    UnitPresets presets;
    presets[0].model = squareModel({0, 100});
    presets[0].model.skinTexture = twoColourSkin();
    presets[0].model.isStatic = true;
    presets[0].model.currentFrame = 1;
    UnitList units;
    AddUnit(units, presets, 0.0f, 0.0f, 0.0f, 0);
    units[0].Draw();
    EXPECT_NE(pixel(25, 50), kClear);
    EXPECT_EQ(pixel(75, 50), kClear);
    EXPECT_EQ(presets[0].model.currentFrame, 1);

    // Not static: the pose half way from frame 0 to frame 1 (x 50..150 model units).
    orthoView();
    presets[0].model.isStatic = false;
    presets[0].model.currentFrame = 0;
    presets[0].model.SetAnimation(Md2Animation{0, 1, 10, 1}, 0.0f);
    presets[0].model.Animate(1.0f, 101.0f); // the first step: current 0, next 1
    ASSERT_EQ(presets[0].model.nextFrame, 1);
    orthoView();
    presets[0].model.Animate(1.0f, 151.0f);
    EXPECT_FLOAT_EQ(presets[0].model.blend, 0.5f);
    // Drawn without the unit's transform here: model units are pixels.
    EXPECT_EQ(pixel(45, 50), kClear);
    EXPECT_NE(pixel(55, 50), kClear);
    EXPECT_NE(pixel(120, 50), kClear);
}

TEST_F(ModelDraw, AnimateZeroAfterSetAnimationDrawsFrameZero)
{
    Md2Model m = squareModel({0, 100});
    m.skinTexture = twoColourSkin();
    m.SetAnimation(0, 0.0f);
    m.Animate(0.0f, 0.0f);
    EXPECT_EQ(m.blend, 0.0f);
    EXPECT_EQ(m.pose, m.frames[0].positions);
    EXPECT_EQ(pixel(10, 60), kRed); // model units = pixels: x 0..100, y 0..200
    EXPECT_EQ(pixel(90, 60), kGreen);
    EXPECT_EQ(pixel(110, 60), kClear);

    // RenderFrame itself leaves the texture matrix alone: with scale 0.1 the whole square samples
    // the left texel.
    orthoView();
    terrainTextureMatrix();
    m.RenderFrame(0.0f);
    EXPECT_EQ(pixel(90, 60), kRed);
}

TEST_F(ModelDraw, CulledUnitsDrawNothing)
{
    UnitPresets presets;
    presets[1].model = squareModel({0});
    presets[1].model.skinTexture = twoColourSkin();
    presets[1].model.isStatic = true;
    FoliageList foliage;
    AddFoliage(foliage, presets, 200.0f, 20.0f, 0.0f, 1); // wholly right of the view
    Frustum frustum;
    frustum.extract();
    terrainTextureMatrix();
    distinctState(0);
    const GlSnapshot before = GlSnapshot::take();
    foliage[0].DrawCulled(frustum);
    DrawFoliage(foliage, frustum);
    EXPECT_TRUE(GlSnapshot::take() == before);

    // A second tree in view is drawn; the first still is not.
    AddFoliage(foliage, presets, 10.0f, 20.0f, 0.0f, 1);
    DrawFoliage(foliage, frustum);
    EXPECT_EQ(pixel(20, 60), kRed);
    EXPECT_EQ(pixel(50, 60), kGreen);

    // A box that only reaches into the view by its unscaled half still counts
    // as visible: the unit at x = -60 draws off screen but is not culled.
    orthoView();
    distinctState(0);
    foliage.clear();
    AddFoliage(foliage, presets, -60.0f, 20.0f, 0.0f, 1); // box x -60..40, drawn x -60..-10
    DrawFoliage(foliage, frustum);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), presets[1].model.skinTexture);
    EXPECT_EQ(pixel(5, 60), kClear);
}

namespace {

void writeBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// An uncompressed 24-bit 4 x 4 TGA of one colour.
void writeTga(const std::filesystem::path& path)
{
    std::vector<uint8_t> b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 4, 0, 24, 0};
    b.resize(18 + 4 * 4 * 3, 120);
    writeBytes(path, b);
}

GLint minFilterOf(GLuint texture)
{
    GLint minFilter = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    return minFilter;
}

// Runs in a fresh working directory, capturing console lines and message boxes.
class PresetLoading : public ModelDraw {
protected:
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::path dir;
    std::string console;
    std::vector<std::string> boxes;

    void SetUp() override
    {
        ModelDraw::SetUp();
        char name[] = "/tmp/presets-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        std::filesystem::current_path(dir);
        platform::SetConsoleHandler([this](std::string_view text) { console += text; });
        platform::SetMessageBoxHandler(
            [this](std::string_view text, std::string_view caption, platform::Buttons, platform::Icon) {
                boxes.push_back(std::string(caption) + ": " + std::string(text));
                return platform::Answer::Ok;
            });
    }
    void TearDown() override
    {
        platform::SetConsoleHandler({});
        platform::SetMessageBoxHandler({});
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(dir);
    }
};

} // namespace

TEST_F(PresetLoading, LinesPrintedWhetherOrNotTheFilesLoad)
{
    // Only the tank's files exist.
    std::filesystem::create_directory("tank");
    Md2Layout s;
    s.texCoords = {{0, 0}};
    s.triangles = {{0, 1, 2, 0, 0, 0}};
    s.frames = {rampFrame(1, 3)};
    writeBytes("tank/tank.md2", build(s));
    writeTga("tank/tank.tga");

    UnitPresets presets;
    LoadUnitPresets(presets);
    EXPECT_EQ(console, "Preset TANK loaded with md2 model\nPreset TREE1 loaded with md2 model\n");
    EXPECT_EQ(boxes, (std::vector<std::string>{"Error: Unable to load TGA File!"})); // the tree's skin

    const Md2Model& tank = presets[0].model;
    EXPECT_EQ(tank.frames.size(), 1u);
    EXPECT_NE(tank.skinTexture, 0u);
    EXPECT_FALSE(tank.isStatic);
    EXPECT_EQ(tank.endMode, 2);
    EXPECT_EQ(minFilterOf(tank.skinTexture), GL_LINEAR_MIPMAP_LINEAR);

    const Md2Model& tree = presets[1].model;
    EXPECT_TRUE(tree.isStatic);
    EXPECT_TRUE(tree.frames.empty());
    EXPECT_EQ(tree.skinTexture, 0u);
    EXPECT_FALSE(presets[1].drawable());
    for (size_t i = 2; i < presets.size(); ++i)
        EXPECT_FALSE(presets[i].drawable());

    // The tank-only table of the smaller programs, with their min filter.
    std::filesystem::remove("tank/tank.md2");
    console.clear();
    UnitPresets tankOnly;
    LoadUnitPresets(tankOnly, kTankOnlyPresets, GL_NEAREST_MIPMAP_NEAREST);
    EXPECT_EQ(console, "Preset TANK loaded with md2 model\n");
    EXPECT_TRUE(tankOnly[0].model.frames.empty());
    EXPECT_EQ(minFilterOf(tankOnly[0].model.skinTexture), GL_NEAREST_MIPMAP_NEAREST);
    EXPECT_FALSE(tankOnly[1].model.isStatic);
}
