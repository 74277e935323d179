#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace datagen {

// A row-major float grid, index x + width·y, as the terrain's height arrays.
struct Grid {
    int width = 0;
    int height = 0;
    std::vector<float> values;

    Grid() = default;
    Grid(int w, int h, float fill = 0.0f)
        : width(w), height(h), values(static_cast<size_t>(w) * static_cast<size_t>(h), fill)
    {
    }
    float& at(int x, int y) { return values[static_cast<size_t>(x + width * y)]; }
    float at(int x, int y) const { return values[static_cast<size_t>(x + width * y)]; }
    // Clamped to the edge for coordinates outside the grid.
    float clamped(int x, int y) const;
    // Bilinear sample at a real position, clamped to the grid.
    float sample(float x, float y) const;
};

// Linearly maps the grid's range onto [lo, hi]. A flat grid becomes (lo + hi) / 2.
void stretch(Grid& g, float lo, float hi);

// Rounds each value to a byte (clamped to 0..255), in index order.
std::vector<uint8_t> toBytes(const Grid& g);
// Inverse of toBytes: bytes as floats.
Grid fromBytes(const std::vector<uint8_t>& bytes, int width, int height);

} // namespace datagen
