#include <gtest/gtest.h>

#include <png.h>

#include <array>
#include <cstring>

#include "tools/data/HeightmapImport.h"

using namespace datagen;

namespace {

std::vector<uint8_t> bytesOf(const std::string& s)
{
    return {s.begin(), s.end()};
}

std::vector<uint8_t> encodePng(int w, int h, uint32_t format, const void* pixels)
{
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    img.width = static_cast<png_uint_32>(w);
    img.height = static_cast<png_uint_32>(h);
    img.format = format;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&img, nullptr, &size, 0, pixels, 0, nullptr)) return {};
    std::vector<uint8_t> out(size);
    if (!png_image_write_to_memory(&img, out.data(), &size, 0, pixels, 0, nullptr)) return {};
    out.resize(size);
    return out;
}

GreyImage decodeOk(const std::vector<uint8_t>& bytes)
{
    GreyImage img;
    std::string error;
    EXPECT_TRUE(decodeGreyImage(bytes, img, error)) << error;
    return img;
}

std::string decodeError(const std::vector<uint8_t>& bytes)
{
    GreyImage img;
    std::string error;
    EXPECT_FALSE(decodeGreyImage(bytes, img, error));
    EXPECT_FALSE(error.empty());
    return error;
}

} // namespace

TEST(HeightmapImport, PlainPgmWithCommentsAndHandWorkedResampling)
{
    const GreyImage img = decodeOk(bytesOf("P2\n# a comment\n2 2 # size\n30\n0 10\n20 30\n"));
    ASSERT_EQ(img.width, 2);
    ASSERT_EQ(img.height, 2);
    EXPECT_EQ(img.samples, (std::vector<float>{0, 10, 20, 30}));
    const std::vector<uint8_t> map = resampleToHeightmap(img, 128);
    ASSERT_EQ(map.size(), 16384u);
    // Corners land on the corner samples, stretched from 0-30 to 0-255.
    EXPECT_EQ(map[0], 0);
    EXPECT_EQ(map[127], 85);
    EXPECT_EQ(map[127 * 128], 170);
    EXPECT_EQ(map[16383], 255);
    // Grid point (x, y) samples the picture at (x / 127, y / 127): value 10x/127 + 20y/127, times 8.5.
    for (int y = 0; y < 128; y += 9)
        for (int x = 0; x < 128; x += 7) {
            const double expect = (10.0 * x / 127.0 + 20.0 * y / 127.0) * 8.5;
            EXPECT_NEAR(map[static_cast<size_t>(x + 128 * y)], expect, 0.5 + 1e-9) << x << "," << y;
        }
}

TEST(HeightmapImport, BinaryPgm8And16Bit)
{
    std::vector<uint8_t> p5 = bytesOf("P5 3 1 255\n");
    p5.insert(p5.end(), {0, 128, 255});
    EXPECT_EQ(decodeOk(p5).samples, (std::vector<float>{0, 128, 255}));

    std::vector<uint8_t> wide = bytesOf("P5\n2 1\n65535\n");
    wide.insert(wide.end(), {0x12, 0x34, 0xFF, 0xFE}); // big-endian samples
    const GreyImage img = decodeOk(wide);
    EXPECT_EQ(img.samples, (std::vector<float>{0x1234, 0xFFFE}));
    EXPECT_EQ(img.maxValue, 65535.0f);
}

TEST(HeightmapImport, RejectsBrokenPgm)
{
    decodeError(bytesOf("P2 2 2 10\n1 2 3"));  // one sample short
    decodeError(bytesOf("P2 2 1 10\n1 11"));   // above maxval
    decodeError(bytesOf("P2 0 5 10\n"));       // zero width
    decodeError(bytesOf("P2 2 1 70000\n1 2")); // maxval too large
    decodeError(bytesOf("P2 99999999999 1 255\n"));
    decodeError(bytesOf("GIF89a"));
    decodeError({});
}

