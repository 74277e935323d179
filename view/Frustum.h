#pragma once

#include <array>

// A point (x, y, z) is in front of (inside) the plane when a*x + b*y + c*z + d > 0
// strictly. After extraction (a, b, c) has unit length, so the expression is a
// signed distance in world units.
struct Plane {
    float a = 0.0f;
    float b = 0.0f;
    float c = 0.0f;
    float d = 0.0f;
};

// Result of the three-way box test; the values are fixed.
enum class BoxClass : int { Outside = -1, Inside = 0, Intersect = 1 };

// Index of each plane in Frustum::planes; the box tests walk them in this order.
enum FrustumPlane : int { kRightPlane = 0, kLeftPlane, kBottomPlane, kTopPlane, kFarPlane, kNearPlane };

// The six inward-facing planes of the view volume in world coordinates from a
// projection and a modelview matrix, each 16 floats in OpenGL's column-major
// order. Planes are normalised without a guard against zero length (a valid
// projection never gives one).
std::array<Plane, 6> frustumPlanes(const float projection[16], const float modelview[16]);

// The current view volume. Boxes are two corners (x1, y1, z1) and (x2, y2, z2);
// only the eight corner points are tested. A corner at distance exactly 0 is not
// in front of a plane.
struct Frustum {
    std::array<Plane, 6> planes{};

    // Reads GL_PROJECTION_MATRIX and GL_MODELVIEW_MATRIX from the current context
    // and overwrites the planes.
    void extract();

    // False when some plane has no corner of the box in front of it. Conservative:
    // a box just outside an edge or corner of the view volume still counts.
    bool boxVisible(float x1, float y1, float z1, float x2, float y2, float z2) const;

    // Outside when some plane has no corner in front, Inside when all corners are
    // in front of all planes, Intersect otherwise. False for boxVisible exactly
    // when this says Outside.
    BoxClass classifyBox(float x1, float y1, float z1, float x2, float y2, float z2) const;
};
