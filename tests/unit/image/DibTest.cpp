#include "image/Dib.h"
#include "tests/unit/image/ImageFiles.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <random>

namespace {

using Rgb = std::array<uint8_t, 3>;
const Rgb kBlack = {0, 0, 0};

// 4-byte palette entries (blue, green, red, 0) for the given red, green, blue colours.
std::vector<uint8_t> palette(const std::vector<Rgb>& colours)
{
    std::vector<uint8_t> bytes;
    for (const Rgb& c : colours)
        bytes.insert(bytes.end(), {c[2], c[1], c[0], 0});
    return bytes;
}

// Colour i = (10 i, 10 i + 1, 10 i + 2): none of them black.
std::vector<Rgb> ramp(int count)
{
    std::vector<Rgb> colours;
    for (int i = 0; i < count; ++i)
        colours.push_back({uint8_t(10 * i), uint8_t(10 * i + 1), uint8_t(10 * i + 2)});
    return colours;
}

std::vector<uint8_t> flatten(const std::vector<Rgb>& pixels)
{
    std::vector<uint8_t> bytes;
    for (const Rgb& p : pixels)
        bytes.insert(bytes.end(), p.begin(), p.end());
    return bytes;
}

DibPixels decodeOk(const std::vector<uint8_t>& bytes)
{
    DibPixels out;
    EXPECT_EQ(decodeDib(bytes, out), DibError::None);
    return out;
}

DibError decodeError(const std::vector<uint8_t>& bytes)
{
    DibPixels out;
    const DibError error = decodeDib(bytes, out);
    EXPECT_TRUE(out.rgb.empty());
    return error;
}

void expectPixels(const DibPixels& out, int width, int height, const std::vector<Rgb>& expected)
{
    EXPECT_EQ(out.width, width);
    EXPECT_EQ(out.height, height);
    EXPECT_EQ(out.rgb, flatten(expected));
}

} // namespace

TEST(Dib, OneBitPaletteWidth5SkipsBitsAndPadding)
{
    const Rgb p0 = {10, 20, 30};
    const Rgb p1 = {200, 100, 50};
    InfoDib dib;
    dib.width = 5;
    dib.height = 2;
    dib.bitCount = 1;
    dib.palette = palette({p0, p1});
    // Rows 10110 and 01001; the unused low bits and the padding bytes are junk.
    dib.pixels = {0xB7, 0xEE, 0xEE, 0xEE, 0x4F, 0xEE, 0xEE, 0xEE};
    expectPixels(decodeOk(dib.bytes()), 5, 2, {p1, p0, p1, p1, p0, p0, p1, p0, p0, p1});
}

TEST(Dib, FourBitPaletteHighNibbleFirst)
{
    const std::vector<Rgb> colours = ramp(16);
    InfoDib dib;
    dib.width = 5;
    dib.bitCount = 4;
    dib.palette = palette(colours);
    dib.pixels = {0x01, 0x23, 0x4F, 0xEE};
    expectPixels(decodeOk(dib.bytes()), 5, 1, {colours[0], colours[1], colours[2], colours[3], colours[4]});
}

TEST(Dib, EightBitPaletteWidths4And5)
{
    const std::vector<Rgb> c = ramp(4);
    InfoDib four;
    four.width = 4;
    four.height = 2;
    four.bitCount = 8;
    four.colorsUsed = 4;
    four.palette = palette(c);
    four.pixels = {0, 1, 2, 3, 3, 2, 1, 0};
    expectPixels(decodeOk(four.bytes()), 4, 2, {c[0], c[1], c[2], c[3], c[3], c[2], c[1], c[0]});

    InfoDib five = four;
    five.width = 5;
    five.pixels = {0, 1, 2, 3, 0, 0xEE, 0xEE, 0xEE, 3, 2, 1, 0, 3, 0xEE, 0xEE, 0xEE};
    const DibPixels out = decodeOk(five.bytes());
    EXPECT_EQ(out.rgb.size(), 5u * 2u * 3u);
    expectPixels(out, 5, 2, {c[0], c[1], c[2], c[3], c[0], c[3], c[2], c[1], c[0], c[3]});
}