TEST(HeightmapImport, PngGrey8Grey16AndColour)
{
    const uint8_t grey[6] = {0, 50, 100, 150, 200, 250};
    const GreyImage g8 = decodeOk(encodePng(3, 2, PNG_FORMAT_GRAY, grey));
    EXPECT_EQ(g8.width, 3);
    EXPECT_EQ(g8.height, 2);
    EXPECT_EQ(g8.samples, (std::vector<float>{0, 50, 100, 150, 200, 250}));

    const uint16_t wide[2] = {1000, 60000};
    const GreyImage g16 = decodeOk(encodePng(2, 1, PNG_FORMAT_LINEAR_Y, wide));
    EXPECT_EQ(g16.maxValue, 65535.0f);
    EXPECT_EQ(g16.samples, (std::vector<float>{1000, 60000}));

    // Colour is refused, even when every pixel is grey: a heightmap has one channel.
    const uint8_t rgb[9] = {0, 0, 0, 128, 128, 128, 255, 255, 255};
    EXPECT_NE(decodeError(encodePng(3, 1, PNG_FORMAT_RGB, rgb)).find("greyscale"), std::string::npos);
}

TEST(HeightmapImport, FlatPictureKeepsItsLevel)
{
    GreyImage img;
    img.width = 3;
    img.height = 3;
    img.maxValue = 100;
    img.samples.assign(9, 40.0f);
    const std::vector<uint8_t> map = resampleToHeightmap(img, 128);
    for (uint8_t b : map)
        EXPECT_EQ(b, 102); // 40 / 100 × 255
}

TEST(HeightmapImport, LargePictureIsStretchedToTheByteRange)
{
    GreyImage img;
    img.width = 300;
    img.height = 200;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            img.samples.push_back(static_cast<float>(1000 + x * 3 + y));
    img.maxValue = 65535;
    const std::vector<uint8_t> map = resampleToHeightmap(img, 128);
    EXPECT_EQ(map.front(), 0);
    EXPECT_EQ(map.back(), 255);
    // Rows and columns keep their order: increasing along both.
    for (int i = 1; i < 128; ++i) {
        EXPECT_GE(map[static_cast<size_t>(i)], map[static_cast<size_t>(i - 1)]);
        EXPECT_GE(map[static_cast<size_t>(128 * i)], map[static_cast<size_t>(128 * (i - 1))]);
    }
}

TEST(HeightmapImport, EveryTruncationOfABinaryFileIsRefused)
{
    std::vector<uint8_t> p5 = bytesOf("P5\n# c\n4 3\n65535\n");
    for (int i = 0; i < 24; ++i)
        p5.push_back(static_cast<uint8_t>(i * 7));
    const uint8_t grey[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const std::vector<uint8_t> png = encodePng(4, 3, PNG_FORMAT_GRAY, grey);
    for (const std::vector<uint8_t>* whole : std::array<const std::vector<uint8_t>*, 2>{&p5, &png}) {
        GreyImage img;
        std::string error;
        ASSERT_TRUE(decodeGreyImage(*whole, img, error)) << error;
        for (size_t n = 0; n < whole->size(); ++n) {
            const std::vector<uint8_t> cut(whole->begin(), whole->begin() + static_cast<std::ptrdiff_t>(n));
            // The PNG's last chunk (IEND) carries no pixels; the pixels are complete before it.
            if (whole == &png && n + 12 >= whole->size()) continue;
            EXPECT_FALSE(decodeGreyImage(cut, img, error)) << "prefix of " << n << " bytes";
        }
    }
}

TEST(HeightmapImport, CorruptBytesNeverCrashTheDecoders)
{
    const uint8_t grey[64] = {9, 8, 7};
    const std::vector<uint8_t> png = encodePng(8, 8, PNG_FORMAT_GRAY, grey);
    std::vector<uint8_t> pgm = bytesOf("P5 8 8 255\n");
    pgm.insert(pgm.end(), grey, grey + 64);
    uint32_t state = 12345;
    for (const std::vector<uint8_t>* whole : std::array<const std::vector<uint8_t>*, 2>{&png, &pgm}) {
        for (int trial = 0; trial < 300; ++trial) {
            std::vector<uint8_t> bytes = *whole;
            for (int k = 0; k < 3; ++k) {
                state = state * 1664525u + 1013904223u;
                bytes[(state >> 8) % bytes.size()] = static_cast<uint8_t>(state >> 24);
            }
            GreyImage img;
            std::string error;
            if (decodeGreyImage(bytes, img, error)) {
                EXPECT_EQ(img.samples.size(),
                          static_cast<size_t>(img.width) * static_cast<size_t>(img.height));
                EXPECT_EQ(resampleToHeightmap(img, 128).size(), 16384u);
            } else {
                EXPECT_FALSE(error.empty());
            }
        }
    }
}
