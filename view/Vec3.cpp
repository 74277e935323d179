#include "view/Vec3.h"

#include <cmath>

Vec3 cross(Vec3 a, Vec3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3 normalize(Vec3 v)
{
    const float inverse = 1.0f / std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return v * inverse;
}

float dot(Vec3 a, Vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 triangleNormal(Vec3 p, Vec3 q, Vec3 r)
{
    return normalize(cross(r - p, q - p));
}

float distanceSquared(Vec3 a, Vec3 b)
{
    const Vec3 d = a - b;
    return d.x * d.x + d.y * d.y + d.z * d.z;
}
