#pragma once

#include <cstdint>

#include "image/Image.h"
#include "tools/data/Md2Writer.h"

namespace datagen {

constexpr int kTreeSkinSize = 128;

// A low-poly conifer: a tapered six-sided trunk under three stacked eight-sided
// cones, 4.5 model units tall, base on z = 0 at the origin; one frame, 60 triangles.
Md2Mesh makeTreeMesh();

// Brown bark with vertical fibres beside dark green needles, laid out to match makeTreeMesh.
Image paintTreeSkin(uint32_t seed);

} // namespace datagen
