#include "tools/data/TgaWriter.h"

#include <cstring>

namespace datagen {

namespace {

void putPixel(std::vector<uint8_t>& out, const uint8_t* p, int channels)
{
    out.push_back(p[2]); // TGA stores blue, green, red (, alpha)
    out.push_back(p[1]);
    out.push_back(p[0]);
    if (channels == 4) out.push_back(p[3]);
}

void encodeRowRunLength(std::vector<uint8_t>& out, const uint8_t* row, int width, int channels)
{
    const auto same = [&](int a, int b) {
        return std::memcmp(row + a * channels, row + b * channels, static_cast<size_t>(channels)) == 0;
    };
    int i = 0;
    while (i < width) {
        int run = 1;
        while (i + run < width && run < 128 && same(i, i + run))
            ++run;
        if (run >= 2) {
            out.push_back(static_cast<uint8_t>(127 + run));
            putPixel(out, row + i * channels, channels);
            i += run;
            continue;
        }
        // Raw packet: up to the start of the next run of two equal pixels.
        int count = 1;
        while (i + count < width && count < 128 && !(i + count + 1 < width && same(i + count, i + count + 1)))
            ++count;
        out.push_back(static_cast<uint8_t>(count - 1));
        for (int k = 0; k < count; ++k)
            putPixel(out, row + (i + k) * channels, channels);
        i += count;
    }
}

} // namespace

std::vector<uint8_t> encodeTga(const Image& image, TgaCompression compression)
{
    const int c = image.channels;
    if ((c != 3 && c != 4) || image.width <= 0 || image.height <= 0 || image.width > 65535 ||
        image.height > 65535)
        return {};
    const size_t rowBytes = static_cast<size_t>(image.width) * static_cast<size_t>(c);
    if (image.pixels.size() != rowBytes * static_cast<size_t>(image.height)) return {};

    std::vector<uint8_t> out(18, 0);
    out[2] = compression == TgaCompression::RunLength ? 10 : 2;
    out[12] = static_cast<uint8_t>(image.width & 0xFF);
    out[13] = static_cast<uint8_t>(image.width >> 8);
    out[14] = static_cast<uint8_t>(image.height & 0xFF);
    out[15] = static_cast<uint8_t>(image.height >> 8);
    out[16] = static_cast<uint8_t>(c * 8);
    out[17] = static_cast<uint8_t>(0x20 | (c == 4 ? 8 : 0)); // top-left origin; alpha bits
    out.reserve(18 + rowBytes * static_cast<size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* row = image.pixels.data() + rowBytes * static_cast<size_t>(y);
        if (compression == TgaCompression::RunLength) {
            encodeRowRunLength(out, row, image.width, c);
        } else {
            for (int x = 0; x < image.width; ++x)
                putPixel(out, row + x * c, c);
        }
    }
    return out;
}

} // namespace datagen
