#pragma once

// Elevation rasters of any size and kind fitted to the square heightmap.
// Everything GDAL opens is read through it (GeoTIFF, SRTM .hgt, ESRI ASCII
// grid, PNG, binary PGM, ...); headerless squares (.r16/.raw, misnamed .hgt)
// are described to it from their size.

#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

// A square of raster pixels: its top left pixel and its side. A side of 0
// stands for the largest square centred in the raster.
struct PixelWindow {
    int x = 0;
    int y = 0;
    int size = 0;
};
// "SIZE x SIZE pixels at (X, Y)"
std::string windowText(const PixelWindow& window);

// The most samples one window may hold (32 Mi: 128 MiB as floats, plus what
// filling holes needs); a larger one is refused before it is read.
constexpr int64_t kMaxWindowSamples = int64_t(1) << 25;

struct ImportedMap {
    std::vector<uint8_t> heights; // side × side, the raster's top row first
    int rasterWidth = 0;
    int rasterHeight = 0;
    PixelWindow window; // the one used
    double lowest = 0;  // the window's valid samples, in the file's units
    double highest = 0;
    int64_t filled = 0; // samples without data, filled from around them
};

enum class ImportResult { Imported, Unreadable, Refused };

// Band 1 of the raster at `path`, as stored (no gamma or colour transform):
// samples equal to the band's nodata value, and NaN or infinite ones, are
// holes, filled from the valid samples around them. The window is reduced to
// side × side points by averaging the area each point stands for (enlarged
// bilinearly when smaller), and its lowest to highest sample is stretched over
// 0-255 (a flat window gives 0). Unreadable when the path cannot be looked at;
// Refused for anything that is not a regular file, no single-band raster, a
// window outside the raster or over kMaxWindowSamples, or no valid sample.
// Either way `error` holds one line.
ImportResult importHeightmap(const std::string& path, PixelWindow window, int side, ImportedMap& out,
                             std::string& error);

} // namespace datagen
