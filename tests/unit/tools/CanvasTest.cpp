#include <gtest/gtest.h>

#include "tools/data/Canvas.h"

using namespace datagen;

TEST(Canvas, SetPixelRoundsAndClamps)
{
    Image img = blankImage(2, 1);
    setPixel(img, 1, 0, {300.0f, -4.0f, 127.5f});
    EXPECT_EQ(img.pixels, (std::vector<uint8_t>{0, 0, 0, 255, 0, 128}));
    const Rgb c = getPixel(img, 1, 0);
    EXPECT_EQ(c.r, 255.0f);
    EXPECT_EQ(c.b, 128.0f);
}

TEST(Canvas, MiniatureIsTheTenthSizeSkinInTheBottomLeftCorner)
{
    // 100 × 100 skin whose red channel is the column's block (x / 10) and green the row's block (y / 10).
    Image img = blankImage(100, 100);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            setPixel(img, x, y, {static_cast<float>(x / 10 * 20), static_cast<float>(y / 10 * 20), 7});
    paintMiniature(img);
    // Texel (c, 90 + r) is the mean of the block of columns 10c.. and rows 10r..: exactly (20c, 20r).
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 10; ++c) {
            const Rgb p = getPixel(img, c, 90 + r);
            EXPECT_EQ(p.r, 20.0f * static_cast<float>(c));
            EXPECT_EQ(p.g, 20.0f * static_cast<float>(r));
        }
    // Outside the corner nothing changes.
    EXPECT_EQ(getPixel(img, 10, 95).r, 20.0f);
    EXPECT_EQ(getPixel(img, 5, 89).g, 160.0f);
}

TEST(Canvas, MiniatureAveragesEachBlock)
{
    Image img = blankImage(20, 20);
    // Block (1, 0) of the skin: half black, half 200 grey.
    for (int y = 0; y < 10; ++y)
        for (int x = 10; x < 20; ++x)
            setPixel(img, x, y, x < 15 ? Rgb{0, 0, 0} : Rgb{200, 200, 200});
    paintMiniature(img);
    EXPECT_EQ(getPixel(img, 1, 18).r, 100.0f);
}
