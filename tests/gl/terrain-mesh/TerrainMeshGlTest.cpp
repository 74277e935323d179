#include "platform/GlApi.h"
#include "platform/Platform.h"
#include "terrain/TerrainMesh.h"
#include "tests/support/GlTestContext.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

TerrainMap randomMap(unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> dist(0, 255);
    std::vector<uint8_t> bytes(16384);
    for (auto& b : bytes)
        b = static_cast<uint8_t>(dist(rng));
    TerrainMap map;
    map.loadHeightmapBytes(bytes.data(), bytes.size());
    return map;
}

template <typename T> std::vector<T> readBuffer(GLuint buffer, size_t count)
{
    std::vector<T> data(count);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, buffer);
    glGetBufferSubDataARB(GL_ARRAY_BUFFER_ARB, 0, static_cast<GLsizeiptrARB>(count * sizeof(T)), data.data());
    return data;
}

GLint bufferSize(GLuint buffer)
{
    GLint size = 0;
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, buffer);
    glGetBufferParameterivARB(GL_ARRAY_BUFFER_ARB, GL_BUFFER_SIZE_ARB, &size);
    return size;
}

// A 2 x 2 uncompressed 24-bit TGA.
void writeTga(const std::filesystem::path& path)
{
    const uint8_t bytes[18 + 12] = {0, 0,  2, 0,  0,  0,  0,  0,  0,  0,  0,  0,  2,   0,   2,
                                    0, 24, 0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes, 1, sizeof bytes, f);
    std::fclose(f);
}

// Runs the test body inside a scratch working directory with map/test/.
class ScratchDirectory {
public:
    ScratchDirectory()
    {
        previous_ = std::filesystem::current_path();
        dir_ = std::filesystem::temp_directory_path() / ("terrain_mesh_gl_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_ / "map" / "test");
        std::filesystem::current_path(dir_);
    }
    ~ScratchDirectory()
    {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(dir_);
    }

private:
    std::filesystem::path previous_;
    std::filesystem::path dir_;
};

} // namespace

TEST(TerrainMeshGl, BufferObjectsHoldTheClientData)
{
    GlTestContext gl;
    ASSERT_TRUE(gl.valid());
    TerrainMap client = randomMap(42);
    client.usesMultitexture = true;
    EXPECT_FALSE(generateMesh(client, RenderCaps{false, true}));
    EXPECT_FALSE(client.usesVertexBuffers);
    ASSERT_EQ(client.vertices.size(), 3u * 1065024);
    ASSERT_EQ(client.colours.size(), 4u * 1065024);
    EXPECT_EQ(client.vertexBuffer, 0u);
    EXPECT_EQ(client.colourBuffer, 0u);

    TerrainMap buffered = randomMap(42);
    buffered.usesMultitexture = true;
    EXPECT_FALSE(generateMesh(buffered, RenderCaps{true, true})); // false: no GL error
    EXPECT_TRUE(buffered.usesVertexBuffers);
    ASSERT_NE(buffered.vertexBuffer, 0u);
    ASSERT_NE(buffered.colourBuffer, 0u);
    EXPECT_NE(buffered.vertexBuffer, buffered.colourBuffer);
    // The client copies are gone, memory included.
    EXPECT_TRUE(buffered.vertices.empty());
    EXPECT_EQ(buffered.vertices.capacity(), 0u);
    EXPECT_TRUE(buffered.colours.empty());
    EXPECT_EQ(buffered.colours.capacity(), 0u);
    // The colour buffer is left bound for the drawing.
    GLint bound = 0;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING_ARB, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), buffered.colourBuffer);
    GLint usage = 0;
    glGetBufferParameterivARB(GL_ARRAY_BUFFER_ARB, GL_BUFFER_USAGE_ARB, &usage);
    EXPECT_EQ(usage, GL_STATIC_DRAW_ARB);

    EXPECT_EQ(bufferSize(buffered.vertexBuffer), 1065024 * 12);
    EXPECT_EQ(bufferSize(buffered.colourBuffer), 1065024 * 4);
    EXPECT_EQ(readBuffer<float>(buffered.vertexBuffer, client.vertices.size()), client.vertices);
    EXPECT_EQ(readBuffer<uint8_t>(buffered.colourBuffer, client.colours.size()), client.colours);
    // Light, roughness and normals stay in client memory either way.
    EXPECT_EQ(buffered.light, client.light);
    EXPECT_EQ(buffered.roughness, client.roughness);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(TerrainMeshGl, EarlierErrorsDoNotCountAgainstTheUpload)
{
    GlTestContext gl;
    ASSERT_TRUE(gl.valid());
    TerrainMap map = randomMap(3);
    ASSERT_TRUE(computeMesh(map, BakedLight{}));
    glEnable(0x1234); // GL_INVALID_ENUM, pending
    EXPECT_FALSE(createVertexBuffers(map, RenderCaps{true, false}));
    EXPECT_TRUE(map.usesVertexBuffers);
}

