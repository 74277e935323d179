#include "tools/data/StartView.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace datagen {

namespace {

constexpr int kSide = 128; // heightmap side in grid points

// The load-time smoothing: each point becomes the mean of the points at flat
// index offsets -129 .. 129 (its 3 x 3 block, wrapping at row ends) that lie
// inside the array.
std::vector<double> smoothedFlat(const std::vector<double>& v)
{
    const int n = static_cast<int>(v.size());
    const int offsets[9] = {-kSide - 1, -kSide, -kSide + 1, -1, 0, 1, kSide - 1, kSide, kSide + 1};
    std::vector<double> out(v.size());
    for (int i = 0; i < n; ++i) {
        double sum = 0.0;
        int count = 0;
        for (int o : offsets)
            if (i + o >= 0 && i + o < n) {
                sum += v[static_cast<size_t>(i + o)];
                ++count;
            }
        out[static_cast<size_t>(i)] = sum / count;
    }
    return out;
}

double at(const std::vector<double>& v, int x, int y)
{
    return v[static_cast<size_t>(x + kSide * y)];
}

// |h - mean of the up to 9 grid points around it|, at most 1.
std::vector<double> roughnessOf(const std::vector<double>& h)
{
    std::vector<double> r(h.size());
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            double sum = 0.0;
            int count = 0;
            for (int j = std::max(y - 1, 0); j <= std::min(y + 1, kSide - 1); ++j)
                for (int i = std::max(x - 1, 0); i <= std::min(x + 1, kSide - 1); ++i) {
                    sum += at(h, i, j);
                    ++count;
                }
            r[static_cast<size_t>(x + kSide * y)] = std::min(1.0, std::fabs(at(h, x, y) - sum / count));
        }
    return r;
}

struct Vec {
    double x, y, z;
};
double dot(Vec a, Vec b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec cross(Vec a, Vec b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec normalised(Vec a)
{
    const double length = std::sqrt(dot(a, a));
    return {a.x / length, a.y / length, a.z / length};
}

// The start camera's view volume, as a test of points.
struct StartCamera {
    Vec eye, forward, right, up;
    double tanHalfHeight = std::tan(22.5 * std::numbers::pi / 180.0);
    double tanHalfWidth = tanHalfHeight * 4.0 / 3.0;

    explicit StartCamera(double groundHeight) : eye{32.0, 32.0, groundHeight + 16.0}
    {
        forward = normalised({32.0 - eye.x, 48.0 - eye.y, 0.0 - eye.z});
        right = normalised(cross(forward, {0.0, 0.0, 1.0}));
        up = cross(right, forward);
    }

    bool sees(Vec p) const
    {
        const Vec d{p.x - eye.x, p.y - eye.y, p.z - eye.z};
        const double depth = dot(d, forward);
        if (depth < 1.0 || depth > 250.0) return false;
        return std::fabs(dot(d, right)) <= depth * tanHalfWidth &&
               std::fabs(dot(d, up)) <= depth * tanHalfHeight;
    }
};

// Quads one cell counts at detail factor f (0 to 1).
long cellQuads(double f, const QuadRule& rule)
{
    const int deficit = 8 - static_cast<int>(f * 8);
    if (!rule.immediateSteps) return deficit <= 1 ? 72 : deficit == 2 ? 20 : deficit <= 4 ? 6 : 1;
    const int step = std::max(deficit, 1);
    if (step == 8) return 1;
    const int bands = 1 + (8 + step - 1) / step; // 0, step, ... below step + 8; as many pairs each
    return bands * bands;
}

} // namespace

long startViewQuads(const std::vector<uint8_t>& heightmap, double coefficient, const QuadRule& rule)
{
    if (heightmap.size() != static_cast<size_t>(kSide * kSide)) return 0;
    std::vector<double> h(heightmap.size());
    for (size_t i = 0; i < h.size(); ++i)
        h[i] = heightmap[i] * rule.heightScale;
    h = smoothedFlat(h);
    std::vector<double> roughness = roughnessOf(h);
    if (rule.smoothRoughness) roughness = smoothedFlat(roughness);

    const StartCamera camera(at(h, 32, 32));
    long total = 0;
    for (int y = 0; y + 1 < kSide; ++y)
        for (int x = 0; x + 1 < kSide; ++x) {
            bool seen = false;
            for (int k = 0; k < 4 && !seen; ++k) {
                const int cx = x + (k & 1), cy = y + (k >> 1);
                seen = camera.sees({static_cast<double>(cx), static_cast<double>(cy), at(h, cx, cy)});
            }
            if (!seen) continue;
            const Vec d{x - camera.eye.x, y - camera.eye.y, at(h, x, y) - camera.eye.z};
            const double f = std::min(1.0, 1024.0 / dot(d, d) * coefficient * at(roughness, x, y));
            total += cellQuads(f, rule);
        }
    return total;
}

float startViewWeight(float x, float y)
{
    const float d = std::hypot(x - 32.0f, y - 50.0f);
    const float t = std::clamp((d - 24.0f) / 16.0f, 0.0f, 1.0f);
    return 1.0f - t * t * (3.0f - 2.0f * t);
}

} // namespace datagen
