#include "terrain/QuadViewTree.h"
#include "tests/unit/quadtree/QuadTreeTestMaps.h"
#include "view/Frustum.h"
#include "view/ViewMatrices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// glOrtho(l, r, b, t, n, f) with an identity modelview: world x in (l, r),
// y in (b, t), z in (-f, -n).
Frustum orthoFrustum(float l, float r, float b, float t, float n, float f)
{
    float projection[16] = {};
    projection[0] = 2 / (r - l);
    projection[5] = 2 / (t - b);
    projection[10] = -2 / (f - n);
    projection[12] = -(r + l) / (r - l);
    projection[13] = -(t + b) / (t - b);
    projection[14] = -(f + n) / (f - n);
    projection[15] = 1;
    Frustum frustum;
    frustum.planes = frustumPlanes(projection, kIdentity);
    return frustum;
}

Frustum cameraFrustum(const Camera& camera, double aspect, double zFar)
{
    const Matrix4 projection = perspectiveMatrix(45.0, aspect, 1.0, zFar);
    const Matrix4 modelview = lookAtMatrix(camera);
    Frustum frustum;
    frustum.planes = frustumPlanes(projection.data(), modelview.data());
    return frustum;
}

int countMarked(const TerrainMap& map)
{
    int count = 0;
    for (uint8_t v : map.visible)
        count += v == 1;
    return count;
}

void markLeafCells(const QuadNode& node, std::vector<uint8_t>& visible, int32_t width)
{
    for (int32_t y = int32_t(node.min.y); y < int32_t(node.max.y + 0.5f); ++y)
        for (int32_t x = int32_t(node.min.x); x < int32_t(node.max.x + 0.5f); ++x)
            visible[size_t(x + width * y)] = 1;
}

// The walk's result built leaf by leaf: every leaf not Outside is marked, and
// every leaf under an Inside ancestor. Also counts the nodes a walk that stops at
// Outside and Inside nodes must test.
void referenceMarks(const QuadNode& node, const Frustum& f, bool underInside, bool tested,
                    std::vector<uint8_t>& visible, int32_t width, int& testedCount)
{
    const BoxClass c = f.classifyBox(node.min.x, node.min.y, node.min.z, node.max.x, node.max.y, node.max.z);
    if (tested) ++testedCount;
    if (node.isLeaf) {
        if (underInside || c != BoxClass::Outside) markLeafCells(node, visible, width);
        return;
    }
    const bool childrenTested = tested && c == BoxClass::Intersect;
    for (int i = 0; i < node.childCount; ++i)
        referenceMarks(node.children[i], f, underInside || c == BoxClass::Inside, childrenTested, visible,
                       width, testedCount);
}

// A leaf whose rectangle holds (x, y) and that is not Outside, or null.
const QuadNode* visibleLeafContaining(const QuadNode& node, const Frustum& f, float x, float y)
{
    if (x < node.min.x || x > node.max.x || y < node.min.y || y > node.max.y) return nullptr;
    if (f.classifyBox(node.min.x, node.min.y, node.min.z, node.max.x, node.max.y, node.max.z) ==
        BoxClass::Outside)
        return nullptr;
    if (node.isLeaf) return &node;
    for (int i = 0; i < node.childCount; ++i)
        if (const QuadNode* leaf = visibleLeafContaining(node.children[i], f, x, y)) return leaf;
    return nullptr;
}

class QuadViewTreeWalk : public ::testing::Test {
protected:
    void SetUp() override
    {
        map = makeMap(128, 128, bumpyHeight);
        ASSERT_TRUE(tree.build(map));
    }
    TerrainMap map;
    QuadViewTree tree;
};

} // namespace

TEST_F(QuadViewTreeWalk, OrthographicSlicesMarkHandWorkedCells)
{
    struct Case {
        float left, right;
        int visited;       // -1: not checked
        int firstX, lastX; // marked columns, rows 0 .. 126
    };
    const Case cases[] = {
        // Everything inside: the root alone is tested and marks all but the last row and column.
        {-10, 200, 1, 0, 126},
        // The view volume ends at x = 1: only the leaves of the first column
        // (x 0 .. 1.984375) reach into it, and each marks cells 0 and 1.
        {-10, 1, -1, 0, 1},
        // Only x 3.0 .. 3.5 is in view: the leaf 1.984375 .. 3.96875 marks cells
        // 1 .. 3 (its upper edge rounds to the nearest whole), the leaf from 3.97 is out.
        {3.0f, 3.5f, -1, 1, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.left << " .. " << c.right);
        map.visible.assign(map.visible.size(), 0);
        const int visited = tree.markVisible(orthoFrustum(c.left, c.right, -10, 200, -100, 100), map);
        if (c.visited >= 0) {
            EXPECT_EQ(visited, c.visited);
        }
        for (int32_t y = 0; y < 128; ++y)
            for (int32_t x = 0; x < 128; ++x)
                ASSERT_EQ(map.visible[size_t(x + 128 * y)],
                          (x >= c.firstX && x <= c.lastX && y <= 126) ? 1 : 0)
                    << x << "," << y;
    }
    // Looking away marks nothing after testing the root.
    Camera camera;
    camera.set(-10, 64, 10, -100, 64, 10, 0, 0, 1);
    map.visible.assign(map.visible.size(), 0);
    EXPECT_EQ(tree.markVisible(cameraFrustum(camera, 4.0 / 3.0, 250.0), map), 1);
    EXPECT_EQ(countMarked(map), 0);
}

