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

std::optional<Image> decode(const std::vector<uint8_t>& bytes)
{
    return decodeTga(bytes);
}

} // namespace

TEST(Tga, Uncompressed24BitSwapsBlueAndRedAndKeepsFileRowOrder)
{
    // 2 x 2, rows as stored: first row (1,2,3) (4,5,6), second row (7,8,9) (10,11,12) in B,G,R.
    const auto file = cat(tgaHeader(2, 2, 2, 24), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    const auto image = decode(file);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->channels, 3);
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(image->pixels, (std::vector<uint8_t>{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));
}

TEST(Tga, Uncompressed32BitKeepsAlphaAsFourthChannel)
{
    const auto file = cat(tgaHeader(2, 2, 1, 32, 0, 8), {10, 20, 30, 40, 50, 60, 70, 80});
    const auto image = decode(file);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->channels, 4);
    EXPECT_EQ(image->pixels, (std::vector<uint8_t>{30, 20, 10, 40, 70, 60, 50, 80}));
}

TEST(Tga, SixteenBitFieldsTimesEightTopBitIgnored)
{
    ByteWriter px;
    px.u16(0xFFFF).u16(0x7FFF).u16(0x8000).u16(0x7C00).u16(0x03E0).u16(0x001F).u16(0x4210).u16(0x0421);
    const auto image = decode(cat(tgaHeader(2, 4, 2, 16), px.bytes));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->channels, 3);
    EXPECT_EQ(image->pixels, (std::vector<uint8_t>{248, 248, 248, 248, 248, 248, 0,   0,   0,   248, 0, 0,
                                                   0,   248, 0,   0,   0,   248, 128, 128, 128, 8,   8, 8}));
}

TEST(Tga, IdFieldIsSkipped)
{
    const auto file = cat(tgaHeader(2, 1, 1, 24, 7), {1, 2, 3});
    ASSERT_EQ(file.size(), 18u + 7u + 3u);
    const auto image = decode(file);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, (std::vector<uint8_t>{3, 2, 1}));
}

TEST(Tga, ColourMapOfTrueColourFileIsSkipped)
{
    auto file = tgaHeader(2, 1, 1, 24);
    file[1] = 1;  // colour map present
    file[5] = 2;  // two entries
    file[7] = 24; // of three bytes each
    file = cat(file, {9, 9, 9, 8, 8, 8, 1, 2, 3});
    const auto image = decode(file);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, (std::vector<uint8_t>{3, 2, 1}));
}

TEST(Tga, DescriptorOriginIsIgnored)
{
    const std::vector<uint8_t> rows = {1, 2, 3, 4, 5, 6};
    const auto bottom = decode(cat(tgaHeader(2, 1, 2, 24, 0, 0x00), rows));
    const auto top = decode(cat(tgaHeader(2, 1, 2, 24, 0, 0x20), rows));
    ASSERT_TRUE(bottom && top);
    EXPECT_EQ(top->pixels, bottom->pixels);
    EXPECT_EQ(top->pixels, (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));
}

TEST(Tga, OtherImageTypesAreReadAsUncompressed)
{
    for (uint8_t type : {0, 1, 2, 3, 9, 11}) {
        const auto image = decode(cat(tgaHeader(type, 1, 1, 24), {1, 2, 3}));
        ASSERT_TRUE(image) << int(type);
        EXPECT_EQ(image->pixels, (std::vector<uint8_t>{3, 2, 1})) << int(type);
    }
}

TEST(Tga, RunLengthPacketHeaders0_127_128_255)
{
    // 1 raw + 128 raw + run of 1 + run of 128 = 258 pixels.
    ByteWriter w;
    w.u8(0).u8(0xA1).u8(0xA2).u8(0xA3);
    w.u8(127);
    for (int i = 0; i < 128; ++i)
        w.u8(i).u8(2 * i).u8(255 - i);
    w.u8(128).u8(0xB1).u8(0xB2).u8(0xB3);
    w.u8(255).u8(0xC1).u8(0xC2).u8(0xC3);
    const auto image = decode(cat(tgaHeader(10, 258, 1, 24), w.bytes));
    ASSERT_TRUE(image);
    ASSERT_EQ(image->pixels.size(), 258u * 3u);
    auto pixel = [&](int i) {
        return std::vector<uint8_t>(image->pixels.begin() + i * 3, image->pixels.begin() + i * 3 + 3);
    };
    EXPECT_EQ(pixel(0), (std::vector<uint8_t>{0xA3, 0xA2, 0xA1}));
    for (int i = 0; i < 128; ++i)
        EXPECT_EQ(pixel(1 + i), (std::vector<uint8_t>{uint8_t(255 - i), uint8_t(2 * i), uint8_t(i)})) << i;
    EXPECT_EQ(pixel(129), (std::vector<uint8_t>{0xB3, 0xB2, 0xB1}));
    for (int i = 130; i < 258; ++i)
        EXPECT_EQ(pixel(i), (std::vector<uint8_t>{0xC3, 0xC2, 0xC1})) << i;
}

