#include "image/Tga.h"
#include "tests/unit/image/ImageFiles.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::vector<uint8_t> cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

// Hand-worked files: blue and red swapped, rows kept in file order.
TEST(Tga, HandWorkedPixels)
{
    auto check = [](const char* name, const std::vector<uint8_t>& file, int channels, int width, int height,
                    const std::vector<uint8_t>& expected) {
        SCOPED_TRACE(name);
        const auto image = decodeTga(file);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->channels, channels);
        EXPECT_EQ(image->width, width);
        EXPECT_EQ(image->height, height);
        EXPECT_EQ(image->pixels, expected);
    };
    check("24 bits, 2 x 2", cat(tgaHeader(2, 2, 2, 24), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), 3, 2, 2,
          {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10});
    check("32 bits keep alpha", cat(tgaHeader(2, 2, 1, 32, 0, 8), {10, 20, 30, 40, 50, 60, 70, 80}), 4, 2, 1,
          {30, 20, 10, 40, 70, 60, 50, 80});
    // x-5-5-5 fields times 8; the top bit makes no difference.
    check("16 bits",
          cat(tgaHeader(2, 4, 2, 16), ByteWriter()
                                          .u16(0xFFFF)
                                          .u16(0x7FFF)
                                          .u16(0x8000)
                                          .u16(0x7C00)
                                          .u16(0x03E0)
                                          .u16(0x001F)
                                          .u16(0x4210)
                                          .u16(0x0421)
                                          .bytes),
          3, 4, 2,
          {248, 248, 248, 248, 248, 248, 0, 0, 0, 248, 0, 0, 0, 248, 0, 0, 0, 248, 128, 128, 128, 8, 8, 8});
    check("ID field skipped", cat(tgaHeader(2, 1, 1, 24, 7), {1, 2, 3}), 3, 1, 1, {3, 2, 1});
    auto colourMap = tgaHeader(2, 1, 1, 24);
    colourMap[1] = 1;  // colour map present
    colourMap[5] = 2;  // two entries
    colourMap[7] = 24; // of three bytes each
    check("colour map of a true-colour file skipped", cat(colourMap, {9, 9, 9, 8, 8, 8, 1, 2, 3}), 3, 1, 1,
          {3, 2, 1});
    // The descriptor's origin is ignored: a top-origin file comes out upside down.
    for (uint8_t descriptor : {0x00, 0x20})
        check("origin", cat(tgaHeader(2, 1, 2, 24, 0, descriptor), {1, 2, 3, 4, 5, 6}), 3, 1, 2,
              {3, 2, 1, 6, 5, 4});
    for (uint8_t type : {0, 1, 3, 9, 11})
        check("other image types read as uncompressed", cat(tgaHeader(type, 1, 1, 24), {1, 2, 3}), 3, 1, 1,
              {3, 2, 1});
    check("run length 32 bits keeps alpha", cat(tgaHeader(10, 3, 1, 32), {129, 1, 2, 3, 4, 0, 5, 6, 7, 8}), 4,
          3, 1, {3, 2, 1, 4, 3, 2, 1, 4, 7, 6, 5, 8});
    // A run of 128 into a 3-pixel image; a raw packet of 5 whose last 3 pixels are absent.
    check("run past the last pixel cut", cat(tgaHeader(10, 3, 1, 24), {255, 1, 2, 3}), 3, 3, 1,
          {3, 2, 1, 3, 2, 1, 3, 2, 1});
    check("raw packet past the last pixel cut", cat(tgaHeader(10, 2, 1, 24), {4, 1, 2, 3, 4, 5, 6}), 3, 2, 1,
          {3, 2, 1, 6, 5, 4});
}

TEST(Tga, RunLengthPacketHeaders0_127_128_255)
{
    // 1 raw + 128 raw + run of 1 + run of 128 = 258 pixels.
    ByteWriter w;
    w.u8(0).u8(0xA1).u8(0xA2).u8(0xA3).u8(127);
    std::vector<uint8_t> expected = {0xA3, 0xA2, 0xA1};
    for (int i = 0; i < 128; ++i) {
        w.u8(i).u8(2 * i).u8(255 - i);
        expected.insert(expected.end(), {uint8_t(255 - i), uint8_t(2 * i), uint8_t(i)});
    }
    w.u8(128).u8(0xB1).u8(0xB2).u8(0xB3).u8(255).u8(0xC1).u8(0xC2).u8(0xC3);
    expected.insert(expected.end(), {0xB3, 0xB2, 0xB1});
    for (int i = 0; i < 128; ++i)
        expected.insert(expected.end(), {0xC3, 0xC2, 0xC1});
    const auto image = decodeTga(cat(tgaHeader(10, 258, 1, 24), w.bytes));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, expected);
}

