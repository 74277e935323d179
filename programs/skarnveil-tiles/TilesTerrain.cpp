#include "programs/skarnveil-tiles/TilesTerrain.h"

#include "platform/GlApi.h"
#include "skarnveil/ImmediateDraw.h"
#include "skarnveil/SlopeShade.h"
#include "terrain/TerrainDraw.h"
#include "terrain/TerrainMesh.h"

#include <new>

void computeTilesShade(TerrainMap& map)
{
    if (!shadeValuesPresent(map)) return;
    const size_t columns = static_cast<size_t>(map.meshColumns);
    for (int32_t r = 0; r < map.meshRows; ++r) {
        for (int32_t c = 0; c < map.meshColumns; ++c) {
            const size_t i = static_cast<size_t>(c) + columns * r;
            const double x = map.vertices[3 * i];
            const double y = map.vertices[3 * i + 1];
            const double z = map.vertices[3 * i + 2];
            double shade = 0.0;
            if (c >= 1 && r >= 1) {
                const double previous = map.vertices[3 * (i - columns - 1) + 2];
                shade = 1.0 - (z - previous) * 10.0;
            } else {
                shade = 1.0 - (z - map.heightAt(x - 0.125, y - 0.125)) * 0.25;
            }
            map.light[i] = clampShade(shade);
        }
    }
}

bool ComputeTilesMesh(TerrainMap& map, TilesTerrain& tiles)
{
    if (!computeMeshPositions(map, kMeshOrigin, true, false)) return false;
    const size_t count = static_cast<size_t>(map.vertexCount);
    computeTilesShade(map);
    tiles.shades.clear();
    tiles.blends.clear();
    if (map.usesMultitexture) {
        try {
            tiles.shades.resize(count);
            tiles.blends.resize(count);
        } catch (const std::bad_alloc&) {
            tiles.shades.clear();
            tiles.blends.clear();
            map.usesMultitexture = false; // drawn with the single tile instead
        }
        for (size_t i = 0; i < tiles.shades.size(); ++i) {
            // The same grey and alpha as veldrun's blend colours.
            const VertexColour colour =
                vertexColour(map.normalAt(map.vertices[3 * i], map.vertices[3 * i + 1]), map.light[i], true);
            tiles.shades[i] = colour.red;
            tiles.blends[i] = colour.alpha;
        }
    }
    smoothMeshValues(map);
    return true;
}

bool GenerateTilesMesh(TerrainMap& map, TilesTerrain& tiles)
{
    if (!ComputeTilesMesh(map, tiles)) return false;
    uploadLightTexture(map);
    return true;
}

namespace {

bool blendBytesPresent(const TerrainMap& map, const TilesTerrain& tiles)
{
    const size_t count = static_cast<size_t>(map.meshColumns) * static_cast<size_t>(map.meshRows);
    return tiles.shades.size() >= count && tiles.blends.size() >= count;
}

} // namespace

bool TilesDrawable(const TerrainMap& map, const TilesTerrain& tiles)
{
    if (!immediateDrawable(map)) return false;
    if (map.usesMultitexture) return blendBytesPresent(map, tiles);
    return map.light.size() >= static_cast<size_t>(map.meshColumns) * static_cast<size_t>(map.meshRows);
}

int32_t DrawTilesTerrain(const TerrainMap& map, const TilesTerrain& tiles, Vec3 eye, float lodCoefficient,
                         TerrainDrawOptions options)
{
    // The previous frame's cursor point left depth testing off; the terrain
    // must write depth for the cursor pick and hide what lies behind it.
    glEnable(GL_DEPTH_TEST);
    glCullFace(GL_FRONT);
    glEnable(GL_CULL_FACE);
    glPolygonMode(GL_BACK, GL_FILL);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, map.textures[0]);
    const bool drawable = TilesDrawable(map, tiles);
    int32_t count = 0;
    if (map.usesMultitexture && !options.showLevels) {
        setTextureUnits(map, true);
        if (drawable) {
            count = drawImmediateCells(
                map, eye, lodCoefficient, options.stitchSeams,
                [&](uint32_t i) {
                    const uint8_t shade = tiles.shades[i];
                    glColor4ub(shade, shade, shade, tiles.blends[i]);
                    const float* p = meshPosition(map, i);
                    glMultiTexCoord2fvARB(GL_TEXTURE0_ARB, p);
                    glMultiTexCoord2fvARB(GL_TEXTURE1_ARB, p);
                    glMultiTexCoord2fvARB(GL_TEXTURE2_ARB, p);
                    glMultiTexCoord2fvARB(GL_TEXTURE3_ARB, p);
                    glVertex3fv(p);
                },
                [](int) {});
        }
        setTextureUnits(map, false);
    } else {
        // The level-of-detail view takes this path too: it draws untextured.
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glScalef(0.1f, 0.1f, 0.1f);
        glBindTexture(GL_TEXTURE_2D, map.textures[0]);
        glMatrixMode(GL_MODELVIEW);
        if (drawable) {
            count = drawImmediateTerrain(
                map, eye, lodCoefficient, options,
                [&](uint32_t i) {
                    const float light = map.light[i];
                    glColor3f(light, light, light);
                    const float* p = meshPosition(map, i);
                    glTexCoord2fv(p);
                    glVertex3fv(p);
                },
                // Overwritten by the first vertex's colour; kept as the
                // drawing has always sent it.
                [](int) { glColor3f(1.0f, 1.0f, 1.0f); });
        }
        // GL_TEXTURE_2D stays enabled for what follows.
    }
    glDisable(GL_CULL_FACE);
    return count;
}
