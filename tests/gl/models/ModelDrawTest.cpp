#include "models/Units.h"
#include "platform/GlApi.h"
#include "tests/support/GlTestContext.h"
#include "tests/unit/models/Md2Builder.h"
#include "view/Frustum.h"

#include <gtest/gtest.h>

using namespace md2test;

namespace {

constexpr int kSide = 128;
using Pixel = std::array<uint8_t, 3>;
constexpr Pixel kRed{255, 0, 0}, kGreen{0, 255, 0}, kClear{0, 0, 255};

// A square in the z = 0 plane, x 0 to 100 and y 0 to 200 model units; s runs 0..skinwidth left to
// right, t 0..skinheight bottom to top. Its skin is 2 x 2 texels, nearest filtered: left column
// red, right column green.
Md2Model squareModel()
{
    Md2Layout s;
    s.skinwidth = s.skinheight = 2;
    s.texCoords = {{{0, 0}}, {{2, 0}}, {{2, 2}}, {{0, 2}}};
    s.triangles = {{0, 1, 2, 0, 1, 2}, {0, 2, 3, 0, 2, 3}};
    s.frames = {{{1, 1, 1}, {0, 0, 0}, {{0, 0, 0, 5}, {100, 0, 0, 5}, {100, 200, 0, 5}, {0, 200, 0, 100}}}};
    Md2Model m;
    EXPECT_TRUE(parseMd2(build(s), m));
    const uint8_t texels[] = {255, 0, 0, 0, 255, 0, 255, 0, 0, 0, 255, 0};
    glGenTextures(1, &m.skinTexture);
    glBindTexture(GL_TEXTURE_2D, m.skinTexture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    return m;
}

// Every piece of state a model drawing sets or restores, and the picture.
struct GlSnapshot {
    GLint boundTexture = 0, matrixMode = 0, cullFaceMode = 0;
    GLboolean texture2d = 0, cullFace = 0;
    std::array<GLfloat, 4> texCoord{}, normal{};
    std::array<GLfloat, 16> textureMatrix{}, modelview{};
    std::vector<uint8_t> pixels = std::vector<uint8_t>(kSide * kSide * 3);

    GlSnapshot()
    {
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundTexture);
        glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
        glGetIntegerv(GL_CULL_FACE_MODE, &cullFaceMode);
        texture2d = glIsEnabled(GL_TEXTURE_2D);
        cullFace = glIsEnabled(GL_CULL_FACE);
        glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texCoord.data());
        glGetFloatv(GL_CURRENT_NORMAL, normal.data());
        glGetFloatv(GL_TEXTURE_MATRIX, textureMatrix.data());
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview.data());
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kSide, kSide, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    }
    Pixel at(int x, int y) const
    {
        const size_t i = size_t(y * kSide + x) * 3;
        return {pixels[i], pixels[i + 1], pixels[i + 2]};
    }
    bool operator==(const GlSnapshot&) const = default;
};

// World units 0..128 on both axes map onto the pixels. State unlike what drawing sets, and the
// terrain's texture matrix at scale 0.1, which models must not inherit.
class ModelDraw : public ::testing::Test {
protected:
    GlTestContext gl{kSide, kSide};
    UnitPresets presets;
    void SetUp() override
    {
        ASSERT_TRUE(gl.valid());
        glMatrixMode(GL_PROJECTION);
        glOrtho(0, kSide, 0, kSide, -10, 10);
        glMatrixMode(GL_TEXTURE);
        glScalef(0.1f, 0.1f, 0.1f);
        glMatrixMode(GL_MODELVIEW);
        glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_CULL_FACE);
        glTexCoord2f(0.25f, 0.75f);
        glNormal3f(0.0f, 1.0f, 0.0f);
    }
};

} // namespace

// Nothing to draw makes no GL call at all: a frame past the last, a unit whose model did not load
// (the scene's missing tree), a tree wholly outside the view. A unit draws with an identity texture
// matrix, so its skin is sampled whole, at its position and half size; the terrain's texture matrix
// and the modelview matrix are restored. Trees are culled by frame 0's box unscaled, twice the size
// drawn: one that only reaches into the view that way is drawn (off screen) rather than culled.
TEST_F(ModelDraw, UnitsDrawAtHalfSizeWithTheirWholeSkinOrNotAtAll)
{
    presets[1].model = squareModel();
    presets[1].model.isStatic = true;
    UnitList units;
    AddUnit(units, presets, 10.0f, 10.0f, 0.0f, 0); // preset 0 holds no model
    FoliageList trees;
    AddFoliage(trees, presets, 200.0f, 20.0f, 0.0f, 1); // wholly right of the view
    Frustum frustum;
    frustum.extract();
    const GlSnapshot before;
    presets[1].model.RenderFrame(1.0f);
    units[0].Draw();
    units[0].DrawCulled(frustum);
    DrawFoliage(trees, frustum);
    EXPECT_TRUE(GlSnapshot() == before);

    AddFoliage(trees, presets, -60.0f, 20.0f, 0.0f, 1); // box x -60..40, drawn x -60..-10
    trees[1].DrawCulled(frustum);
    EXPECT_EQ(GlSnapshot().boundTexture, GLint(presets[1].model.skinTexture));
    AddFoliage(trees, presets, 10.0f, 20.0f, 0.0f, 1);
    DrawFoliage(trees, frustum);
    const GlSnapshot after;
    EXPECT_EQ(std::tie(after.matrixMode, after.textureMatrix, after.modelview),
              std::tie(before.matrixMode, before.textureMatrix, before.modelview));
    // The square spans x 10..60, y 20..120: left half red, right half green.
    EXPECT_EQ(after.at(20, 60), kRed);
    EXPECT_EQ(after.at(50, 110), kGreen);
    EXPECT_EQ(after.at(5, 60), kClear);
    EXPECT_EQ(after.at(65, 60), kClear);
    EXPECT_EQ(after.at(30, 125), kClear);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
