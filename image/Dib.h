#pragma once

#include "image/Image.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// A device-independent bitmap converted to 24-bit colour: width x height x 3 bytes, red, green,
// blue, no row padding, bottom row first (rows of a bottom-up file stay in file order).
struct DibPixels {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;
};

// Why a bitmap was refused; dibErrorMessage gives the text its message box shows.
enum class DibError { None, UnknownFormat, OutOfMemory, ConversionError };
const char* dibErrorMessage(DibError error);

// Colour-table entries announced by the DIB header that starts at header[0]: the core form's bit
// count, else colours used (cut to 16 bits) when not 0, else the info form's bit count; 1, 4 and 8
// bits give 2, 16 and 256, anything else 0. 0 when the header is too short to tell.
uint32_t CountDibColors(std::span<const uint8_t> header);

// Converts a BMP file (with the "BM" file header) or a packed DIB (header first) the way GDI does
// for a 24-bit section: core (12-byte), info (40-byte), V4 (108) and V5 (124) headers; 1/4/8-bit
// palettes, 16 bits (5-5-5 or bit fields), 24 bits, 32 bits (with or without bit fields), RLE8
// and RLE4; bottom-up and top-down. Fields narrower than 8 bits are widened by repeating their top
// bits, so full scale stays full scale. An image the limits refuse, or whose pixels cannot be
// allocated, is OutOfMemory, as where GDI could not create the section.
DibError decodeDib(std::span<const uint8_t> bytes, DibPixels& out, const ImageLimits& limits = {});

// Decodes the whole file. Message boxes (caption "Error"): "Failed to open DIB file <name>.\n"
// when it cannot be read or is empty, else the text of the decoder's refusal.
std::optional<DibPixels> LoadDib(const char* fileName, const ImageLimits& limits = {});

// "Unable to load BMP File!" when the file cannot be opened, else LoadDib as a 3-channel image.
std::optional<Image> LoadBmp(const char* fileName, const ImageLimits& limits = {});
