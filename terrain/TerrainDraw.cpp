#include "terrain/TerrainDraw.h"

#include "platform/GlApi.h"
#include "terrain/LevelView.h"
#include "terrain/TerrainLod.h"
#include "terrain/TerrainMap.h"
#include "terrain/TerrainMesh.h"
#include "terrain/TerrainSeams.h"

namespace {

constexpr int kUnitCount = 4;

// Texture coordinates of every unit are the vertex positions, so the units
// share the position array as their texture-coordinate array.
void enableTexCoordArrays(const TerrainMap& map, const void* positions)
{
    if (map.usesMultitexture) {
        for (int unit = kUnitCount - 1; unit >= 0; --unit) {
            glActiveTextureARB(GL_TEXTURE0_ARB + unit);
            glClientActiveTextureARB(GL_TEXTURE0_ARB + unit);
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexCoordPointer(3, GL_FLOAT, 0, positions);
        }
    } else {
        glTexCoordPointer(3, GL_FLOAT, 0, positions);
    }
}

void setArrays(const TerrainMap& map, const void* positions, const void* colours)
{
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    enableTexCoordArrays(map, positions);
    glVertexPointer(3, GL_FLOAT, 0, positions);
    if (map.usesVertexBuffers) glBindBufferARB(GL_ARRAY_BUFFER_ARB, map.colourBuffer);
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, colours);
}

// Every array the set-up enabled; with four units the client unit ends at 0.
void disableArrays(const TerrainMap& map)
{
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    if (map.usesMultitexture) {
        for (int unit = kUnitCount - 1; unit >= 0; --unit) {
            glClientActiveTextureARB(GL_TEXTURE0_ARB + unit);
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
    } else {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
}

// prev * C + texture * (1 - C), C the vertex colour (operand GL_SRC_COLOR) or
// its alpha (GL_SRC_ALPHA).
void setInterpolateEnvironment(GLint weightOperand)
{
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_INTERPOLATE_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_PREVIOUS_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB_ARB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB_ARB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_RGB_ARB, GL_PRIMARY_COLOR_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_RGB_ARB, weightOperand);
}

void setUpUnit(const TerrainMap& map, int unit)
{
    glActiveTextureARB(GL_TEXTURE0_ARB + unit);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, map.textures[unit]);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    switch (unit) {
    case 0:
        glScalef(0.1f, 0.1f, 0.1f);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        break;
    case 1:
        glScalef(0.18f, 0.18f, 0.18f);
        setInterpolateEnvironment(GL_SRC_COLOR);
        break;
    case 2:
        glScalef(0.15f, 0.15f, 0.15f);
        setInterpolateEnvironment(GL_SRC_ALPHA);
        break;
    default:
        // The light texture spans the grid once: s = (x + 0.2) / width.
        glScalef(1.0f / static_cast<float>(map.width), 1.0f / static_cast<float>(map.height), 0.0f);
        glTranslatef(0.2f, 0.2f, 0.0f);
        // The combiner's defaults modulate the texture by the previous unit.
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
        break;
    }
}

void drawCell(const CellIndexLists& lists)
{
    if (lists.isQuad) {
        glDrawElements(GL_QUADS, 4, GL_UNSIGNED_INT, lists.quad);
        return;
    }
    for (int strip = 0; strip < lists.stripCount; ++strip)
        glDrawElements(GL_QUAD_STRIP, lists.stripLength, GL_UNSIGNED_INT, lists.strips[strip]);
}

// Draws every marked cell, stitched (one triangle list a cell) or with
// today's strips, and returns the quads counted; beforeCell(step) runs before
// each cell. The arrays are set up.
template <typename BeforeCell>
int32_t drawCells(const TerrainMap& map, Vec3 eye, float lodCoefficient, bool stitched,
                  BeforeCell&& beforeCell)
{
    int32_t quads = 0;
    if (stitched) {
        const auto stepOf = [&](int x, int y) { return cellStep(map, x, y, eye, lodCoefficient); };
        visitStitchedCells(map, fringeCells(kMeshOrigin), false, stepOf, [&](const StitchedCell& cell) {
            beforeCell(cell.step);
            glDrawElements(GL_TRIANGLES, cell.indexCount, GL_UNSIGNED_INT, cell.indices);
            if (cell.marked) quads += lodQuadCount(cell.step, map.subdivision);
        });
        return quads;
    }
    CellIndexLists lists;
    for (int y = 0; y < map.height; ++y) {
        const uint8_t* row = map.visible.data() + static_cast<size_t>(map.width) * y;
        for (int x = 0; x < map.width; ++x) {
            if (row[x] != 1) continue;
            const int step = cellStep(map, x, y, eye, lodCoefficient);
            if (!buildCellIndices(x, y, step, map.subdivision, map.meshColumns, lists)) continue;
            beforeCell(step);
            drawCell(lists);
            quads += lists.quadCount();
        }
    }
    return quads;
}

