#pragma once

#include "view/Vec3.h"

#include <cstdint>
#include <memory>

struct Frustum;
struct TerrainMap;

// One node of the quad view tree: an axis-aligned box whose x, y extent is a
// rectangle of the terrain grid (grid units) and whose z extent covers the heights
// sampled inside it (world units).
struct QuadNode {
    Vec3 min;               // lower corner
    Vec3 max;               // upper corner
    bool isLeaf = true;     // a fresh node has no children
    int32_t depth = 0;      // 0 for the root
    int32_t childCount = 0; // 4 for an inner node, 0 for a leaf
    // Quadrants in index order: 0 low x low y, 1 high x high y, 2 high x low y,
    // 3 low x high y. Null for a leaf.
    std::unique_ptr<QuadNode[]> children;
};

// A node at this depth or deeper is a leaf.
constexpr int32_t kQuadMaxDepth = 9;
// A node whose x extent, truncated, is this many grid units or less is a leaf.
constexpr int32_t kQuadLeafWidth = 2;

// Fills `node` for the rectangle lower..upper (grid units) and builds its subtree.
// The z range starts at [16, 0] and widens (strict float comparisons) by the
// heights of the grid points (i, j) with trunc(lower) <= i, j < upper, read with
// heightAt at whole-number positions; grid points on whole-number upper edges are
// not sampled. Should the children's allocation fail, the node stays a leaf: the
// walk then marks its whole rectangle, which only draws more, never less.
void buildNode(QuadNode& node, const TerrainMap& map, int32_t depth, float lowerX, float lowerY, float upperX,
               float upperY);

// Walks the subtree against the frustum: an Outside node is pruned, an Inside node
// or a visible leaf sets to 1 the `visible` bytes of the cells trunc(min) <= x, y <
// trunc(max + 0.5) without descending, an Intersect inner node descends. Writes
// only 1s (clearing is the caller's) and allocates nothing. Cells beyond the map's
// width and height are never written. Returns the number of nodes tested.
int markVisible(const QuadNode& node, const Frustum& frustum, TerrainMap& map);

// Draws the boxes of the subtree as red (leaf) or white (inner) wire frames into
// the current view, down to maxDepth; with leavesOnly only leaves and nodes at
// maxDepth are drawn. Line width is 2 / depth. Leaves the last line width and
// colour set.
void drawOutlines(const QuadNode& node, bool leavesOnly, int maxDepth);

// The static quadtree over the terrain grid: built once, then walked every frame.
struct QuadViewTree {
    QuadNode root;

    // Builds the whole tree over 0..width-1 x 0..height-1. A map without a grid
    // (or with fewer heights than width * height) leaves an empty leaf root and
    // returns false.
    bool build(const TerrainMap& map);
    int markVisible(const Frustum& frustum, TerrainMap& map) const
    {
        return ::markVisible(root, frustum, map);
    }
    void drawOutlines(bool leavesOnly, int maxDepth) const { ::drawOutlines(root, leavesOnly, maxDepth); }
};
