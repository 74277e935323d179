#include "terrain/QuadViewTree.h"
#include "tests/unit/quadtree/QuadTreeTestMaps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>

namespace {

void forEachNode(const QuadNode& node, const std::function<void(const QuadNode&)>& visit)
{
    visit(node);
    for (int i = 0; i < node.childCount; ++i)
        forEachNode(node.children[i], visit);
}

void expectRect(const QuadNode& node, float x1, float y1, float x2, float y2)
{
    EXPECT_EQ(node.min.x, x1);
    EXPECT_EQ(node.min.y, y1);
    EXPECT_EQ(node.max.x, x2);
    EXPECT_EQ(node.max.y, y2);
}

} // namespace

TEST(QuadViewTreeBuild, FullMapHas4096LeavesAtDepthSix)
{
    const TerrainMap map = makeMap(128, 128, [](int32_t, int32_t) { return 4.0f; });
    QuadViewTree tree;
    ASSERT_TRUE(tree.build(map));
    expectRect(tree.root, 0, 0, 127, 127);

    const float extents[] = {127.0f, 63.5f, 31.75f, 15.875f, 7.9375f, 3.96875f, 1.984375f};
    int leaves = 0, nodes = 0;
    forEachNode(tree.root, [&](const QuadNode& node) {
        ++nodes;
        ASSERT_LE(node.depth, 6);
        EXPECT_EQ(node.max.x - node.min.x, extents[node.depth]);
        EXPECT_EQ(node.max.y - node.min.y, extents[node.depth]);
        EXPECT_EQ(node.isLeaf, node.depth == 6);
        EXPECT_EQ(node.childCount, node.isLeaf ? 0 : 4);
        EXPECT_EQ(node.children == nullptr, node.isLeaf);
        for (int i = 0; i < node.childCount; ++i)
            EXPECT_EQ(node.children[i].depth, node.depth + 1);
        if (node.isLeaf) ++leaves;
    });
    EXPECT_EQ(leaves, 4096);
    EXPECT_EQ(nodes, 1 + 4 + 16 + 64 + 256 + 1024 + 4096);
}

TEST(QuadViewTreeBuild, ChildrenComeInQuadrantOrderSplitAtTheCentre)
{
    QuadViewTree tree;
    tree.build(makeMap(128, 128, [](int32_t, int32_t) { return 1.0f; }));
    const QuadNode* c = tree.root.children.get();
    ASSERT_NE(c, nullptr);
    expectRect(c[0], 0, 0, 63.5f, 63.5f);
    expectRect(c[1], 63.5f, 63.5f, 127, 127);
    expectRect(c[2], 63.5f, 0, 127, 63.5f);
    expectRect(c[3], 0, 63.5f, 63.5f, 127);
    // One level further in the high-x high-y quadrant.
    const QuadNode* g = c[1].children.get();
    ASSERT_NE(g, nullptr);
    expectRect(g[0], 63.5f, 63.5f, 95.25f, 95.25f);
    expectRect(g[1], 95.25f, 95.25f, 127, 127);
    expectRect(g[2], 95.25f, 63.5f, 127, 95.25f);
    expectRect(g[3], 63.5f, 95.25f, 95.25f, 127);
}

// Height ranges start from (16, 0) and sample points floor(min) .. ceil(max) - 1:
// the upper edge row and column are never read, a split at 63.5 reads column 63
// on both sides.
TEST(QuadViewTreeBuild, HandWorkedHeightRanges)
{
    QuadViewTree tree;
    tree.build(makeMap(16, 16, [](int32_t x, int32_t y) { return 20.0f + float(x + y) * 0.25f; }));
    EXPECT_EQ(tree.root.min.z, 16.0f);
    EXPECT_EQ(tree.root.max.z, 20.0f + 28.0f * 0.25f); // (14, 14)
    tree.build(makeMap(128, 128, [](int32_t x, int32_t y) { return (x == 127 || y == 127) ? 31.0f : 5.0f; }));
    EXPECT_EQ(tree.root.max.z, 5.0f);
    // Point (63, 63) lies below the 63.5 split: every quadrant starts or ends there;
    // (64, 64) belongs to the high-x high-y quadrant only.
    for (int32_t p : {63, 64}) {
        tree.build(makeMap(128, 128, [p](int32_t x, int32_t y) { return x == p && y == p ? 30.0f : 5.0f; }));
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(tree.root.children[i].max.z, (p == 63 || i == 1) ? 30.0f : 5.0f) << p << " " << i;
    }
}

