#pragma once

// Three 32-bit floats. World frame: z is up, x follows the terrain grid column,
// y the grid row, one world unit per grid step.
struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

inline Vec3 operator+(Vec3 a, Vec3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator-(Vec3 a)
{
    return {-a.x, -a.y, -a.z};
}
inline Vec3 operator*(Vec3 a, float s)
{
    return {a.x * s, a.y * s, a.z * s};
}
inline bool operator==(Vec3 a, Vec3 b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

Vec3 cross(Vec3 a, Vec3 b);
// No guard for the zero vector: callers never pass one.
Vec3 normalize(Vec3 v);
float dot(Vec3 a, Vec3 b);
// normalize(cross(r - p, q - p)): points down for a counter-clockwise (p, q, r) seen from above.
Vec3 triangleNormal(Vec3 p, Vec3 q, Vec3 r);
float distanceSquared(Vec3 a, Vec3 b);
