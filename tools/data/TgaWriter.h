#pragma once

#include <cstdint>
#include <vector>

#include "image/Image.h"

namespace datagen {

enum class TgaCompression { None, RunLength };

// Encodes a 3-channel (RGB) or 4-channel (RGBA) image as a TGA file (type 2 or 10).
// Image row 0 is stored first. The descriptor marks that row as the top of the
// picture (bit 5), so viewers show the picture upright; the program's loader
// ignores the descriptor and hands the rows to OpenGL in file order, which makes
// row 0 the texture's t = 0 row. Run-length packets never cross a row.
// Returns an empty vector for an image it cannot encode (wrong channel count,
// sides of 0 or above 65535, pixel block of the wrong size).
std::vector<uint8_t> encodeTga(const Image& image, TgaCompression compression);

} // namespace datagen
