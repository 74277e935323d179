#include "view/ViewMatrices.h"

#include <cmath>
#include <numbers>

Matrix4 perspectiveMatrix(double fovyDegrees, double aspect, double zNear, double zFar)
{
    const double halfAngle = fovyDegrees * 0.5 * std::numbers::pi / 180.0;
    const double cotangent = std::cos(halfAngle) / std::sin(halfAngle);
    const double depth = zFar - zNear;
    Matrix4 m{};
    m[0] = float(cotangent / aspect);
    m[5] = float(cotangent);
    m[10] = float(-(zFar + zNear) / depth);
    m[11] = -1.0f;
    m[14] = float(-2.0 * zNear * zFar / depth);
    return m;
}

namespace {
struct Vec3d {
    double x, y, z;
};
Vec3d crossd(Vec3d a, Vec3d b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3d normalized(Vec3d v)
{
    const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / length, v.y / length, v.z / length};
}
double dotd(Vec3d a, Vec3d b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
} // namespace

Matrix4 lookAtMatrix(const Camera& camera)
{
    const Vec3d eye{camera.eye.x, camera.eye.y, camera.eye.z};
    const Vec3d forward =
        normalized({camera.target.x - eye.x, camera.target.y - eye.y, camera.target.z - eye.z});
    const Vec3d side = normalized(crossd(forward, {camera.up.x, camera.up.y, camera.up.z}));
    const Vec3d up = crossd(side, forward);
    // Rows side, up, -forward, then the translation by -eye folded into column 3.
    return {float(side.x),           float(up.x),           float(-forward.x),         0.0f,
            float(side.y),           float(up.y),           float(-forward.y),         0.0f,
            float(side.z),           float(up.z),           float(-forward.z),         0.0f,
            float(-dotd(side, eye)), float(-dotd(up, eye)), float(dotd(forward, eye)), 1.0f};
}
