// Times mesh generation: the CPU part alone (one and two threads), and the
// whole generation in an offscreen context without and with buffer objects.
// Uses the generated data set's heightmap when there is one, else a
// deterministic noise terrain.
#include "platform/GlApi.h"
#include "terrain/TerrainMesh.h"
#include "tests/support/GlTestContext.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

// Value noise: four octaves of bilinearly blended lattice values from a fixed hash.
std::vector<uint8_t> noiseHeightmap()
{
    auto lattice = [](int x, int y, int octave) {
        uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                     static_cast<uint32_t>(octave) * 2246822519u;
        h = (h ^ (h >> 13)) * 1274126177u;
        return static_cast<double>((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
    };
    std::vector<uint8_t> bytes(128 * 128);
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            double value = 0.0, amplitude = 0.5;
            for (int octave = 0; octave < 4; ++octave) {
                const double period = 32.0 / (1 << octave);
                const double fx = x / period, fy = y / period;
                const int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
                const double tx = fx - x0, ty = fy - y0;
                const double top = lattice(x0, y0, octave) * (1 - tx) + lattice(x0 + 1, y0, octave) * tx;
                const double bottom =
                    lattice(x0, y0 + 1, octave) * (1 - tx) + lattice(x0 + 1, y0 + 1, octave) * tx;
                value += amplitude * (top * (1 - ty) + bottom * ty);
                amplitude *= 0.5;
            }
            bytes[x + 128 * y] = static_cast<uint8_t>(std::min(255.0, value * 255.0 / 0.9375));
        }
    }
    return bytes;
}

const TerrainMap& baseMap()
{
    static const TerrainMap map = [] {
        TerrainMap loaded;
        for (const char* dir : {VELDRUN_BINARY_DIR, VELDRUN_SOURCE_DIR "/build"}) {
            const std::string path = std::string(dir) + "/data/map/test/map_qv.raw";
            if (std::filesystem::exists(path) && loaded.loadHeightmap(path.c_str())) {
                std::fprintf(stderr, "heightmap: %s\n", path.c_str());
                return loaded;
            }
        }
        std::fprintf(stderr, "heightmap: generated noise terrain\n");
        const std::vector<uint8_t> bytes = noiseHeightmap();
        loaded.loadHeightmapBytes(bytes.data(), bytes.size());
        return loaded;
    }();
    return map;
}

void BM_ComputeMesh(benchmark::State& state)
{
    const unsigned threads = static_cast<unsigned>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        TerrainMap map = baseMap();
        map.usesMultitexture = true;
        state.ResumeTiming();
        benchmark::DoNotOptimize(computeMesh(map, BakedLight{}, kMeshOrigin, threads));
        state.PauseTiming();
        map.release();
        state.ResumeTiming();
    }
}

// The steps one by one, on the machine's threads.
void BM_Steps(benchmark::State& state)
{
    const int step = static_cast<int>(state.range(0));
    TerrainMap map = baseMap();
    map.usesMultitexture = true;
    computeMesh(map, BakedLight{});
    for (auto _ : state) {
        switch (step) {
        case 0: computeCellNormals(map); break;
        case 1: allocateMesh(map, true, true); break;
        case 2: computeVertexPositions(map, kMeshOrigin); break;
        case 3: computeVertexLight(map, BakedLight{}); break;
        case 4: smoothMeshValues(map); break;
        default: benchmark::DoNotOptimize(lightTexels(map)); break;
        }
    }
    static const char* const names[] = {"normals+roughness", "allocate",  "positions",
                                        "light+colours",     "smoothing", "light texels"};
    state.SetLabel(names[step]);
}

void generate(benchmark::State& state, bool buffers)
{
    GlTestContext gl(64, 64);
    if (!gl.valid()) {
        state.SkipWithError("no offscreen OpenGL context");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        TerrainMap map = baseMap();
        map.usesMultitexture = true;
        state.ResumeTiming();
        benchmark::DoNotOptimize(generateMesh(map, RenderCaps{buffers, true}));
        glFinish();
        state.PauseTiming();
        glDeleteTextures(1, &map.textures[3]);
        if (map.usesVertexBuffers) {
            glDeleteBuffersARB(1, &map.vertexBuffer);
            glDeleteBuffersARB(1, &map.colourBuffer);
        }
        map.release();
        state.ResumeTiming();
    }
}

void BM_GenerateMeshClientArrays(benchmark::State& state)
{
    generate(state, false);
}
void BM_GenerateMeshBufferObjects(benchmark::State& state)
{
    generate(state, true);
}

} // namespace

BENCHMARK(BM_ComputeMesh)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7);
BENCHMARK(BM_Steps)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(5);
BENCHMARK(BM_GenerateMeshClientArrays)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7);
BENCHMARK(BM_GenerateMeshBufferObjects)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7);

BENCHMARK_MAIN();
