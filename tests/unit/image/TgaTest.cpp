#include "image/Tga.h"
#include "tests/unit/image/ImageFiles.h"

#include <gtest/gtest.h>

// Hand-worked files: blue and red swapped, rows kept in file order. (The ImageMagick test covers
// the common 24- and 32-bit files.)
TEST(Tga, HandWorkedPixels)
{
    auto check = [](const char* name, const Bytes& file, int channels, const Bytes& pixels) {
        const auto image = decodeTga(file);
        ASSERT_TRUE(image) << name;
        EXPECT_EQ(std::pair(image->channels, image->pixels), std::pair(channels, pixels)) << name;
    };
    // x-5-5-5 fields times 8; the top bit makes no difference.
    check("16 bits", tga(2, 3, 2, 16, le({0xFFFF, 0x7FFF, 0x8000, 0x7C00, 0x03E0, 0x4210}, 2)), 3,
          {248, 248, 248, 248, 248, 248, 0, 0, 0, 248, 0, 0, 0, 248, 0, 128, 128, 128});
    check("ID field skipped", tga(2, 1, 1, 24, {1, 2, 3}, 7), 3, {3, 2, 1});
    // A colour map of two 24-bit entries before the pixels.
    const Bytes colourMap =
        Bytes{0, 1, 2, 0, 0, 2, 0, 24} + Bytes(4) + le({1, 1}, 2) + Bytes{24, 0, 9, 9, 9, 8, 8, 8, 1, 2, 3};
    check("colour map of a true-colour file skipped", colourMap, 3, {3, 2, 1});
    check("a top-left origin is ignored", tga(2, 1, 2, 32, {1, 2, 3, 4, 5, 6, 7, 8}, 0, 0x28), 4,
          {3, 2, 1, 4, 7, 6, 5, 8});
    check("type 3 read as uncompressed", tga(3, 1, 1, 24, {1, 2, 3}), 3, {3, 2, 1});
    check("a run past the last pixel cut", tga(10, 3, 1, 24, {255, 1, 2, 3}), 3, {3, 2, 1, 3, 2, 1, 3, 2, 1});
    check("a raw packet past the last pixel cut", tga(10, 1, 1, 24, {4, 1, 2, 3}), 3, {3, 2, 1});
    Bytes run;
    for (int i = 0; i < 128; ++i)
        run = run + Bytes{3, 2, 1};
    check("128 pixels, the most four bytes hold", tga(10, 128, 1, 24, {255, 1, 2, 3}), 3, run);
    EXPECT_FALSE(decodeTga(tga(10, 4, 1, 24, {129, 1, 2, 3})))
        << "a run-length stream ending before the last pixel";
}

TEST(Tga, RunLengthPacketHeaders0_127_128_255)
{
    // 1 raw + 128 raw + run of 1 + run of 128 = 258 pixels.
    Bytes stream = {0, 1, 2, 3, 127}, expected = {3, 2, 1};
    for (uint8_t i = 0; i < 128; ++i) {
        stream = stream + Bytes{i, 0, uint8_t(255 - i)};
        expected = expected + Bytes{uint8_t(255 - i), 0, i};
    }
    stream = stream + Bytes{128, 4, 5, 6, 255, 7, 8, 9};
    expected = expected + Bytes{6, 5, 4};
    for (int i = 0; i < 128; ++i)
        expected = expected + Bytes{9, 8, 7};
    EXPECT_EQ(decodeTga(tga(10, 258, 1, 24, stream)).value().pixels, expected);
}