TEST(QuadViewTreeBuild, EveryNodeRangeMatchesItsSampledPoints)
{
    // Reference: points floor(min) .. ceil(max) - 1 in both directions, folded
    // with std::min / std::max from the starting values.
    std::mt19937 random(1234u);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<float> heights(128 * 128);
    for (float& h : heights)
        h = float(byte(random)) * 0.125f;
    const TerrainMap map =
        makeMap(128, 128, [&](int32_t x, int32_t y) { return heights[size_t(x + 128 * y)]; });
    QuadViewTree tree;
    tree.build(map);
    int checked = 0;
    forEachNode(tree.root, [&](const QuadNode& node) {
        float lo = 16.0f, hi = 0.0f;
        for (int x = int(std::floor(node.min.x)); x < int(std::ceil(node.max.x)); ++x)
            for (int y = int(std::floor(node.min.y)); y < int(std::ceil(node.max.y)); ++y) {
                lo = std::min(lo, heights[size_t(x + 128 * y)]);
                hi = std::max(hi, heights[size_t(x + 128 * y)]);
            }
        ASSERT_EQ(node.min.z, lo);
        ASSERT_EQ(node.max.z, hi);
        ++checked;
    });
    EXPECT_EQ(checked, 5461);
}

TEST(QuadViewTreeBuild, SmallGridsSplitByTheirXExtent)
{
    QuadViewTree tree;
    ASSERT_TRUE(tree.build(makeMap(3, 3, [](int32_t x, int32_t y) { return float(x + 3 * y); })));
    EXPECT_TRUE(tree.root.isLeaf);
    EXPECT_EQ(tree.root.childCount, 0);
    EXPECT_EQ(tree.root.children, nullptr);
    expectRect(tree.root, 0, 0, 2, 2);
    EXPECT_EQ(tree.root.min.z, 0.0f);
    EXPECT_EQ(tree.root.max.z, 4.0f); // (1, 1); row and column 2 are the upper edges
    // 3 wide and 100 tall: only the x extent 2 decides, the root is a leaf.
    tree.build(makeMap(3, 100, [](int32_t, int32_t) { return 1.0f; }));
    EXPECT_TRUE(tree.root.isLeaf);
    tree.build(makeMap(4, 4, [](int32_t, int32_t) { return 1.0f; }));
    ASSERT_FALSE(tree.root.isLeaf);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(tree.root.children[i].isLeaf);
        EXPECT_EQ(tree.root.children[i].max.x - tree.root.children[i].min.x, 1.5f);
    }
}

TEST(QuadViewTreeBuild, DepthLimitStopsVeryWideGrids)
{
    // 1537 wide: at depth 9 the x extent is still 3, so only the depth limit stops.
    const TerrainMap map = makeMap(1537, 2, [](int32_t, int32_t) { return 1.0f; });
    QuadViewTree tree;
    tree.build(map);
    int leaves = 0;
    forEachNode(tree.root, [&](const QuadNode& node) {
        if (!node.isLeaf) return;
        ++leaves;
        EXPECT_EQ(node.depth, 9);
        EXPECT_EQ(node.max.x - node.min.x, 3.0f);
    });
    EXPECT_EQ(leaves, 1 << 18);
}

TEST(QuadViewTreeBuild, MapWithoutGridLeavesAnEmptyRoot)
{
    TerrainMap empty;
    QuadViewTree tree;
    tree.build(makeMap(16, 16, [](int32_t, int32_t) { return 1.0f; }));
    EXPECT_FALSE(tree.build(empty));
    EXPECT_TRUE(tree.root.isLeaf);
    EXPECT_EQ(tree.root.childCount, 0);
    EXPECT_EQ(tree.root.max, (Vec3{0, 0, 0}));

    TerrainMap shortHeights = makeMap(16, 16, [](int32_t, int32_t) { return 1.0f; });
    shortHeights.heights.resize(100);
    EXPECT_FALSE(tree.build(shortHeights));
}
