#include "tools/data/Foliage.h"

#include <algorithm>
#include <cmath>

#include "tools/data/Noise.h"

namespace datagen {

namespace {

struct Candidate {
    float score;
    int index;
};

// Candidates: grid points whose slope and height suit trees, with their forest
// noise value as score.
std::vector<Candidate> findCandidates(const Grid& h, const std::vector<float>& forest, float minSlope,
                                      float maxSlope, float lowFraction, float highFraction)
{
    std::vector<float> sorted = h.values;
    std::sort(sorted.begin(), sorted.end());
    const float low = sorted[static_cast<size_t>(lowFraction * static_cast<float>(sorted.size() - 1))];
    const float high = sorted[static_cast<size_t>(highFraction * static_cast<float>(sorted.size() - 1))];
    std::vector<Candidate> out;
    for (int y = 0; y < h.height; ++y) {
        for (int x = 0; x < h.width; ++x) {
            const float gx = 0.5f * (h.clamped(x + 1, y) - h.clamped(x - 1, y)) * 0.125f;
            const float gy = 0.5f * (h.clamped(x, y + 1) - h.clamped(x, y - 1)) * 0.125f;
            const float slope = std::sqrt(gx * gx + gy * gy);
            const float z = h.at(x, y);
            if (slope < minSlope || slope > maxSlope || z < low || z > high) continue;
            const int i = x + h.width * y;
            out.push_back({forest[static_cast<size_t>(i)], i});
        }
    }
    return out;
}

} // namespace

namespace {

// Box blur of radius 2: habitat is judged on the lie of the land, not on single
// knolls, so forests come out as patches rather than lines along the crests.
Grid blurred(const Grid& g)
{
    Grid out(g.width, g.height);
    for (int y = 0; y < g.height; ++y) {
        for (int x = 0; x < g.width; ++x) {
            float sum = 0.0f;
            for (int j = -2; j <= 2; ++j)
                for (int i = -2; i <= 2; ++i)
                    sum += g.clamped(x + i, y + j);
            out.at(x, y) = sum / 25.0f;
        }
    }
    return out;
}

} // namespace

std::vector<uint8_t> makeFoliageMap(const Grid& rawHeights, const FoliageParams& p)
{
    const Grid heights = blurred(rawHeights);
    const size_t n = heights.values.size();
    std::vector<float> forest(n);
    const FractalParams clusters{4, 4, 4, 0.55f, p.seed};
    for (int y = 0; y < heights.height; ++y)
        for (int x = 0; x < heights.width; ++x)
            forest[static_cast<size_t>(x + heights.width * y)] =
                fractalNoise(static_cast<float>(x) / static_cast<float>(heights.width),
                             static_cast<float>(y) / static_cast<float>(heights.height), clusters);

    // Widen the habitat step by step until there is room for the wanted forest.
    std::vector<Candidate> cand;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const float widen = static_cast<float>(attempt);
        cand = findCandidates(heights, forest, 0.04f / (1.0f + widen), 0.9f + 0.4f * widen,
                              std::max(0.0f, 0.25f - 0.08f * widen), std::min(1.0f, 0.8f + 0.07f * widen));
        if (static_cast<int>(cand.size()) >= p.targetPoints) break;
    }
    // The densest part of the forest noise wins, which keeps trees in clusters.
    std::stable_sort(cand.begin(), cand.end(),
                     [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
    int count = std::min(p.targetPoints, static_cast<int>(cand.size()));
    count = std::clamp(count, 0, p.maxPoints);

    std::vector<uint8_t> out(n);
    for (size_t i = 0; i < n; ++i) {
        const float density = std::clamp(0.5f + 0.5f * forest[i], 0.0f, 1.0f);
        out[i] = static_cast<uint8_t>(255.0f - density * 223.0f); // 32 (dense) .. 255 (open)
    }
    for (int k = 0; k < count; ++k) {
        const auto i = static_cast<size_t>(cand[static_cast<size_t>(k)].index);
        out[i] = static_cast<uint8_t>(hash3(static_cast<uint32_t>(i), p.seed, 77u) & 31u);
    }
    // Too little habitat: fill up to the minimum with the densest remaining forest points.
    if (count < p.minPoints) {
        std::vector<Candidate> rest;
        for (size_t i = 0; i < n; ++i)
            if (out[i] >= kTreeThreshold) rest.push_back({forest[i], static_cast<int>(i)});
        std::stable_sort(rest.begin(), rest.end(),
                         [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
        for (int k = 0; count < p.minPoints && k < static_cast<int>(rest.size()); ++k, ++count)
            out[static_cast<size_t>(rest[static_cast<size_t>(k)].index)] = 0;
    }
    return out;
}

int countTreePoints(const std::vector<uint8_t>& foliage)
{
    return static_cast<int>(std::count_if(foliage.begin(), foliage.end(), [](uint8_t b) { return b < 32; }));
}

} // namespace datagen