TEST(Dib, TwentyFourBitWidths4And5)
{
    InfoDib four;
    four.width = 4;
    four.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    expectPixels(decodeOk(four.bytes()), 4, 1, {{3, 2, 1}, {6, 5, 4}, {9, 8, 7}, {12, 11, 10}});

    InfoDib five;
    five.width = 5;
    five.height = 2;
    five.pixels = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 0xEE,
                   21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 0xEE};
    expectPixels(decodeOk(five.bytes()), 5, 2,
                 {{3, 2, 1},
                  {6, 5, 4},
                  {9, 8, 7},
                  {12, 11, 10},
                  {15, 14, 13},
                  {23, 22, 21},
                  {26, 25, 24},
                  {29, 28, 27},
                  {32, 31, 30},
                  {35, 34, 33}});
}

TEST(Dib, SixteenBit555WidensByRepeatingTopBits)
{
    InfoDib dib;
    dib.width = 5;
    dib.bitCount = 16;
    dib.pixels = ByteWriter().u16(0x7FFF).u16(0xFFFF).u16(0x7C00).u16(0x0010).u16(0x0200).u16(0xEEEE).bytes;
    expectPixels(decodeOk(dib.bytes()), 5, 1,
                 {{255, 255, 255}, {255, 255, 255}, {255, 0, 0}, {0, 0, 132}, {0, 132, 0}});
}

TEST(Dib, SixteenBit565BitFields)
{
    InfoDib dib;
    dib.width = 6;
    dib.bitCount = 16;
    dib.compression = 3;
    dib.masks = {0xF800, 0x07E0, 0x001F};
    dib.pixels = ByteWriter().u16(0xF800).u16(0x07E0).u16(0x001F).u16(0x0020).u16(0x0400).u16(0x0800).bytes;
    const std::vector<Rgb> expected = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255},
                                       {0, 4, 0},   {0, 130, 0}, {8, 0, 0}};
    expectPixels(decodeOk(dib.bytes()), 6, 1, expected);

    // The same masks inside a V4 header.
    dib.headerSize = 108;
    expectPixels(decodeOk(dib.bytes()), 6, 1, expected);
    dib.fileHeader = false;
    expectPixels(decodeOk(dib.bytes()), 6, 1, expected);
}

TEST(Dib, ThirtyTwoBitPlainAndBitFields)
{
    InfoDib plain;
    plain.width = 2;
    plain.bitCount = 32;
    plain.pixels = {1, 2, 3, 99, 4, 5, 6, 0};
    expectPixels(decodeOk(plain.bytes()), 2, 1, {{3, 2, 1}, {6, 5, 4}});

    InfoDib swapped = plain;
    swapped.compression = 3;
    swapped.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    swapped.pixels = ByteWriter().u32(0x00332211).u32(0xFF000000).bytes;
    expectPixels(decodeOk(swapped.bytes()), 2, 1, {{0x11, 0x22, 0x33}, kBlack});

    // 10-bit fields keep their top 8 bits; in a V5 header.
    InfoDib wide = swapped;
    wide.headerSize = 124;
    wide.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};
    wide.pixels = ByteWriter().u32(0x3FF00000 | (0x200 << 10) | 0x001).u32(0x000003FF).bytes;
    expectPixels(decodeOk(wide.bytes()), 2, 1, {{255, 128, 0}, {0, 0, 255}});
}

TEST(Dib, V5HeaderWithPlainRgbIgnoresItsMasks)
{
    InfoDib dib;
    dib.headerSize = 124;
    dib.width = 1;
    dib.bitCount = 16;
    dib.masks = {0x001F, 0x07E0, 0xF800}; // not used without BI_BITFIELDS
    dib.pixels = ByteWriter().u16(0x7C00).u16(0).bytes;
    expectPixels(decodeOk(dib.bytes()), 1, 1, {{255, 0, 0}});
}

TEST(Dib, Rle8WithEndOfLineDeltaAndEndOfBitmap)
{
    const std::vector<Rgb> c = ramp(8);
    InfoDib dib;
    dib.width = 6;
    dib.height = 3;
    dib.bitCount = 8;
    dib.compression = 1;
    dib.colorsUsed = 8;
    dib.palette = palette(c);
    dib.pixels = {3, 1, 0, 3, 5, 6, 7, 0, 0, 0, 0, 2, 2, 1, 2, 4, 0, 1, 9, 9};
    const Rgb k = kBlack; // never reached: stays black, unlike palette entry 0
    expectPixels(decodeOk(dib.bytes()), 6, 3,
                 {c[1], c[1], c[1], c[5], c[6], c[7], k, k, k, k, k, k, k, k, c[4], c[4], k, k});
}

