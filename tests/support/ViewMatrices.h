#pragma once

// For tests that need a camera's view volume without a GL context: the
// matrices gluPerspective and gluLookAt multiply in, column-major.

#include "view/Camera.h"

#include <array>
#include <cmath>
#include <numbers>

// Vertical field of view in degrees, aspect = width / height, near and far distances n and f.
inline std::array<float, 16> perspectiveMatrix(double fovyDegrees, double aspect, double n, double f)
{
    const double t = 1.0 / std::tan(fovyDegrees * std::numbers::pi / 360.0), d = n - f;
    const float x = float(t / aspect), y = float(t), z = float((f + n) / d), w = float(2.0 * n * f / d);
    return {x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, -1, 0, 0, w, 0};
}

inline std::array<float, 16> lookAtMatrix(const Camera& c)
{
    const Vec3 e = c.eye, f = normalize(c.target - e), s = normalize(cross(f, c.up)), u = cross(s, f);
    return {s.x, u.x, -f.x, 0, s.y, u.y, -f.y, 0, s.z, u.z, -f.z, 0, -dot(s, e), -dot(u, e), dot(f, e), 1};
}
