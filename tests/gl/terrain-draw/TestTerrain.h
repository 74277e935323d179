#pragma once

// Terrains made by hand for the drawing tests: the generator's mesh layout
// (8 steps per grid step, mesh starting 1/16 before grid point (0, 0)) with
// heights and colours chosen by the test.

#include "platform/GlApi.h"
#include "terrain/TerrainMap.h"

#include <functional>

using HeightFunction = std::function<float(float x, float y)>;

inline TerrainMap makeTerrain(int w, int h, const HeightFunction& heightAt, const uint8_t colour[4])
{
    TerrainMap map;
    map.width = w;
    map.height = h;
    map.pointCount = static_cast<uint32_t>(w * h);
    map.heights.resize(map.pointCount);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            map.heights[static_cast<size_t>(x + w * y)] =
                heightAt(static_cast<float>(x), static_cast<float>(y));
    map.roughness.assign(map.pointCount, 0.0f);
    map.visible.assign(map.pointCount, 0);
    map.subdivision = 8;
    map.meshColumns = 8 * w + 8;
    map.meshRows = 8 * h + 8;
    map.vertexCount = map.meshColumns * map.meshRows;
    map.vertices.resize(static_cast<size_t>(map.vertexCount) * 3);
    map.colours.resize(static_cast<size_t>(map.vertexCount) * 4);
    for (int r = 0; r < map.meshRows; ++r) {
        for (int c = 0; c < map.meshColumns; ++c) {
            const size_t i = static_cast<size_t>(c + map.meshColumns * r);
            const float x = static_cast<float>(c) * 0.125f - 0.0625f;
            const float y = static_cast<float>(r) * 0.125f - 0.0625f;
            map.vertices[3 * i] = x;
            map.vertices[3 * i + 1] = y;
            map.vertices[3 * i + 2] = heightAt(x, y);
            for (int k = 0; k < 4; ++k)
                map.colours[4 * i + k] = colour[k];
        }
    }
    return map;
}

// Moves positions and colours into two buffer objects as the generator does;
// the colour buffer stays bound.
inline void moveIntoBuffers(TerrainMap& map)
{
    glGenBuffersARB(1, &map.vertexBuffer);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, map.vertexBuffer);
    glBufferDataARB(GL_ARRAY_BUFFER_ARB, static_cast<GLsizeiptr>(map.vertices.size() * 4),
                    map.vertices.data(), GL_STATIC_DRAW_ARB);
    glGenBuffersARB(1, &map.colourBuffer);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, map.colourBuffer);
    glBufferDataARB(GL_ARRAY_BUFFER_ARB, static_cast<GLsizeiptr>(map.colours.size()), map.colours.data(),
                    GL_STATIC_DRAW_ARB);
    map.vertices.clear();
    map.colours.clear();
    map.usesVertexBuffers = true;
}

// A 2 x 2 texture of one colour, no mipmaps (nearest filtering keeps it complete).
inline GLuint makeTexture(uint8_t r, uint8_t g, uint8_t b)
{
    const uint8_t texels[12] = {r, g, b, r, g, b, r, g, b, r, g, b};
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
    return name;
}

inline GLuint makeLuminanceTexture(uint8_t value)
{
    const uint8_t texels[4] = {value, value, value, value};
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, 2, 2, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, texels);
    return name;
}
