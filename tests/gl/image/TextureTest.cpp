#include "image/Texture.h"
#include "platform/GlApi.h"
#include "platform/Platform.h"
#include "tests/support/GlTestContext.h"
#include "tests/unit/image/ImageFiles.h"

#include <gtest/gtest.h>

namespace {

GLint integer(GLenum what)
{
    GLint value = -1;
    glGetIntegerv(what, &value);
    return value;
}

// The bound texture's filters and the active unit's environment.
std::tuple<GLint, GLint, GLint> filtersAndEnvironment()
{
    GLint minFilter = 0, magFilter = 0, mode = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    return {minFilter, magFilter, mode};
}

// A texture of our own bound, an environment that is not GL_MODULATE, and an unpack alignment
// that rows of 6 bytes do not meet.
class Texture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gl.valid());
        platform::SetMessageBoxHandler([this](std::string_view text, auto...) {
            shown.emplace_back(text);
            return platform::Answer::Ok;
        });
        glGenTextures(1, &before);
        glBindTexture(GL_TEXTURE_2D, before);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    }
    void TearDown() override { platform::SetMessageBoxHandler({}); }

    // A failed load: false, and slot, binding and environment unchanged.
    void expectNoTexture(const char* name)
    {
        uint32_t slot = 777;
        EXPECT_FALSE(LoadTexture(name, slot)) << (name ? name : "null");
        EXPECT_EQ(std::tuple(slot, integer(GL_TEXTURE_BINDING_2D), std::get<2>(filtersAndEnvironment())),
                  std::tuple(777u, GLint(before), GL_REPLACE));
    }

    GlTestContext gl{64, 64};
    ScratchDir dir{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    std::vector<std::string> shown;
    GLuint before = 0;
};

} // namespace

// Level 0 holds the pixels in file row order and a mipmap chain follows; the new texture stays
// bound, filtered as asked, the active unit's environment GL_MODULATE. 32 bits give RGBA.
TEST_F(Texture, FilesBecomeBoundMipmappedTextures)
{
    uint32_t slot = 0;
    const std::string tile = dir.write("tile.tga", tga(2, 2, 2, 24, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    ASSERT_TRUE(LoadTexture(tile.c_str(), slot));
    EXPECT_EQ(std::pair(integer(GL_TEXTURE_BINDING_2D), integer(GL_UNPACK_ALIGNMENT)),
              std::pair(GLint(slot), 1));
    EXPECT_NE(slot, before);
    Bytes texels(12);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(texels, (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));
    GLint levelOneWidth = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &levelOneWidth);
    EXPECT_EQ(levelOneWidth, 1);
    EXPECT_EQ(filtersAndEnvironment(), std::tuple(GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_MODULATE));

    const std::string alpha = dir.write("alpha.tga", tga(2, 1, 1, 32, {10, 20, 30, 40}));
    ASSERT_TRUE(LoadTexture(alpha.c_str(), slot, GL_NEAREST_MIPMAP_NEAREST));
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(Bytes(texels.begin(), texels.begin() + 4), (Bytes{30, 20, 10, 40}));
    EXPECT_EQ(std::get<0>(filtersAndEnvironment()), GL_NEAREST_MIPMAP_NEAREST);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Refusals with and without a message; the context's largest texture bounds the readers: one
// pixel wider is refused with the reader's failure, before anything is decoded or uploaded.
TEST_F(Texture, ImagesWiderThanTheLargestTextureAreRefused)
{
    expectNoTexture(nullptr);
    expectNoTexture(dir.write("palette.tga", tga(1, 1, 1, 8, {0})).c_str());
    EXPECT_TRUE(shown.empty());
    const GLint largest = integer(GL_MAX_TEXTURE_SIZE);
    EXPECT_EQ(CurrentImageLimits().maxSide, largest);
    const uint16_t width = uint16_t(std::min<GLint>(largest + 1, 65535));
    expectNoTexture(dir.write("wide.tga", tga(2, width, 1, 24, Bytes(size_t(width) * 3, 7))).c_str());
    EXPECT_EQ(shown, std::vector<std::string>{"Unable to load TGA File!"});
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
