#include "platform/GlApi.h"
#include "terrain/QuadViewTree.h"
#include "terrain/TerrainMap.h"
#include "tests/support/GlTestContext.h"
#include "view/Camera.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct PixelCounts {
    int red = 0;
    int white = 0;
    int other = 0;
};

TerrainMap flatMap(int32_t size, float h)
{
    TerrainMap map;
    map.width = map.height = size;
    map.pointCount = uint32_t(size * size);
    map.heights.assign(map.pointCount, h);
    map.visible.assign(map.pointCount, 0);
    return map;
}

// Looks down at the box from above one corner, so every edge is in view.
void viewBox(const QuadNode& node)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, 0.5, 500.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const float size = node.max.x - node.min.x;
    Camera camera;
    camera.set(node.min.x - 0.6f * size, node.min.y - 0.9f * size, node.max.z + 1.6f * size,
               (node.min.x + node.max.x) * 0.5f, (node.min.y + node.max.y) * 0.5f, node.min.z, 0, 0, 1);
    camera.look();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

PixelCounts readPixels(const GlTestContext& gl)
{
    std::vector<unsigned char> pixels(size_t(gl.width() * gl.height() * 4));
    glReadPixels(0, 0, gl.width(), gl.height(), GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    PixelCounts counts;
    for (size_t i = 0; i < pixels.size(); i += 4) {
        const int r = pixels[i], g = pixels[i + 1], b = pixels[i + 2];
        if (r == 0 && g == 0 && b == 0) continue;
        if (r > 200 && g < 60 && b < 60)
            ++counts.red;
        else if (r > 200 && g > 200 && b > 200)
            ++counts.white;
        else
            ++counts.other;
    }
    return counts;
}

float currentLineWidth()
{
    float width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    return width;
}

} // namespace

TEST(QuadViewTreeOutlinesGl, LeafBoxInViewIsDrawnRed)
{
    GlTestContext gl(128, 128);
    ASSERT_TRUE(gl.valid());
    const TerrainMap map = flatMap(128, 3.0f);
    QuadViewTree tree;
    ASSERT_TRUE(tree.build(map));
    const QuadNode* leaf = &tree.root;
    while (!leaf->isLeaf)
        leaf = &leaf->children[1];
    ASSERT_EQ(leaf->depth, 6);

    viewBox(*leaf);
    drawOutlines(*leaf, true, 16);
    const PixelCounts counts = readPixels(gl);
    EXPECT_GT(counts.red, 100);
    EXPECT_EQ(counts.white, 0);
    EXPECT_NEAR(currentLineWidth(), 2.0f / 6.0f, 1e-6f); // left as last set
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[1], 0.0f);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(QuadViewTreeOutlinesGl, InnerNodesAreWhiteAndDrawnOnlyWhenAsked)
{
    GlTestContext gl(128, 128);
    ASSERT_TRUE(gl.valid());
    // Root at depth 0 with four leaves; one high corner lifts the root's top (and
    // child 0's) above the other children, so the root's white edges stay visible.
    TerrainMap map = flatMap(4, 1.0f);
    map.heights[0] = 10.0f;
    QuadViewTree tree;
    ASSERT_TRUE(tree.build(map));
    ASSERT_FALSE(tree.root.isLeaf);

    viewBox(tree.root);
    tree.drawOutlines(true, 16); // the frame's arguments: leaves only
    PixelCounts counts = readPixels(gl);
    EXPECT_GT(counts.red, 100);
    EXPECT_EQ(counts.white, 0);
    EXPECT_FLOAT_EQ(currentLineWidth(), 2.0f); // depth 1

    viewBox(tree.root);
    tree.drawOutlines(false, 16); // every node
    counts = readPixels(gl);
    EXPECT_GT(counts.red, 100);
    EXPECT_GT(counts.white, 20);

    viewBox(tree.root);
    tree.drawOutlines(true, 0); // the root is at maxDepth: drawn, children not visited
    counts = readPixels(gl);
    EXPECT_EQ(counts.red, 0);
    EXPECT_GT(counts.white, 100);
    EXPECT_FLOAT_EQ(currentLineWidth(), 2.0f); // the root's chosen width

    viewBox(tree.root);
    tree.drawOutlines(false, -1); // shallower than the root: nothing
    counts = readPixels(gl);
    EXPECT_EQ(counts.red + counts.white + counts.other, 0);
}
