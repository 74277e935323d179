// Parts of the data generator whose faults the data set's own checks would not
// show: the start view's framing, seamless noise, the skins' miniature, and
// the program's own entry.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "tools/data/Canvas.h"
#include "tools/data/Heightmaps.h"
#include "tools/data/Noise.h"

using namespace datagen;

TEST(Framing, KeepsTheFirstQuarterPeriodShiftThatReachesItsTarget)
{
    int scored = 0;
    // Scores 10 * (column + 4 * row) of the quarter-period grid: 0 for no shift.
    const auto score = [&scored](LatticeOffset o) {
        ++scored;
        return std::lround(10 * (o.u * 4 + 16 * o.v));
    };
    LatticeOffset o = frameStartView(score, 65); // first reached by column 3, row 1 (score 70)
    EXPECT_EQ(scored, 8);
    EXPECT_EQ(std::pair(o.u, o.v), std::pair(0.75f, 0.25f));
    scored = 0;
    o = frameStartView([&scored](LatticeOffset) { return ++scored == 6 ? 5L : 1L; }, 1000);
    EXPECT_EQ(scored, 16); // none reaches it: all tried, the best kept
    EXPECT_EQ(std::pair(o.u, o.v), std::pair(0.25f, 0.25f));
}

// The landscapes repeat over the map, so framing may shift them; a seam or a
// jump at a lattice line would show as a cliff.
TEST(Noise, GradientNoiseIsContinuousAndRepeatsWithItsPeriods)
{
    for (float y : {0.3f, 2.7f})
        for (int k = 1; k < 8; ++k) {
            const float x = static_cast<float>(k);
            EXPECT_NEAR(gradientNoise(x - 1e-3f, y, 8, 4, 5), gradientNoise(x + 1e-3f, y, 8, 4, 5), 0.01f);
            EXPECT_NEAR(gradientNoise(y, x - 1e-3f, 4, 8, 5), gradientNoise(y, x + 1e-3f, 4, 8, 5), 0.01f);
            EXPECT_NEAR(gradientNoise(x + 0.5f, y, 8, 4, 5), gradientNoise(x + 8.5f, y + 4.0f, 8, 4, 5),
                        1e-5f);
        }
}

TEST(Canvas, MiniatureIsTheTenthSizeSkinInTheBottomLeftCorner)
{
    // Models drawn through a texture matrix of 0.1 show only that corner of their skin.
    Image img = blankImage(100, 100);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            setPixel(img, x, y, {static_cast<float>(x / 10 * 20), static_cast<float>(y / 10 * 20), 7});
    paintMiniature(img);
    // Texel (c, 90 + r) is the mean of the block of columns 10c.. and rows 10r..: exactly (20c, 20r).
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 10; ++c) {
            const Rgb p = getPixel(img, c, 90 + r);
            EXPECT_EQ(std::pair(p.r, p.g),
                      std::pair(20.0f * static_cast<float>(c), 20.0f * static_cast<float>(r)));
        }
    EXPECT_EQ(getPixel(img, 10, 95).r, 20.0f); // outside the corner nothing changes
    EXPECT_EQ(getPixel(img, 5, 89).g, 160.0f);
}

#ifdef VELDRUN_DATA_EXE
TEST(CommandLine, TheProgramReadsItsOwnArguments)
{
    std::FILE* help = popen(VELDRUN_DATA_EXE " --help", "r");
    ASSERT_NE(help, nullptr);
    char line[256] = {};
    ASSERT_NE(std::fgets(line, sizeof line, help), nullptr);
    EXPECT_NE(std::string(line).find("Usage"), std::string::npos);
    EXPECT_EQ(pclose(help), 0);
    EXPECT_NE(std::system(VELDRUN_DATA_EXE " --bogus 2>/dev/null"), 0);
}
#endif
