#pragma once

// The level-of-detail view's two passes, shared by the array and the
// immediate-mode drawings.

#include "platform/GlApi.h"
#include "terrain/TerrainSeams.h"

#include <cstdint>

// Red, yellow, green, blue, by levelColourIndex.
constexpr float kLevelColours[4][3] = {
    {1.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.2f, 0.4f, 1.0f}};
// The untextured fill under the lines.
constexpr float kLevelFill[3] = {0.3f, 0.3f, 0.3f};

// drawCells(beforeCell) draws every cell, calling beforeCell(step) before each,
// and returns the quads counted. The cells are drawn as a grey fill pushed
// back in depth, then again as lines, each cell in its step's colour; the
// caller has pushed the enable, polygon and current state and turned the
// texturing off. Returns the fill's count.
template <typename DrawCells> int32_t drawLevelPasses(DrawCells&& drawCells)
{
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(1.0f, 1.0f);
    glColor3fv(kLevelFill);
    const int32_t count = drawCells([](int) {});
    glDisable(GL_POLYGON_OFFSET_FILL);
    glPolygonMode(GL_BACK, GL_LINE);
    drawCells([](int step) { glColor3fv(kLevelColours[levelColourIndex(step)]); });
    return count;
}