TEST(Tga, RunLength32BitKeepsAlpha)
{
    const std::vector<uint8_t> packets = {129, 1, 2, 3, 4, 0, 5, 6, 7, 8};
    const auto image = decode(cat(tgaHeader(10, 3, 1, 32), packets));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->channels, 4);
    EXPECT_EQ(image->pixels, (std::vector<uint8_t>{3, 2, 1, 4, 3, 2, 1, 4, 7, 6, 5, 8}));
}

TEST(Tga, RunLengthPacketPastLastPixelIsCut)
{
    // A run of 128 into a 3-pixel image, then a raw packet of 5 whose last 3 pixels are absent.
    const auto run = decode(cat(tgaHeader(10, 3, 1, 24), {255, 1, 2, 3}));
    ASSERT_TRUE(run);
    EXPECT_EQ(run->pixels, (std::vector<uint8_t>{3, 2, 1, 3, 2, 1, 3, 2, 1}));
    const auto raw = decode(cat(tgaHeader(10, 2, 1, 24), {4, 1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->pixels, (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));
}

TEST(Tga, RunLengthOf8Or16BitsIsRefused)
{
    EXPECT_FALSE(decode(cat(tgaHeader(10, 1, 1, 8), {128, 1})));
    EXPECT_FALSE(decode(cat(tgaHeader(10, 1, 1, 16), {128, 1, 2})));
    EXPECT_FALSE(decode(cat(tgaHeader(10, 1, 1, 15), {128, 1, 2})));
}

TEST(Tga, OtherUncompressedDepthsAreRefused)
{
    for (uint8_t bits : {0, 1, 8, 15, 31, 64})
        EXPECT_FALSE(decode(cat(tgaHeader(2, 1, 1, bits), std::vector<uint8_t>(16, 7)))) << int(bits);
}

TEST(Tga, ZeroSidesAreRefused)
{
    EXPECT_FALSE(decode(cat(tgaHeader(2, 0, 1, 24), {1, 2, 3})));
    EXPECT_FALSE(decode(cat(tgaHeader(2, 1, 0, 24), {1, 2, 3})));
    EXPECT_FALSE(decode(cat(tgaHeader(10, 0, 0, 24), {128, 1, 2, 3})));
}

TEST(Tga, TruncatedFilesAreRefused)
{
    const auto header = tgaHeader(2, 2, 1, 24);
    EXPECT_TRUE(decode(cat(header, {1, 2, 3, 4, 5, 6})));
    EXPECT_FALSE(decode(cat(header, {1, 2, 3, 4, 5})));
    EXPECT_FALSE(decode(std::vector<uint8_t>(header.begin(), header.begin() + 17)));
    EXPECT_FALSE(decode({}));
    EXPECT_FALSE(decode(cat(tgaHeader(2, 1, 1, 16), {1})));
    EXPECT_FALSE(decode(cat(tgaHeader(2, 1, 1, 32), {1, 2, 3})));
    // ID field longer than the file.
    auto idPastEnd = tgaHeader(2, 1, 1, 24);
    idPastEnd[0] = 200;
    EXPECT_FALSE(decode(cat(idPastEnd, {1, 2, 3})));
    // Run-length: stream ends inside a packet, or before the last pixel.
    EXPECT_FALSE(decode(cat(tgaHeader(10, 2, 1, 24), {1, 1, 2, 3, 4, 5})));
    EXPECT_FALSE(decode(cat(tgaHeader(10, 2, 1, 24), {128, 1, 2, 3})));
    EXPECT_FALSE(decode(cat(tgaHeader(10, 2, 1, 24), {129, 1, 2})));
}

TEST(Tga, AbsurdSizesInTinyFilesAreRefused)
{
    EXPECT_FALSE(decode(cat(tgaHeader(10, 65535, 65535, 32), {255, 1, 2, 3, 4})));
    EXPECT_FALSE(decode(cat(tgaHeader(2, 65535, 65535, 32), {1, 2, 3, 4})));
    EXPECT_FALSE(decode(cat(tgaHeader(2, 65535, 65535, 16), {1, 2})));
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
        const auto packed = decode(cat(tgaHeader(10, width, height, uint8_t(bpp * 8)), stream.bytes));
        const auto plain = decode(cat(tgaHeader(2, width, height, uint8_t(bpp * 8)), stored));
        ASSERT_TRUE(packed && plain) << round;
        EXPECT_EQ(packed->pixels, plain->pixels) << round;
        EXPECT_EQ(packed->channels, int(bpp));
        // Every pixel swapped: compare one at random by hand.
        const size_t i = rng() % count;
        EXPECT_EQ(plain->pixels[i * bpp], stored[i * bpp + 2]);
        EXPECT_EQ(plain->pixels[i * bpp + 2], stored[i * bpp]);
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
    ASSERT_TRUE(decode(base));
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> file = base;
        const int flips = 1 + int(rng() % 6);
        for (int f = 0; f < flips; ++f)
            file[rng() % file.size()] = uint8_t(rng());
        file.resize(rng() % (file.size() + 1));
        const auto image = decode(file);
        if (image) {
            ASSERT_GT(image->width, 0);
            ASSERT_GT(image->height, 0);
            ASSERT_EQ(image->pixels.size(),
                      size_t(image->width) * size_t(image->height) * size_t(image->channels));
        }
    }
}