TEST(Dib, Rle4RunsAlternateNibblesAndClipAtRowEnd)
{
    const std::vector<Rgb> c = ramp(16);
    InfoDib dib;
    dib.width = 7;
    dib.height = 2;
    dib.bitCount = 4;
    dib.compression = 2;
    dib.palette = palette(c);
    dib.pixels = {5, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 5, 0x67, 0x89, 0xA0, 0x00, 2, 0xBC, 0, 1};
    expectPixels(decodeOk(dib.bytes()), 7, 2,
                 {c[1], c[2], c[1], c[2], c[1], c[3], c[4], c[6], c[7], c[8], c[9], c[10], c[11], c[12]});
}

TEST(Dib, RleRunsDoNotWrapAndCutStreamsKeepWhatWasDecoded)
{
    const std::vector<Rgb> c = ramp(4);
    InfoDib dib;
    dib.width = 2;
    dib.height = 2;
    dib.bitCount = 8;
    dib.compression = 1;
    dib.colorsUsed = 4;
    dib.palette = palette(c);
    dib.pixels = {5, 1, 0, 1};
    expectPixels(decodeOk(dib.bytes()), 2, 2, {c[1], c[1], kBlack, kBlack});
    dib.pixels = {1, 2, 3}; // ends inside a pair
    expectPixels(decodeOk(dib.bytes()), 2, 2, {c[2], kBlack, kBlack, kBlack});
    dib.pixels = {1, 2, 0, 4, 1, 2}; // absolute run of 4 with 2 bytes present
    expectPixels(decodeOk(dib.bytes()), 2, 2, {c[2], kBlack, kBlack, kBlack});
    dib.pixels = {1, 3, 0, 2, 1}; // delta cut off
    expectPixels(decodeOk(dib.bytes()), 2, 2, {c[3], kBlack, kBlack, kBlack});
    dib.pixels = {0, 2, 0, 200, 1, 1, 0, 1}; // delta far above the image ends it
    expectPixels(decodeOk(dib.bytes()), 2, 2, {kBlack, kBlack, kBlack, kBlack});
}

TEST(Dib, CoreHeaderWithAndWithoutFileHeader)
{
    const std::vector<uint8_t> pal = {30, 20, 10, 60, 50, 40, 90, 80, 70}; // blue, green, red
    std::vector<uint8_t> pal8 = pal;
    pal8.resize(256 * 3, 0);
    const std::vector<uint8_t> pixels = {0, 1, 2, 0xEE, 2, 1, 0, 0xEE};
    const std::vector<Rgb> expected = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90},
                                       {70, 80, 90}, {40, 50, 60}, {10, 20, 30}};
    expectPixels(decodeOk(coreDib(3, 2, 8, pal8, pixels, true)), 3, 2, expected);
    expectPixels(decodeOk(coreDib(3, 2, 8, pal8, pixels, false)), 3, 2, expected);

    std::vector<uint8_t> pal1(pal.begin(), pal.begin() + 6);
    expectPixels(decodeOk(coreDib(3, 1, 1, pal1, {0x40, 0, 0, 0}, false)), 3, 1,
                 {{10, 20, 30}, {40, 50, 60}, {10, 20, 30}});
    expectPixels(decodeOk(coreDib(2, 1, 24, {}, {1, 2, 3, 4, 5, 6, 0xEE, 0xEE}, false)), 2, 1,
                 {{3, 2, 1}, {6, 5, 4}});
}

TEST(Dib, PackedDibPixelsFollowTableOrMasks)
{
    const std::vector<Rgb> c = ramp(3);
    InfoDib dib;
    dib.width = 3;
    dib.bitCount = 8;
    dib.colorsUsed = 3;
    dib.palette = palette(c);
    dib.pixels = {2, 0, 1, 0};
    const std::vector<Rgb> expected = {c[2], c[0], c[1]};
    expectPixels(decodeOk(dib.bytes()), 3, 1, expected);
    dib.fileHeader = false;
    expectPixels(decodeOk(dib.bytes()), 3, 1, expected);

    InfoDib fields;
    fields.fileHeader = false;
    fields.width = 1;
    fields.bitCount = 16;
    fields.compression = 3;
    fields.masks = {0xF800, 0x07E0, 0x001F};
    fields.pixels = ByteWriter().u16(0x001F).u16(0).bytes;
    expectPixels(decodeOk(fields.bytes()), 1, 1, {{0, 0, 255}});
}

