// MD2 file decoding and the model's file and skin loading.
#include "models/Md2Model.h"

#include "image/Bytes.h"
#include "models/Md2Normals.h"
#include "shell/DebugConsole.h"

#include <bit>
#include <new>

namespace {

constexpr int64_t kTexCoordRecordSize = 4;
constexpr int64_t kTriangleRecordSize = 12;
constexpr int64_t kFrameHeaderSize = 40; // scale, translate, 16-byte name
constexpr int64_t kVertexRecordSize = 4;

// Little-endian reads at offsets the caller has already checked.
int32_t readInt32(std::span<const uint8_t> bytes, size_t at)
{
    return static_cast<int32_t>(static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
                                static_cast<uint32_t>(bytes[at + 2]) << 16 |
                                static_cast<uint32_t>(bytes[at + 3]) << 24);
}

int16_t readInt16(std::span<const uint8_t> bytes, size_t at)
{
    return static_cast<int16_t>(static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8));
}

float readFloat(std::span<const uint8_t> bytes, size_t at)
{
    return std::bit_cast<float>(static_cast<uint32_t>(readInt32(bytes, at)));
}

// True when count records of recordSize bytes starting at offset lie inside a
// file of size bytes. No records need no valid offset.
bool recordsFit(int64_t offset, int64_t count, int64_t recordSize, int64_t size)
{
    if (count == 0) return true;
    if (offset < 0 || offset > size) return false;
    // count and recordSize come from 32-bit fields, so the product fits in 64 bits.
    return count * recordSize <= size - offset;
}

Md2Header readHeader(std::span<const uint8_t> bytes)
{
    int32_t fields[17];
    for (size_t i = 0; i < 17; ++i)
        fields[i] = readInt32(bytes, i * 4);
    return Md2Header{fields[0],  fields[1],  fields[2],  fields[3],  fields[4],  fields[5],
                     fields[6],  fields[7],  fields[8],  fields[9],  fields[10], fields[11],
                     fields[12], fields[13], fields[14], fields[15], fields[16]};
}

void emptyArrays(Md2Model& model)
{
    model.triangles = {};
    model.frames = {};
    model.texCoords = {};
    model.pose = {};
    model.frameMin = {};
    model.frameMax = {};
}

// Every structural fault is refused rather than repaired: a file whose counts,
// offsets or indices disagree with its own bytes is corrupt as a whole, and
// drawing part of it would only hide that. Checked here:
// - negative counts, and records (texture coordinates, triangles, frames) that
//   do not lie wholly inside the file;
// - num_xyz larger than one frame's vertex records could be in this file,
//   which also bounds the pose of a model with no frames;
// - a zero skinwidth or skinheight (they divide s and t);
// - vertex or texture coordinate indices outside their arrays.
// Normal indices of 162 or more are the exception: released models hold a few,
// and one stray normal only shades a vertex oddly, so they are read as a fixed
// row instead of refusing the whole model.
// Memory is thus bounded by a small multiple of the file's length.
bool validate(const Md2Header& h, int64_t size)
{
    if (h.num_xyz < 0 || h.num_st < 0 || h.num_tris < 0 || h.num_frames < 0) return false;
    if (h.skinwidth == 0 || h.skinheight == 0) return false;
    const int64_t frameSize = kFrameHeaderSize + kVertexRecordSize * h.num_xyz;
    if (frameSize > size) return false;
    return recordsFit(h.ofs_st, h.num_st, kTexCoordRecordSize, size) &&
           recordsFit(h.ofs_tris, h.num_tris, kTriangleRecordSize, size) &&
           recordsFit(h.ofs_frames, h.num_frames, frameSize, size);
}

} // namespace

