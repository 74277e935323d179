#pragma once

#include <cstdint>
#include <vector>

// Decoded pixels: rows in file order, no padding, red, green, blue (, alpha).
struct Image {
    int32_t channels = 0; // 3 or 4
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels; // width * height * channels bytes
};

// The largest image the readers decode, checked before any pixel is allocated:
// a few bytes of run-length data may announce any size, and nothing larger
// could become a texture anyway.
struct ImageLimits {
    int64_t maxSide = 16384;                 // the GL's largest texture side
    uint64_t maxBytes = uint64_t(256) << 20; // of decoded pixels

    bool admits(int64_t width, int64_t height, int64_t channels) const
    {
        return width <= maxSide && height <= maxSide &&
               uint64_t(width) * uint64_t(height) * uint64_t(channels) <= maxBytes;
    }
};
