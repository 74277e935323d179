#include "image/Dib.h"
#include "tests/unit/image/ImageFiles.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <random>

namespace {

using Rgb = std::array<uint8_t, 3>;
const Rgb k0 = {0, 0, 0};

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

InfoDib dib(int32_t width, int32_t height, uint16_t bits, std::vector<uint8_t> pixels,
            const std::vector<Rgb>& colours = {}, uint32_t compression = 0, uint32_t used = 0)
{
    InfoDib d;
    d.width = width;
    d.height = height;
    d.bitCount = bits;
    d.pixels = std::move(pixels);
    d.palette = palette(colours);
    d.compression = compression;
    d.colorsUsed = used;
    return d;
}

InfoDib withMasks(InfoDib d, std::vector<uint32_t> masks, uint32_t headerSize = 40, bool fileHeader = true)
{
    d.masks = std::move(masks);
    d.headerSize = headerSize;
    d.fileHeader = fileHeader;
    return d;
}

std::vector<uint8_t> u16s(std::initializer_list<uint32_t> values)
{
    ByteWriter w;
    for (uint32_t v : values)
        w.u16(v);
    return w.bytes;
}

DibError decodeError(const std::vector<uint8_t>& bytes)
{
    DibPixels out;
    const DibError error = decodeDib(bytes, out);
    EXPECT_TRUE(out.rgb.empty());
    return error;
}

const std::vector<uint32_t> k565 = {0xF800, 0x07E0, 0x001F};

} // namespace

