// veldrun-bench: the real start-up and the real frame of veldrun on a fixed,
// scripted camera flight, offscreen at 1024 x 768, with the terrain drawing
// held against one batch of the same quads and against full detail.
// Prints one "name value" line per figure. Run it in the data folder.
//
//   veldrun-bench [--frames N] [--soak]
//
// --soak flies N frames (default 20000) of the flight, repeated, and reports
// the resident memory at the start and the end instead of timings.

#include "bench/common/DrawComparisons.h"
#include "platform/GlApi.h"
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "scene/Scene.h"
#include "shell/MainLoop.h"
#include "shell/Shell.h"
#include "terrain/TerrainDraw.h"
#include "terrain/TerrainMesh.h"

#include <malloc.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double residentMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    return 0.0;
}

// Bytes the program holds from malloc right now, apart from what the
// allocator keeps: tells a leak (this grows) from fragmentation (only the
// resident size grows).
double heapInUseMegabytes()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

double peakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The scripted flight: which keys are held in frame i of a 400-frame loop. Every
// move is undone later in the loop, so the flight stays over the map and a
// long run repeats the same views.
void holdFlightKeys(int frame)
{
    std::memset(gKeyState.down, 0, sizeof gKeyState.down);
    const int phase = frame % 400;
    auto hold = [](int key) { gKeyState.down[key] = 1; };
    if (phase < 40) {
        hold(vk::Up); // forward over the ridges
    } else if (phase < 100) {
        hold(vk::Control); // swing about the point looked at
        hold(vk::Left);
    } else if (phase < 140) {
        hold(vk::Right); // strafe and climb
        hold('S');
    } else if (phase < 160) {
        hold(vk::Control); // raise the eye
        hold(vk::Up);
    } else if (phase < 180) {
        hold(vk::Control); // and lower it again
        hold(vk::Down);
    } else if (phase < 220) {
        hold(vk::Left); // strafe back and sink
        hold('W');
    } else if (phase < 280) {
        hold(vk::Control); // swing back
        hold(vk::Right);
    } else if (phase < 320) {
        hold(vk::Down); // back to the start
    }
}

template <typename Draw> double timeDrawing(Draw draw)
{
    glFinish();
    const Clock::time_point start = Clock::now();
    draw();
    glFinish();
    return millisecondsSince(start);
}

// Redraws the terrain of the scene's current view (its visible cells, eye and
// coefficient) three ways and times each.
struct Comparison {
    std::vector<double> terrain, limit, bruteForce, whole;
};

void compareLastFrame(Comparison& comparison, bool withWhole)
{
    VeldrunScene& scene = gScene;
    TerrainMap& map = scene.terrainMap;
    const Vec3 eye = scene.camera.eye;
    const float coefficient = scene.lodControl.lodCoefficient;
    const std::vector<uint32_t> batch = batchIndices(map, eye, coefficient);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1024.0 / 768.0, 1.0, 250.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    scene.camera.look();
    glEnable(GL_DEPTH_TEST);
    auto clear = [] { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); };
    comparison.terrain.push_back(timeDrawing([&] {
        clear();
        drawTerrain(map, eye, coefficient);
    }));
    comparison.limit.push_back(timeDrawing([&] {
        clear();
        drawBatch(map, batch);
    }));
    comparison.bruteForce.push_back(timeDrawing([&] {
        clear();
        drawMarkedCellsAtFullDetail(map);
    }));
    if (withWhole)
        comparison.whole.push_back(timeDrawing([&] {
            clear();
            drawWholeTerrainAtFullDetail(map);
        }));
}

double meshGenerationMilliseconds()
{
    TerrainMap map;
    if (!map.loadHeightmap("map/test/map_qv.raw")) return 0.0;
    const Clock::time_point start = Clock::now();
    computeMesh(map, BakedLight{});
    return millisecondsSince(start);
}

} // namespace

