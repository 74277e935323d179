#pragma once

// Builds MD2 files byte by byte for tests: header, texture coordinates, triangles and frames laid
// out one after another, counts and offsets filled in. Tests then corrupt single fields with put.

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <vector>

namespace md2test {

struct FrameLayout {
    std::array<float, 3> scale = {1, 1, 1}, translate = {0, 0, 0};
    std::vector<std::array<uint8_t, 4>> vertices; // x, y, z, normal index
};

// num_xyz is the size of the first frame's vertex list (0 without frames).
struct Md2Layout {
    int32_t ident = 0x32504449, version = 8, skinwidth = 64, skinheight = 64;
    std::vector<std::array<int16_t, 2>> texCoords;
    std::vector<std::array<int16_t, 6>> triangles; // three vertex indices, three texture indices
    std::vector<FrameLayout> frames;
};

// Header field offsets.
constexpr size_t kSkinWidth = 8, kSkinHeight = 12, kNumXyz = 24, kNumSt = 28, kNumTris = 32, kNumFrames = 40,
                 kOfsSt = 48, kOfsTris = 52, kOfsFrames = 56;

// value as count little-endian bytes at b[at], or appended at the end.
inline void put(std::vector<uint8_t>& b, size_t at, int32_t value, int count = 4)
{
    b.resize(std::max(b.size(), at + size_t(count)));
    for (int i = 0; i < count; ++i)
        b[at + size_t(i)] = uint8_t(uint32_t(value) >> (8 * i));
}

inline std::vector<uint8_t> build(const Md2Layout& s)
{
    const int32_t st = int32_t(s.texCoords.size()), tris = int32_t(s.triangles.size());
    const int32_t frames = int32_t(s.frames.size()),
                  xyz = frames > 0 ? int32_t(s.frames[0].vertices.size()) : 0;
    const int32_t ofsTris = 68 + 4 * st, ofsFrames = ofsTris + 12 * tris, frameSize = 40 + 4 * xyz;
    const int32_t end = ofsFrames + frameSize * frames;
    std::vector<uint8_t> b;
    for (int32_t field : {s.ident, s.version, s.skinwidth, s.skinheight, frameSize, 0, xyz, st, tris, 0,
                          frames, 68, 68, ofsTris, ofsFrames, end, end})
        put(b, b.size(), field);
    for (const auto& record : s.texCoords)
        for (int16_t value : record)
            put(b, b.size(), value, 2);
    for (const auto& record : s.triangles)
        for (int16_t value : record)
            put(b, b.size(), value, 2);
    for (const FrameLayout& frame : s.frames) {
        for (const auto& vector : {frame.scale, frame.translate})
            for (float value : vector)
                put(b, b.size(), std::bit_cast<int32_t>(value));
        b.resize(b.size() + 16); // the name
        for (const auto& vertex : frame.vertices)
            b.insert(b.end(), vertex.begin(), vertex.end());
    }
    return b;
}

} // namespace md2test
