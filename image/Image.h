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