// One refusal per failure path: depth, zero side, truncation, absurd size.
TEST(Tga, Refusals)
{
    auto idPastEnd = tgaHeader(2, 1, 1, 24);
    idPastEnd[0] = 200;
    const auto header = tgaHeader(2, 2, 1, 24);
    const std::vector<std::vector<uint8_t>> refused = {
        cat(tgaHeader(10, 1, 1, 8), {128, 1}), // run length of 8 or 16 bits has no sound decoding
        cat(tgaHeader(10, 1, 1, 16), {128, 1, 2}),
        cat(tgaHeader(10, 1, 1, 15), {128, 1, 2}),
        cat(tgaHeader(2, 1, 1, 0), std::vector<uint8_t>(16, 7)),
        cat(tgaHeader(2, 1, 1, 8), std::vector<uint8_t>(16, 7)),
        cat(tgaHeader(2, 1, 1, 15), std::vector<uint8_t>(16, 7)),
        cat(tgaHeader(2, 1, 1, 64), std::vector<uint8_t>(16, 7)),
        cat(tgaHeader(2, 0, 1, 24), {1, 2, 3}),
        cat(tgaHeader(2, 1, 0, 24), {1, 2, 3}),
        cat(tgaHeader(10, 0, 0, 24), {128, 1, 2, 3}),
        cat(header, {1, 2, 3, 4, 5}),
        {header.begin(), header.begin() + 17},
        {},
        cat(tgaHeader(2, 1, 1, 16), {1}),
        cat(tgaHeader(2, 1, 1, 32), {1, 2, 3}),
        cat(idPastEnd, {1, 2, 3}),
        cat(tgaHeader(10, 2, 1, 24), {1, 1, 2, 3, 4, 5}), // ends inside a raw packet
        cat(tgaHeader(10, 2, 1, 24), {128, 1, 2, 3}),     // ends before the last pixel
        cat(tgaHeader(10, 2, 1, 24), {129, 1, 2}),        // ends inside a run pixel
        cat(tgaHeader(10, 65535, 65535, 32), {255, 1, 2, 3, 4}),
        cat(tgaHeader(2, 65535, 65535, 32), {1, 2, 3, 4}),
        cat(tgaHeader(2, 65535, 65535, 16), {1, 2}),
    };
    EXPECT_TRUE(decodeTga(cat(header, {1, 2, 3, 4, 5, 6})));
    for (size_t i = 0; i < refused.size(); ++i)
        EXPECT_FALSE(decodeTga(refused[i])) << i;
}

// A run-length encoder with random packet choices against the plain form of the same pixels.
TEST(Tga, RandomRunLengthStreamsMatchTheirPixels)
{
    std::mt19937 rng(20240611);
    for (int round = 0; round < 200; ++round) {
        const size_t bpp = rng() % 2 ? 3 : 4;
        const uint16_t width = uint16_t(1 + rng() % 40);
        const uint16_t height = uint16_t(1 + rng() % 12);
        const size_t count = size_t(width) * height;
        // Few distinct colours so that runs happen.
        std::vector<uint8_t> stored(count * bpp);
        for (size_t i = 0; i < count; ++i) {
            const uint8_t c = uint8_t(rng() % 3);
            for (size_t k = 0; k < bpp; ++k)
                stored[i * bpp + k] = uint8_t(c * 70 + k);
        }
        ByteWriter stream;
        for (size_t i = 0; i < count;) {
            const size_t length = std::min<size_t>(1 + rng() % 128, count - i);
            bool same = true;
            for (size_t j = 1; j < length && same; ++j)
                same = std::equal(&stored[i * bpp], &stored[i * bpp] + bpp, &stored[(i + j) * bpp]);
            if (same && rng() % 2) {
                stream.u8(uint32_t(127 + length));
                stream.raw({&stored[i * bpp], &stored[i * bpp] + bpp});
            } else {
                stream.u8(uint32_t(length - 1));
                stream.raw({&stored[i * bpp], &stored[(i + length) * bpp]});
            }
            i += length;
        }
        const auto packed = decodeTga(cat(tgaHeader(10, width, height, uint8_t(bpp * 8)), stream.bytes));
        const auto plain = decodeTga(cat(tgaHeader(2, width, height, uint8_t(bpp * 8)), stored));
        ASSERT_TRUE(packed && plain) << round;
        EXPECT_EQ(packed->pixels, plain->pixels) << round;
        EXPECT_EQ(packed->channels, int(bpp));
    }
}

// Cut and corrupted files never read or write outside their buffers (run under the sanitizers)
// and an image, when delivered, is always complete.
TEST(Tga, CorruptedFilesDecodeSafely)
{
    std::mt19937 rng(7);
    ByteWriter stream;
    for (int i = 0; i < 20; ++i) {
        if (i % 2)
            stream.u8(0x83).u8(i).u8(i + 1).u8(i + 2); // run of 4
        else
            stream.u8(0x02).raw(std::vector<uint8_t>(9, uint8_t(i))); // 3 raw pixels
    }
    const auto base = cat(tgaHeader(10, 9, 7, 24, 3), stream.bytes);
    ASSERT_TRUE(decodeTga(base));
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> file = base;
        const int flips = 1 + int(rng() % 6);
        for (int f = 0; f < flips; ++f)
            file[rng() % file.size()] = uint8_t(rng());
        file.resize(rng() % (file.size() + 1));
        const auto image = decodeTga(file);
        if (image) {
            ASSERT_GT(image->width, 0);
            ASSERT_GT(image->height, 0);
            ASSERT_EQ(image->pixels.size(),
                      size_t(image->width) * size_t(image->height) * size_t(image->channels));
        }
    }
}
