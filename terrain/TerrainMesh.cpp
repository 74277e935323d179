#include "terrain/TerrainMesh.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>
#include <system_error>
#include <thread>

namespace {

template <typename T> void freeArray(std::vector<T>& array)
{
    array.clear();
    array.shrink_to_fit();
}

} // namespace

// ---- Grid-point normals and roughness -----------------------------------------

CellRecord cellRecord(const TerrainMap& map, int32_t x, int32_t y)
{
    auto corner = [&](double cx, double cy) {
        return Vec3{static_cast<float>(cx), static_cast<float>(cy), static_cast<float>(map.heightAt(cx, cy))};
    };
    CellRecord cell;
    cell.p0 = corner(x - 0.5, y - 0.5);
    cell.p1 = corner(x + 0.5, y - 0.5);
    cell.p2 = corner(x + 0.5, y + 0.5);
    cell.p3 = corner(x - 0.5, y + 0.5);
    // Both triangle normals point down (the corners run counter-clockwise seen
    // from above), so the negated sum points up.
    const Vec3 n1 = triangleNormal(cell.p0, cell.p1, cell.p2);
    const Vec3 n2 = triangleNormal(cell.p1, cell.p2, cell.p3);
    cell.normal = -normalize(n1 + n2);
    return cell;
}

float pointRoughness(const TerrainMap& map, int32_t x, int32_t y)
{
    double sum = 0.0;
    int count = 0;
    for (int32_t j = -1; j <= 1; ++j) {
        for (int32_t i = -1; i <= 1; ++i) {
            const int32_t px = x + i;
            const int32_t py = y + j;
            if (px < 0 || px >= map.width || py < 0 || py >= map.height) continue;
            sum += map.heights[static_cast<size_t>(px) + static_cast<size_t>(map.width) * py];
            ++count;
        }
    }
    const double mean = sum / count;
    return static_cast<float>(std::min(1.0, std::fabs(map.gridHeight(x, y) - mean)));
}

void computeCellNormals(TerrainMap& map)
{
    if (!map.hasGrid()) return;
    const size_t points = static_cast<size_t>(map.width) * static_cast<size_t>(map.height);
    map.cellCount = static_cast<int32_t>(points);
    map.cells.assign(points, CellRecord{});
    map.roughness.assign(points, 0.0f);
    if (map.normals.size() < points) map.normals.assign(points, Vec3{});
    // The cells do not depend on each other; the order is free.
    for (int32_t x = 0; x < map.width; ++x) {
        for (int32_t y = 0; y < map.height; ++y) {
            const size_t i = static_cast<size_t>(x) + static_cast<size_t>(map.width) * y;
            map.cells[i] = cellRecord(map, x, y);
            map.normals[i] = map.cells[i].normal;
            map.roughness[i] = pointRoughness(map, x, y);
        }
    }
    map.cells.clear();
    map.cells.shrink_to_fit();
    map.cellCount = 0;
}

// ---- Mesh layout and per-vertex values ----------------------------------------

