// Frame cost of the terrain drawing (stitched, as the programs start) from
// veldrun's start view on a generated 128 x 128 terrain, against the drawing
// with open seams (the strips of each cell, which the references below draw
// too) and two references drawing on the same GL state:
//   one batch   - the open drawing's quads, all in one GL_QUADS glDrawElements
//                 with the indices prepared beforehand (the limit for this GL);
//   brute force - every visible cell at full detail, cell by cell.
// The coefficient is searched so that the drawing emits about 30,000 quads.
// Runs on SDL's offscreen driver (Mesa llvmpipe), 1024 x 768.

#include "bench/common/DrawComparisons.h"
#include "platform/GlApi.h"
#include "terrain/QuadViewTree.h"
#include "terrain/TerrainDraw.h"
#include "terrain/TerrainLod.h"
#include "terrain/TerrainMap.h"
#include "terrain/TerrainMesh.h"
#include "tests/support/GlTestContext.h"
#include "view/Frustum.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr int kTargetQuads = 30000;

struct Scene {
    TerrainMap client;  // positions and colours in client memory
    TerrainMap buffers; // the same mesh in buffer objects
    Vec3 eye;
    float coefficient = 1.0f;
    int quads = 0;
    int visibleCells = 0;
    std::vector<uint32_t> batch; // the frame's quads as GL_QUADS indices
};

Scene* gScene = nullptr;

// Hills, ridges and fixed-seed noise, so roughness varies over the map.
std::vector<uint8_t> makeHeightmapBytes()
{
    std::mt19937 rng(20240601);
    std::uniform_real_distribution<double> noise(-12.0, 12.0);
    std::vector<uint8_t> bytes(128 * 128);
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            double v = 110.0 + 60.0 * std::sin(x * 0.09) * std::cos(y * 0.11) +
                       35.0 * std::sin(x * 0.31 + y * 0.17) + noise(rng);
            if ((x / 16 + y / 16) % 3 == 0) v += 25.0 * std::sin(x * 0.8) * std::sin(y * 0.7);
            bytes[static_cast<size_t>(x + 128 * y)] = static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
        }
    }
    return bytes;
}

