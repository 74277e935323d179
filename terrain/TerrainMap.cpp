#include "terrain/TerrainMap.h"

#include "shell/DebugConsole.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

namespace {

// The grid size is fixed by the loader; the file carries no dimensions.
constexpr int32_t kGridSide = 128;
constexpr size_t kSampleCount = static_cast<size_t>(kGridSide) * kGridSide;

template <typename T> void freeArray(std::vector<T>& array)
{
    array.clear();
    array.shrink_to_fit();
}

// Clamps a real coordinate into [0, last]; NaN goes to 0 so the cast to an
// index below stays defined.
double clampCoordinate(double value, int32_t last)
{
    if (!(value >= 0.0)) return 0.0;
    if (value > last) return last;
    return value;
}

float clampCoordinate(float value, int32_t last)
{
    if (!(value >= 0.0f)) return 0.0f;
    if (value > static_cast<float>(last)) return static_cast<float>(last);
    return value;
}

} // namespace

bool TerrainMap::loadHeightmap(const char* path, float heightScale)
{
    std::FILE* file = path != nullptr ? std::fopen(path, "rb") : nullptr;
    if (file == nullptr) return false;
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(kSampleCount);
    } catch (const std::bad_alloc&) {
        std::fclose(file);
        return false;
    }
    // Bytes past the first 16384 are never read.
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    // A read error (a directory opens but cannot be read) counts as a file
    // that cannot be opened, not as an empty one.
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return false;
    if (got < kSampleCount) {
        DebugPrint("Heightmap %s is short: %zu of %zu samples, the rest set to 0", path, got, kSampleCount);
    }
    loadHeightmapBytes(bytes.data(), got, heightScale);
    return true;
}

// A short input leaves the missing samples at height 0 (the loader's choice:
// a defined value rather than a refusal, and announced by loadHeightmap).
void TerrainMap::loadHeightmapBytes(const uint8_t* bytes, size_t size, float heightScale)
{
    try {
        heights.assign(kSampleCount, 0.0f);
        normals.assign(kSampleCount, Vec3{});
        visible.assign(kSampleCount, 0);
    } catch (const std::bad_alloc&) {
        // Out of memory leaves no grid, the same as a missing file.
        freeArray(heights);
        freeArray(normals);
        freeArray(visible);
        width = height = 0;
        pointCount = 0;
        return;
    }
    width = kGridSide;
    height = kGridSide;
    pointCount = static_cast<uint32_t>(kSampleCount);
    const size_t used = bytes != nullptr ? std::min(size, kSampleCount) : 0;
    for (size_t i = 0; i < used; ++i)
        heights[i] = static_cast<float>(bytes[i]) * heightScale;
    smoothGrid(width, height, heights);
}

void smoothGridRange(int32_t w, int32_t h, const float* in, float* out, int64_t first, int64_t end)
{
    if (w <= 0 || h <= 0) return;
    const int64_t n = static_cast<int64_t>(w) * h;
    first = std::max<int64_t>(first, 0);
    end = std::min(end, n);
    const int64_t offsets[9] = {-w - 1, -w, -w + 1, -1, 0, 1, w - 1, w, w + 1};
    auto general = [&](int64_t i) {
        double sum = 0.0;
        int count = 0;
        for (int64_t offset : offsets) {
            const int64_t j = i + offset;
            if (j >= 0 && j < n) {
                sum += in[j];
                ++count;
            }
        }
        out[i] = static_cast<float>(sum / count);
    };
    // Indices whose whole neighbourhood lies inside [0, n) take the fast path;
    // the summation order is the same as in the general one.
    const int64_t innerBegin = std::clamp<int64_t>(w + 1, first, std::max(first, end));
    const int64_t innerEnd = std::clamp<int64_t>(n - w - 1, innerBegin, std::max(innerBegin, end));
    for (int64_t i = first; i < innerBegin; ++i)
        general(i);
    for (int64_t i = innerBegin; i < innerEnd; ++i) {
        const float* p = in + i;
        double sum = p[-w - 1];
        sum += p[-w];
        sum += p[-w + 1];
        sum += p[-1];
        sum += p[0];
        sum += p[1];
        sum += p[w - 1];
        sum += p[w];
        sum += p[w + 1];
        out[i] = static_cast<float>(sum / 9);
    }
    for (int64_t i = innerEnd; i < end; ++i)
        general(i);
}

void smoothGrid(int32_t w, int32_t h, std::vector<float>& values)
{
    if (w <= 0 || h <= 0) return;
    const int64_t n = static_cast<int64_t>(w) * h;
    if (values.size() < static_cast<size_t>(n)) return;
    std::vector<float> result;
    try {
        result.resize(static_cast<size_t>(n));
    } catch (const std::bad_alloc&) {
        return; // the grid stays unsmoothed
    }
    smoothGridRange(w, h, values.data(), result.data(), 0, n);
    // Values past w * h (none for the arrays the system passes) are kept.
    if (values.size() > static_cast<size_t>(n)) {
        std::copy(result.begin(), result.end(), values.begin());
    } else {
        values.swap(result);
    }
}

float TerrainMap::gridHeight(int32_t x, int32_t y) const
{
    if (!hasGrid()) return 0.0f;
    x = std::clamp(x, 0, width - 1);
    y = std::clamp(y, 0, height - 1);
    return heights[static_cast<size_t>(x) + static_cast<size_t>(width) * y];
}

double TerrainMap::heightAt(double x, double y) const
{
    if (!hasGrid()) return 0.0;
    x = clampCoordinate(x, width - 1);
    y = clampCoordinate(y, height - 1);
    const int32_t x0 = static_cast<int32_t>(std::floor(x));
    const int32_t y0 = static_cast<int32_t>(std::floor(y));
    const int32_t x1 = std::min(x0 + 1, width - 1);
    const int32_t y1 = std::min(y0 + 1, height - 1);
    const double fx = x - x0;
    const double fy = y - y0;
    auto h = [&](int32_t a, int32_t b) -> double {
        return heights[static_cast<size_t>(a) + static_cast<size_t>(width) * b];
    };
    return (1.0 - fy) * (h(x0, y0) * (1.0 - fx) + h(x1, y0) * fx) +
           fy * (h(x0, y1) * (1.0 - fx) + h(x1, y1) * fx);
}

Vec3 TerrainMap::normalAt(float x, float y) const
{
    if (!hasGrid() || normals.size() < heights.size()) return Vec3{};
    x = clampCoordinate(x, width - 1);
    y = clampCoordinate(y, height - 1);
    const int32_t x0 = static_cast<int32_t>(std::floor(x));
    const int32_t y0 = static_cast<int32_t>(std::floor(y));
    const int32_t x1 = std::min(x0 + 1, width - 1);
    const int32_t y1 = std::min(y0 + 1, height - 1);
    const float fx = x - static_cast<float>(x0);
    const float fy = y - static_cast<float>(y0);
    auto n = [&](int32_t a, int32_t b) {
        return normals[static_cast<size_t>(a) + static_cast<size_t>(width) * b];
    };
    const Vec3 near = n(x0, y0) * (1.0f - fx) + n(x1, y0) * fx;
    const Vec3 far = n(x0, y1) * (1.0f - fx) + n(x1, y1) * fx;
    return near * (1.0f - fy) + far * fy;
}

void TerrainMap::release()
{
    freeArray(heights);
    freeArray(foliageMap);
    freeArray(normals);
    freeArray(vertices);
    freeArray(light);
    freeArray(roughness);
    freeArray(colours);
    freeArray(visible);
    freeArray(cells);
    cellCount = 0;
}
