#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/data/Grid.h"

namespace datagen {

// A decoded greyscale picture: samples as floats on the picture's own scale
// (0 to maxValue), row 0 = the top row of the picture.
struct GreyImage {
    int width = 0;
    int height = 0;
    float maxValue = 255.0f;
    std::vector<float> samples;
};

// PGM, plain (P2) or binary (P5), maxval 1 to 65535, '#' comments. False with
// a message in `error` for anything malformed or truncated.
bool decodePgm(std::span<const uint8_t> bytes, GreyImage& out, std::string& error);
// 8- or 16-bit greyscale PNG; colour, alpha, palette and 1, 2 or 4-bit files
// are refused. 16-bit files keep their precision.
bool decodePng(std::span<const uint8_t> bytes, GreyImage& out, std::string& error);
// Headerless 16-bit little-endian samples of a square picture, as terrain
// tools export them: the side is the square root of half the byte count.
bool decodeRaw16(std::span<const uint8_t> bytes, GreyImage& out, std::string& error);
// Chooses the decoder by the file's first bytes, not by its name.
bool decodeGreyImage(std::span<const uint8_t> bytes, GreyImage& out, std::string& error);
// A picture file: ".r16" and ".raw" names (any case) are headerless 16-bit
// RAW, anything else goes by its first bytes. The error names what is accepted.
bool decodeHeightPicture(const std::string& name, std::span<const uint8_t> bytes, GreyImage& out,
                         std::string& error);

// Bilinear resampling onto size × size points: the picture's corner samples land
// on the grid's corner points. Then the range is stretched to 0-255; a flat
// picture keeps its own level, scaled to the byte range.
std::vector<uint8_t> resampleToHeightmap(const GreyImage& img, int size);

} // namespace datagen
