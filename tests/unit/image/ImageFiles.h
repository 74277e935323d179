#pragma once

// Builders for small TGA and BMP/DIB files, written field by field as the formats lay them out.

#include "tests/support/TempFiles.h"

#include <algorithm>
#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The values as little-endian fields of count bytes each.
inline Bytes le(std::initializer_list<uint32_t> values, int count = 4)
{
    Bytes b;
    for (uint32_t v : values)
        for (int i = 0; i < count; ++i)
            b.push_back(uint8_t(v >> (8 * i)));
    return b;
}

// The 18-byte TGA header, idLength filler bytes (the ID field), then the pixel data.
inline Bytes tga(uint8_t type, uint16_t width, uint16_t height, uint8_t bits, const Bytes& data,
                 uint8_t idLength = 0, uint8_t descriptor = 0)
{
    return Bytes{idLength, 0, type} + Bytes(9) + le({width, height}, 2) + Bytes{bits, descriptor} +
           Bytes(idLength, 0xA0) + data;
}

// A DIB with a 40-byte (or larger) info header, or a 12-byte core one; with the "BM" file header
// unless packed. The table follows the header's fields: the palette (4-byte entries blue, green,
// red, 0; 3-byte ones for the core form) or the bit-field masks, inside a larger header.
struct Dib {
    int32_t width = 1, height = 1;
    uint16_t bitCount = 24;
    Bytes pixels, table; // pixels as stored, padding included
    uint32_t compression = 0, colorsUsed = 0, headerSize = 40;
    bool fileHeader = true, core = false;

    Bytes bytes() const
    {
        Bytes head = core ? le({12}) + le({uint32_t(width), uint32_t(height), 1, bitCount}, 2) + table
                          : le({headerSize, uint32_t(width), uint32_t(height)}) + le({1, bitCount}, 2) +
                                le({compression, uint32_t(pixels.size()), 0, 0, colorsUsed, 0}) + table;
        head.resize(std::max<size_t>(head.size(), core ? 0 : headerSize));
        const uint32_t offset = 14 + uint32_t(head.size());
        const Bytes file = Bytes{'B', 'M'} + le({offset + uint32_t(pixels.size()), 0, offset});
        return (fileHeader ? file : Bytes{}) + head + pixels;
    }
};