// Hand-worked files of every depth and layout; 0xEE marks padding and unused bits. Top-down rows and
// packed 1, 4 and 8-bit files are covered by the random images below.
TEST(Dib, HandWorkedPixels)
{
    const std::vector<Rgb> c = ramp(16);
    const std::vector<Rgb> c4(c.begin(), c.begin() + 4);
    const std::vector<Rgb> bitFields = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255},
                                        {0, 4, 0},   {0, 130, 0}, {8, 0, 0}};
    const auto bitFieldPixels = u16s({0xF800, 0x07E0, 0x001F, 0x0020, 0x0400, 0x0800});
    // Core form: 3-byte entries blue, green, red.
    std::vector<uint8_t> corePalette = {30, 20, 10, 60, 50, 40, 90, 80, 70};
    const std::vector<uint8_t> core1Palette(corePalette.begin(), corePalette.begin() + 6);
    corePalette.resize(256 * 3, 0);
    const std::vector<Rgb> coreRows = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90},
                                       {70, 80, 90}, {40, 50, 60}, {10, 20, 30}};
    const std::vector<uint8_t> coreIndices = {0, 1, 2, 0xEE, 2, 1, 0, 0xEE};
    std::vector<Rgb> big(300, Rgb{9, 9, 9});
    big[255] = {1, 2, 3};

    auto check = [](const char* name, const std::vector<uint8_t>& file, int width, int height,
                    const std::vector<Rgb>& expected) {
        SCOPED_TRACE(name);
        DibPixels out;
        ASSERT_EQ(decodeDib(file, out), DibError::None);
        EXPECT_EQ(out.width, width);
        EXPECT_EQ(out.height, height);
        EXPECT_EQ(out.rgb, flatten(expected));
    };
    check("1 bit, width 5",
          dib(5, 2, 1, {0xB7, 0xEE, 0xEE, 0xEE, 0x4F, 0xEE, 0xEE, 0xEE}, {c[3], c[9]}).bytes(), 5, 2,
          {c[9], c[3], c[9], c[9], c[3], c[3], c[9], c[3], c[3], c[9]});
    check("8 bits, width 4: no padding", dib(4, 2, 8, {0, 1, 2, 3, 3, 2, 1, 0}, c4, 0, 4).bytes(), 4, 2,
          {c[0], c[1], c[2], c[3], c[3], c[2], c[1], c[0]});
    check("8 bits, width 5: 3 padding bytes",
          dib(5, 2, 8, {0, 1, 2, 3, 0, 0xEE, 0xEE, 0xEE, 3, 2, 1, 0, 3, 0xEE, 0xEE, 0xEE}, c4, 0, 4).bytes(),
          5, 2, {c[0], c[1], c[2], c[3], c[0], c[3], c[2], c[1], c[0], c[3]});
    check("24 bits, width 5",
          dib(5, 2, 24, {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 0xEE,
                         21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 0xEE})
              .bytes(),
          5, 2,
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
    check("16 bits 5-5-5 widened by repeating top bits",
          dib(5, 1, 16, u16s({0x7FFF, 0xFFFF, 0x7C00, 0x0010, 0x0200, 0xEEEE})).bytes(), 5, 1,
          {{255, 255, 255}, {255, 255, 255}, {255, 0, 0}, {0, 0, 132}, {0, 132, 0}});
    check("16 bits 5-6-5 after a 40-byte header",
          withMasks(dib(6, 1, 16, bitFieldPixels, {}, 3), k565).bytes(), 6, 1, bitFields);
    check("16 bits 5-6-5, packed V4",
          withMasks(dib(6, 1, 16, bitFieldPixels, {}, 3), k565, 108, false).bytes(), 6, 1, bitFields);
    check("16 bits 5-6-5, packed, masks after a 40-byte header",
          withMasks(dib(1, 1, 16, u16s({0x001F, 0}), {}, 3), k565, 40, false).bytes(), 1, 1, {{0, 0, 255}});
    check("V5 masks ignored without bit fields",
          withMasks(dib(1, 1, 16, u16s({0x7C00, 0})), {0x001F, 0x07E0, 0xF800}, 124).bytes(), 1, 1,
          {{255, 0, 0}});
    check("32 bits plain", dib(2, 1, 32, {1, 2, 3, 99, 4, 5, 6, 0}).bytes(), 2, 1, {{3, 2, 1}, {6, 5, 4}});
    check("32 bits, swapped bit fields",
          withMasks(dib(2, 1, 32, ByteWriter().u32(0x00332211).u32(0xFF000000).bytes, {}, 3),
                    {0x000000FF, 0x0000FF00, 0x00FF0000})
              .bytes(),
          2, 1, {{0x11, 0x22, 0x33}, k0});
    check(
        "32 bits, 10-bit fields keep their top 8 bits",
        withMasks(dib(2, 1, 32, ByteWriter().u32(0x3FF00000 | (0x200 << 10) | 0x001).u32(0x3FF).bytes, {}, 3),
                  {0x3FF00000, 0x000FFC00, 0x000003FF}, 124)
            .bytes(),
        2, 1, {{255, 128, 0}, {0, 0, 255}});
    // Run of 3, absolute 3 (padded), end of line, delta (2, 1), run of 2, end of bitmap; the
    // pixels never reached stay black, unlike palette entry 0.
    check("RLE8", dib(6, 3, 8, {3, 1, 0, 3, 5, 6, 7, 0, 0, 0, 0, 2, 2, 1, 2, 4, 0, 1, 9, 9}, c, 1, 8).bytes(),
          6, 3, {c[1], c[1], c[1], c[5], c[6], c[7], k0, k0, k0, k0, k0, k0, k0, k0, c[4], c[4], k0, k0});
    check("RLE4: runs alternate nibbles and clip at the row end",
          dib(7, 2, 4, {5, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 5, 0x67, 0x89, 0xA0, 0x00, 2, 0xBC, 0, 1}, c, 2)
              .bytes(),
          7, 2, {c[1], c[2], c[1], c[2], c[1], c[3], c[4], c[6], c[7], c[8], c[9], c[10], c[11], c[12]});
    check("RLE run does not wrap", dib(2, 2, 8, {5, 1, 0, 1}, c4, 1, 4).bytes(), 2, 2, {c[1], c[1], k0, k0});
    check("RLE ends inside a pair", dib(2, 2, 8, {1, 2, 3}, c4, 1, 4).bytes(), 2, 2, {c[2], k0, k0, k0});
    check("RLE absolute run cut", dib(2, 2, 8, {1, 2, 0, 4, 1, 2}, c4, 1, 4).bytes(), 2, 2,
          {c[2], k0, k0, k0});
    check("RLE delta cut", dib(2, 2, 8, {1, 3, 0, 2, 1}, c4, 1, 4).bytes(), 2, 2, {c[3], k0, k0, k0});
    check("RLE delta above the image", dib(2, 2, 8, {0, 2, 0, 200, 1, 1, 0, 1}, c4, 1, 4).bytes(), 2, 2,
          {k0, k0, k0, k0});
    check("core 8 bits", coreDib(3, 2, 8, corePalette, coreIndices, true), 3, 2, coreRows);
    check("core 8 bits, packed", coreDib(3, 2, 8, corePalette, coreIndices, false), 3, 2, coreRows);
    check("core 1 bit", coreDib(3, 1, 1, core1Palette, {0x40, 0, 0, 0}, false), 3, 1,
          {{10, 20, 30}, {40, 50, 60}, {10, 20, 30}});
    check("core 24 bits", coreDib(2, 1, 24, {}, {1, 2, 3, 4, 5, 6, 0xEE, 0xEE}, false), 2, 1,
          {{3, 2, 1}, {6, 5, 4}});
    // More entries than an 8-bit pixel can index: the first 256 are used.
    check("300 colours", dib(1, 1, 8, {255, 0, 0, 0}, big, 0, 300).bytes(), 1, 1, {{1, 2, 3}});
    // The file header's pixel offset makes a table shorter than announced usable.
    check("65535 colours announced, 2 present", dib(2, 1, 1, {0x40, 0, 0, 0}, {c[3], c[4]}, 0, 65535).bytes(),
          2, 1, {c[3], c[4]});
    check("indices past the table are black", dib(2, 1, 8, {1, 5, 0, 0}, {c[1], c[2]}, 0, 2).bytes(), 2, 1,
          {c[2], k0});
}