TEST_F(QuadViewTreeWalk, WritesOnlyOnes)
{
    map.visible.assign(map.visible.size(), 7);
    Camera camera;
    camera.set(32, 32, 30, 32, 48, 0, 0, 0, 1);
    tree.markVisible(cameraFrustum(camera, 4.0 / 3.0, 250.0), map);
    int ones = 0;
    for (uint8_t v : map.visible) {
        ASSERT_TRUE(v == 1 || v == 7);
        ones += v == 1;
    }
    EXPECT_GT(ones, 100);
}

TEST_F(QuadViewTreeWalk, NeverWritesOutsideTheMapsArray)
{
    const Frustum everything = orthoFrustum(-10, 200, -10, 200, -100, 100);
    // A smaller map than the tree was built for: only its own cells are marked.
    TerrainMap small = makeMap(64, 32, bumpyHeight);
    tree.markVisible(everything, small);
    EXPECT_EQ(countMarked(small), 64 * 32);
    // A missing visibility array is left alone.
    TerrainMap none = makeMap(128, 128, bumpyHeight);
    none.visible.clear();
    EXPECT_EQ(tree.markVisible(everything, none), 1);
    EXPECT_TRUE(none.visible.empty());
}

TEST_F(QuadViewTreeWalk, RandomCamerasAgreeWithTestingLeavesOneByOne)
{
    std::mt19937 random(987654u);
    std::uniform_real_distribution<float> ground(-60.0f, 190.0f);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    int nonEmpty = 0, partial = 0, pointsInside = 0, pointsMissed = 0;
    for (int run = 0; run < 600; ++run) {
        Camera camera;
        const float eyeX = ground(random), eyeY = ground(random), eyeZ = 1.0f + 120.0f * unit(random);
        float targetX = ground(random), targetY = ground(random);
        if (std::abs(targetX - eyeX) + std::abs(targetY - eyeY) < 1.0f) targetX += 5.0f;
        camera.set(eyeX, eyeY, eyeZ, targetX, targetY, 32.0f * unit(random), 0, 0, 1);
        const double zFar = run % 3 == 0 ? 40.0 + 200.0 * unit(random) : 250.0;
        const Frustum frustum = cameraFrustum(camera, run % 2 ? 4.0 / 3.0 : 1024.0 / 768.0 * 0.5, zFar);

        map.visible.assign(map.visible.size(), 0);
        const int visited = tree.markVisible(frustum, map);

        std::vector<uint8_t> expected(map.visible.size(), 0);
        int expectedVisited = 0;
        referenceMarks(tree.root, frustum, false, true, expected, map.width, expectedVisited);
        ASSERT_EQ(map.visible, expected) << "run " << run;
        ASSERT_EQ(visited, expectedVisited) << "run " << run;

        const int marked = countMarked(map);
        if (marked > 0) ++nonEmpty;
        if (marked > 0 && marked < 127 * 127) ++partial;

        // A grid point strictly inside the view volume lies in the box of a leaf
        // that is not Outside, and its cell is marked. The one exception is the
        // rounding of fractional leaf edges: a leaf ending at 65.484375 marks cells
        // up to 64 and hands cell 65 to its neighbour, whose box starts at 65.484375;
        // when that neighbour is Outside, cell 65 stays unmarked although the grid
        // point (65, y) is in view.
        for (int32_t y = 0; y <= 126; ++y) {
            for (int32_t x = 0; x <= 126; ++x) {
                const float h = map.heights[size_t(x + 128 * y)];
                bool inside = true;
                for (const Plane& p : frustum.planes)
                    inside = inside && p.a * float(x) + p.b * float(y) + p.c * h + p.d > 0.0f;
                if (!inside) continue;
                ++pointsInside;
                if (map.visible[size_t(x + 128 * y)] == 1) continue;
                ++pointsMissed;
                const QuadNode* leaf = visibleLeafContaining(tree.root, frustum, float(x), float(y));
                ASSERT_NE(leaf, nullptr) << x << "," << y;
                EXPECT_TRUE(float(x) + 0.5f > leaf->max.x || float(y) + 0.5f > leaf->max.y)
                    << x << "," << y << " in leaf ending at " << leaf->max.x << "," << leaf->max.y;
            }
        }
    }
    EXPECT_GT(nonEmpty, 200);
    EXPECT_GT(partial, 200);
    EXPECT_GT(pointsInside, 100000);
    // The exception is rare: a small fraction of the points in view.
    EXPECT_LT(pointsMissed * 200, pointsInside);
}