TEST(Dib, TopDownRowsComeOutBottomRowFirst)
{
    InfoDib bottomUp;
    bottomUp.width = 2;
    bottomUp.height = 3;
    bottomUp.pixels = {1, 1, 1, 2, 2, 2, 0, 0, 3, 3, 3, 4, 4, 4, 0, 0, 5, 5, 5, 6, 6, 6, 0, 0};
    InfoDib topDown = bottomUp;
    topDown.height = -3;
    topDown.pixels = {5, 5, 5, 6, 6, 6, 0, 0, 3, 3, 3, 4, 4, 4, 0, 0, 1, 1, 1, 2, 2, 2, 0, 0};
    const DibPixels a = decodeOk(bottomUp.bytes());
    const DibPixels b = decodeOk(topDown.bytes());
    EXPECT_EQ(b.height, 3);
    EXPECT_EQ(a.rgb, b.rgb);
    expectPixels(b, 2, 3, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}, {5, 5, 5}, {6, 6, 6}});

    InfoDib paletted;
    paletted.width = 1;
    paletted.height = -2;
    paletted.bitCount = 1;
    paletted.palette = palette({{1, 2, 3}, {4, 5, 6}});
    paletted.pixels = {0x80, 0, 0, 0, 0x00, 0, 0, 0}; // top row index 1, bottom row index 0
    expectPixels(decodeOk(paletted.bytes()), 1, 2, {{1, 2, 3}, {4, 5, 6}});
}

TEST(Dib, CountDibColors)
{
    auto core = [](uint16_t bits) { return ByteWriter().u32(12).u16(1).u16(1).u16(1).u16(bits).bytes; };
    auto info = [](uint16_t bits, uint32_t used) {
        return ByteWriter()
            .u32(40)
            .u32(1)
            .u32(1)
            .u16(1)
            .u16(bits)
            .u32(0)
            .u32(0)
            .u32(0)
            .u32(0)
            .u32(used)
            .u32(0)
            .bytes;
    };
    EXPECT_EQ(CountDibColors(core(1)), 2u);
    EXPECT_EQ(CountDibColors(core(4)), 16u);
    EXPECT_EQ(CountDibColors(core(8)), 256u);
    EXPECT_EQ(CountDibColors(core(24)), 0u);
    EXPECT_EQ(CountDibColors(info(1, 0)), 2u);
    EXPECT_EQ(CountDibColors(info(4, 0)), 16u);
    EXPECT_EQ(CountDibColors(info(8, 0)), 256u);
    EXPECT_EQ(CountDibColors(info(16, 0)), 0u);
    EXPECT_EQ(CountDibColors(info(24, 0)), 0u);
    EXPECT_EQ(CountDibColors(info(32, 0)), 0u);
    EXPECT_EQ(CountDibColors(info(8, 7)), 7u);
    EXPECT_EQ(CountDibColors(info(24, 20)), 20u);
    EXPECT_EQ(CountDibColors(info(1, 65535)), 65535u);
    EXPECT_EQ(CountDibColors(info(8, 0x12345)), 0x2345u);
    EXPECT_EQ(CountDibColors(info(8, 0x10000)), 0u);
    EXPECT_EQ(CountDibColors({}), 0u);
    const auto shortInfo = info(8, 5);
    EXPECT_EQ(CountDibColors(std::span(shortInfo).first(20)), 256u); // colours used not present
    EXPECT_EQ(CountDibColors(std::span(shortInfo).first(10)), 0u);
}