TEST(Dib, CountDibColors)
{
    auto core = [](uint16_t bits) { return coreDib(1, 1, bits, {}, {}, false); };
    auto info = [](uint16_t bits, uint32_t used) {
        InfoDib d = dib(1, 1, bits, {}, {}, 0, used);
        d.fileHeader = false;
        return d.bytes();
    };
    const auto shortInfo = info(8, 5);
    const struct {
        std::vector<uint8_t> header;
        uint32_t count;
    } cases[] = {
        {core(1), 2},
        {core(8), 256},
        {core(24), 0},
        {info(1, 0), 2},
        {info(4, 0), 16},
        {info(8, 0), 256},
        {info(16, 0), 0},
        {info(8, 7), 7},
        {info(24, 20), 20},
        {info(1, 65535), 65535},
        {info(8, 0x12345), 0x2345}, // cut to 16 bits
        {info(8, 0x10000), 0},
        {{}, 0},
        {{shortInfo.begin(), shortInfo.begin() + 20}, 256}, // colours used not present
        {{shortInfo.begin(), shortInfo.begin() + 10}, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(CountDibColors(cases[i].header), cases[i].count) << i;
}

TEST(Dib, RefusalsAndTheirMessages)
{
    EXPECT_STREQ(dibErrorMessage(DibError::UnknownFormat), "Unknown DIB file format.");
    EXPECT_STREQ(dibErrorMessage(DibError::OutOfMemory), "Out of memory.");
    EXPECT_STREQ(dibErrorMessage(DibError::ConversionError), "Image file conversion error.");

    for (uint32_t size : {0u, 16u, 41u, 52u, 56u, 64u, 100u, 0xFFFFFFFFu}) {
        InfoDib d;
        d.headerSize = size;
        auto bytes = d.bytes();
        for (size_t i = 0; i < 4; ++i)
            bytes[14 + i] = uint8_t(size >> (8 * i));
        bytes.resize(600, 0);
        EXPECT_EQ(decodeError(bytes), DibError::UnknownFormat) << size;
    }

    auto sized = [](int32_t width, int32_t height) { return dib(width, height, 24, {1, 2, 3, 0}).bytes(); };
    auto format = [](uint16_t bits, uint32_t compression, int32_t height = 1) {
        InfoDib d = dib(1, height, bits, std::vector<uint8_t>(64, 0), {}, compression);
        if (compression == 3) d.masks = {0xFF, 0xFF00, 0xFF0000};
        return d.bytes();
    };
    auto cutHeader = InfoDib().bytes();
    cutHeader.resize(14 + 39);
    auto truncated = dib(3, 2, 24, std::vector<uint8_t>(24, 5)).bytes();
    truncated.pop_back();
    auto offsetPastEnd = InfoDib().bytes();
    offsetPastEnd[11] = 0x7F;
    auto packedOneBit = dib(2, 1, 1, {0x40, 0, 0, 0}, ramp(2), 0, 65535);
    packedOneBit.fileHeader = false;

    const struct {
        const char* name;
        std::vector<uint8_t> file;
        DibError error;
    } cases[] = {
        {"5 bytes", {'B', 'M', 1, 2, 3}, DibError::UnknownFormat},
        {"size field cut", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0}, DibError::UnknownFormat},
        {"header cut", cutHeader, DibError::UnknownFormat},
        {"1 byte", {1}, DibError::UnknownFormat},
        // No section of these sizes can exist.
        {"width 0", sized(0, 1), DibError::OutOfMemory},
        {"negative width", sized(-1, 1), DibError::OutOfMemory},
        {"65535 square", sized(65535, 65535), DibError::OutOfMemory},
        {"height INT_MIN", sized(1, INT_MIN), DibError::OutOfMemory},
        {"width INT_MAX", sized(INT_MAX, 1), DibError::OutOfMemory},
        {"core width 0", coreDib(0, 1, 24, {}, {1, 2, 3, 0}), DibError::OutOfMemory},
        {"RLE 65535 square", dib(65535, 65535, 8, {0, 1}, {}, 1).bytes(), DibError::OutOfMemory},
        // Within the limit but without their pixels: refused before anything is allocated.
        {"4000 square, 4 bytes", sized(4000, 4000), DibError::ConversionError},
        {"4000 square top-down, 4 bytes", sized(4000, -4000), DibError::ConversionError},
        {"0 bits", format(0, 0), DibError::ConversionError},
        {"48 bits", format(48, 0), DibError::ConversionError},
        {"JPEG", format(24, 4), DibError::ConversionError},
        {"compression 6", format(32, 6), DibError::ConversionError},
        {"RLE8 of 4 bits", format(4, 1), DibError::ConversionError},
        {"RLE4 of 8 bits", format(8, 2), DibError::ConversionError},
        {"bit fields of 24 bits", format(24, 3), DibError::ConversionError},
        {"top-down RLE8", format(8, 1, -1), DibError::ConversionError},
        {"top-down RLE4", format(4, 2, -1), DibError::ConversionError},
        {"core 16 bits", coreDib(1, 1, 16, {}, {0, 0, 0, 0}), DibError::ConversionError},
        {"pixels one byte short", truncated, DibError::ConversionError},
        {"bit fields missing", withMasks(dib(1, 1, 16, {}, {}, 3), {}, 40, false).bytes(),
         DibError::ConversionError},
        {"pixel offset past the end", offsetPastEnd, DibError::ConversionError},
        {"packed: 65535 entries put the pixels past the end", packedOneBit.bytes(),
         DibError::ConversionError},
        {"table the file does not hold", dib(1, 1, 8, {0, 0, 0, 0}, ramp(20)).bytes(),
         DibError::ConversionError},
    };
    for (const auto& t : cases)
        EXPECT_EQ(decodeError(t.file), t.error) << t.name;
}

// Random paletted images written at 1, 4, 8 and 24 bits, bottom-up and top-down, with and without file
// header, and as RLE8 (absolute and encoded runs): all must give the colours looked up here.
TEST(Dib, RandomImagesAgreeAcrossEncodings)
{
    std::mt19937 rng(1234);
    for (int round = 0; round < 150; ++round) {
        const int width = 1 + int(rng() % 33);
        const int height = 1 + int(rng() % 9);
        const int maxIndex = 1 + int(rng() % 2 == 0 ? rng() % 2 : rng() % 16);
        std::vector<Rgb> colours(size_t(maxIndex) + 1);
        for (Rgb& c : colours)
            c = {uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
        std::vector<uint8_t> index(size_t(width * height));
        for (uint8_t& i : index)
            i = uint8_t(rng() % uint32_t(maxIndex + 1));
        std::vector<Rgb> expected;
        for (uint8_t i : index)
            expected.push_back(colours[i]);

        auto packRows = [&](uint16_t bitCount, bool topDown) {
            std::vector<uint8_t> out;
            const size_t stride = (size_t(width) * bitCount + 31) / 32 * 4;
            for (int r = 0; r < height; ++r) {
                const int row = topDown ? height - 1 - r : r;
                std::vector<uint8_t> line(stride, 0);
                for (int x = 0; x < width; ++x) {
                    const uint8_t i = index[size_t(row * width + x)];
                    const size_t bit = size_t(x) * bitCount;
                    if (bitCount == 24)
                        for (size_t k = 0; k < 3; ++k)
                            line[bit / 8 + k] = colours[i][2 - k];
                    else
                        line[bit / 8] |= uint8_t(i << (8 - bitCount - bit % 8));
                }
                out.insert(out.end(), line.begin(), line.end());
            }
            return out;
        };
        const uint16_t bits = maxIndex < 2 ? 1 : maxIndex < 16 ? 4 : 8;
        for (const uint16_t bitCount : {bits, uint16_t(8), uint16_t(24)}) {
            for (const bool topDown : {false, true}) {
                const bool paletted = bitCount != 24;
                InfoDib d =
                    dib(width, topDown ? -height : height, bitCount, packRows(bitCount, topDown),
                        paletted ? colours : std::vector<Rgb>{}, 0, paletted ? uint32_t(colours.size()) : 0);
                d.fileHeader = rng() % 2;
                DibPixels out;
                ASSERT_EQ(decodeDib(d.bytes(), out), DibError::None);
                EXPECT_EQ(out.rgb, flatten(expected))
                    << round << " bits " << bitCount << " topDown " << topDown;
            }
        }
        ByteWriter rle;
        for (int r = 0; r < height; ++r) {
            for (int x = 0; x < width;) {
                const uint8_t* row = &index[size_t(r * width)];
                int n = 1 + int(rng() % uint32_t(width - x));
                if (n >= 3 && rng() % 2) {
                    rle.u8(0).u8(uint32_t(n)).raw({row + x, row + x + n});
                    if (n % 2) rle.u8(0);
                } else {
                    for (n = 1; x + n < width && row[x + n] == row[x];)
                        ++n;
                    rle.u8(uint32_t(n)).u8(row[x]);
                }
                x += n;
            }
            rle.u8(0).u8(0);
        }
        rle.u8(0).u8(1);
        DibPixels out;
        ASSERT_EQ(
            decodeDib(dib(width, height, 8, rle.bytes, colours, 1, uint32_t(colours.size())).bytes(), out),
            DibError::None);
        EXPECT_EQ(out.rgb, flatten(expected)) << round << " rle8";
    }
}

// Cut and corrupted files of every kind decode without reading or writing outside their buffers (run
// under the sanitizers), and a delivered image is always complete.
TEST(Dib, CorruptedFilesDecodeSafely)
{
    const std::vector<Rgb> c4 = ramp(4);
    const std::vector<std::vector<uint8_t>> bases = {
        dib(9, 5, 8, {3, 1, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 1, 1, 4, 2, 0, 1}, c4, 1, 4).bytes(),
        dib(9, 5, 4, {7, 0x12, 0, 5, 0x12, 0x30, 0, 0, 0, 0, 0, 2, 1, 1, 4, 0x22, 0, 1}, c4, 2, 4).bytes(),
        withMasks(dib(3, -2, 16, std::vector<uint8_t>(16, 0x5A), {}, 3), k565, 40, false).bytes(),
        coreDib(5, 3, 4, std::vector<uint8_t>(48, 7), std::vector<uint8_t>(12, 0x35)),
    };
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
