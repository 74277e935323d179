#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/data/Point3.h"

namespace datagen {

// A model ready to be written as an MD2 file. Triangles wind counter-clockwise
// seen from outside; that winding decides which way the normals point.
struct Md2TexCoord {
    int16_t s = 0; // texels from the left edge of the skin picture
    int16_t t = 0; // texels from the top edge of the skin picture
    bool operator==(const Md2TexCoord&) const = default;
};
struct Md2Triangle {
    std::array<uint16_t, 3> vertex{};
    std::array<uint16_t, 3> texCoord{};
};
struct Md2Frame {
    std::string name; // at most 15 characters are kept
    std::vector<Point3> positions;
};
struct Md2Mesh {
    int32_t skinWidth = 0;
    int32_t skinHeight = 0;
    std::string skinName; // at most 63 characters are kept
    std::vector<Md2TexCoord> texCoords;
    std::vector<Md2Triangle> triangles;
    std::vector<Md2Frame> frames; // every frame has one position per vertex
};

// Area-weighted average of the normals of the triangles around each vertex,
// normalised; (0, 0, 1) for a vertex that no triangle uses.
std::vector<Point3> smoothedNormals(const std::vector<Point3>& positions,
                                    const std::vector<Md2Triangle>& triangles);

// Index (0-161) of the normal table row closest in direction to n.
uint8_t nearestNormalIndex(Point3 n);

// Per-frame packing: position = byte × scale + translate. The bytes span the
// frame's bounding box; an axis of zero extent gets scale 1 and byte 0.
struct FramePacking {
    Point3 scale;
    Point3 translate;
};
FramePacking choosePacking(const std::vector<Point3>& positions);
std::array<uint8_t, 3> packPosition(Point3 p, const FramePacking& packing);

// The whole file: header (ident "IDP2", version 8), one skin name, texture
// coordinates, triangles, frames and a GL command list of one three-vertex
// strip per triangle. Returns an empty vector for a mesh that breaks the format's
// limits (no frames, frames of differing sizes, indices out of range, more than
// 2048 vertices or texture coordinates, 4096 triangles or 512 frames).
std::vector<uint8_t> encodeMd2(const Md2Mesh& mesh);

} // namespace datagen