TEST(Dib, ColourCountsBeyondTheTable)
{
    // More entries announced than an 8-bit pixel can index: the first 256 are used.
    const std::vector<Rgb> c = ramp(20);
    InfoDib big;
    big.width = 1;
    big.bitCount = 8;
    big.colorsUsed = 300;
    std::vector<Rgb> entries(300, Rgb{9, 9, 9});
    entries[255] = {1, 2, 3};
    big.palette = palette(entries);
    big.pixels = {255, 0, 0, 0};
    expectPixels(decodeOk(big.bytes()), 1, 1, {{1, 2, 3}});

    // 65535 announced, 2 present: with a file header the pixel offset is known and two suffice...
    InfoDib oneBit;
    oneBit.width = 2;
    oneBit.bitCount = 1;
    oneBit.colorsUsed = 65535;
    oneBit.palette = palette({c[3], c[4]});
    oneBit.pixels = {0x40, 0, 0, 0};
    expectPixels(decodeOk(oneBit.bytes()), 2, 1, {c[3], c[4]});
    // ...without one the pixels would start past the end of the file.
    oneBit.fileHeader = false;
    EXPECT_EQ(decodeError(oneBit.bytes()), DibError::ConversionError);

    // Fewer entries than indices: the missing ones are black.
    InfoDib few;
    few.width = 2;
    few.bitCount = 8;
    few.colorsUsed = 2;
    few.palette = palette({c[1], c[2]});
    few.pixels = {1, 5, 0, 0};
    expectPixels(decodeOk(few.bytes()), 2, 1, {c[2], kBlack});

    // A table that the file does not hold.
    InfoDib cut;
    cut.width = 1;
    cut.bitCount = 8;
    cut.palette = palette(c); // 20 of the 256 announced
    cut.pixels = {0, 0, 0, 0};
    EXPECT_EQ(decodeError(cut.bytes()), DibError::ConversionError);
}

