#include "terrain/QuadViewTree.h"
#include "terrain/TerrainMap.h"
#include "tests/support/TestMaps.h"
#include "tests/support/ViewMatrices.h"
#include "view/Frustum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

namespace {

// Heights in whole eighths from 0 to 31.875, like a heightmap file's bytes.
float bumpyHeight(int32_t x, int32_t y)
{
    return float(((uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u) >> 7) % 256) * 0.125f;
}

void forEachNode(const QuadNode& node, const std::function<void(const QuadNode&)>& visit)
{
    visit(node);
    for (int i = 0; i < node.childCount; ++i)
        forEachNode(node.children[i], visit);
}

} // namespace

TEST(QuadViewTreeBuild, FullMapBoxesAndHeightRanges)
{
    QuadViewTree tree;
    ASSERT_TRUE(tree.build(gridMap(128, 128, bumpyHeight)));
    int leaves = 0;
    forEachNode(tree.root, [&](const QuadNode& node) {
        // The grid's 127 units halved at every depth, down to depth 6.
        const float extent = 127.0f / float(1 << node.depth);
        EXPECT_TRUE(node.max.x - node.min.x == extent && node.max.y - node.min.y == extent);
        EXPECT_EQ(node.childCount, node.depth == 6 ? 0 : 4);
        leaves += node.isLeaf;
        // The z range starts at [16, 0] and takes in the points floor(min) ..
        // ceil(max) - 1: whole-number upper edges are not sampled.
        float lo = 16.0f, hi = 0.0f;
        for (int x = int(std::floor(node.min.x)); x < int(std::ceil(node.max.x)); ++x)
            for (int y = int(std::floor(node.min.y)); y < int(std::ceil(node.max.y)); ++y) {
                lo = std::min(lo, bumpyHeight(x, y));
                hi = std::max(hi, bumpyHeight(x, y));
            }
        ASSERT_TRUE(node.min.z == lo && node.max.z == hi) << node.min.x << "," << node.min.y;
    });
    EXPECT_EQ(leaves, 4096);
    // A failed heightmap load leaves no grid and an empty leaf root.
    EXPECT_FALSE(tree.build(TerrainMap{}));
    EXPECT_TRUE(tree.root.isLeaf);
    EXPECT_EQ(tree.root.max, (Vec3{0, 0, 0}));
}

TEST(QuadViewTreeWalk, RandomCamerasAgreeWithTestingLeavesOneByOne)
{
    TerrainMap map = gridMap(128, 128, bumpyHeight);
    QuadViewTree tree;
    ASSERT_TRUE(tree.build(map));
    // The walk's result built leaf by leaf: every leaf not Outside, and every
    // leaf under an Inside node, marks its cells trunc(min) .. trunc(max + 0.5) - 1.
    // Counts the nodes a walk stopping at Outside and Inside nodes tests.
    std::function<void(const QuadNode&, const Frustum&, bool, bool, std::vector<uint8_t>&, int&)> reference =
        [&](const QuadNode& node, const Frustum& f, bool underInside, bool tested,
            std::vector<uint8_t>& marks, int& testedCount) {
            const BoxClass c =
                f.classifyBox(node.min.x, node.min.y, node.min.z, node.max.x, node.max.y, node.max.z);
            testedCount += tested;
            for (int i = 0; i < node.childCount; ++i)
                reference(node.children[i], f, underInside || c == BoxClass::Inside,
                          tested && c == BoxClass::Intersect, marks, testedCount);
            if (!node.isLeaf || (!underInside && c == BoxClass::Outside)) return;
            for (int32_t y = int32_t(node.min.y); y < int32_t(node.max.y + 0.5f); ++y)
                for (int32_t x = int32_t(node.min.x); x < int32_t(node.max.x + 0.5f); ++x)
                    marks[size_t(x + 128 * y)] = 1;
        };
    std::mt19937 random(987654u);
    std::uniform_real_distribution<float> ground(-60.0f, 190.0f);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    int visited = 0;
    for (int run = 0; run <= 600; ++run) {
        Camera camera;
        camera.set(ground(random), ground(random), 1.0f + 120.0f * unit(random), ground(random),
                   ground(random), 32.0f * unit(random), 0, 0, 1);
        // The last camera sees the whole map from high above.
        const bool whole = run == 600;
        if (whole) camera.set(64, 64, 300, 64, 65, 0, 0, 0, 1);
        const double zFar = run % 3 == 0 && !whole ? 40.0 + 200.0 * unit(random) : 500.0;
        const double aspect = run % 2 || whole ? 4.0 / 3.0 : 0.5;
        const Frustum frustum{
            frustumPlanes(perspectiveMatrix(45.0, aspect, 1.0, zFar).data(), lookAtMatrix(camera).data())};
        map.visible.assign(map.visible.size(), 0);
        visited = tree.markVisible(frustum, map);
        std::vector<uint8_t> expected(map.visible.size(), 0);
        int expectedVisited = 0;
        reference(tree.root, frustum, false, true, expected, expectedVisited);
        ASSERT_EQ(map.visible, expected) << "run " << run;
        ASSERT_EQ(visited, expectedVisited) << "run " << run;
    }
    // The last one: the root alone is tested and marks all but the last row and column.
    EXPECT_EQ(visited, 1);
    for (int32_t i = 0; i < 128 * 128; ++i)
        ASSERT_EQ(map.visible[size_t(i)], i % 128 < 127 && i / 128 < 127 ? 1 : 0) << i;
}
