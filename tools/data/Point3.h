#pragma once

#include <cmath>

namespace datagen {

// A model-space point or direction (model units, z up).
struct Point3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

inline Point3 operator+(Point3 a, Point3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Point3 operator-(Point3 a, Point3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Point3 operator*(Point3 a, float s)
{
    return {a.x * s, a.y * s, a.z * s};
}
inline float dot3(Point3 a, Point3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Point3 cross3(Point3 a, Point3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length3(Point3 a)
{
    return std::sqrt(dot3(a, a));
}
// Unit vector; the zero vector stays zero.
inline Point3 unit3(Point3 a)
{
    const float l = length3(a);
    return l > 0.0f ? a * (1.0f / l) : a;
}

} // namespace datagen
