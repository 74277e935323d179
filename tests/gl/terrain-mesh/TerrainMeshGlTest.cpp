#include "platform/GlApi.h"
#include "terrain/TerrainMesh.h"
#include "tests/support/GlTestContext.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

TEST(TerrainMeshGl, BuffersReplaceTheClientArraysAndTheLightTextureHoldsTheTexels)
{
    GlTestContext gl;
    ASSERT_TRUE(gl.valid());
    std::mt19937 rng(42);
    std::vector<uint8_t> bytes(16384);
    for (auto& b : bytes)
        b = uint8_t(rng() % 256);
    TerrainMap map;
    map.loadHeightmapBytes(bytes.data(), bytes.size());
    glEnable(0x1234); // a pending GL_INVALID_ENUM must not count against the upload
    EXPECT_FALSE(generateMesh(map, RenderCaps{true, false}));
    EXPECT_TRUE(map.usesVertexBuffers);
    EXPECT_TRUE(map.vertices.empty() && map.vertices.capacity() == 0 && map.colours.capacity() == 0);
    GLint bound = 0, size = 0;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING_ARB, &bound);
    EXPECT_EQ(GLuint(bound), map.colourBuffer); // left bound for the drawing
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, map.vertexBuffer);
    glGetBufferParameterivARB(GL_ARRAY_BUFFER_ARB, GL_BUFFER_SIZE_ARB, &size);
    EXPECT_EQ(size, 1065024 * 12);

    // The 512 x 512 light texture of the smoothed light, mipmapped, in slot 3.
    glBindTexture(GL_TEXTURE_2D, map.textures[3]);
    std::vector<uint8_t> level0(512 * 512);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, level0.data());
    EXPECT_EQ(level0, lightTexels(map));
    GLint minFilter = 0, lastLevel = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 9, GL_TEXTURE_WIDTH, &lastLevel);
    EXPECT_EQ(lastLevel, 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
