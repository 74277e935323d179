#include "image/Dib.h"
#include "tests/unit/image/ImageFiles.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>

namespace {

using Rgb = std::array<uint8_t, 3>;
const Rgb k0 = {0, 0, 0};
// Colour i = (10 i, 10 i + 1, 10 i + 2): none of them black.
Rgb c(int i)
{
    return {uint8_t(10 * i), uint8_t(10 * i + 1), uint8_t(10 * i + 2)};
}

// 4-byte palette entries (blue, green, red, 0) of colours c(0) .. c(count - 1).
Bytes ramp(int count)
{
    Bytes bytes;
    for (int i = 0; i < count; ++i)
        bytes = bytes + Bytes{c(i)[2], c(i)[1], c(i)[0], 0};
    return bytes;
}

} // namespace

// Hand-worked files of the layouts the ImageMagick test does not write; 0xEE marks padding.
TEST(Dib, HandWorkedPixels)
{
    auto check = [](const char* name, const Dib& dib, const std::vector<Rgb>& pixels) {
        DibPixels out;
        ASSERT_EQ(decodeDib(dib.bytes(), out), DibError::None) << name;
        Bytes expected;
        for (const Rgb& p : pixels)
            expected = expected + Bytes(p.begin(), p.end());
        EXPECT_EQ(std::tuple(out.width, out.height, out.rgb),
                  std::tuple(dib.width, std::abs(dib.height), expected))
            << name;
    };
    check("top-down rows come out bottom row first", {1, -2, 24, {1, 2, 3, 0xEE, 4, 5, 6, 0xEE}},
          {{6, 5, 4}, {3, 2, 1}});
    check("16 bits, 5-6-5 fields after a 40-byte header",
          {3, 1, 16, le({0xF800, 0x20, 0x400, 0xEEEE}, 2), le({0xF800, 0x07E0, 0x001F}), 3},
          {{255, 0, 0}, {0, 4, 0}, {0, 130, 0}});
    check("32 bits, 10-bit fields in a V5 header keep their top 8 bits",
          {1, 1, 32, le({0x3FF80001}), le({0x3FF00000, 0xFFC00, 0x3FF}), 3, 0, 124}, {{255, 128, 0}});
    // Run of 1, absolute 3 (padded), delta (1, 1), a run of 4 clipped at the row's end, end of line,
    // delta (2, 0), run of 1, end of bitmap; pixels never reached stay black, unlike entry 0.
    check("RLE8",
          {6, 3, 8, {1, 1, 0, 3, 5, 6, 7, 0, 0, 2, 1, 1, 4, 4, 0, 0, 0, 2, 2, 0, 1, 2, 0, 1}, ramp(8), 1, 8},
          {c(1), c(5), c(6), c(7), k0, k0, k0, k0, k0, k0, k0, c(4), k0, k0, c(2), k0, k0, k0});
    // Row 0: a run of 5, an absolute 3 clipped at the row's end; row 1 from x = 1 (a delta):
    // absolute 5 (padded), a run of 1.
    const Bytes rle4 =
        Bytes{5, 0x12, 0, 3, 0x34, 0x50, 0, 0} + Bytes{0, 2, 1, 0, 0, 5, 0x67, 0x89, 0xA0, 0, 1, 0xBC, 0, 1};
    check("RLE4: runs alternate nibbles", {7, 2, 4, rle4, ramp(16), 2},
          {c(1), c(2), c(1), c(2), c(1), c(3), c(4), k0, c(6), c(7), c(8), c(9), c(10), c(11)});
    // More entries than an 8-bit pixel can index: the first 256 are used.
    check("300 colours", {1, 1, 8, {255, 0, 0, 0}, ramp(300), 0, 300}, {c(255)});
    check("indices past the table are black", {2, 1, 8, {1, 5, 0, 0}, ramp(2), 0, 2}, {c(1), k0});
}

// By bit count, or the count of colours used, cut to 16 bits; the core form has no such count.
TEST(Dib, CountDibColors)
{
    auto count = [](uint16_t bits, uint32_t used, bool core = false) {
        return CountDibColors(Dib{1, 1, bits, {}, {}, 0, used, 40, false, core}.bytes());
    };
    EXPECT_EQ((std::vector{count(1, 0), count(4, 0), count(8, 0), count(16, 0), count(24, 20),
                           count(8, 0x12345), count(4, 7, true)}),
              (std::vector<uint32_t>{2, 16, 256, 0, 20, 0x2345, 16}));
}

TEST(Dib, Refusals)
{
    auto sized = [](int32_t width, int32_t height) { return Dib{width, height, 24, {1, 2, 3, 0}}.bytes(); };
    auto format = [](uint16_t bits, uint32_t compression, int32_t height = 1, bool core = false) {
        return Dib{1, height, bits, Bytes(64), le({0xFF, 0xFF00, 0xFF0000}), compression, 0, 40, true, core}
            .bytes();
    };
    Bytes unknownSize = sized(1, 1), cutHeader = sized(1, 1), offsetPastEnd = sized(1, 1);
    unknownSize[14] = 64;
    cutHeader.resize(14 + 39);
    offsetPastEnd[11] = 0x7F;
    using enum DibError;
    const std::pair<Bytes, DibError> cases[] = {
        {unknownSize, UnknownFormat},
        {cutHeader, UnknownFormat},
        // No section of these sizes can exist.
        {sized(0, 1), OutOfMemory},
        {sized(1, INT_MIN), OutOfMemory},
        // Within the limits but without their pixels: refused before anything is allocated.
        {sized(4000, -4000), ConversionError},
        {format(48, 0), ConversionError},
        {format(24, 4), ConversionError}, // JPEG
        {format(4, 1), ConversionError},  // RLE8 of 4 bits
        {format(8, 2), ConversionError},  // RLE4 of 8 bits
        {format(24, 3), ConversionError}, // bit fields of 24 bits
        {format(8, 1, -1), ConversionError},
        {format(4, 2, -1), ConversionError},
        {format(16, 0, 1, true), ConversionError},
        {Dib{1, 1, 16, {}, {}, 3, 0, 40, false}.bytes(), ConversionError}, // no masks
        {offsetPastEnd, ConversionError},
        {Dib{1, 1, 8, {0, 0, 0, 0}, ramp(20)}.bytes(), ConversionError}, // 256 entries announced
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        DibPixels out;
        EXPECT_EQ(decodeDib(cases[i].first, out), cases[i].second) << i;
        EXPECT_TRUE(out.rgb.empty()) << i;
    }
}
