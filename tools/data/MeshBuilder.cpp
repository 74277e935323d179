#include "tools/data/MeshBuilder.h"

#include <cmath>
#include <map>

namespace datagen {

int MeshBuilder::vertex(Point3 p)
{
    positions_.push_back(p);
    parts_.push_back(part_);
    return static_cast<int>(positions_.size()) - 1;
}

void MeshBuilder::triangle(int a, int b, int c, Point3 stA, Point3 stB, Point3 stC)
{
    triangles_.push_back({Corner{a, stA.x, stA.y}, Corner{b, stB.x, stB.y}, Corner{c, stC.x, stC.y}});
}

Md2Mesh MeshBuilder::finish(int skinWidth, int skinHeight, const std::string& skinName,
                            const std::vector<std::string>& frameNames, const Pose& pose) const
{
    Md2Mesh m;
    m.skinWidth = skinWidth;
    m.skinHeight = skinHeight;
    m.skinName = skinName;
    std::map<std::pair<int, int>, uint16_t> stIndex; // shared texture coordinates
    for (const auto& tri : triangles_) {
        Md2Triangle t;
        for (size_t k = 0; k < 3; ++k) {
            const auto s = static_cast<int>(std::lround(tri[k].s));
            const auto tt = static_cast<int>(std::lround(tri[k].t));
            auto [it, added] = stIndex.try_emplace({s, tt}, static_cast<uint16_t>(m.texCoords.size()));
            if (added) m.texCoords.push_back({static_cast<int16_t>(s), static_cast<int16_t>(tt)});
            t.vertex[k] = static_cast<uint16_t>(tri[k].vertex);
            t.texCoord[k] = it->second;
        }
        m.triangles.push_back(t);
    }
    for (size_t f = 0; f < frameNames.size(); ++f) {
        Md2Frame frame;
        frame.name = frameNames[f];
        for (size_t v = 0; v < positions_.size(); ++v)
            frame.positions.push_back(pose(static_cast<int>(f), parts_[v], positions_[v]));
        m.frames.push_back(std::move(frame));
    }
    return m;
}

namespace {

Point3 st(float s, float t)
{
    return {s, t, 0.0f};
}

// A quad a-b-c-d (counter-clockwise from outside) with its own four vertices.
void quad(MeshBuilder& b, Point3 pa, Point3 pb, Point3 pc, Point3 pd, Point3 ta, Point3 tb, Point3 tc,
          Point3 td)
{
    const int a = b.vertex(pa);
    const int bb = b.vertex(pb);
    const int c = b.vertex(pc);
    const int d = b.vertex(pd);
    b.triangle(a, bb, c, ta, tb, tc);
    b.triangle(a, c, d, ta, tc, td);
}

} // namespace

void addBox(MeshBuilder& b, Point3 lo, Point3 hi, SkinRect top, SkinRect sides, bool withBottom)
{
    const float x0 = lo.x, y0 = lo.y, z0 = lo.z, x1 = hi.x, y1 = hi.y, z1 = hi.z;
    // Top (+z): x → s, y → t (far y at the top of the rectangle).
    quad(b, {x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}, st(top.x, top.y + top.h),
         st(top.x + top.w, top.y + top.h), st(top.x + top.w, top.y), st(top.x, top.y));
    if (withBottom)
        quad(b, {x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}, st(top.x, top.y + top.h),
             st(top.x, top.y), st(top.x + top.w, top.y), st(top.x + top.w, top.y + top.h));
    const float sb = sides.y + sides.h; // bottom edge of the side rectangle
    const float st0 = sides.y;
    const float sl = sides.x;
    const float sr = sides.x + sides.w;
    // Sides, each seen from outside with z up.
    quad(b, {x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}, st(sl, sb), st(sr, sb), st(sr, st0),
         st(sl, st0));
    quad(b, {x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}, st(sl, sb), st(sr, sb), st(sr, st0),
         st(sl, st0));
    quad(b, {x1, y1, z0}, {x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}, st(sl, sb), st(sr, sb), st(sr, st0),
         st(sl, st0));
    quad(b, {x0, y1, z0}, {x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, st(sl, sb), st(sr, sb), st(sr, st0),
         st(sl, st0));
}

void addPrismY(MeshBuilder& b, const std::vector<std::pair<float, float>>& profile, float y0, float y1,
               SkinRect sides, SkinRect caps)
{
    const size_t n = profile.size();
    float minX = profile[0].first, maxX = minX, minZ = profile[0].second, maxZ = minZ, perimeter = 0.0f;
    for (size_t i = 0; i < n; ++i) {
        const auto [x, z] = profile[i];
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minZ = std::min(minZ, z);
        maxZ = std::max(maxZ, z);
        const auto [nx, nz] = profile[(i + 1) % n];
        perimeter += std::hypot(nx - x, nz - z);
    }
    // Mantle: one quad per profile edge.
    float run = 0.0f;
    for (size_t i = 0; i < n; ++i) {
        const auto [xa, za] = profile[i];
        const auto [xb, zb] = profile[(i + 1) % n];
        const float len = std::hypot(xb - xa, zb - za);
        const float ta = sides.y + sides.h * run / perimeter;
        const float tb = sides.y + sides.h * (run + len) / perimeter;
        run += len;
        // The profile runs counter-clockwise in the x-z plane (x right, z up), so
        // the outside of edge a→b is on its right; seen from there the quad is a(y0), a(y1), b(y1), b(y0).
        quad(b, {xa, y0, za}, {xa, y1, za}, {xb, y1, zb}, {xb, y0, zb}, st(sides.x, ta),
             st(sides.x + sides.w, ta), st(sides.x + sides.w, tb), st(sides.x, tb));
    }
    // Caps: fans around the first profile point. The profile's order is
    // counter-clockwise seen from -y, so the y0 cap keeps it and the y1 cap reverses it.
    const auto capSt = [&](float x, float z) {
        return st(caps.x + caps.w * (x - minX) / (maxX - minX),
                  caps.y + caps.h * (1.0f - (z - minZ) / (maxZ - minZ)));
    };
    for (float y : {y0, y1}) {
        std::vector<int> idx;
        for (const auto& [x, z] : profile)
            idx.push_back(b.vertex({x, y, z}));
        for (size_t i = 1; i + 1 < n; ++i) {
            const auto& p0 = profile[0];
            const auto& p1 = profile[i];
            const auto& p2 = profile[i + 1];
            if (y == y1)
                b.triangle(idx[0], idx[i + 1], idx[i], capSt(p0.first, p0.second), capSt(p2.first, p2.second),
                           capSt(p1.first, p1.second));
            else
                b.triangle(idx[0], idx[i], idx[i + 1], capSt(p0.first, p0.second), capSt(p1.first, p1.second),
                           capSt(p2.first, p2.second));
        }
    }
}

void addFrustum(MeshBuilder& b, Point3 base, Point3 tip, float r0, float r1, int sides, SkinRect mantle,
                bool capBase, bool capTip, SkinRect capRect, float startAngle)
{
    const Point3 axis = unit3(tip - base);
    // Two directions across the axis, forming a right-handed frame (u, v, axis).
    const Point3 helper = std::fabs(axis.z) < 0.9f ? Point3{0, 0, 1} : Point3{1, 0, 0};
    const Point3 u = unit3(cross3(helper, axis));
    const Point3 v = cross3(axis, u);
    const auto ring = [&](Point3 centre, float r, float angle) {
        return centre + u * (r * std::cos(angle)) + v * (r * std::sin(angle));
    };
    const float step = 6.28318530718f / static_cast<float>(sides);
    // Mantle: shared vertices around each ring so the normals come out smooth;
    // the seam repeats the first column with s at the right edge.
    std::vector<int> lower, upper;
    for (int i = 0; i <= sides; ++i) {
        const float a = startAngle + step * static_cast<float>(i % sides);
        if (i < sides) {
            lower.push_back(b.vertex(ring(base, r0, a)));
            upper.push_back(r1 > 0.0f || i == 0 ? b.vertex(ring(tip, r1, a)) : upper[0]);
        }
    }
    const float tTop = mantle.y;
    const float tBottom = mantle.y + mantle.h;
    for (int i = 0; i < sides; ++i) {
        const int j = (i + 1) % sides;
        const float s0 = mantle.x + mantle.w * static_cast<float>(i) / static_cast<float>(sides);
        const float s1 = mantle.x + mantle.w * static_cast<float>(i + 1) / static_cast<float>(sides);
        // Counter-clockwise seen from outside: lower i, lower j, upper j (angle grows from u to v).
        if (r1 > 0.0f) {
            b.triangle(lower[static_cast<size_t>(i)], lower[static_cast<size_t>(j)],
                       upper[static_cast<size_t>(j)], st(s0, tBottom), st(s1, tBottom), st(s1, tTop));
            b.triangle(lower[static_cast<size_t>(i)], upper[static_cast<size_t>(j)],
                       upper[static_cast<size_t>(i)], st(s0, tBottom), st(s1, tTop), st(s0, tTop));
        } else {
            b.triangle(lower[static_cast<size_t>(i)], lower[static_cast<size_t>(j)], upper[0],
                       st(s0, tBottom), st(s1, tBottom), st(0.5f * (s0 + s1), tTop));
        }
    }
    const float cx = capRect.x + capRect.w * 0.5f;
    const float cy = capRect.y + capRect.h * 0.5f;
    const auto capSt = [&](float a) {
        return st(cx + 0.5f * capRect.w * std::cos(a), cy - 0.5f * capRect.h * std::sin(a));
    };
    // Caps get their own vertices so their normals stay flat.
    const auto cap = [&](Point3 centre, float r, bool facingAxis) {
        const int c = b.vertex(centre);
        std::vector<int> rim;
        for (int i = 0; i < sides; ++i)
            rim.push_back(b.vertex(ring(centre, r, startAngle + step * static_cast<float>(i))));
        for (int i = 0; i < sides; ++i) {
            const int j = (i + 1) % sides;
            const float ai = startAngle + step * static_cast<float>(i);
            const float aj = startAngle + step * static_cast<float>(i + 1);
            if (facingAxis)
                b.triangle(c, rim[static_cast<size_t>(i)], rim[static_cast<size_t>(j)], st(cx, cy), capSt(ai),
                           capSt(aj));
            else
                b.triangle(c, rim[static_cast<size_t>(j)], rim[static_cast<size_t>(i)], st(cx, cy), capSt(aj),
                           capSt(ai));
        }
    };
    if (capBase && r0 > 0.0f) cap(base, r0, false);
    if (capTip && r1 > 0.0f) cap(tip, r1, true);
}

} // namespace datagen
