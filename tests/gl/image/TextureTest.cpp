#include "image/Texture.h"
#include "platform/GlApi.h"
#include "platform/Platform.h"
#include "tests/support/GlTestContext.h"
#include "tests/unit/image/ImageFiles.h"

#include <gtest/gtest.h>

namespace {

GLint textureLevelInt(GLint level, GLenum what)
{
    GLint value = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, what, &value);
    return value;
}

GLint textureInt(GLenum what)
{
    GLint value = -1;
    glGetTexParameteriv(GL_TEXTURE_2D, what, &value);
    return value;
}

GLint boundTexture()
{
    GLint name = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

GLint envMode()
{
    GLint mode = -1;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    return mode;
}

// Level 0 of the bound texture, n bytes in the given format, rows unpadded.
std::vector<uint8_t> level0(GLenum format, size_t n)
{
    std::vector<uint8_t> texels(n);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

// Raw TGA of width x height with pixels as stored (blue, green, red (, alpha)).
std::vector<uint8_t> tga(uint16_t width, uint16_t height, uint8_t bits, const std::vector<uint8_t>& stored)
{
    std::vector<uint8_t> file = tgaHeader(2, width, height, bits);
    file.insert(file.end(), stored.begin(), stored.end());
    return file;
}

class Texture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gl.valid());
        platform::SetMessageBoxHandler(
            [this](std::string_view text, std::string_view caption, platform::Buttons, platform::Icon) {
                shown.push_back(std::string(caption) + ": " + std::string(text));
                return platform::Answer::Ok;
            });
        // A texture of our own, bound, and an environment that is not GL_MODULATE.
        glGenTextures(1, &before);
        glBindTexture(GL_TEXTURE_2D, before);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    }
    void TearDown() override { platform::SetMessageBoxHandler({}); }

    // A failed load: false, no error raised, slot, binding and environment unchanged.
    void expectNoTexture(const std::string& name)
    {
        uint32_t slot = 777;
        EXPECT_FALSE(LoadTexture(name.c_str(), slot)) << name;
        EXPECT_EQ(slot, 777u);
        EXPECT_EQ(boundTexture(), GLint(before));
        EXPECT_EQ(envMode(), GL_REPLACE);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }

    GlTestContext gl{64, 64};
    ScratchDir dir{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    std::vector<std::string> shown;
    GLuint before = 0;
};

} // namespace