GLuint makeTileTexture(uint8_t r, uint8_t g, uint8_t b, int seed)
{
    std::mt19937 rng(static_cast<unsigned>(seed));
    std::uniform_int_distribution<int> jitter(-40, 40);
    std::vector<uint8_t> texels(64 * 64 * 3);
    for (size_t i = 0; i < texels.size(); i += 3) {
        const int j = jitter(rng);
        texels[i] = static_cast<uint8_t>(std::clamp(r + j, 0, 255));
        texels[i + 1] = static_cast<uint8_t>(std::clamp(g + j, 0, 255));
        texels[i + 2] = static_cast<uint8_t>(std::clamp(b + j, 0, 255));
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, 64, 64, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    return name;
}

// veldrun's start view: 16 units above grid point (32, 32), looking at (32, 48, 0).
void setStartView(const Scene& scene)
{
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(kWidth) / kHeight, 1.0, 250.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(scene.eye.x, scene.eye.y, scene.eye.z, 32.0, 48.0, 0.0, 0.0, 0.0, 1.0);
}

// The coefficient whose quad count, as the drawing returns it, comes nearest
// the target (the count grows with the coefficient).
float searchCoefficient(TerrainMap& map, Vec3 eye)
{
    float low = 0.001f;
    float high = 1000.0f;
    for (int i = 0; i < 60; ++i) {
        const float mid = std::sqrt(low * high);
        if (drawTerrain(map, eye, mid) < kTargetQuads)
            low = mid;
        else
            high = mid;
    }
    const int below = drawTerrain(map, eye, low);
    const int above = drawTerrain(map, eye, high);
    return (kTargetQuads - below <= above - kTargetQuads) ? low : high;
}

bool setUp(Scene& scene)
{
    TerrainMap& map = scene.client;
    const std::vector<uint8_t> bytes = makeHeightmapBytes();
    map.loadHeightmapBytes(bytes.data(), bytes.size());
    map.usesMultitexture = true; // four units, as veldrun on this driver
    map.textures[0] = makeTileTexture(120, 140, 80, 1);
    map.textures[1] = makeTileTexture(150, 120, 90, 2);
    map.textures[2] = makeTileTexture(130, 130, 130, 3);
    if (!computeMesh(map, BakedLight{})) return false;
    uploadLightTexture(map);
    scene.eye = Vec3{32.0f, 32.0f, map.gridHeight(32, 32) + 16.0f};

    // Visibility from the start view's frustum through the quad view tree.
    setStartView(scene);
    Frustum frustum;
    frustum.extract();
    QuadViewTree tree;
    tree.build(map);
    std::fill(map.visible.begin(), map.visible.end(), 0);
    tree.markVisible(frustum, map);
    scene.visibleCells = static_cast<int>(std::count(map.visible.begin(), map.visible.end(), 1));

    scene.buffers = map;
    createVertexBuffers(scene.buffers, RenderCaps{true, true});
    if (!scene.buffers.usesVertexBuffers) return false;

    scene.coefficient = searchCoefficient(map, scene.eye);
    scene.quads = drawTerrain(map, scene.eye, scene.coefficient);
    scene.batch = batchIndices(map, scene.eye, scene.coefficient);
    return static_cast<int>(scene.batch.size()) == 4 * scene.quads;
}

using DrawFunction = int (*)(Scene&);

// One frame: clear, draw, wait for the GL. With `geometryOnly` a 1 x 1 scissor
// box throws the fragments away, so the frame measures vertex work and
// draw-call overhead without the fill. Milliseconds.
double timeOneFrame(bool geometryOnly, DrawFunction draw, int* quads = nullptr)
{
    Scene& scene = *gScene;
    setStartView(scene);
    glEnable(GL_DEPTH_TEST);
    glScissor(0, 0, 1, 1);
    if (geometryOnly) glEnable(GL_SCISSOR_TEST);
    const auto start = std::chrono::steady_clock::now();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const int drawn = draw(scene);
    glFinish();
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    glDisable(GL_SCISSOR_TEST);
    if (quads != nullptr) *quads = drawn;
    return elapsed.count();
}

void timeFrames(benchmark::State& state, bool geometryOnly, DrawFunction draw)
{
    int quads = 0;
    for (auto _ : state)
        state.SetIterationTime(timeOneFrame(geometryOnly, draw, &quads) / 1000.0);
    state.counters["quads"] = quads;
}

int drawWith(TerrainMap& map, bool stitched = true)
{
    return drawTerrain(map, gScene->eye, gScene->coefficient, {stitched});
}

// Like drawTerrain on buffer objects, but a cell's strips go out in one
// glMultiDrawElements (GL 1.4): the same indices and count, fewer calls.
int drawMultiDraw(TerrainMap& map)
{
    glCullFace(GL_FRONT);
    glEnable(GL_CULL_FACE);
    glPolygonMode(GL_BACK, GL_FILL);
    setTextureUnits(map, true);
    setBufferArrays(map, true);
    int quads = 0;
    CellIndexLists lists;
    GLsizei counts[kMaxCellStrips];
    const void* starts[kMaxCellStrips];
    for (int y = 0; y < map.height; ++y) {
        for (int x = 0; x < map.width; ++x) {
            if (map.visible[static_cast<size_t>(x + map.width * y)] != 1) continue;
            const int step = cellStep(map, x, y, gScene->eye, gScene->coefficient);
            buildCellIndices(x, y, step, map.subdivision, map.meshColumns, lists);
            if (lists.isQuad) {
                glDrawElements(GL_QUADS, 4, GL_UNSIGNED_INT, lists.quad);
            } else {
                for (int s = 0; s < lists.stripCount; ++s) {
                    counts[s] = lists.stripLength;
                    starts[s] = lists.strips[s];
                }
                glMultiDrawElements(GL_QUAD_STRIP, counts, GL_UNSIGNED_INT, starts, lists.stripCount);
            }
            quads += lists.quadCount();
        }
    }
    setBufferArrays(map, false);
    setTextureUnits(map, false);
    glDisable(GL_CULL_FACE);
    return quads;
}

struct Method {
    const char* name;
    DrawFunction draw;
};

const Method kMethods[] = {
    {"drawTerrain/buffers", [](Scene& s) { return drawWith(s.buffers); }},
    {"drawTerrain/client", [](Scene& s) { return drawWith(s.client); }},
    {"openSeams/buffers", [](Scene& s) { return drawWith(s.buffers, false); }},
    {"oneBatch/buffers", [](Scene& s) { return drawBatch(s.buffers, s.batch); }},
    {"oneBatch/client", [](Scene& s) { return drawBatch(s.client, s.batch); }},
    {"multiDraw/buffers", [](Scene& s) { return drawMultiDraw(s.buffers); }},
    {"bruteForce/buffers", [](Scene& s) { return drawMarkedCellsAtFullDetail(s.buffers); }},
    {"wholeTerrain/buffers", [](Scene& s) { return drawWholeTerrainAtFullDetail(s.buffers); }},
};

} // namespace

