// Per-frame visibility cost: one quad view tree walk from the start-up view.
#include "platform/GlApi.h"
#include "terrain/QuadViewTree.h"
#include "terrain/TerrainMap.h"
#include "tests/support/GlTestContext.h"
#include "view/Camera.h"
#include "view/Frustum.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Rolling hills over the full byte range, the same on every run.
TerrainMap hillyTerrain()
{
    std::vector<uint8_t> bytes(128 * 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const double h =
                127.5 + 80.0 * std::sin(x * 0.11) * std::cos(y * 0.07) + 40.0 * std::sin((x + y) * 0.23);
            bytes[size_t(x + 128 * y)] =
                static_cast<uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, h))));
        }
    TerrainMap map;
    map.loadHeightmapBytes(bytes.data(), bytes.size());
    return map;
}

// The start-up placement: 16 units above (32, 32), looking towards (32, 48, 0),
// through the frame's perspective; a context only for GLU's matrices.
Frustum startFrustum(const TerrainMap& map)
{
    GlTestContext gl;
    if (!gl.valid()) {
        std::fprintf(stderr, "no offscreen GL context\n");
        std::exit(1);
    }
    Camera camera;
    camera.set(32, 32, map.gridHeight(32, 32) + 16.0f, 32, 48, 0, 0, 0, 1);
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45.0, 1024.0 / 768.0, 1.0, 250.0);
    glMatrixMode(GL_MODELVIEW);
    camera.look();
    Frustum frustum;
    frustum.extract();
    return frustum;
}

void BM_MarkVisibleStartView(benchmark::State& state)
{
    TerrainMap map = hillyTerrain();
    QuadViewTree tree;
    tree.build(map);
    const Frustum frustum = startFrustum(map);
    int visited = 0;
    for (auto _ : state) {
        // The walk only writes 1s, so repeating it without clearing does the same work.
        visited = tree.markVisible(frustum, map);
        benchmark::DoNotOptimize(map.visible.data());
        benchmark::ClobberMemory();
    }
    int marked = 0;
    for (uint8_t v : map.visible)
        marked += v;
    state.counters["nodes_tested"] = visited;
    state.counters["cells_marked"] = marked;
}
BENCHMARK(BM_MarkVisibleStartView)->Unit(benchmark::kMicrosecond);

void BM_ClearAndMarkStartView(benchmark::State& state)
{
    TerrainMap map = hillyTerrain();
    QuadViewTree tree;
    tree.build(map);
    const Frustum frustum = startFrustum(map);
    for (auto _ : state) {
        std::fill(map.visible.begin(), map.visible.end(), uint8_t{0});
        benchmark::DoNotOptimize(tree.markVisible(frustum, map));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ClearAndMarkStartView)->Unit(benchmark::kMicrosecond);

void BM_BuildTree(benchmark::State& state)
{
    const TerrainMap map = hillyTerrain();
    for (auto _ : state) {
        QuadViewTree tree;
        benchmark::DoNotOptimize(tree.build(map));
    }
}
BENCHMARK(BM_BuildTree)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
