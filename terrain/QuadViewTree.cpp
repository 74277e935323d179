#include "terrain/QuadViewTree.h"

#include "terrain/TerrainMap.h"
#include "view/Frustum.h"

#include <algorithm>
#include <new>

void buildNode(QuadNode& node, const TerrainMap& map, int32_t depth, float lowerX, float lowerY, float upperX,
               float upperY)
{
    // Starting values: the z range is [min(16, lowest), max(0, highest)].
    node.min = {lowerX, lowerY, 16.0f};
    node.max = {upperX, upperY, 0.0f};
    node.depth = depth;
    node.isLeaf = true;
    node.childCount = 0;
    node.children.reset();

    for (int32_t i = static_cast<int32_t>(node.min.x); static_cast<float>(i) < node.max.x; ++i) {
        for (int32_t j = static_cast<int32_t>(node.min.y); static_cast<float>(j) < node.max.y; ++j) {
            const float h = static_cast<float>(map.heightAt(i, j));
            if (h > node.max.z) node.max.z = h;
            if (h < node.min.z) node.min.z = h;
        }
    }

    // Only the x extent decides; the maps are square.
    if (depth >= kQuadMaxDepth || static_cast<int32_t>(node.max.x - node.min.x) <= kQuadLeafWidth) return;

    node.children.reset(new (std::nothrow) QuadNode[4]);
    if (!node.children) return; // stays a leaf, see the header
    node.isLeaf = false;
    node.childCount = 4;

    const float cx = (node.min.x + node.max.x) * 0.5f;
    const float cy = (node.min.y + node.max.y) * 0.5f;
    buildNode(node.children[0], map, depth + 1, node.min.x, node.min.y, cx, cy);
    buildNode(node.children[1], map, depth + 1, cx, cy, node.max.x, node.max.y);
    buildNode(node.children[2], map, depth + 1, cx, node.min.y, node.max.x, cy);
    buildNode(node.children[3], map, depth + 1, node.min.x, cy, cx, node.max.y);
}

bool QuadViewTree::build(const TerrainMap& map)
{
    if (!map.hasGrid() ||
        map.heights.size() < static_cast<size_t>(map.width) * static_cast<size_t>(map.height)) {
        root = QuadNode{};
        return false;
    }
    buildNode(root, map, 0, 0.0f, 0.0f, static_cast<float>(map.width - 1),
              static_cast<float>(map.height - 1));
    return true;
}

namespace {

struct MarkTarget {
    uint8_t* visible;
    int32_t width;
    int32_t height;
};

int markNode(const QuadNode& node, const Frustum& frustum, const MarkTarget& target)
{
    const BoxClass r =
        frustum.classifyBox(node.min.x, node.min.y, node.min.z, node.max.x, node.max.y, node.max.z);
    if (r == BoxClass::Outside) return 1;

    if (r == BoxClass::Inside || node.isLeaf || node.childCount == 0) {
        if (!target.visible) return 1;
        // The +0.5 lets a leaf ending at a fractional edge such as 3.97 mark cell 3.
        const int32_t x0 = static_cast<int32_t>(node.min.x);
        const int32_t y0 = static_cast<int32_t>(node.min.y);
        const int32_t x1 = std::min(static_cast<int32_t>(node.max.x + 0.5f), target.width);
        const int32_t y1 = std::min(static_cast<int32_t>(node.max.y + 0.5f), target.height);
        for (int32_t y = y0; y < y1; ++y) {
            uint8_t* row = target.visible + static_cast<size_t>(target.width) * static_cast<size_t>(y);
            for (int32_t x = x0; x < x1; ++x)
                row[x] = 1;
        }
        return 1;
    }

    int visited = 1;
    for (int32_t i = 0; i < node.childCount; ++i)
        visited += markNode(node.children[i], frustum, target);
    return visited;
}

} // namespace

int markVisible(const QuadNode& node, const Frustum& frustum, TerrainMap& map)
{
    // A tree built for another map, or a map whose visibility array is missing,
    // must not lead to writes outside the array: such cells are skipped.
    MarkTarget target{nullptr, std::max(map.width, 0), std::max(map.height, 0)};
    if (map.visible.size() >= static_cast<size_t>(target.width) * static_cast<size_t>(target.height) &&
        target.width > 0 && target.height > 0)
        target.visible = map.visible.data();
    return markNode(node, frustum, target);
}