TEST(Dib, UnknownHeaderSizes)
{
    for (uint32_t size : {0u, 16u, 41u, 52u, 56u, 64u, 100u, 0xFFFFFFFFu}) {
        InfoDib dib;
        dib.headerSize = size;
        auto bytes = dib.bytes();
        bytes[14] = uint8_t(size);
        bytes[15] = uint8_t(size >> 8);
        bytes[16] = uint8_t(size >> 16);
        bytes[17] = uint8_t(size >> 24);
        bytes.resize(600, 0);
        EXPECT_EQ(decodeError(bytes), DibError::UnknownFormat) << size;
    }
    EXPECT_EQ(decodeError({'B', 'M', 1, 2, 3}), DibError::UnknownFormat);
    EXPECT_EQ(decodeError({'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0}), DibError::UnknownFormat);
    auto cutHeader = InfoDib().bytes();
    cutHeader.resize(14 + 39);
    EXPECT_EQ(decodeError(cutHeader), DibError::UnknownFormat);
    EXPECT_EQ(decodeError({1}), DibError::UnknownFormat);
}

TEST(Dib, SizesNoSectionCanHave)
{
    auto sized = [](int32_t width, int32_t height) {
        InfoDib dib;
        dib.width = width;
        dib.height = height;
        dib.pixels = {1, 2, 3, 0};
        return dib.bytes();
    };
    EXPECT_EQ(decodeError(sized(0, 1)), DibError::OutOfMemory);
    EXPECT_EQ(decodeError(sized(1, 0)), DibError::OutOfMemory);
    EXPECT_EQ(decodeError(sized(-1, 1)), DibError::OutOfMemory);
    EXPECT_EQ(decodeError(sized(65535, 65535)), DibError::OutOfMemory);
    EXPECT_EQ(decodeError(sized(1, INT_MIN)), DibError::OutOfMemory);
    EXPECT_EQ(decodeError(sized(INT_MAX, 1)), DibError::OutOfMemory);
    // Within the limit but without its pixels: refused before anything is allocated.
    EXPECT_EQ(decodeError(sized(4000, 4000)), DibError::ConversionError);
    EXPECT_EQ(decodeError(sized(4000, -4000)), DibError::ConversionError);
    EXPECT_EQ(decodeError(coreDib(0, 1, 24, {}, {1, 2, 3, 0})), DibError::OutOfMemory);

    InfoDib rle;
    rle.width = 65535;
    rle.height = 65535;
    rle.bitCount = 8;
    rle.compression = 1;
    rle.pixels = {0, 1};
    EXPECT_EQ(decodeError(rle.bytes()), DibError::OutOfMemory);
}

TEST(Dib, FormatsGdiCannotConvert)
{
    struct Case {
        uint16_t bits;
        uint32_t compression;
        int32_t height;
    };
    for (const Case& c :
         {Case{0, 0, 1}, Case{2, 0, 1}, Case{48, 0, 1}, Case{24, 4, 1}, Case{24, 5, 1}, Case{32, 6, 1},
          Case{4, 1, 1}, Case{8, 2, 1}, Case{24, 3, 1}, Case{8, 1, -1}, Case{4, 2, -1}, Case{24, 7, 1}}) {
        InfoDib dib;
        dib.bitCount = c.bits;
        dib.compression = c.compression;
        dib.height = c.height;
        dib.masks =
            c.compression == 3 ? std::vector<uint32_t>{0xFF, 0xFF00, 0xFF0000} : std::vector<uint32_t>{};
        dib.pixels = std::vector<uint8_t>(64, 0);
        EXPECT_EQ(decodeError(dib.bytes()), DibError::ConversionError) << c.bits << " " << c.compression;
    }
    // The core form has no 16- or 32-bit pixels.
    EXPECT_EQ(decodeError(coreDib(1, 1, 16, {}, {0, 0, 0, 0})), DibError::ConversionError);
    EXPECT_EQ(decodeError(coreDib(1, 1, 32, {}, {0, 0, 0, 0})), DibError::ConversionError);
}

TEST(Dib, TruncatedFilesAreRefused)
{
    InfoDib dib;
    dib.width = 3;
    dib.height = 2;
    dib.pixels = std::vector<uint8_t>(24, 5);
    auto bytes = dib.bytes();
    EXPECT_EQ(decodeOk(bytes).rgb.size(), 18u);
    bytes.pop_back();
    EXPECT_EQ(decodeError(bytes), DibError::ConversionError);

    // Bit fields missing after a 40-byte header.
    InfoDib fields;
    fields.bitCount = 16;
    fields.compression = 3;
    fields.fileHeader = false;
    auto noMasks = fields.bytes();
    EXPECT_EQ(decodeError(noMasks), DibError::ConversionError);

    // Pixel offset past the end of the file.
    auto offset = InfoDib().bytes();
    offset[10] = 0xFF;
    offset[11] = 0x7F;
    EXPECT_EQ(decodeError(offset), DibError::ConversionError);
}

TEST(Dib, ErrorMessages)
{
    EXPECT_STREQ(dibErrorMessage(DibError::UnknownFormat), "Unknown DIB file format.");
    EXPECT_STREQ(dibErrorMessage(DibError::OutOfMemory), "Out of memory.");
    EXPECT_STREQ(dibErrorMessage(DibError::ConversionError), "Image file conversion error.");
}

// Random paletted images written at 1, 4, 8 and 24 bits, as RLE8 (absolute and encoded runs), bottom-up
// and top-down, with and without file header: all must give the colours looked up here.
TEST(Dib, RandomImagesAgreeAcrossEncodings)
{
    std::mt19937 rng(1234);
    for (int round = 0; round < 150; ++round) {
        const int width = 1 + int(rng() % 33);
        const int height = 1 + int(rng() % 9);
        const int colourCount = 1 + int(rng() % 2 == 0 ? rng() % 2 : rng() % 16);
        std::vector<Rgb> colours(size_t(colourCount) + 1);
        for (Rgb& c : colours)
            c = {uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
        std::vector<uint8_t> index(size_t(width * height));
        for (uint8_t& i : index)
            i = uint8_t(rng() % uint32_t(colourCount + 1));
        std::vector<Rgb> expected;
        for (uint8_t i : index)
            expected.push_back(colours[i]);

        const int maxIndex = colourCount;
        const uint16_t bits = maxIndex < 2 ? 1 : maxIndex < 16 ? 4 : 8;
        auto packRows = [&](uint16_t bitCount, bool topDown) {
            std::vector<uint8_t> out;
            const size_t stride = (size_t(width) * bitCount + 31) / 32 * 4;
            for (int r = 0; r < height; ++r) {
                const int row = topDown ? height - 1 - r : r;
                std::vector<uint8_t> line(stride, 0);
                for (int x = 0; x < width; ++x) {
                    const uint8_t i = index[size_t(row * width + x)];
                    if (bitCount == 24) {
                        const Rgb& c = colours[i];
                        line[size_t(x) * 3] = c[2];
                        line[size_t(x) * 3 + 1] = c[1];
                        line[size_t(x) * 3 + 2] = c[0];
                    } else {
                        const size_t bit = size_t(x) * bitCount;
                        line[bit / 8] |= uint8_t(i << (8 - bitCount - bit % 8));
                    }
                }
                out.insert(out.end(), line.begin(), line.end());
            }
            return out;
        };
        InfoDib dib;
        dib.width = width;
        for (const uint16_t bitCount : {bits, uint16_t(8), uint16_t(24)}) {
            for (const bool topDown : {false, true}) {
                dib.height = topDown ? -height : height;
                dib.bitCount = bitCount;
                dib.colorsUsed = bitCount == 24 ? 0 : uint32_t(colours.size());
                dib.palette = bitCount == 24 ? std::vector<uint8_t>{} : palette(colours);
                dib.pixels = packRows(bitCount, topDown);
                dib.fileHeader = rng() % 2;
                const DibPixels out = decodeOk(dib.bytes());
                EXPECT_EQ(out.rgb, flatten(expected))
                    << round << " bits " << bitCount << " topDown " << topDown;
            }
        }
        // RLE8: each row as a random mix of runs and absolute runs, then end of line.
        ByteWriter rle;
        for (int r = 0; r < height; ++r) {
            for (int x = 0; x < width;) {
                int n = 1 + int(rng() % uint32_t(width - x));
                if (n >= 3 && rng() % 2) {
                    rle.u8(0).u8(uint32_t(n));
                    for (int k = 0; k < n; ++k)
                        rle.u8(index[size_t(r * width + x + k)]);
                    if (n % 2) rle.u8(0);
                } else {
                    n = 1;
                    while (x + n < width && index[size_t(r * width + x + n)] == index[size_t(r * width + x)])
                        ++n;
                    rle.u8(uint32_t(n)).u8(index[size_t(r * width + x)]);
                }
                x += n;
            }
            rle.u8(0).u8(0);
        }
        rle.u8(0).u8(1);
        dib.height = height;
        dib.bitCount = 8;
        dib.compression = 1;
        dib.colorsUsed = uint32_t(colours.size());
        dib.palette = palette(colours);
        dib.pixels = rle.bytes;
        EXPECT_EQ(decodeOk(dib.bytes()).rgb, flatten(expected)) << round << " rle8";
        dib.compression = 0;
    }
}

// Cut and corrupted files of every kind decode without reading or writing outside their buffers (run
// under the sanitizers), and a delivered image is always complete.
TEST(Dib, CorruptedFilesDecodeSafely)
{
    std::vector<std::vector<uint8_t>> bases;
    InfoDib rle8;
    rle8.width = 9;
    rle8.height = 5;
    rle8.bitCount = 8;
    rle8.compression = 1;
    rle8.colorsUsed = 4;
    rle8.palette = palette(ramp(4));
    rle8.pixels = {3, 1, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 1, 1, 4, 2, 0, 1};
    bases.push_back(rle8.bytes());
    InfoDib rle4 = rle8;
    rle4.bitCount = 4;
    rle4.compression = 2;
    rle4.pixels = {7, 0x12, 0, 5, 0x12, 0x30, 0, 0, 0, 0, 0, 2, 1, 1, 4, 0x22, 0, 1};
    bases.push_back(rle4.bytes());
    InfoDib fields;
    fields.width = 3;
    fields.height = -2;
    fields.bitCount = 16;
    fields.compression = 3;
    fields.masks = {0xF800, 0x07E0, 0x001F};
    fields.pixels = std::vector<uint8_t>(16, 0x5A);
    fields.fileHeader = false;
    bases.push_back(fields.bytes());
    bases.push_back(coreDib(5, 3, 4, std::vector<uint8_t>(48, 7), std::vector<uint8_t>(12, 0x35)));

    // The high bytes of the 32-bit sides stay as they are: a run-length file may legitimately
    // announce tens of millions of pixels, which would only make this test slow.
    const std::vector<std::vector<size_t>> keep = {{20, 21, 24, 25}, {20, 21, 24, 25}, {6, 7, 10, 11}, {}};

    std::mt19937 rng(99);
    for (int round = 0; round < 4000; ++round) {
        const size_t base = size_t(round) % bases.size();
        std::vector<uint8_t> file = bases[base];
        const int flips = 1 + int(rng() % 4);
        for (int f = 0; f < flips; ++f)
            file[rng() % file.size()] = uint8_t(rng());
        for (size_t at : keep[base])
            file[at] = bases[base][at];
        if (rng() % 3 == 0) file.resize(rng() % (file.size() + 1));
        DibPixels out;
        if (decodeDib(file, out) == DibError::None) {
            ASSERT_GT(out.width, 0);
            ASSERT_GT(out.height, 0);
            ASSERT_EQ(out.rgb.size(), size_t(out.width) * size_t(out.height) * 3);
        } else {
            ASSERT_TRUE(out.rgb.empty());
        }
    }
}
