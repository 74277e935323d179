// The quad view tree's only OpenGL calls: a display aid drawing node boxes.
#include "platform/GlApi.h"
#include "terrain/QuadViewTree.h"

void drawOutlines(const QuadNode& node, bool leavesOnly, int maxDepth)
{
    if (maxDepth < node.depth) return;

    // 2 / depth has no value at the root; it gets 2, the width of depth 1, the
    // widest any node is drawn with.
    glLineWidth(node.depth > 0 ? 2.0f / static_cast<float>(node.depth) : 2.0f);
    if (node.isLeaf)
        glColor3f(1.0f, 0.0f, 0.0f);
    else
        glColor3f(1.0f, 1.0f, 1.0f);

    if (node.isLeaf || !leavesOnly || node.depth == maxDepth) {
        const float x1 = node.min.x, y1 = node.min.y, z1 = node.min.z;
        const float x2 = node.max.x, y2 = node.max.y, z2 = node.max.z;
        glBegin(GL_LINE_STRIP);
        glVertex3f(x1, y1, z1);
        glVertex3f(x2, y1, z1);
        glVertex3f(x2, y2, z1);
        glVertex3f(x1, y2, z1);
        glVertex3f(x1, y1, z1);
        glVertex3f(x1, y1, z2);
        glVertex3f(x1, y2, z2);
        glVertex3f(x2, y2, z2);
        glVertex3f(x2, y1, z2);
        glVertex3f(x1, y1, z2);
        glEnd();
        glBegin(GL_LINES);
        glVertex3f(x1, y2, z1);
        glVertex3f(x1, y2, z2);
        glVertex3f(x2, y2, z1);
        glVertex3f(x2, y2, z2);
        glVertex3f(x2, y1, z1);
        glVertex3f(x2, y1, z2);
        glEnd();
    }

    for (int32_t i = 0; i < node.childCount; ++i)
        drawOutlines(node.children[i], leavesOnly, maxDepth);
}
