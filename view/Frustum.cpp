#include "view/Frustum.h"

#include <cmath>

std::array<Plane, 6> frustumPlanes(const float projection[16], const float modelview[16])
{
    // combined = projection * modelview, column-major: combined[i*4+j] = sum_k M[i*4+k] * P[k*4+j].
    float combined[16];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += modelview[i * 4 + k] * projection[k * 4 + j];
            combined[i * 4 + j] = sum;
        }
    }
    auto row = [&](int i) {
        return std::array<float, 4>{combined[i], combined[4 + i], combined[8 + i], combined[12 + i]};
    };
    const auto r0 = row(0), r1 = row(1), r2 = row(2), r3 = row(3);
    auto make = [](const std::array<float, 4>& p, const std::array<float, 4>& q, float sign) {
        Plane plane{p[0] + sign * q[0], p[1] + sign * q[1], p[2] + sign * q[2], p[3] + sign * q[3]};
        const float length = std::sqrt(plane.a * plane.a + plane.b * plane.b + plane.c * plane.c);
        plane.a /= length;
        plane.b /= length;
        plane.c /= length;
        plane.d /= length;
        return plane;
    };

    std::array<Plane, 6> planes;
    planes[kRightPlane] = make(r3, r0, -1.0f);
    planes[kLeftPlane] = make(r3, r0, 1.0f);
    planes[kBottomPlane] = make(r3, r1, 1.0f);
    planes[kTopPlane] = make(r3, r1, -1.0f);
    planes[kFarPlane] = make(r3, r2, -1.0f);
    planes[kNearPlane] = make(r3, r2, 1.0f);
    return planes;
}

namespace {

// The products of one plane with the box's coordinates, each computed once, so a
// corner costs three additions.
struct PlaneTerms {
    float ax1, ax2, by1, by2, cz1, cz2, d;

    PlaneTerms(const Plane& p, float x1, float y1, float z1, float x2, float y2, float z2)
        : ax1(p.a * x1), ax2(p.a * x2), by1(p.b * y1), by2(p.b * y2), cz1(p.c * z1), cz2(p.c * z2), d(p.d)
    {
    }

    bool front(float ax, float by, float cz) const { return ax + by + cz + d > 0.0f; }

    bool anyCornerInFront() const
    {
        return front(ax1, by1, cz1) || front(ax2, by1, cz1) || front(ax1, by2, cz1) || front(ax2, by2, cz1) ||
               front(ax1, by1, cz2) || front(ax2, by1, cz2) || front(ax1, by2, cz2) || front(ax2, by2, cz2);
    }

    int cornersInFront() const
    {
        return int(front(ax1, by1, cz1)) + int(front(ax2, by1, cz1)) + int(front(ax1, by2, cz1)) +
               int(front(ax2, by2, cz1)) + int(front(ax1, by1, cz2)) + int(front(ax2, by1, cz2)) +
               int(front(ax1, by2, cz2)) + int(front(ax2, by2, cz2));
    }
};

} // namespace

bool Frustum::boxVisible(float x1, float y1, float z1, float x2, float y2, float z2) const
{
    for (const Plane& plane : planes) {
        if (!PlaneTerms(plane, x1, y1, z1, x2, y2, z2).anyCornerInFront()) return false;
    }
    return true;
}

BoxClass Frustum::classifyBox(float x1, float y1, float z1, float x2, float y2, float z2) const
{
    for (size_t i = 0; i < planes.size(); ++i) {
        const int count = PlaneTerms(planes[i], x1, y1, z1, x2, y2, z2).cornersInFront();
        if (count == 0) return BoxClass::Outside;
        if (count == 8) continue;
        // The box straddles this plane: it can no longer be Inside, only the
        // remaining planes can still reject it.
        for (size_t j = i + 1; j < planes.size(); ++j) {
            if (!PlaneTerms(planes[j], x1, y1, z1, x2, y2, z2).anyCornerInFront()) return BoxClass::Outside;
        }
        return BoxClass::Intersect;
    }
    return BoxClass::Inside;
}
