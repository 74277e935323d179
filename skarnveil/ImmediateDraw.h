#pragma once

// The immediate-mode terrain drawing of the smaller programs: the cells and
// lists of the immediate level-of-detail rule sent one vertex call at a time.

#include "platform/GlApi.h"
#include "terrain/ImmediateLod.h"

#include <cstdint>

// Draws every marked cell of the map as glBegin/glEnd batches, GL_QUADS for a
// one-quad cell and one GL_QUAD_STRIP per band otherwise, and returns the
// rule's count. vertex(i) sends everything of mesh vertex i (it is called
// between glBegin and glEnd); beforeStrip() runs before each strip's glBegin.
template <typename Vertex, typename BeforeStrip>
int32_t drawImmediateCells(const TerrainMap& map, Vec3 eye, float lodCoefficient, Vertex&& vertex,
                           BeforeStrip&& beforeStrip)
{
    return visitImmediateCells(map, eye, lodCoefficient, [&](const CellIndexLists& lists) {
        if (lists.isQuad) {
            glBegin(GL_QUADS);
            for (uint32_t index : lists.quad)
                vertex(index);
            glEnd();
            return;
        }
        for (int band = 0; band < lists.stripCount; ++band) {
            beforeStrip();
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
