#pragma once

#include "image/Image.h"

#include <cstdint>
#include <optional>
#include <span>

// Truevision TGA: uncompressed 16 (x-5-5-5, each field x 8), 24 and 32 bits per pixel, run-length
// (image type 10) 24 and 32 bits; every other image type is read as uncompressed. Pixels come out
// red, green, blue (, alpha for 32 bits), rows in file order: the descriptor's origin is ignored.
// Nothing for any other depth, a zero side, or a file that ends before its last pixel; nothing,
// with tooLarge set, for an image the limits refuse or whose pixels cannot be allocated.
std::optional<Image> decodeTga(std::span<const uint8_t> bytes, const ImageLimits& limits = {},
                               bool* tooLarge = nullptr);

// Decodes the whole file; "Unable to load TGA File!" (caption "Error") when it cannot be read or
// is too large to load. Other refusals say nothing.
std::optional<Image> LoadTga(const char* fileName, const ImageLimits& limits = {});
