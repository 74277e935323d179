#pragma once

// The immediate-mode terrain drawing of the smaller programs: the cells and
// lists of the immediate level-of-detail rule sent one vertex call at a time.

#include "platform/GlApi.h"
#include "terrain/ImmediateLod.h"
#include "terrain/LevelView.h"

#include <cstdint>

// Draws every marked cell of the map and returns the rule's count: stitched,
// a few GL_TRIANGLE_STRIP batches a cell; otherwise GL_QUADS for a one-quad cell and
// one GL_QUAD_STRIP per band. vertex(i) sends everything of mesh vertex i (it
// is called between glBegin and glEnd); beforeBatch(step) runs before each
// glBegin with the step of the cell.
template <typename Vertex, typename BeforeBatch>
int32_t drawImmediateCells(const TerrainMap& map, Vec3 eye, float lodCoefficient, bool stitched,
                           Vertex&& vertex, BeforeBatch&& beforeBatch)
{
    if (stitched) {
        return visitStitchedImmediateCells(map, eye, lodCoefficient, [&](const StitchedCell& cell) {
            const uint32_t* index = cell.indices;
            for (int strip = 0; strip < cell.stripCount; ++strip) {
                beforeBatch(cell.step);
                glBegin(GL_TRIANGLE_STRIP);
                for (const uint32_t* end = index + cell.stripLengths[strip]; index != end; ++index)
                    vertex(*index);
                glEnd();
            }
        });
    }
    return visitImmediateCells(map, eye, lodCoefficient, [&](const CellIndexLists& lists) {
        if (lists.isQuad) {
            beforeBatch(lists.step);
            glBegin(GL_QUADS);
            for (uint32_t index : lists.quad)
                vertex(index);
            glEnd();
            return;
        }
        for (int band = 0; band < lists.stripCount; ++band) {
            beforeBatch(lists.step);
            glBegin(GL_QUAD_STRIP);
            for (int i = 0; i < lists.stripLength; ++i)
                vertex(lists.strips[band][i]);
            glEnd();
        }
    });
}

// Position of mesh vertex i (three floats; its x and y are also the texture
// coordinate). The caller has checked the map with immediateDrawable.
inline const float* meshPosition(const TerrainMap& map, uint32_t i)
{
    return map.vertices.data() + static_cast<size_t>(i) * 3;
}

// The terrain as the drawing's options ask: the program's own textured
// drawing (vertex and beforeBatch as above), or the level-of-detail view: an
// untextured, unlit grey fill pushed back in depth, then every cell's lines in
// its step's colour (the enable, polygon and current state restored after).
// Returns the rule's count either way.
template <typename Vertex, typename BeforeBatch>
int32_t drawImmediateTerrain(const TerrainMap& map, Vec3 eye, float lodCoefficient,
                             TerrainDrawOptions options, Vertex&& vertex, BeforeBatch&& beforeBatch)
{
    if (!options.showLevels)
        return drawImmediateCells(map, eye, lodCoefficient, options.stitchSeams, vertex, beforeBatch);
    glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT | GL_CURRENT_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    const auto position = [&map](uint32_t i) { glVertex3fv(meshPosition(map, i)); };
    const int32_t count = drawLevelPasses([&](auto levelColour) {
        return drawImmediateCells(map, eye, lodCoefficient, options.stitchSeams, position, levelColour);
    });
    glPopAttrib();
    return count;
}