TEST_F(Texture, TgaBecomesMipmappedBoundTexture)
{
    std::vector<uint8_t> stored(8 * 4 * 3);
    for (size_t i = 0; i < stored.size(); ++i)
        stored[i] = uint8_t(i * 7);
    const std::string path = dir.write("tile.tga", tga(8, 4, 24, stored));
    uint32_t slot = 0;
    ASSERT_TRUE(LoadTexture(path.c_str(), slot));
    EXPECT_NE(slot, 0u);
    EXPECT_NE(slot, before);
    EXPECT_EQ(boundTexture(), GLint(slot));
    EXPECT_EQ(textureLevelInt(0, GL_TEXTURE_WIDTH), 8);
    EXPECT_EQ(textureLevelInt(0, GL_TEXTURE_HEIGHT), 4);
    EXPECT_EQ(textureLevelInt(1, GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(textureLevelInt(1, GL_TEXTURE_HEIGHT), 2);
    EXPECT_EQ(textureLevelInt(3, GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(textureLevelInt(0, GL_TEXTURE_ALPHA_SIZE), 0);
    EXPECT_EQ(textureInt(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(textureInt(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(textureInt(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(textureInt(GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(envMode(), GL_MODULATE);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 1);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Rows of 6 bytes only land right with an unpack alignment of 1; rows stay in file order.
TEST_F(Texture, TexelsMatchTheFileInFileRowOrder)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    const std::string path = dir.write("px.tga", tga(2, 2, 24, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    uint32_t slot = 0;
    ASSERT_TRUE(LoadTexture(path.c_str(), slot));
    EXPECT_EQ(level0(GL_RGB, 12), (std::vector<uint8_t>{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));
    EXPECT_EQ(textureLevelInt(1, GL_TEXTURE_WIDTH), 1);
}

TEST_F(Texture, ThirtyTwoBitTgaHasAlphaAndTheMinFilterArgumentCounts)
{
    const std::string path = dir.write("a.tga", tga(1, 1, 32, {10, 20, 30, 40}));
    uint32_t slot = 0;
    ASSERT_TRUE(LoadTexture(path.c_str(), slot, GL_NEAREST_MIPMAP_NEAREST));
    EXPECT_GT(textureLevelInt(0, GL_TEXTURE_ALPHA_SIZE), 0);
    EXPECT_EQ(level0(GL_RGBA, 4), (std::vector<uint8_t>{30, 20, 10, 40}));
    EXPECT_EQ(textureInt(GL_TEXTURE_MIN_FILTER), GL_NEAREST_MIPMAP_NEAREST);
    EXPECT_EQ(textureInt(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
}

TEST_F(Texture, BmpThroughThePaletteConversion)
{
    InfoDib dib;
    dib.width = 2;
    dib.height = 2;
    dib.bitCount = 8;
    dib.colorsUsed = 2;
    dib.palette = {30, 20, 10, 0, 60, 50, 40, 0};
    dib.pixels = {0, 1, 0, 0, 1, 1, 0, 0};
    uint32_t slot = 0;
    ASSERT_TRUE(LoadTexture(dir.write("skin.bmp", dib.bytes()).c_str(), slot));
    EXPECT_EQ(boundTexture(), GLint(slot));
    EXPECT_EQ(textureLevelInt(0, GL_TEXTURE_ALPHA_SIZE), 0);
    EXPECT_EQ(level0(GL_RGB, 12), (std::vector<uint8_t>{10, 20, 30, 40, 50, 60, 40, 50, 60, 40, 50, 60}));
}

// Sides that are not powers of two are scaled by the mipmap builder.
TEST_F(Texture, OddSizesAreScaled)
{
    const std::string path = dir.write("odd.tga", tga(5, 3, 24, std::vector<uint8_t>(45, 99)));
    uint32_t slot = 0;
    ASSERT_TRUE(LoadTexture(path.c_str(), slot));
    const GLint width = textureLevelInt(0, GL_TEXTURE_WIDTH);
    const GLint height = textureLevelInt(0, GL_TEXTURE_HEIGHT);
    EXPECT_EQ(width & (width - 1), 0);
    EXPECT_EQ(height & (height - 1), 0);
    EXPECT_GT(textureLevelInt(1, GL_TEXTURE_WIDTH), 0);
}

TEST_F(Texture, FailuresLeaveSlotAndBindingAlone)
{
    const std::vector<uint8_t> good = tga(1, 1, 24, {1, 2, 3});
    expectNoTexture(dir.file("missing.tga"));
    expectNoTexture(dir.file("missing.bmp"));
    expectNoTexture(dir.file("missing.tga.bmp"));
    EXPECT_EQ(shown,
              (std::vector<std::string>{"Error: Unable to load TGA File!", "Error: Unable to load BMP File!",
                                        "Error: Unable to load TGA File!"}));
    shown.clear();

    // No message for these.
    expectNoTexture(dir.write("UPPER.TGA", good));
    expectNoTexture(dir.write("photo.jpg.tga", good));
    expectNoTexture(dir.write("image.png", good));
    expectNoTexture(dir.write("palette.tga", tga(1, 1, 8, {0})));
    expectNoTexture("");
    uint32_t slot = 5;
    EXPECT_FALSE(LoadTexture(nullptr, slot));
    EXPECT_EQ(slot, 5u);
    EXPECT_TRUE(shown.empty());

    // A broken bitmap: its message, and still no texture.
    expectNoTexture(dir.write("empty.bmp", {}));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Error: Failed to open DIB file " + dir.file("empty.bmp") + ".\n");
}

// The context's largest texture bounds the readers: one pixel wider is refused
// with the reader's failure, before anything is decoded or uploaded.
TEST_F(Texture, ImagesWiderThanTheLargestTextureAreRefused)
{
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    ASSERT_GT(largest, 0);
    EXPECT_EQ(CurrentImageLimits().maxSide, largest);
    const uint16_t width = uint16_t(std::min<GLint>(largest + 1, 65535));
    expectNoTexture(dir.write("wide.tga", tga(width, 1, 24, std::vector<uint8_t>(size_t(width) * 3, 7))));
    EXPECT_EQ(shown, (std::vector<std::string>{"Error: Unable to load TGA File!"}));
}
