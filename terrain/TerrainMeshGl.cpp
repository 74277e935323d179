// The GL side of mesh generation: textures and buffer objects. The values
// uploaded here are computed in TerrainMesh.cpp.
#include "image/Texture.h"
#include "platform/GlApi.h"
#include "terrain/TerrainMesh.h"

bool loadTerrainTextures(TerrainMap& map, const RenderCaps& caps, uint32_t minFilter)
{
    LoadTexture("map/test/tile2.tga", map.textures[0], minFilter);
    if (caps.multitextureUsable) {
        LoadTexture("map/test/tile1.tga", map.textures[1], minFilter);
        LoadTexture("map/test/tile3.tga", map.textures[2], minFilter);
        // Replaced by the generated light texture; this one stays allocated unused.
        LoadTexture("map/test/lightmap.tga", map.textures[3], minFilter);
        map.usesMultitexture = true;
    }
    return true;
}

void uploadLightTexture(TerrainMap& map)
{
    const std::vector<uint8_t> texels = lightTexels(map);
    GLuint name = 0;
    glGenTextures(1, &name);
    map.textures[3] = name;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, name);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 1, kLightTextureSize, kLightTextureSize, GL_LUMINANCE, GL_UNSIGNED_BYTE,
                      texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

namespace {

template <typename T> void freeArray(std::vector<T>& array)
{
    array.clear();
    array.shrink_to_fit();
}

} // namespace

bool createVertexBuffers(TerrainMap& map, const RenderCaps& caps)
{
    if (!caps.vboUsable) return false;
    const size_t count = map.vertexCount > 0 ? static_cast<size_t>(map.vertexCount) : 0;
    // Without a complete mesh there is nothing to move; the flag stays false
    // so the drawing never binds buffers that hold nothing.
    if (count == 0 || map.vertices.size() < count * 3 || map.colours.size() < count * 4) return false;
    map.usesVertexBuffers = true;
    // Earlier errors must not count against the upload; bounded in case the
    // context is lost and keeps reporting one.
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {
    }
    glGenBuffersARB(1, &map.vertexBuffer);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, map.vertexBuffer);
    glBufferDataARB(GL_ARRAY_BUFFER_ARB, static_cast<GLsizeiptrARB>(count * 3 * sizeof(float)),
                    map.vertices.data(), GL_STATIC_DRAW_ARB);
    glGenBuffersARB(1, &map.colourBuffer);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, map.colourBuffer);
    glBufferDataARB(GL_ARRAY_BUFFER_ARB, static_cast<GLsizeiptrARB>(count * 4), map.colours.data(),
                    GL_STATIC_DRAW_ARB);
    // The data now lives once, in the buffers; the colour buffer stays bound
    // for the drawing, which binds it last as well.
    freeArray(map.vertices);
    freeArray(map.colours);
    return glGetError() != GL_NO_ERROR;
}

bool generateMesh(TerrainMap& map, const RenderCaps& caps, const BakedLight& light, unsigned threads)
{
    // No grid (the heightmap was missing): no mesh, no texture, no buffers.
    if (!computeMesh(map, light, kMeshOrigin, threads)) return false;
    uploadLightTexture(map);
    return createVertexBuffers(map, caps);
}
