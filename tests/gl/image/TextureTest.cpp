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

// The bound texture, its filters and the active unit's environment.
std::tuple<GLint, GLint, GLint, GLint> bindingFiltersAndEnvironment()
{
    GLint minFilter = 0, magFilter = 0, mode = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    return {integer(GL_TEXTURE_BINDING_2D), minFilter, magFilter, mode};
}

} // namespace

// Starting from a texture of our own bound, an environment that is not GL_MODULATE and an unpack
// alignment that rows of 6 bytes do not meet. The context's largest texture bounds the readers: one
// pixel wider is refused with the reader's failure before anything is decoded, and slot, binding
// and environment stay as they were. A file that loads becomes a new bound texture whose level 0
// holds the pixels in file row order, with a mipmap chain, filtered as asked, the active unit's
// environment GL_MODULATE. 32 bits give RGBA.
TEST(Texture, FilesBecomeBoundMipmappedTexturesUpToTheLargestSide)
{
    GlTestContext gl{64, 64};
    ASSERT_TRUE(gl.valid());
    std::vector<std::string> shown;
    platform::SetMessageBoxHandler([&shown](std::string_view text, auto...) {
        shown.emplace_back(text);
        return platform::Answer::Ok;
    });
    const TempDir dir;
    GLuint before = 0;
    glGenTextures(1, &before);
    glBindTexture(GL_TEXTURE_2D, before);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);

    const GLint largest = integer(GL_MAX_TEXTURE_SIZE);
    EXPECT_EQ(CurrentImageLimits().maxSide, largest);
    const uint16_t width = uint16_t(std::min<GLint>(largest + 1, 65535));
    uint32_t slot = 777;
    EXPECT_FALSE(
        LoadTexture(dir.write("wide.tga", tga(2, width, 1, 24, Bytes(width * 3u, 7))).c_str(), slot));
    EXPECT_EQ(slot, 777u);
    EXPECT_EQ(bindingFiltersAndEnvironment(),
              std::tuple(GLint(before), GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR, GL_REPLACE));
    EXPECT_EQ(shown, std::vector<std::string>{"Unable to load TGA File!"});

    const Bytes tile = Dib{2, 2, 24, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}}.bytes();
    ASSERT_TRUE(LoadTexture(dir.write("tile.bmp", tile).c_str(), slot));
    EXPECT_NE(slot, before);
    EXPECT_EQ(bindingFiltersAndEnvironment(),
              std::tuple(GLint(slot), GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_MODULATE));
    EXPECT_EQ(integer(GL_UNPACK_ALIGNMENT), 1);
    Bytes texels(12);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(texels, (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));
    GLint levelOneWidth = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &levelOneWidth);
    EXPECT_EQ(levelOneWidth, 1);

    const std::string alpha = dir.write("alpha.tga", tga(2, 1, 1, 32, {10, 20, 30, 40}));
    ASSERT_TRUE(LoadTexture(alpha.c_str(), slot, GL_NEAREST_MIPMAP_NEAREST));
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(Bytes(texels.begin(), texels.begin() + 4), (Bytes{30, 20, 10, 40}));
    EXPECT_EQ(std::get<1>(bindingFiltersAndEnvironment()), GL_NEAREST_MIPMAP_NEAREST);
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    platform::SetMessageBoxHandler({});
}