bool parseMd2(std::span<const uint8_t> bytes, Md2Model& model, int64_t* badNormals)
{
    if (badNormals != nullptr) *badNormals = 0;
    emptyArrays(model);
    if (bytes.size() < kMd2HeaderSize) return false;
    const Md2Header h = readHeader(bytes);
    model.header = h;
    if (h.version != kMd2Version || h.ident != kMd2Ident) return false;
    if (!validate(h, static_cast<int64_t>(bytes.size()))) return false;

    std::vector<Md2TexCoord> texCoords;
    std::vector<Md2Triangle> triangles;
    std::vector<Md2Frame> frames;
    std::vector<Vec3> frameMin;
    std::vector<Vec3> frameMax;
    try {
        texCoords.resize(static_cast<size_t>(h.num_st));
        triangles.resize(static_cast<size_t>(h.num_tris));
        frames.resize(static_cast<size_t>(h.num_frames));
        frameMin.resize(static_cast<size_t>(h.num_frames));
        frameMax.resize(static_cast<size_t>(h.num_frames));
        for (Md2Frame& frame : frames) {
            frame.positions.resize(static_cast<size_t>(h.num_xyz));
            frame.normalIndices.resize(static_cast<size_t>(h.num_xyz));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }

    const float skinWidth = static_cast<float>(h.skinwidth);
    const float skinHeight = static_cast<float>(h.skinheight);
    for (size_t i = 0; i < texCoords.size(); ++i) {
        const size_t at = static_cast<size_t>(h.ofs_st) + i * kTexCoordRecordSize;
        const float s = readInt16(bytes, at);
        const float t = readInt16(bytes, at + 2);
        texCoords[i] = {s / skinWidth, 1.0f - t / skinHeight};
    }

    for (size_t i = 0; i < triangles.size(); ++i) {
        const size_t at = static_cast<size_t>(h.ofs_tris) + i * kTriangleRecordSize;
        Md2Triangle& tri = triangles[i];
        for (size_t k = 0; k < 3; ++k) {
            tri.vertexIndices[k] = readInt16(bytes, at + 2 * k);
            tri.texCoordIndices[k] = readInt16(bytes, at + 6 + 2 * k);
            if (tri.vertexIndices[k] < 0 || tri.vertexIndices[k] >= h.num_xyz) return false;
            if (tri.texCoordIndices[k] < 0 || tri.texCoordIndices[k] >= h.num_st) return false;
        }
    }

    const size_t frameSize = static_cast<size_t>(kFrameHeaderSize + kVertexRecordSize * h.num_xyz);
    for (size_t f = 0; f < frames.size(); ++f) {
        const size_t at = static_cast<size_t>(h.ofs_frames) + f * frameSize;
        const Vec3 scale{readFloat(bytes, at), readFloat(bytes, at + 4), readFloat(bytes, at + 8)};
        const Vec3 translate{readFloat(bytes, at + 12), readFloat(bytes, at + 16), readFloat(bytes, at + 20)};
        Vec3 lo{};
        Vec3 hi{};
        for (size_t k = 0; k < static_cast<size_t>(h.num_xyz); ++k) {
            const size_t v = at + kFrameHeaderSize + k * kVertexRecordSize;
            const Vec3 p{bytes[v] * scale.x + translate.x, bytes[v + 1] * scale.y + translate.y,
                         bytes[v + 2] * scale.z + translate.z};
            uint8_t normal = bytes[v + 3];
            if (normal >= kMd2NormalCount) {
                normal = kMd2NormalUp;
                if (badNormals != nullptr) ++*badNormals;
            }
            frames[f].positions[k] = p;
            frames[f].normalIndices[k] = normal;
            // The box starts at the origin, so it always contains it.
            if (p.x > hi.x) hi.x = p.x;
            if (p.x < lo.x) lo.x = p.x;
            if (p.y > hi.y) hi.y = p.y;
            if (p.y < lo.y) lo.y = p.y;
            if (p.z > hi.z) hi.z = p.z;
            if (p.z < lo.z) lo.z = p.z;
        }
        frameMin[f] = lo;
        frameMax[f] = hi;
    }

    std::vector<Vec3> pose;
    try {
        pose.assign(static_cast<size_t>(h.num_xyz), Vec3{});
    } catch (const std::bad_alloc&) {
        return false;
    }
    model.texCoords = std::move(texCoords);
    model.triangles = std::move(triangles);
    model.frames = std::move(frames);
    model.frameMin = std::move(frameMin);
    model.frameMax = std::move(frameMax);
    model.pose = std::move(pose);
    return true;
}

bool Md2Model::Load(const char* path)
{
    const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(path);
    if (!bytes) return false;
    int64_t badNormals = 0;
    const bool parsed = parseMd2(*bytes, *this, &badNormals);
    if (parsed && badNormals > 0)
        DebugPrint("Model %s has %lld normal indices past the table of %d, read as straight up", path,
                   static_cast<long long>(badNormals), kMd2NormalCount);
    return parsed;
}

bool Md2Model::LoadSkin(const char* path, uint32_t minFilter)
{
    return LoadTexture(path, skinTexture, minFilter);
}
