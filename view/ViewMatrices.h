#pragma once

#include "view/Camera.h"

#include <array>

// Column-major 4 x 4 matrices as OpenGL stores them.
using Matrix4 = std::array<float, 16>;

// The matrix gluPerspective multiplies in: vertical field of view in degrees,
// aspect = width / height, positive near and far distances. Computed in double.
Matrix4 perspectiveMatrix(double fovyDegrees, double aspect, double zNear, double zFar);

// The matrix Camera::look (gluLookAt) multiplies in. Computed in double.
Matrix4 lookAtMatrix(const Camera& camera);
