#pragma once

// Builds MD2 files byte by byte for tests: header, texture coordinates, triangles and frames laid
// out one after another, counts and offsets filled in. Tests then corrupt single fields with put.

#include <array>
#include <bit>
#include <cstdint>
#include <vector>

namespace md2test {

struct FrameLayout {
    std::array<float, 3> scale = {1, 1, 1}, translate = {0, 0, 0};
    std::vector<std::array<uint8_t, 4>> vertices; // x, y, z, normal index
};

struct Md2Layout {
    int32_t ident = 0x32504449, version = 8, skinwidth = 64, skinheight = 64;
    int32_t num_xyz = -1; // -1: the size of the first frame's vertex list (0 without frames)
    std::vector<std::array<int16_t, 2>> texCoords;
    std::vector<std::array<int16_t, 6>> triangles; // three vertex indices, three texture indices
    std::vector<FrameLayout> frames;
};

// Header field offsets.
constexpr size_t kSkinWidth = 8, kSkinHeight = 12, kNumXyz = 24, kNumSt = 28, kNumTris = 32, kNumFrames = 40,
                 kOfsSt = 48, kOfsTris = 52, kOfsFrames = 56;

// value as count little-endian bytes at b[at].
inline void put(std::vector<uint8_t>& b, size_t at, int32_t value, int count = 4)
{
    for (int i = 0; i < count; ++i)
        b[at + size_t(i)] = uint8_t(uint32_t(value) >> (8 * i));
}

inline std::vector<uint8_t> build(const Md2Layout& s)
{
    const int32_t st = int32_t(s.texCoords.size()), tris = int32_t(s.triangles.size());
    const int32_t frames = int32_t(s.frames.size());
    const int32_t xyz = s.num_xyz >= 0 ? s.num_xyz : frames > 0 ? int32_t(s.frames[0].vertices.size()) : 0;
    const int32_t ofsTris = 68 + 4 * st, ofsFrames = ofsTris + 12 * tris, frameSize = 40 + 4 * xyz;
    const int32_t end = ofsFrames + frameSize * frames;
    const int32_t header[17] = {s.ident,   s.version, s.skinwidth, s.skinheight, frameSize, 0,  xyz,
                                st,        tris,      0,           frames,       68,        68, ofsTris,
                                ofsFrames, end,       end};
    std::vector<uint8_t> b(size_t(end), 0);
    for (size_t i = 0; i < 17; ++i)
        put(b, 4 * i, header[i]);
    for (size_t i = 0; i < s.texCoords.size(); ++i)
        for (size_t k = 0; k < 2; ++k)
            put(b, 68 + 4 * i + 2 * k, s.texCoords[i][k], 2);
    for (size_t i = 0; i < s.triangles.size(); ++i)
        for (size_t k = 0; k < 6; ++k)
            put(b, size_t(ofsTris) + 12 * i + 2 * k, s.triangles[i][k], 2);
    for (size_t f = 0; f < s.frames.size(); ++f) {
        const size_t at = size_t(ofsFrames) + f * size_t(frameSize);
        for (size_t i = 0; i < 3; ++i) {
            put(b, at + 4 * i, std::bit_cast<int32_t>(s.frames[f].scale[i]));
            put(b, at + 12 + 4 * i, std::bit_cast<int32_t>(s.frames[f].translate[i]));
        }
        for (size_t k = 0; k < s.frames[f].vertices.size() && k < size_t(xyz); ++k)
            for (size_t i = 0; i < 4; ++i)
                b[at + 40 + 4 * k + i] = s.frames[f].vertices[k][i];
    }
    return b;
}

// A frame of n vertices whose vertex k sits at (base + k, base + 2k, base + 3k) model units
// (scale 1, translate 0), normal index k.
inline FrameLayout rampFrame(uint8_t base, size_t n)
{
    FrameLayout f;
    for (size_t k = 0; k < n; ++k)
        f.vertices.push_back({uint8_t(base + k), uint8_t(base + 2 * k), uint8_t(base + 3 * k), uint8_t(k)});
    return f;
}

} // namespace md2test
