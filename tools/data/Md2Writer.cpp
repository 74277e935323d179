#include "tools/data/Md2Writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "models/Md2Normals.h"

namespace datagen {

namespace {

constexpr int kMaxVertices = 2048;
constexpr int kMaxTexCoords = 2048;
constexpr int kMaxTriangles = 4096;
constexpr int kMaxFrames = 512;
constexpr int kHeaderBytes = 68;
constexpr int kSkinNameBytes = 64;

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void putInt(std::vector<uint8_t>& out, int32_t v)
{
    put32(out, static_cast<uint32_t>(v));
}
void putFloat(std::vector<uint8_t>& out, float f)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &f, 4);
    put32(out, bits);
}
void put16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void putName(std::vector<uint8_t>& out, const std::string& name, size_t bytes)
{
    for (size_t i = 0; i < bytes; ++i)
        out.push_back(i + 1 < bytes && i < name.size() ? static_cast<uint8_t>(name[i]) : 0);
}

bool meshFits(const Md2Mesh& m)
{
    if (m.frames.empty() || m.frames.size() > kMaxFrames || m.triangles.size() > kMaxTriangles ||
        m.texCoords.size() > kMaxTexCoords || m.skinWidth <= 0 || m.skinHeight <= 0)
        return false;
    const size_t vertexCount = m.frames[0].positions.size();
    if (vertexCount == 0 || vertexCount > kMaxVertices) return false;
    for (const Md2Frame& f : m.frames)
        if (f.positions.size() != vertexCount) return false;
    for (const Md2Triangle& t : m.triangles)
        for (int k = 0; k < 3; ++k)
            if (t.vertex[static_cast<size_t>(k)] >= vertexCount ||
                t.texCoord[static_cast<size_t>(k)] >= m.texCoords.size())
                return false;
    return true;
}

} // namespace

std::vector<Point3> smoothedNormals(const std::vector<Point3>& positions,
                                    const std::vector<Md2Triangle>& triangles)
{
    std::vector<Point3> sum(positions.size());
    for (const Md2Triangle& t : triangles) {
        const Point3 a = positions[t.vertex[0]];
        const Point3 b = positions[t.vertex[1]];
        const Point3 c = positions[t.vertex[2]];
        const Point3 n = cross3(b - a, c - a); // length = twice the area: the weight
        for (uint16_t v : t.vertex)
            sum[v] = sum[v] + n;
    }
    for (Point3& n : sum)
        n = length3(n) > 0.0f ? unit3(n) : Point3{0.0f, 0.0f, 1.0f};
    return sum;
}

uint8_t nearestNormalIndex(Point3 n)
{
    int best = 0;
    float bestDot = -2.0f;
    for (int i = 0; i < kMd2NormalCount; ++i) {
        const float d = n.x * kMd2Normals[i][0] + n.y * kMd2Normals[i][1] + n.z * kMd2Normals[i][2];
        if (d > bestDot) {
            bestDot = d;
            best = i;
        }
    }
    return static_cast<uint8_t>(best);
}

FramePacking choosePacking(const std::vector<Point3>& positions)
{
    Point3 lo = positions.empty() ? Point3{} : positions[0];
    Point3 hi = lo;
    for (const Point3& p : positions) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    const auto axisScale = [](float extent) { return extent > 0.0f ? extent / 255.0f : 1.0f; };
    return {{axisScale(hi.x - lo.x), axisScale(hi.y - lo.y), axisScale(hi.z - lo.z)}, lo};
}

std::array<uint8_t, 3> packPosition(Point3 p, const FramePacking& k)
{
    const auto axis = [](float v, float scale, float translate) {
        return static_cast<uint8_t>(std::clamp(std::lround((v - translate) / scale), 0L, 255L));
    };
    return {axis(p.x, k.scale.x, k.translate.x), axis(p.y, k.scale.y, k.translate.y),
            axis(p.z, k.scale.z, k.translate.z)};
}

std::vector<uint8_t> encodeMd2(const Md2Mesh& m)
{
    if (!meshFits(m)) return {};
    const auto numXyz = static_cast<int32_t>(m.frames[0].positions.size());
    const auto numSt = static_cast<int32_t>(m.texCoords.size());
    const auto numTris = static_cast<int32_t>(m.triangles.size());
    const auto numFrames = static_cast<int32_t>(m.frames.size());
    const int32_t frameSize = 40 + 4 * numXyz;
    // GL commands: per triangle a strip count (3) and three (s, t, vertex) triples; a 0 ends the list.
    const int32_t numGlCmds = numTris * 10 + 1;

    const int32_t ofsSkins = kHeaderBytes;
    const int32_t ofsSt = ofsSkins + kSkinNameBytes;
    const int32_t ofsTris = ofsSt + 4 * numSt;
    const int32_t ofsFrames = ofsTris + 12 * numTris;
    const int32_t ofsGlCmds = ofsFrames + frameSize * numFrames;
    const int32_t ofsEnd = ofsGlCmds + 4 * numGlCmds;

    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(ofsEnd));
    out.insert(out.end(), {'I', 'D', 'P', '2'});
    for (int32_t v : {8, m.skinWidth, m.skinHeight, frameSize, 1, numXyz, numSt, numTris, numGlCmds,
                      numFrames, ofsSkins, ofsSt, ofsTris, ofsFrames, ofsGlCmds, ofsEnd})
        putInt(out, v);
    putName(out, m.skinName, kSkinNameBytes);
    for (const Md2TexCoord& st : m.texCoords) {
        put16(out, static_cast<uint16_t>(st.s));
        put16(out, static_cast<uint16_t>(st.t));
    }
    for (const Md2Triangle& t : m.triangles) {
        for (uint16_t v : t.vertex)
            put16(out, v);
        for (uint16_t v : t.texCoord)
            put16(out, v);
    }
    for (const Md2Frame& f : m.frames) {
        const FramePacking k = choosePacking(f.positions);
        for (float v : {k.scale.x, k.scale.y, k.scale.z, k.translate.x, k.translate.y, k.translate.z})
            putFloat(out, v);
        putName(out, f.name, 16);
        const std::vector<Point3> normals = smoothedNormals(f.positions, m.triangles);
        for (size_t i = 0; i < f.positions.size(); ++i) {
            const std::array<uint8_t, 3> b = packPosition(f.positions[i], k);
            out.insert(out.end(), b.begin(), b.end());
            out.push_back(nearestNormalIndex(normals[i]));
        }
    }
    for (const Md2Triangle& t : m.triangles) {
        putInt(out, 3);
        for (int c = 0; c < 3; ++c) {
            const Md2TexCoord st = m.texCoords[t.texCoord[static_cast<size_t>(c)]];
            putFloat(out, static_cast<float>(st.s) / static_cast<float>(m.skinWidth));
            putFloat(out, static_cast<float>(st.t) / static_cast<float>(m.skinHeight));
            putInt(out, t.vertex[static_cast<size_t>(c)]);
        }
    }
    putInt(out, 0);
    return out;
}

} // namespace datagen
