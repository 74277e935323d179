#pragma once

// Light values handed to OpenGL light 1 (never enabled) and used to bake the
// terrain's vertex light.
struct SceneLight {
    float ambient[4];
    float diffuse[4];
    float position[4];
};

inline constexpr SceneLight kVeldrunLight = {
    {0.25f, 0.25f, 0.25f, 1.0f}, {0.9f, 0.9f, 0.9f, 1.0f}, {0, 0, 1024, 1}};
// The smaller programs' values; their terrain light does not use them.
inline constexpr SceneLight kSkarnveilLight = {
    {0.25f, 0.25f, 0.25f, 1.0f}, {0.9f, 1.0f, 0.9f, 1.0f}, {0, 0, 100, 1}};
