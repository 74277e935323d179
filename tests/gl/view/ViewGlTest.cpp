#include "platform/GlApi.h"
#include "terrain/QuadViewTree.h"
#include "terrain/TerrainMap.h"
#include "tests/support/GlTestContext.h"
#include "view/Camera.h"
#include "view/Frustum.h"
#include "view/ViewMatrices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

// The frame's order: projection, reset modelview, camera, then extract. The
// planes are those of the plain matrices the quad tree tests and benchmark
// use, so these agree with GLU's too.
TEST(FrustumGl, ExtractReadsTheCurrentMatrices)
{
    GlTestContext gl;
    ASSERT_TRUE(gl.valid());
    Camera camera;
    camera.set(32, 32, 20, 32, 48, 0, 0, 0, 1);
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45.0, 4.0 / 3.0, 1.0, 250.0);
    glMatrixMode(GL_MODELVIEW);
    camera.look();
    Frustum frustum;
    frustum.extract();
    const auto planes =
        frustumPlanes(perspectiveMatrix(45.0, 4.0 / 3.0, 1.0, 250.0).data(), lookAtMatrix(camera).data());
    for (int i = 0; i < 6; ++i) {
        const Plane &a = frustum.planes[size_t(i)], &b = planes[size_t(i)];
        EXPECT_TRUE(std::fabs(a.a - b.a) < 1e-5f && std::fabs(a.b - b.b) < 1e-5f &&
                    std::fabs(a.c - b.c) < 1e-5f && std::fabs(a.d - b.d) < 1e-3f)
            << i;
    }
}

TEST(QuadViewTreeOutlinesGl, LeavesRedInnerNodesWhiteDownToMaxDepth)
{
    GlTestContext gl(128, 128);
    ASSERT_TRUE(gl.valid());
    // An 8 x 8 grid: leaves at depth 2. One high corner lifts the root's top
    // above most leaves, so that its white edges stay visible.
    TerrainMap map;
    map.width = map.height = 8;
    map.heights.assign(64, 1.0f);
    map.heights[0] = 10.0f;
    QuadViewTree tree;
    ASSERT_TRUE(tree.build(map));
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45.0, 1.0, 0.5, 500.0);
    glMatrixMode(GL_MODELVIEW);
    gluLookAt(-4.2, -6.3, 21.2, 3.5, 3.5, 1.0, 0, 0,
              1); // above a corner of the root box (0, 0, 1) .. (7, 7, 10)
    glDisable(GL_DEPTH_TEST);
    // Red and white pixels of the outlines, and the line width left behind.
    const auto draw = [&](bool leavesOnly, int maxDepth) {
        glClear(GL_COLOR_BUFFER_BIT);
        tree.drawOutlines(leavesOnly, maxDepth);
        std::vector<unsigned char> pixels(128 * 128 * 4);
        glReadPixels(0, 0, 128, 128, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        int red = 0, white = 0;
        for (size_t i = 0; i < pixels.size(); i += 4) {
            red += pixels[i] > 200 && pixels[i + 1] < 60;
            white += pixels[i] > 200 && pixels[i + 1] > 200 && pixels[i + 2] > 200;
        }
        float width = 0;
        glGetFloatv(GL_LINE_WIDTH, &width);
        return std::tuple{red > 100, white > 20, width};
    };
    // The frame's arguments: leaves only, at 2 / depth 2.
    EXPECT_EQ(draw(true, 16), std::tuple(true, false, 1.0f));
    EXPECT_EQ(draw(false, 16), std::tuple(true, true, 1.0f));   // every node
    EXPECT_EQ(draw(true, 0), std::tuple(false, true, 2.0f));    // the root at maxDepth: drawn, children not
    EXPECT_EQ(draw(false, -1), std::tuple(false, false, 2.0f)); // shallower than the root: nothing
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