bool allocateMesh(TerrainMap& map, bool withLight, bool withColours)
{
    const int64_t columns = int64_t{kMeshSubdivision} * map.width + kMeshSubdivision;
    const int64_t rows = int64_t{kMeshSubdivision} * map.height + kMeshSubdivision;
    // The counts are 32-bit (the drawing's indices are too): a grid whose mesh
    // would not fit gets none.
    if (map.width <= 0 || map.height <= 0 || columns * rows > INT32_MAX) {
        freeArray(map.vertices);
        freeArray(map.light);
        freeArray(map.colours);
        map.subdivision = map.meshColumns = map.meshRows = map.vertexCount = 0;
        return false;
    }
    map.subdivision = kMeshSubdivision;
    map.meshColumns = static_cast<int32_t>(columns);
    map.meshRows = static_cast<int32_t>(rows);
    map.vertexCount = map.meshColumns * map.meshRows;
    const size_t count = static_cast<size_t>(map.vertexCount);
    bool ok = true;
    auto zeroPositions = [&map, count, &ok] {
        try {
            map.vertices.assign(count * 3, 0.0f);
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    };
    // Most of the cost is the kernel's first touch of fresh pages; the
    // positions are zeroed on a second thread while the rest is.
    std::thread positions;
    try {
        positions = std::thread(zeroPositions);
    } catch (const std::system_error&) {
        zeroPositions();
    }
    bool rest = true;
    try {
        if (withLight) map.light.assign(count, 0.0f);
        if (withColours) map.colours.assign(count * 4, 0);
    } catch (const std::bad_alloc&) {
        rest = false;
    }
    if (positions.joinable()) positions.join();
    if (ok && rest) return true;
    // Out of memory: no mesh at all rather than a partial one.
    freeArray(map.vertices);
    freeArray(map.light);
    freeArray(map.colours);
    map.subdivision = map.meshColumns = map.meshRows = map.vertexCount = 0;
    return false;
}

float vertexLight(Vec3 p, Vec3 n, const BakedLight& light)
{
    const Vec3 d = normalize(light.position - p);
    const float value = dot(d, n) * light.diffuse;
    return value < light.ambient ? light.ambient : value;
}

uint8_t blendAlpha(float q)
{
    const double t = std::trunc((0.8 * q + 0.35) * 255.0);
    // Q stays within [-2, 1] for normals; the guard only keeps the integer
    // conversion defined for a stray NaN or infinity.
    const int64_t whole = std::isfinite(t) && std::fabs(t) < 1e15 ? static_cast<int64_t>(t) : 0;
    // Low eight bits in two's complement, so -318 gives 194 and alpha 61.
    return static_cast<uint8_t>(255 - static_cast<int>(static_cast<uint64_t>(whole) & 0xFFu));
}

namespace {

// trunc(value * 255) for a value meant to lie in [0, 1]; out-of-range values
// are pinned rather than converted with undefined results.
uint8_t unitByte(float value)
{
    const float scaled = value * 255.0f;
    if (!(scaled > 0.0f)) return 0;
    if (scaled >= 255.0f) return 255;
    return static_cast<uint8_t>(scaled);
}

} // namespace

VertexColour vertexColour(Vec3 n, float light, bool multitexture)
{
    VertexColour colour;
    if (multitexture) {
        // The y component of the blended normal, not z: slopes facing along y
        // show the second tile.
        const float q = 1.0f - std::fabs(3.0f * n.y);
        const uint8_t grey = unitByte(std::clamp(q, 0.0f, 1.0f));
        colour = {grey, grey, grey, blendAlpha(q)};
    } else {
        const uint8_t grey = unitByte(light);
        colour = {grey, grey, grey, 255};
    }
    return colour;
}

void forEachRowBand(int32_t rows, unsigned threads, const std::function<void(int32_t, int32_t)>& body)
{
    if (rows <= 0) return;
    if (threads == 0) threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    threads = std::min<unsigned>(threads, static_cast<unsigned>(rows));
    if (threads <= 1) {
        body(0, rows);
        return;
    }
    std::vector<std::thread> workers;
    workers.reserve(threads - 1);
    auto bandStart = [&](unsigned k) {
        return static_cast<int32_t>(static_cast<int64_t>(rows) * k / threads);
    };
    unsigned started = 1;
    try {
        for (; started < threads; ++started)
            workers.emplace_back(body, bandStart(started), bandStart(started + 1));
    } catch (const std::system_error&) {
        // No more threads to be had: the remaining bands run here.
    }
    body(0, bandStart(1));
    if (started < threads) body(bandStart(started), rows);
    for (auto& worker : workers)
        worker.join();
}

void computeVertexPositions(TerrainMap& map, float origin, unsigned threads)
{
    const size_t columns = static_cast<size_t>(map.meshColumns);
    if (map.vertices.size() < columns * static_cast<size_t>(map.meshRows) * 3) return;
    forEachRowBand(map.meshRows, threads, [&](int32_t first, int32_t end) {
        for (int32_t r = first; r < end; ++r) {
            const float y = meshCoordinate(r, origin);
            float* out = map.vertices.data() + columns * r * 3;
            for (int32_t c = 0; c < map.meshColumns; ++c) {
                const float x = meshCoordinate(c, origin);
                out[0] = x;
                out[1] = y;
                out[2] = static_cast<float>(map.heightAt(x, y));
                out += 3;
            }
        }
    });
}

void computeVertexLight(TerrainMap& map, const BakedLight& light, unsigned threads)
{
    const size_t count = static_cast<size_t>(map.meshColumns) * static_cast<size_t>(map.meshRows);
    if (map.vertices.size() < count * 3 || map.light.size() < count) return;
    const bool withColours = map.colours.size() >= count * 4;
    forEachRowBand(map.meshRows, threads, [&](int32_t first, int32_t end) {
        for (size_t i = static_cast<size_t>(first) * map.meshColumns;
             i < static_cast<size_t>(end) * map.meshColumns; ++i) {
            const Vec3 p{map.vertices[3 * i], map.vertices[3 * i + 1], map.vertices[3 * i + 2]};
            const Vec3 n = map.normalAt(p.x, p.y);
            const float value = vertexLight(p, n, light);
            map.light[i] = value;
            if (withColours) {
                const VertexColour colour = vertexColour(n, value, map.usesMultitexture);
                uint8_t* out = map.colours.data() + 4 * i;
                out[0] = colour.red;
                out[1] = colour.green;
                out[2] = colour.blue;
                out[3] = colour.alpha;
            }
        }
    });
}

void smoothMeshValues(TerrainMap& map, unsigned threads)
{
    const int64_t count = static_cast<int64_t>(map.meshColumns) * map.meshRows;
    if (count > 0 && map.light.size() == static_cast<size_t>(count)) {
        // Three passes ping-ponging between the array and one scratch array,
        // each pass split into row bands; the values are those of smoothGrid.
        std::vector<float> scratch;
        try {
            scratch.resize(map.light.size());
        } catch (const std::bad_alloc&) {
            for (int pass = 0; pass < 3; ++pass)
                smoothGrid(map.meshColumns, map.meshRows, map.light);
            smoothGrid(map.width, map.height, map.roughness);
            return;
        }
        for (int pass = 0; pass < 3; ++pass) {
            forEachRowBand(map.meshRows, threads, [&](int32_t first, int32_t end) {
                smoothGridRange(map.meshColumns, map.meshRows, map.light.data(), scratch.data(),
                                static_cast<int64_t>(first) * map.meshColumns,
                                static_cast<int64_t>(end) * map.meshColumns);
            });
            map.light.swap(scratch);
        }
    }
    smoothGrid(map.width, map.height, map.roughness);
}

bool computeMeshPositions(TerrainMap& map, float origin, bool withLight, bool withColours, unsigned threads)
{
    if (!map.hasGrid()) return false;
    try {
        computeCellNormals(map);
    } catch (const std::bad_alloc&) {
        freeArray(map.cells);
        map.cellCount = 0;
        return false;
    }
    if (!allocateMesh(map, withLight, withColours)) return false;
    computeVertexPositions(map, origin, threads);
    return true;
}

bool computeMesh(TerrainMap& map, const BakedLight& light, float origin, unsigned threads)
{
    if (!computeMeshPositions(map, origin, true, true, threads)) return false;
    computeVertexLight(map, light, threads);
    smoothMeshValues(map, threads);
    return true;
}

std::vector<uint8_t> lightTexels(const TerrainMap& map)
{
    constexpr int32_t size = kLightTextureSize;
    std::vector<uint8_t> texels(static_cast<size_t>(size) * size, 0);
    if (map.width <= 0) return texels;
    // Integer divisions as in the layout: 8 / (512 / 128) = 2. A grid wider
    // than the texture would divide by zero; it reads every vertex instead.
    const int32_t texelsPerPoint = std::max(1, size / map.width);
    const int64_t step = map.subdivision / texelsPerPoint;
    for (int32_t t = 0; t < size; ++t) {
        for (int32_t s = 0; s < size; ++s) {
            const int64_t index =
                (static_cast<int64_t>(s) + static_cast<int64_t>(map.meshColumns) * t) * step;
            if (index < 0 || static_cast<size_t>(index) >= map.light.size()) continue;
            texels[static_cast<size_t>(s) + static_cast<size_t>(size) * t] = unitByte(map.light[index]);
        }
    }
    return texels;
}
