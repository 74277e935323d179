#pragma once

// The MD2 format's published table of precomputed unit normals. Shared by the
// model loader and the data generator, which picks the nearest row per vertex.
constexpr int kMd2NormalCount = 162;
extern const float kMd2Normals[kMd2NormalCount][3];
// Row 5, (0, 0, 1): straight up in the model's frame. Stands for a normal
// index past the table, which some released models hold in a few frames.
constexpr int kMd2NormalUp = 5;
