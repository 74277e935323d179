#include <gtest/gtest.h>

#include "TestSupport.h"
#include "tools/data/Random.h"
#include "tools/data/TgaWriter.h"

using namespace datagen;
using testing_support::decodeTgaByRules;

namespace {

Image makeImage(int w, int h, int c, std::vector<uint8_t> pixels)
{
    Image img;
    img.channels = c;
    img.width = w;
    img.height = h;
    img.pixels = std::move(pixels);
    return img;
}

// Random pixels from a small palette, so rows hold runs as well as raw stretches.
Image randomImage(int w, int h, int c, uint64_t seed, int paletteSize)
{
    Random r(seed);
    std::vector<std::vector<uint8_t>> palette(static_cast<size_t>(paletteSize));
    for (auto& p : palette)
        for (int k = 0; k < c; ++k)
            p.push_back(static_cast<uint8_t>(r.below(256)));
    std::vector<uint8_t> px;
    size_t current = 0;
    for (int i = 0; i < w * h; ++i) {
        if (r.uniform() < 0.4) current = r.below(static_cast<uint32_t>(paletteSize));
        px.insert(px.end(), palette[current].begin(), palette[current].end());
    }
    return makeImage(w, h, c, px);
}

std::vector<uint8_t> body(const std::vector<uint8_t>& file)
{
    return {file.begin() + 18, file.end()};
}

} // namespace

TEST(TgaWriter, UncompressedHeaderAndBgrOrder)
{
    const Image img = makeImage(
        2, 3, 4, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24});
    const std::vector<uint8_t> f = encodeTga(img, TgaCompression::None);
    const std::vector<uint8_t> header = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 3, 0, 32, 0x28};
    ASSERT_EQ(f.size(), 18u + 24u);
    EXPECT_EQ(std::vector<uint8_t>(f.begin(), f.begin() + 18), header);
    // First two pixels: (1,2,3,4) and (5,6,7,8) as blue, green, red, alpha.
    EXPECT_EQ(std::vector<uint8_t>(f.begin() + 18, f.begin() + 26),
              (std::vector<uint8_t>{3, 2, 1, 4, 7, 6, 5, 8}));
}

TEST(TgaWriter, RunLengthHandWorkedRow)
{
    // A A A B: a run of three, then a raw packet of one.
    const Image img = makeImage(4, 1, 3, {1, 2, 3, 1, 2, 3, 1, 2, 3, 4, 5, 6});
    const std::vector<uint8_t> f = encodeTga(img, TgaCompression::RunLength);
    ASSERT_EQ(f.size(), 26u);
    EXPECT_EQ(f[2], 10);
    EXPECT_EQ(f[16], 24);
    EXPECT_EQ(f[17], 0x20);
    EXPECT_EQ(body(f), (std::vector<uint8_t>{130, 3, 2, 1, 0, 6, 5, 4}));
}

TEST(TgaWriter, RunLengthRawBeforeRunAndNoPacketAcrossRows)
{
    // Row 0: A B B; row 1: B B C. The B run at the end of row 0 must not join row 1.
    const std::vector<uint8_t> a = {10, 0, 0}, b = {0, 20, 0}, c = {0, 0, 30};
    std::vector<uint8_t> px;
    for (const auto* p : {&a, &b, &b, &b, &b, &c})
        px.insert(px.end(), p->begin(), p->end());
    const std::vector<uint8_t> f = encodeTga(makeImage(3, 2, 3, px), TgaCompression::RunLength);
    EXPECT_EQ(body(f), (std::vector<uint8_t>{0, 0, 0, 10, 129, 0, 20, 0, 129, 0, 20, 0, 0, 30, 0, 0}));
}

TEST(TgaWriter, RunLengthSplitsLongRunsAndLongRawStretches)
{
    std::vector<uint8_t> px;
    for (int i = 0; i < 300; ++i)
        px.insert(px.end(), {7, 7, 7});
    const std::vector<uint8_t> runs = body(encodeTga(makeImage(300, 1, 3, px), TgaCompression::RunLength));
    EXPECT_EQ(runs, (std::vector<uint8_t>{255, 7, 7, 7, 255, 7, 7, 7, 171, 7, 7, 7}));

    px.clear();
    for (int i = 0; i < 130; ++i)
        px.insert(px.end(), {static_cast<uint8_t>(i), 0, 0});
    const std::vector<uint8_t> raw = body(encodeTga(makeImage(130, 1, 3, px), TgaCompression::RunLength));
    ASSERT_EQ(raw.size(), 1u + 128u * 3u + 1u + 2u * 3u);
    EXPECT_EQ(raw[0], 127);
    EXPECT_EQ(raw[1 + 128 * 3], 1);
    EXPECT_EQ(raw[1 + 128 * 3 + 3], 128); // red of pixel 128, stored third
}

TEST(TgaWriter, RefusesImagesItCannotEncode)
{
    EXPECT_TRUE(encodeTga(makeImage(1, 1, 2, {1, 2}), TgaCompression::None).empty());
    EXPECT_TRUE(encodeTga(makeImage(0, 1, 3, {}), TgaCompression::None).empty());
    EXPECT_TRUE(encodeTga(makeImage(2, 2, 3, {1, 2, 3}), TgaCompression::RunLength).empty());
    EXPECT_TRUE(
        encodeTga(makeImage(70000, 1, 3, std::vector<uint8_t>(210000)), TgaCompression::None).empty());
}

TEST(TgaWriter, RandomImagesRoundTripThroughTheReadingRules)
{
    for (int c : {3, 4}) {
        for (uint64_t seed = 1; seed <= 20; ++seed) {
            Random r(seed);
            const int w = 1 + static_cast<int>(r.below(300));
            const int h = 1 + static_cast<int>(r.below(20));
            const Image img = randomImage(w, h, c, seed, 1 + static_cast<int>(r.below(6)));
            for (TgaCompression mode : {TgaCompression::None, TgaCompression::RunLength}) {
                const auto decoded = decodeTgaByRules(encodeTga(img, mode));
                ASSERT_TRUE(decoded.has_value());
                EXPECT_EQ(decoded->channels, c);
                EXPECT_EQ(decoded->width, w);
                EXPECT_EQ(decoded->height, h);
                EXPECT_EQ(decoded->pixels, img.pixels) << "seed " << seed << " channels " << c;
            }
        }
    }
}

TEST(TgaWriter, ImageMagickReadsTheSamePixels)
{
    testing_support::TempDir dir("tga");
    for (int c : {3, 4}) {
        for (TgaCompression mode : {TgaCompression::None, TgaCompression::RunLength}) {
            const Image img =
                randomImage(37, 23, c, static_cast<uint64_t>(c * 10 + (mode == TgaCompression::None)), 4);
            const auto file =
                dir.path() / ("img" + std::to_string(c) + std::to_string(static_cast<int>(mode)) + ".tga");
            testing_support::writeFile(file, encodeTga(img, mode));
            const auto pixels = testing_support::pixelsByImageMagick(file, c);
            ASSERT_TRUE(pixels.has_value()) << "convert failed on " << file;
            // The descriptor's top-left origin makes image row 0 the top row ImageMagick shows.
            EXPECT_EQ(*pixels, img.pixels) << "channels " << c;
        }
    }
}