// The level-of-detail view inside the terrain's state: an untextured grey fill
// pushed back in depth, then every cell's lines in its step's colour. Textures
// and the colour array are off meanwhile and on again afterwards.
int32_t drawLevels(const TerrainMap& map, Vec3 eye, float lodCoefficient, bool stitched)
{
    glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT | GL_CURRENT_BIT);
    if (map.usesMultitexture) {
        for (int unit = kUnitCount - 1; unit >= 0; --unit) {
            glActiveTextureARB(GL_TEXTURE0_ARB + unit);
            glDisable(GL_TEXTURE_2D);
        }
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    glDisableClientState(GL_COLOR_ARRAY);
    const int32_t quads = drawLevelPasses(
        [&](auto beforeCell) { return drawCells(map, eye, lodCoefficient, stitched, beforeCell); });
    glPopAttrib();
    glEnableClientState(GL_COLOR_ARRAY);
    return quads;
}

} // namespace

void setTextureUnits(const TerrainMap& map, bool on)
{
    if (on) {
        for (int unit = kUnitCount - 1; unit >= 0; --unit)
            setUpUnit(map, unit);
        glMatrixMode(GL_MODELVIEW);
        return;
    }
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    for (int unit = kUnitCount - 1; unit >= 1; --unit) {
        glActiveTextureARB(GL_TEXTURE0_ARB + unit);
        glDisable(GL_TEXTURE_2D);
    }
    // Unit 0 keeps its texture and its 0.1 texture matrix for whatever is
    // drawn next in the frame.
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glMatrixMode(GL_MODELVIEW);
}

void setBufferArrays(const TerrainMap& map, bool on)
{
    if (!on) {
        disableArrays(map);
        return;
    }
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, map.vertexBuffer);
    // Offsets into the bound buffer; the colour buffer stays bound afterwards.
    setArrays(map, nullptr, nullptr);
}

void releaseArrayBuffer()
{
    // Only asked where the entry points exist; the query is an error on a GL
    // without buffer objects.
    if (epoxy_gl_version() < 15 && !epoxy_has_gl_extension("GL_ARB_vertex_buffer_object")) return;
    GLint bound = 0;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING_ARB, &bound);
    if (bound != 0) glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
}

void setClientArrays(const TerrainMap& map, bool on)
{
    if (!on) {
        disableArrays(map);
        return;
    }
    releaseArrayBuffer();
    setArrays(map, map.vertices.data(), map.colours.data());
}

void beginTerrainDrawing(const TerrainMap& map)
{
    // The mesh is emitted clockwise seen from above: with counter-clockwise
    // front faces it shows from above and is culled from below.
    glCullFace(GL_FRONT);
    glEnable(GL_CULL_FACE);
    glPolygonMode(GL_BACK, GL_FILL);

    if (map.usesMultitexture) {
        setTextureUnits(map, true);
    } else {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, map.textures[0]);
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glScalef(0.1f, 0.1f, 0.1f);
        glMatrixMode(GL_MODELVIEW);
    }
    // A failed load leaves no grid or mesh: nothing to point the arrays at.
    if (!terrainDrawable(map)) return;
    if (map.usesVertexBuffers)
        setBufferArrays(map, true);
    else
        setClientArrays(map, true);
}

void endTerrainDrawing(const TerrainMap& map)
{
    if (terrainDrawable(map)) {
        if (map.usesVertexBuffers)
            setBufferArrays(map, false);
        else
            setClientArrays(map, false);
    }
    if (map.usesMultitexture) {
        setTextureUnits(map, false);
    } else {
        glDisable(GL_TEXTURE_2D);
        glMatrixMode(GL_MODELVIEW);
    }
    glDisable(GL_CULL_FACE);
}

int32_t drawTerrain(TerrainMap& map, Vec3 eye, float lodCoefficient, TerrainDrawOptions options)
{
    beginTerrainDrawing(map);
    int32_t quads = 0;
    if (terrainDrawable(map)) {
        if (options.showLevels)
            quads = drawLevels(map, eye, lodCoefficient, options.stitchSeams);
        else
            quads = drawCells(map, eye, lodCoefficient, options.stitchSeams, [](int) {});
    }
    endTerrainDrawing(map);
    return quads;
}