int main(int argc, char** argv)
{
    int frames = -1;
    bool soak = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
            frames = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--soak") == 0) {
            soak = true;
        } else {
            std::fprintf(stderr, "usage: veldrun-bench [--frames N] [--soak]\n");
            return 2;
        }
    }
    if (frames < 0) frames = soak ? 20000 : 300;
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // a long soak shows its figures as it goes
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    // The start-up lines would drown the figures.
    platform::SetConsoleHandler([](std::string_view) {});

    WindowRequest request;
    request.title = "Veldrun";
    request.width = 1024;
    request.height = 768;
    request.colourDepth = 32;
    if (OpenMainWindow(request) != OpenResult::Opened) return 1;

    const Clock::time_point startUp = Clock::now();
    StartScene();
    glFinish();
    const double startupMs = millisecondsSince(startUp);

    std::vector<double> frameMs;
    std::vector<double> quads;
    Comparison comparison;
    struct View {
        Camera camera;
        float lodCoefficient;
    };
    std::vector<View> views; // where the comparisons redraw the terrain
    double rssStart = 0.0;
    for (int frame = 0; frame < frames; ++frame) {
        holdFlightKeys(frame);
        const Clock::time_point start = Clock::now();
        UpdateInput();
        DrawFrame();
        glFinish();
        const double ms = millisecondsSince(start);
        PresentFrame();
        if (soak) {
            if (frame == 400) rssStart = residentMegabytes(); // after the first full loop
            if (frame % 2000 == 0)
                std::printf("rss_at_frame_%d_mb %.2f heap_in_use_mb %.2f\n", frame, residentMegabytes(),
                            heapInUseMegabytes());
            continue;
        }
        frameMs.push_back(ms);
        quads.push_back(gScene.lodControl.quadsDrawn);
        // The coefficient settles in the first frames; compare from then on.
        if (frame >= 30 && frame % 10 == 0)
            views.push_back({gScene.camera, gScene.lodControl.lodCoefficient});
    }
    // The program's own footprint, before the comparisons and the extra mesh below add theirs.
    const double peakRss = peakResidentMegabytes();
    for (size_t i = 0; i < views.size(); ++i) {
        gScene.camera = views[i].camera;
        gScene.lodControl.lodCoefficient = views[i].lodCoefficient;
        beginFrame(gScene, kVeldrunLight);
        compareLastFrame(comparison, i % 10 == 0);
    }

    if (soak) {
        const double rssEnd = residentMegabytes();
        std::printf("frames %d\n", frames);
        std::printf("rss_start_mb %.2f\n", rssStart);
        std::printf("rss_end_mb %.2f\n", rssEnd);
        std::printf("rss_growth_mb %.2f\n", rssEnd - rssStart);
    } else {
        const double terrain = median(comparison.terrain);
        const double limit = median(comparison.limit);
        const double bruteForce = median(comparison.bruteForce);
        std::printf("startup_ms %.1f\n", startupMs);
        std::printf("mesh_generation_ms %.1f\n", meshGenerationMilliseconds());
        std::printf("frame_ms_median %.2f\n", median(frameMs));
        std::printf("quads_median %.0f\n", median(quads));
        std::printf("terrain_frame_ms_median %.2f\n", terrain);
        std::printf("limit_frame_ms_median %.2f\n", limit);
        std::printf("bruteforce_frame_ms_median %.2f\n", bruteForce);
        std::printf("wholeterrain_frame_ms_median %.2f\n", median(comparison.whole));
        std::printf("terrain_over_limit %.2f\n", limit > 0 ? terrain / limit : 0.0);
        std::printf("bruteforce_over_terrain %.2f\n", terrain > 0 ? bruteForce / terrain : 0.0);
        std::printf("peak_rss_mb %.1f\n", peakRss);
    }
    ReleaseOverlayFont(gOverlayFont);
    CloseMainWindow();
    ShutdownScene();
    return 0;
}
