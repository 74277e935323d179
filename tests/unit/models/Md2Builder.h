#pragma once

// Builds MD2 files byte by byte for tests: header, texture coordinates,
// triangles and frames laid out one after another, counts and offsets filled
// in. Tests then corrupt single fields with putInt32 / putInt16.

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace md2test {

struct FrameSpec {
    float scale[3] = {1.0f, 1.0f, 1.0f};
    float translate[3] = {0.0f, 0.0f, 0.0f};
    std::vector<std::array<uint8_t, 4>> vertices; // x, y, z, normal index
};

struct Md2Layout {
    int32_t ident = 0x32504449;
    int32_t version = 8;
    int32_t skinwidth = 64;
    int32_t skinheight = 64;
    int32_t num_xyz = -1; // -1: size of the first frame's vertex list (0 without frames)
    std::vector<std::array<int16_t, 2>> texCoords;
    std::vector<std::array<int16_t, 6>> triangles; // three vertex indices, three texture indices
    std::vector<FrameSpec> frames;
};

// Header field offsets.
constexpr size_t kIdent = 0, kVersion = 4, kSkinWidth = 8, kSkinHeight = 12, kFrameSize = 16, kNumSkins = 20,
                 kNumXyz = 24, kNumSt = 28, kNumTris = 32, kNumGlcmds = 36, kNumFrames = 40, kOfsSkins = 44,
                 kOfsSt = 48, kOfsTris = 52, kOfsFrames = 56, kOfsGlcmds = 60, kOfsEnd = 64;

inline void putInt32(std::vector<uint8_t>& b, size_t at, int32_t value)
{
    const uint32_t u = static_cast<uint32_t>(value);
    for (size_t i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(u >> (8 * i));
}

inline void putInt16(std::vector<uint8_t>& b, size_t at, int16_t value)
{
    const uint16_t u = static_cast<uint16_t>(value);
    b[at] = static_cast<uint8_t>(u);
    b[at + 1] = static_cast<uint8_t>(u >> 8);
}

inline int32_t getInt32(const std::vector<uint8_t>& b, size_t at)
{
    uint32_t u = 0;
    for (size_t i = 0; i < 4; ++i)
        u |= static_cast<uint32_t>(b[at + i]) << (8 * i);
    return static_cast<int32_t>(u);
}

inline void putFloat(std::vector<uint8_t>& b, size_t at, float value)
{
    uint32_t u;
    std::memcpy(&u, &value, 4);
    putInt32(b, at, static_cast<int32_t>(u));
}

inline std::vector<uint8_t> build(const Md2Layout& layout)
{
    const int32_t numXyz =
        layout.num_xyz >= 0 ? layout.num_xyz
                          : (layout.frames.empty() ? 0 : static_cast<int32_t>(layout.frames[0].vertices.size()));
    const size_t ofsSt = 68;
    const size_t ofsTris = ofsSt + 4 * layout.texCoords.size();
    const size_t ofsFrames = ofsTris + 12 * layout.triangles.size();
    const size_t frameSize = 40 + 4 * static_cast<size_t>(numXyz);
    const size_t end = ofsFrames + frameSize * layout.frames.size();
    std::vector<uint8_t> b(end, 0);
    putInt32(b, kIdent, layout.ident);
    putInt32(b, kVersion, layout.version);
    putInt32(b, kSkinWidth, layout.skinwidth);
    putInt32(b, kSkinHeight, layout.skinheight);
    putInt32(b, kFrameSize, static_cast<int32_t>(frameSize));
    putInt32(b, kNumSkins, 0);
    putInt32(b, kNumXyz, numXyz);
    putInt32(b, kNumSt, static_cast<int32_t>(layout.texCoords.size()));
    putInt32(b, kNumTris, static_cast<int32_t>(layout.triangles.size()));
    putInt32(b, kNumGlcmds, 0);
    putInt32(b, kNumFrames, static_cast<int32_t>(layout.frames.size()));
    putInt32(b, kOfsSkins, static_cast<int32_t>(ofsSt));
    putInt32(b, kOfsSt, static_cast<int32_t>(ofsSt));
    putInt32(b, kOfsTris, static_cast<int32_t>(ofsTris));
    putInt32(b, kOfsFrames, static_cast<int32_t>(ofsFrames));
    putInt32(b, kOfsGlcmds, static_cast<int32_t>(end));
    putInt32(b, kOfsEnd, static_cast<int32_t>(end));
    for (size_t i = 0; i < layout.texCoords.size(); ++i) {
        putInt16(b, ofsSt + 4 * i, layout.texCoords[i][0]);
        putInt16(b, ofsSt + 4 * i + 2, layout.texCoords[i][1]);
    }
    for (size_t i = 0; i < layout.triangles.size(); ++i) {
        for (size_t k = 0; k < 6; ++k)
            putInt16(b, ofsTris + 12 * i + 2 * k, layout.triangles[i][k]);
    }
    for (size_t f = 0; f < layout.frames.size(); ++f) {
        const size_t at = ofsFrames + f * frameSize;
        const FrameSpec& frame = layout.frames[f];
        for (size_t i = 0; i < 3; ++i)
            putFloat(b, at + 4 * i, frame.scale[i]);
        for (size_t i = 0; i < 3; ++i)
            putFloat(b, at + 12 + 4 * i, frame.translate[i]);
        std::memcpy(&b[at + 24], "frame", 5);
        for (size_t k = 0; k < frame.vertices.size() && k < static_cast<size_t>(numXyz); ++k) {
            for (size_t i = 0; i < 4; ++i)
                b[at + 40 + 4 * k + i] = frame.vertices[k][i];
        }
    }
    return b;
}

// A frame of n vertices whose vertex k sits at (base + k, base + 2k, base + 3k)
// model units (scale 1, translate 0), normal index k.
inline FrameSpec rampFrame(uint8_t base, size_t n)
{
    FrameSpec f;
    for (size_t k = 0; k < n; ++k) {
        f.vertices.push_back({static_cast<uint8_t>(base + k), static_cast<uint8_t>(base + 2 * k),
                              static_cast<uint8_t>(base + 3 * k), static_cast<uint8_t>(k)});
    }
    return f;
}

} // namespace md2test