int main(int argc, char** argv)
{
    GlTestContext gl(kWidth, kHeight);
    if (!gl.valid()) {
        std::fprintf(stderr, "no offscreen GL context\n");
        return 1;
    }

    Scene scene;
    if (!setUp(scene)) {
        std::fprintf(stderr, "scene set-up failed\n");
        return 1;
    }
    gScene = &scene;
    std::printf("renderer %s; visible cells %d; coefficient %.4f gives %d quads "
                "(brute force %d quads)\n",
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)), scene.visibleCells,
                scene.coefficient, scene.quads, scene.visibleCells * 72);

    for (const Method& method : kMethods) {
        for (bool geometryOnly : {false, true}) {
            const std::string name = (geometryOnly ? "geometry/" : "frame/") + std::string(method.name);
            benchmark::RegisterBenchmark(name.c_str(),
                                         [method, geometryOnly](benchmark::State& state) {
                                             timeFrames(state, geometryOnly, method.draw);
                                         })
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->MinTime(1.0);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    // The machine is shared: the summary interleaves the methods frame by frame
    // so that a change of load hits all of them alike.
    for (bool geometryOnly : {false, true}) {
        const int rounds = geometryOnly ? 41 : 11;
        std::map<std::string, std::vector<double>> times;
        for (int round = 0; round < rounds; ++round)
            for (const Method& method : kMethods)
                times[method.name].push_back(timeOneFrame(geometryOnly, method.draw));
        std::map<std::string, double> medians;
        for (const auto& [name, values] : times)
            medians[name] = median(values);
        std::printf("\n%s, median of %d interleaved frames (ms):\n",
                    geometryOnly ? "geometry only (1 x 1 scissor)" : "whole frame", rounds);
        for (const Method& method : kMethods)
            std::printf("  %-22s %9.3f\n", method.name, medians[method.name]);
        const auto ratio = [&](const char* a, const char* b) { return medians[a] / medians[b]; };
        std::printf("  drawTerrain/buffers  / openSeams/buffers   = %.2f\n",
                    ratio("drawTerrain/buffers", "openSeams/buffers"));
        std::printf("  drawTerrain/buffers  / oneBatch/buffers    = %.2f\n",
                    ratio("drawTerrain/buffers", "oneBatch/buffers"));
        std::printf("  drawTerrain/client   / oneBatch/client     = %.2f\n",
                    ratio("drawTerrain/client", "oneBatch/client"));
        std::printf("  multiDraw/buffers    / oneBatch/buffers    = %.2f\n",
                    ratio("multiDraw/buffers", "oneBatch/buffers"));
        std::printf("  bruteForce/buffers   / drawTerrain/buffers = %.2f\n",
                    ratio("bruteForce/buffers", "drawTerrain/buffers"));
        std::printf("  wholeTerrain/buffers / drawTerrain/buffers = %.2f\n",
                    ratio("wholeTerrain/buffers", "drawTerrain/buffers"));
    }

    return 0;
}
