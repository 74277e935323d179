#include "tools/data/Grid.h"

#include <algorithm>
#include <cmath>

namespace datagen {

float Grid::clamped(int x, int y) const
{
    return at(std::clamp(x, 0, width - 1), std::clamp(y, 0, height - 1));
}

float Grid::sample(float x, float y) const
{
    x = std::clamp(x, 0.0f, static_cast<float>(width - 1));
    y = std::clamp(y, 0.0f, static_cast<float>(height - 1));
    const int x0 = static_cast<int>(x);
    const int y0 = static_cast<int>(y);
    const int x1 = std::min(x0 + 1, width - 1);
    const int y1 = std::min(y0 + 1, height - 1);
    const float fx = x - static_cast<float>(x0);
    const float fy = y - static_cast<float>(y0);
    return (1.0f - fy) * (at(x0, y0) * (1.0f - fx) + at(x1, y0) * fx) +
           fy * (at(x0, y1) * (1.0f - fx) + at(x1, y1) * fx);
}

void stretch(Grid& g, float lo, float hi)
{
    if (g.values.empty()) return;
    const auto [mn, mx] = std::minmax_element(g.values.begin(), g.values.end());
    const float a = *mn;
    const float b = *mx;
    for (float& v : g.values)
        v = b > a ? lo + (v - a) * (hi - lo) / (b - a) : 0.5f * (lo + hi);
}

std::vector<uint8_t> toBytes(const Grid& g)
{
    std::vector<uint8_t> out(g.values.size());
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<uint8_t>(std::clamp(std::lround(g.values[i]), 0L, 255L));
    return out;
}

Grid fromBytes(const std::vector<uint8_t>& bytes, int width, int height)
{
    Grid g(width, height);
    for (size_t i = 0; i < g.values.size() && i < bytes.size(); ++i)
        g.values[i] = bytes[i];
    return g;
}

} // namespace datagen
