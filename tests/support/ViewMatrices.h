#pragma once

// For tests that need a camera's view volume without a GL context: the
// matrices gluPerspective and gluLookAt multiply in, column-major.

#include "view/Camera.h"

#include <array>
#include <cmath>
#include <numbers>

using Matrix4 = std::array<float, 16>;

inline Matrix4 perspectiveMatrix(double fovyDegrees, double aspect, double zNear, double zFar)
{
    const double f = 1.0 / std::tan(fovyDegrees * std::numbers::pi / 360.0), depth = zNear - zFar;
    const float x = float(f / aspect), y = float(f), z = float((zFar + zNear) / depth),
                w = float(2.0 * zNear * zFar / depth);
    return {x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, -1, 0, 0, w, 0};
}

inline Matrix4 lookAtMatrix(const Camera& camera)
{
    const Vec3 e = camera.eye, f = normalize(camera.target - e), s = normalize(cross(f, camera.up)),
               u = cross(s, f);
    return {s.x, u.x, -f.x, 0, s.y, u.y, -f.y, 0, s.z, u.z, -f.z, 0, -dot(s, e), -dot(u, e), dot(f, e), 1};
}
