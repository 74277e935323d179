#include "terrain/TerrainSeams.h"

#include <array>
#include <cmath>
#include <utility>

namespace {

struct Point {
    int c = 0;
    int r = 0;
};

uint8_t packed(Point p)
{
    return static_cast<uint8_t>(p.c + 16 * p.r);
}

// Appends the triangle clockwise seen from above (+z), the mesh's winding:
// front faces are culled, so a triangle turned the other way would vanish.
void addTriangle(std::vector<uint8_t>& out, Point a, Point b, Point c)
{
    const int cross = (b.c - a.c) * (c.r - a.r) - (b.r - a.r) * (c.c - a.c);
    if (cross > 0) std::swap(b, c);
    out.insert(out.end(), {packed(a), packed(b), packed(c)});
}

// The point at `along` on the axis of side `side` and at `line` on the other
// axis (the side's own row or column, or the inner row's facing it).
Point sidePoint(int side, int along, int line)
{
    switch (side) {
    case 0: return {along, line};
    case 1: return {line, along};
    case 2: return {along, line};
    default: return {line, along};
    }
}

} // namespace

int stepPositions(int step, int subdivision, int out[kMaxSubdivision + 1])
{
    if (subdivision < 1 || subdivision > kMaxSubdivision || step < 1 || step > subdivision) return 0;
    int count = 0;
    for (int p = 0; p < subdivision; p += step)
        out[count++] = p;
    out[count++] = subdivision;
    return count;
}

void StitchTemplates::add(Span& span, const std::vector<uint8_t>& triangles)
{
    span.triangles = static_cast<uint32_t>(triangles_.size());
    span.triangleVertices = static_cast<uint32_t>(triangles.size());
    triangles_.insert(triangles_.end(), triangles.begin(), triangles.end());
    // The strips, in the list's order: a triangle that holds the last two
    // vertices of the strip adds its third; any other starts a new strip,
    // turned so that its last two vertices are the edge it shares with the
    // next triangle. Neighbouring triangles of one winding run their shared
    // edge in opposite directions, which is what the strip's alternation
    // expects, so every triangle keeps its winding.
    span.strips = static_cast<uint32_t>(strips_.size());
    span.stripLengths = static_cast<uint32_t>(stripLengths_.size());
    const size_t count = triangles.size() / 3;
    uint8_t length = 0;
    for (size_t t = 0; t < count; ++t) {
        const uint8_t* triangle = &triangles[3 * t];
        const auto holds = [](const uint8_t* in, uint8_t v) {
            return in[0] == v || in[1] == v || in[2] == v;
        };
        if (length >= 3) {
            const uint8_t p = strips_[strips_.size() - 2];
            const uint8_t q = strips_.back();
            if (holds(triangle, p) && holds(triangle, q)) {
                for (int k = 0; k < 3; ++k)
                    if (triangle[k] != p && triangle[k] != q) strips_.push_back(triangle[k]);
                ++length;
                continue;
            }
        }
        if (length > 0) stripLengths_.push_back(length);
        int first = 0;
        if (t + 1 < count) {
            const uint8_t* next = &triangles[3 * (t + 1)];
            for (int k = 0; k < 3; ++k)
                if (holds(next, triangle[(k + 1) % 3]) && holds(next, triangle[(k + 2) % 3])) first = k;
        }
        for (int k = 0; k < 3; ++k)
            strips_.push_back(triangle[(first + k) % 3]);
        length = 3;
    }
    if (length > 0) stripLengths_.push_back(length);
    span.stripCount = static_cast<uint32_t>(stripLengths_.size()) - span.stripLengths;
}

StitchTemplates::Piece StitchTemplates::piece(const Span& span) const
{
    return {triangles_.data() + span.triangles, static_cast<int>(span.triangleVertices),
            strips_.data() + span.strips, stripLengths_.data() + span.stripLengths,
            static_cast<int>(span.stripCount)};
}

StitchTemplates::StitchTemplates(int subdivision)
{
    if (subdivision < 1 || subdivision > kMaxSubdivision) return;
    subdivision_ = subdivision;
    const int S = subdivision;
    std::vector<uint8_t> triangles;
    for (int step = 1; step <= S; ++step) {
        int own[kMaxSubdivision + 1];
        const int ownCount = stepPositions(step, S, own);
        triangles.clear();
        if (step == S) {
            // One quad, and its sides have no vertex but the corners.
            addTriangle(triangles, {0, 0}, {0, S}, {S, 0});
            addTriangle(triangles, {0, S}, {S, S}, {S, 0});
            add(inner_[step], triangles);
            continue;
        }
        // The inner positions: own[1] .. own[ownCount - 2], one or more.
        const int* inner = own + 1;
        const int innerCount = ownCount - 2;
        for (int j = 0; j + 1 < innerCount; ++j)
            for (int i = 0; i + 1 < innerCount; ++i) {
                // Split along the diagonal a quad strip takes, so a row of
                // quads makes one triangle strip.
                const Point low{inner[i], inner[j]};
                const Point high{inner[i + 1], inner[j + 1]};
                addTriangle(triangles, low, {low.c, high.r}, {high.c, low.r});
                addTriangle(triangles, {low.c, high.r}, high, {high.c, low.r});
            }
        add(inner_[step], triangles);
        for (int side = 0; side < kCellSides; ++side) {
            // Sides 0 and 3 lie at 0 and face the first inner row or column;
            // sides 1 and 2 lie at S and face the last.
            const bool far = side == 1 || side == 2;
            const int outerLine = far ? S : 0;
            const int innerLine = far ? inner[innerCount - 1] : inner[0];
            for (int sideStep = step; sideStep <= S; ++sideStep) {
                int outer[kMaxSubdivision + 1];
                const int outerCount = stepPositions(sideStep, S, outer);
                triangles.clear();
                // Zip the side's vertices to the inner row's, advancing
                // whichever is behind along the side (the inner row on a
                // tie, so equal steps alternate and make one strip).
                int a = 0;
                int b = 0;
                while (a + 1 < outerCount || b + 1 < innerCount) {
                    const bool advanceOuter =
                        b + 1 == innerCount || (a + 1 < outerCount && outer[a + 1] < inner[b + 1]);
                    if (advanceOuter) {
                        addTriangle(triangles, sidePoint(side, outer[a], outerLine),
                                    sidePoint(side, outer[a + 1], outerLine),
                                    sidePoint(side, inner[b], innerLine));
                        ++a;
                    } else {
                        addTriangle(triangles, sidePoint(side, outer[a], outerLine),
                                    sidePoint(side, inner[b + 1], innerLine),
                                    sidePoint(side, inner[b], innerLine));
                        ++b;
                    }
                }
                add(ring_[step][side][sideStep], triangles);
            }
        }
    }
}