TEST(TerrainMeshGl, LightTextureWithMipmapsAndFilters)
{
    GlTestContext gl;
    ASSERT_TRUE(gl.valid());
    TerrainMap map = randomMap(8);
    generateMesh(map, RenderCaps{false, false});
    ASSERT_NE(map.textures[3], 0u);
    EXPECT_TRUE(glIsTexture(map.textures[3]));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), map.textures[3]);
    GLint minFilter = 0, magFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(magFilter, GL_LINEAR);
    GLint wrapS = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
    EXPECT_EQ(wrapS, GL_REPEAT);
    // Every level down to 1 x 1.
    for (int level = 0; level <= 9; ++level) {
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
        EXPECT_EQ(w, 512 >> level) << level;
        EXPECT_EQ(h, 512 >> level) << level;
    }
    GLint luminance = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_LUMINANCE_SIZE, &luminance);
    EXPECT_GT(luminance, 0);
    // Level 0 holds the texels made from the smoothed light.
    std::vector<uint8_t> level0(512 * 512);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, level0.data());
    EXPECT_EQ(level0, lightTexels(map));
    EXPECT_EQ(level0[511 + 512 * 511], static_cast<uint8_t>(map.light[1022 + 1032 * 1022] * 255.0f));
    // Without buffer objects the mesh stays in client memory.
    EXPECT_FALSE(map.usesVertexBuffers);
    EXPECT_EQ(map.vertices.size(), 3u * 1065024);
    EXPECT_EQ(map.colours.size(), 4u * 1065024);
}

TEST(TerrainMeshGl, MissingHeightmapCreatesNoGlObjects)
{
    GlTestContext gl;
    ASSERT_TRUE(gl.valid());
    TerrainMap map;
    ASSERT_FALSE(map.loadHeightmap("no/such/map_qv.raw"));
    EXPECT_FALSE(generateMesh(map, RenderCaps{true, true}));
    EXPECT_EQ(map.textures[3], 0u);
    EXPECT_EQ(map.vertexBuffer, 0u);
    EXPECT_FALSE(map.usesVertexBuffers);
    // The first names a context hands out are still free.
    EXPECT_FALSE(glIsTexture(1));
    EXPECT_FALSE(glIsBufferARB(1));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(TerrainMeshGl, TerrainTexturesFollowTheFourUnitFlag)
{
    GlTestContext gl;
    ASSERT_TRUE(gl.valid());
    ScratchDirectory scratch;
    writeTga("map/test/tile2.tga");
    writeTga("map/test/tile1.tga");
    std::vector<std::string> messages;
    platform::SetMessageBoxHandler(
        [&](std::string_view text, std::string_view, platform::Buttons, platform::Icon) {
            messages.emplace_back(text);
            return platform::Answer::Ok;
        });

    TerrainMap single;
    EXPECT_TRUE(loadTerrainTextures(single, RenderCaps{true, false}));
    EXPECT_NE(single.textures[0], 0u);
    EXPECT_EQ(single.textures[1], 0u);
    EXPECT_EQ(single.textures[2], 0u);
    EXPECT_EQ(single.textures[3], 0u);
    EXPECT_FALSE(single.usesMultitexture);
    EXPECT_TRUE(messages.empty());

    TerrainMap four;
    EXPECT_TRUE(loadTerrainTextures(four, RenderCaps{true, true}));
    EXPECT_NE(four.textures[0], 0u);
    EXPECT_NE(four.textures[1], 0u);
    EXPECT_NE(four.textures[0], four.textures[1]);
    // tile3.tga and lightmap.tga are missing: their slots stay 0, the loader says so.
    EXPECT_EQ(four.textures[2], 0u);
    EXPECT_EQ(four.textures[3], 0u);
    EXPECT_TRUE(four.usesMultitexture);
    EXPECT_EQ(messages.size(), 2u);
    platform::SetMessageBoxHandler({});
}
