#include "terrain/TerrainCursor.h"

#include "platform/GlApi.h"
#include "platform/Platform.h"
#include "terrain/TerrainDraw.h"
#include "terrain/TerrainLod.h"
#include "terrain/TerrainMap.h"

Vec3 unprojectWindowPoint(double winX, double winY, double depth, const double modelview[16],
                          const double projection[16], const int viewport[4])
{
    GLdouble x = 0.0;
    GLdouble y = 0.0;
    GLdouble z = 0.0;
    const GLint view[4] = {viewport[0], viewport[1], viewport[2], viewport[3]};
    // GLU leaves the outputs alone when it cannot invert, but say so anyway.
    if (gluUnProject(winX, winY, depth, modelview, projection, view, &x, &y, &z) != GL_TRUE) return {};
    return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

Vec3 pickPointAt(int px, int py)
{
    GLint viewport[4] = {};
    GLdouble modelview[16] = {};
    GLdouble projection[16] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    const int winX = px;
    const int winY = viewport[3] - 1 - py; // GL rows count up from the bottom
    GLfloat depth = 0.0f;
    glReadPixels(winX, winY, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    return unprojectWindowPoint(winX, winY, depth, modelview, projection, viewport);
}

Vec3 pickCursorPoint(Vec3 previous)
{
    int px = 0;
    int py = 0;
    // Outside the client area the depth read would fall outside the window and
    // return an undefined value: keep the last point instead of picking garbage.
    if (!platform::GetPointerPosition(px, py)) return previous;
    return pickPointAt(px, py);
}

void highlightCell(const TerrainMap& map, int cx, int cy)
{
    HighlightIndexLists lists;
    if (!buildHighlightIndices(map, cx, cy, lists)) return;
    glEnableClientState(GL_VERTEX_ARRAY);
    if (map.usesVertexBuffers) {
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, map.vertexBuffer);
        glVertexPointer(3, GL_FLOAT, 0, nullptr);
    } else {
        releaseArrayBuffer();
        glVertexPointer(3, GL_FLOAT, 0, map.vertices.data());
    }
    for (int band = 0; band < lists.bandCount; ++band)
        glDrawElements(GL_QUAD_STRIP, lists.bandLength, GL_UNSIGNED_INT, lists.bands[band]);
    glDisableClientState(GL_VERTEX_ARRAY);
}
