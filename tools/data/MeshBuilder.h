#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/data/Md2Writer.h"
#include "tools/data/Point3.h"

namespace datagen {

// A rectangle of the skin picture in texels, y measured from the top edge.
struct SkinRect {
    float x = 0.0f;
    float y = 0.0f;
    float w = 0.0f;
    float h = 0.0f;
};

// Collects the vertices and textured triangles of a model made of simple solids.
// Every vertex carries a part number, so frames can move parts separately.
class MeshBuilder {
public:
    // A new vertex of the current part; returns its index.
    int vertex(Point3 p);
    // A triangle, counter-clockwise seen from outside, with the skin texel of each corner.
    void triangle(int a, int b, int c, Point3 stA, Point3 stB, Point3 stC);
    void setPart(int part) { part_ = part; }

    const std::vector<Point3>& positions() const { return positions_; }
    const std::vector<int>& parts() const { return parts_; }

    // Builds the mesh; each frame's positions come from `pose`(frame index, part, rest position).
    using Pose = std::function<Point3(int frame, int part, Point3 rest)>;
    Md2Mesh finish(int skinWidth, int skinHeight, const std::string& skinName,
                   const std::vector<std::string>& frameNames, const Pose& pose) const;

private:
    struct Corner {
        int vertex;
        float s;
        float t;
    };
    std::vector<Point3> positions_;
    std::vector<int> parts_;
    std::vector<std::array<Corner, 3>> triangles_;
    int part_ = 0;
};

// Solids. Positions in model units (z up); every face is textured by a planar
// projection into its skin rectangle, with "up" on the model at the top of the
// rectangle for side faces.

// Box with flat faces (own vertices per face). `top` maps x → s and y → t, the
// four sides map their horizontal axis → s and z → t; the bottom is left open
// when `withBottom` is false (it rests on the ground or inside another part).
void addBox(MeshBuilder& b, Point3 lo, Point3 hi, SkinRect top, SkinRect sides, bool withBottom);

// A prism: the closed convex polygon `profile` in the x-z plane (counter-clockwise
// with x to the right and z up, as seen from -y) extruded from y0 < y1. Sides map their length around the
// profile → t and y → s; both caps map x → s and z → t into `caps`.
void addPrismY(MeshBuilder& b, const std::vector<std::pair<float, float>>& profile, float y0, float y1,
               SkinRect sides, SkinRect caps);

// A frustum of a cone (a cylinder when r0 = r1, a cone when r1 = 0) around the
// axis from `base` to `tip`, with `sides` facets. The mantle maps the angle → s
// and the position along the axis → t (tip at the top of the rectangle); the end
// caps are optional and map onto `capRect` as a disc.
void addFrustum(MeshBuilder& b, Point3 base, Point3 tip, float r0, float r1, int sides, SkinRect mantle,
                bool capBase, bool capTip, SkinRect capRect, float startAngle = 0.0f);

} // namespace datagen
