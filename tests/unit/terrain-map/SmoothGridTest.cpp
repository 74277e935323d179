#include "terrain/TerrainMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace {

// Straightforward restatement of the filter: the nine flat-index neighbours in
// their fixed order, each kept when it lies inside the array.
std::vector<float> referenceSmooth(int w, int h, const std::vector<float>& in)
{
    const long n = static_cast<long>(w) * h;
    std::vector<float> out(in.size());
    for (long i = 0; i < n; ++i) {
        double sum = 0.0;
        int count = 0;
        for (long dy = -1; dy <= 1; ++dy) {
            for (long dx = -1; dx <= 1; ++dx) {
                const long j = i + dy * w + dx;
                if (j < 0 || j >= n) continue;
                sum += in[static_cast<size_t>(j)];
                ++count;
            }
        }
        out[static_cast<size_t>(i)] = static_cast<float>(sum / count);
    }
    return out;
}

} // namespace

TEST(SmoothGrid, HandWorkedFourByThreeRamp)
{
    std::vector<float> v(12);
    for (int i = 0; i < 12; ++i)
        v[i] = static_cast<float>(i);
    smoothGrid(4, 3, v);
    // i = 0: indices 0, 1, 3, 4, 5.
    EXPECT_FLOAT_EQ(v[0], 13.0f / 5.0f);
    // i = 3 (last column): 0, 2, 3, 4, 6, 7, 8 (its "right" neighbours wrap to the next rows' starts).
    EXPECT_FLOAT_EQ(v[3], 30.0f / 7.0f);
    // i = 4 (first column): 0, 1, 3, 4, 5, 7, 8, 9 (its "left" neighbours are the ends of rows).
    EXPECT_FLOAT_EQ(v[4], 37.0f / 8.0f);
    // Interior: all nine.
    EXPECT_FLOAT_EQ(v[5], 45.0f / 9.0f);
    // i = 11: 6, 7, 8, 10, 11.
    EXPECT_FLOAT_EQ(v[11], 42.0f / 5.0f);
}

TEST(SmoothGrid, OneHotShowsTheWrappedNeighbourhood)
{
    // A single 1 at the last point of row 0 reaches exactly the indices whose
    // flat neighbourhood contains index 3.
    std::vector<float> v(12, 0.0f);
    v[3] = 1.0f;
    smoothGrid(4, 3, v);
    // Each value is 1 over the number of neighbours inside the array (5 to 9).
    const float expected[12] = {1 / 5.0f, 0,        1 / 6.0f, 1 / 7.0f, 1 / 8.0f, 0,
                                1 / 9.0f, 1 / 8.0f, 1 / 7.0f, 0,        0,        0};
    for (int i = 0; i < 12; ++i)
        EXPECT_FLOAT_EQ(v[i], expected[i]) << "index " << i;
}

TEST(SmoothGrid, MatchesReferenceOnRandomGridsOfManyShapes)
{
    std::mt19937 rng(77);
    std::uniform_real_distribution<float> dist(-100.0f, 100.0f);
    const int shapes[][2] = {{1, 1}, {1, 7}, {7, 1}, {2, 2}, {3, 5}, {128, 128}, {1032, 3}, {17, 31}};
    for (auto& s : shapes) {
        std::vector<float> v(static_cast<size_t>(s[0]) * s[1]);
        for (float& x : v)
            x = dist(rng);
        const std::vector<float> expected = referenceSmooth(s[0], s[1], v);
        smoothGrid(s[0], s[1], v);
        ASSERT_EQ(v, expected) << s[0] << "x" << s[1];
    }
}

TEST(SmoothGrid, RefusesBadSizesWithoutTouchingTheArray)
{
    std::vector<float> v = {1.0f, 5.0f, 9.0f};
    smoothGrid(2, 2, v); // array shorter than the grid
    EXPECT_EQ(v, (std::vector<float>{1.0f, 5.0f, 9.0f}));
    smoothGrid(0, 3, v);
    smoothGrid(3, -1, v);
    EXPECT_EQ(v, (std::vector<float>{1.0f, 5.0f, 9.0f}));
}

TEST(SmoothGridRange, PiecesOfAPassEqualTheWholePass)
{
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> dist(0.0f, 1.0f);
    const int shapes[][2] = {{1032, 40}, {5, 4}, {1, 9}, {128, 128}};
    for (auto& s : shapes) {
        const int64_t n = static_cast<int64_t>(s[0]) * s[1];
        std::vector<float> in(static_cast<size_t>(n));
        for (float& x : in)
            x = dist(rng);
        std::vector<float> whole = in;
        smoothGrid(s[0], s[1], whole);
        for (int trial = 0; trial < 5; ++trial) {
            // Random cut points, including empty pieces and pieces inside the first and last rows.
            std::uniform_int_distribution<int64_t> cut(0, n);
            std::vector<int64_t> cuts = {0, n, cut(rng), cut(rng), cut(rng), std::min<int64_t>(n, s[0] / 2)};
            std::sort(cuts.begin(), cuts.end());
            std::vector<float> out(static_cast<size_t>(n), -1.0f);
            for (size_t k = 0; k + 1 < cuts.size(); ++k)
                smoothGridRange(s[0], s[1], in.data(), out.data(), cuts[k], cuts[k + 1]);
            ASSERT_EQ(out, whole) << s[0] << "x" << s[1];
        }
        // A range that is empty or outside the grid writes nothing.
        std::vector<float> untouched(static_cast<size_t>(n), -1.0f);
        smoothGridRange(s[0], s[1], in.data(), untouched.data(), n, n + 10);
        smoothGridRange(s[0], s[1], in.data(), untouched.data(), 3, 3);
        ASSERT_EQ(untouched, std::vector<float>(static_cast<size_t>(n), -1.0f));
    }
}