StitchTemplates::Piece StitchTemplates::inner(int step) const
{
    if (step < 1 || step > subdivision_) return {};
    return piece(inner_[step]);
}

StitchTemplates::Piece StitchTemplates::ring(int step, int side, int sideStep) const
{
    if (step < 1 || step > subdivision_ || side < 0 || side >= kCellSides || sideStep < step ||
        sideStep > subdivision_)
        return {};
    return piece(ring_[step][side][sideStep]);
}

namespace {

// Built before main runs: nothing is made while frames are drawn.
const std::array<StitchTemplates, kMaxSubdivision> kTemplates = [] {
    return [&]<size_t... I>(std::index_sequence<I...>)
    {
        return std::array<StitchTemplates, kMaxSubdivision>{StitchTemplates(static_cast<int>(I) + 1)...};
    }
    (std::make_index_sequence<kMaxSubdivision>());
}();

} // namespace

const StitchTemplates* stitchTemplates(int subdivision)
{
    if (subdivision < 1 || subdivision > kMaxSubdivision) return nullptr;
    return &kTemplates[static_cast<size_t>(subdivision - 1)];
}

bool buildStitchedCell(const StitchTemplates& templates, uint32_t first, int meshColumns, int step,
                       const int sideSteps[kCellSides], bool strips, StitchedCell& out)
{
    out.step = step;
    out.indexCount = 0;
    out.stripCount = 0;
    const int S = templates.subdivision();
    if (step < 1 || step > S) return false;
    for (int side = 0; side < kCellSides; ++side)
        if (step < S && (sideSteps[side] < step || sideSteps[side] > S)) return false;
    // The first vertex of each row of the cell; a packed vertex c + 16 r is
    // then rows[r] + c.
    uint32_t rows[kMaxSubdivision + 1];
    for (int r = 0; r <= S; ++r)
        rows[r] = first + static_cast<uint32_t>(meshColumns) * static_cast<uint32_t>(r);
    const auto append = [&](StitchTemplates::Piece piece) {
        const uint8_t* vertices = strips ? piece.strips : piece.triangles;
        int count = piece.triangleVertices;
        if (strips) {
            count = 0;
            for (int i = 0; i < piece.stripCount; ++i) {
                out.stripLengths[out.stripCount++] = piece.stripLengths[i];
                count += piece.stripLengths[i];
            }
        }
        for (int i = 0; i < count; ++i)
            out.indices[out.indexCount++] = rows[vertices[i] >> 4] + (vertices[i] & 15u);
    };
    append(templates.inner(step));
    if (step < S)
        for (int side = 0; side < kCellSides; ++side)
            append(templates.ring(step, side, sideSteps[side]));
    return true;
}

int lodQuadCount(int step, int subdivision)
{
    if (step < 1) return 0;
    if (step >= subdivision) return 1;
    // Bands and pairs run over the multiples of step up to the subdivision
    // inclusive; a strip of n pairs holds n - 1 quads.
    const int n = subdivision / step + 1;
    return n * (n - 1);
}

int immediateQuadCount(int step, int subdivision)
{
    if (step < 1) return 0;
    if (step >= subdivision) return 1;
    // Bands and pairs run over the multiples of step below step + subdivision;
    // every pair counts.
    const int n = (subdivision + 2 * step - 1) / step;
    return n * n;
}

int levelColourIndex(int step)
{
    if (step <= 1) return 0;
    if (step == 2) return 1;
    if (step <= 4) return 2;
    return 3;
}

int fringeCells(float meshOrigin)
{
    return static_cast<int>(std::ceil(0.5f - meshOrigin));
}

bool stitchedCellDrawn(const TerrainMap& map, int x, int y, int fringe)
{
    for (int j = y; j >= 0 && j >= y - fringe; --j)
        for (int i = x; i >= 0 && i >= x - fringe; --i)
            if (map.visible[static_cast<size_t>(i) + static_cast<size_t>(map.width) * j] == 1) return true;
    return false;
}
