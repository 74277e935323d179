// bench_seams: holes in the terrain. Each drawing path renders the generated
// landscape from fixed eyes looking down at the ground (no sky in view) with a
// magenta clear colour, which no texture holds; every magenta pixel left is a
// hole. Counted with the seams stitched and open at the coefficient each
// program's quad control settles at there, and the terrain's frame time with
// and without stitching, interleaved in the same run. Offscreen (the tests'
// context); run it in the data folder.
//
//   bench_seams [--rounds N] [--pictures DIR]
//
// --pictures writes every counted view into DIR as PPM files.

#include "platform/GlApi.h"
#include "programs/skarnveil-cliff/CliffShade.h"
#include "programs/skarnveil-tiles/TilesTerrain.h"
#include "scene/SceneCore.h"
#include "shell/Shell.h"
#include "skarnveil/SkarnveilScene.h"
#include "terrain/TerrainDraw.h"
#include "terrain/TerrainMesh.h"
#include "tests/support/GlTestContext.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint8_t kClear[3] = {255, 0, 255};

struct Eye {
    float x, y, above;  // grid position and height above the ground there
    float heading;      // look direction, degrees from +x
    bool start = false; // the programs' start view instead
};

// Every eye but the start view looks 60 degrees down: the top of the 45-degree
// field of view still points 37.5 degrees down, so only ground is in view.
constexpr float kPitch = 60.0f;

// The start view, then eight eyes around the map's middle looking inwards,
// near enough to it that the ground in view lies inside the map.
std::vector<Eye> eyes()
{
    std::vector<Eye> list{{0.0f, 0.0f, 0.0f, 0.0f, true}};
    const float above[] = {10.0f, 16.0f, 22.0f, 14.0f, 24.0f, 12.0f, 18.0f, 20.0f};
    for (int i = 0; i < 8; ++i) {
        const float angle = 45.0f * static_cast<float>(i) + 10.0f;
        const float radians = angle * 3.14159265f / 180.0f;
        list.push_back(
            {64.0f + 20.0f * std::cos(radians), 64.0f + 20.0f * std::sin(radians), above[i], angle + 180.0f});
    }
    return list;
}

void place(SceneCore& scene, const Eye& eye)
{
    if (eye.start) {
        placeCamera(scene);
        return;
    }
    const float heading = eye.heading * 3.14159265f / 180.0f;
    const float pitch = kPitch * 3.14159265f / 180.0f;
    const float z = static_cast<float>(scene.terrainMap.heightAt(eye.x, eye.y)) + eye.above;
    scene.camera.set(eye.x, eye.y, z, eye.x + std::cos(heading) * std::cos(pitch),
                     eye.y + std::sin(heading) * std::cos(pitch), z - std::sin(pitch), 0.0f, 0.0f, 1.0f);
}

// One program's terrain with the state its drawing needs.
struct Path {
    std::string name;
    int width = 0, height = 0; // the program's window
    std::unique_ptr<SceneCore> scene = std::make_unique<SceneCore>();
    TilesTerrain tiles;
    std::function<int32_t(Path&, TerrainDrawOptions)> draw;
    bool veldrunControl = false; // veldrun's budget control, else the smaller programs'
};

int32_t frame(Path& path, TerrainDrawOptions options)
{
    gScreenSize = {path.width, path.height};
    glClearColor(kClear[0] / 255.0f, kClear[1] / 255.0f, kClear[2] / 255.0f, 1.0f);
    beginFrame(*path.scene, kVeldrunLight);
    return path.draw(path, options);
}

// Frames until the program's coefficient control comes to rest at this eye.
void settle(Path& path)
{
    LodControl& lod = path.scene->lodControl;
    lod.lodCoefficient = 1.0f;
    for (int i = 0; i < 200; ++i) {
        const float last = lod.lodCoefficient;
        lod.quadsDrawn = frame(path, {});
        if (path.veldrunControl)
            adjustLodCoefficient(lod);
        else
            adjustLodCoefficientToBand(lod.lodCoefficient, lod.quadsDrawn);
        if (lod.lodCoefficient == last) return;
    }
}

// The frame as a binary PPM, top row first.
void writePicture(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return;
    std::fprintf(file, "P6 %d %d 255\n", width, height);
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x)
            std::fwrite(&rgba[(static_cast<size_t>(y) * width + x) * 4], 1, 3, file);
    std::fclose(file);
}

long clearPixels(int width, int height, const std::string& picture)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    if (!picture.empty()) writePicture(picture, width, height, pixels);
    long count = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        count += pixels[i] == kClear[0] && pixels[i + 1] == kClear[1] && pixels[i + 2] == kClear[2];
    return count;
}

// Texels of the map's textures that hold the clear colour (it must be none).
long clearTexels(const TerrainMap& map)
{
    long count = 0;
    for (uint32_t name : map.textures) {
        if (name == 0) continue;
        glBindTexture(GL_TEXTURE_2D, name);
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        std::vector<uint8_t> texels(static_cast<size_t>(w) * h * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        for (size_t i = 0; i < texels.size(); i += 3)
            count += texels[i] == kClear[0] && texels[i + 1] == kClear[1] && texels[i + 2] == kClear[2];
    }
    return count;
}

double median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + static_cast<long>(values.size() / 2), values.end());
    return values[values.size() / 2];
}

// Milliseconds of the process's CPU time, llvmpipe's threads included: on a
// shared machine it follows the work done more closely than the wall clock.
double cpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1.0e6;
}

struct FrameTime {
    double wall = 0.0, cpu = 0.0;
};

FrameTime timeFrame(Path& path, TerrainDrawOptions options)
{
    glFinish();
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = cpuMilliseconds();
    frame(path, options);
    glFinish();
    return {std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(),
            cpuMilliseconds() - cpuStart};
}

std::vector<Path> makePaths()
{
    std::vector<Path> paths(5);
    const auto veldrun = [](Path& path, const char* name, bool buffers) {
        path.name = name;
        path.width = 1024;
        path.height = 768;
        path.veldrunControl = true;
        TerrainMap& map = path.scene->terrainMap;
        const RenderCaps caps{buffers, true};
        loadTerrainTextures(map, caps);
        map.loadHeightmap("map/test/map_qv.raw");
        const SceneLight& light = kVeldrunLight;
        generateMesh(
            map, caps,
            {{light.position[0], light.position[1], light.position[2]}, light.diffuse[0], light.ambient[0]});
        path.draw = [](Path& p, TerrainDrawOptions options) {
            glEnable(GL_DEPTH_TEST);
            return drawTerrain(p.scene->terrainMap, p.scene->camera.eye, p.scene->lodControl.lodCoefficient,
                               options);
        };
    };
    veldrun(paths[0], "veldrun buffer objects", true);
    veldrun(paths[1], "veldrun client arrays", false);

    Path& tiles = paths[2];
    tiles.name = "skarnveil-tiles immediate";
    tiles.width = 800;
    tiles.height = 600;
    loadTerrainTextures(tiles.scene->terrainMap, RenderCaps{false, true}, kSkarnveilMinFilter);
    tiles.scene->terrainMap.loadHeightmap("map/test/terraintex.raw");
    GenerateTilesMesh(tiles.scene->terrainMap, tiles.tiles);
    tiles.draw = [](Path& p, TerrainDrawOptions options) {
        return DrawTilesTerrain(p.scene->terrainMap, p.tiles, p.scene->camera.eye,
                                p.scene->lodControl.lodCoefficient, options);
    };

    for (int i : {3, 4}) {
        Path& cliff = paths[static_cast<size_t>(i)];
        const bool lodDrawing = i == 3;
        cliff.name = lodDrawing ? "cliff level of detail" : "cliff strips (F3)";
        cliff.width = 800;
        cliff.height = 600;
        TerrainMap& map = cliff.scene->terrainMap;
        LoadTexture("cliff.tga", map.textures[0], kSkarnveilMinFilter);
        map.loadHeightmap("map/test/map_qv-edited.raw", 0.0625f);
        GenerateShadedCliffMesh(map);
        cliff.draw = [lodDrawing](Path& p, TerrainDrawOptions options) {
            return DrawShadedCliffTerrain(p.scene->terrainMap, lodDrawing, p.scene->camera.eye,
                                          p.scene->lodControl.lodCoefficient, options);
        };
    }
    for (Path& path : paths) {
        path.scene->frameTimer.initialise();
        path.scene->quadViewTree.build(path.scene->terrainMap);
    }
    return paths;
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 5;
    std::string pictures;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--pictures") == 0 && i + 1 < argc) {
            pictures = argv[++i];
        } else {
            std::fprintf(stderr, "usage: bench_seams [--rounds N] [--pictures DIR]\n");
            return 2;
        }
    }
    GlTestContext gl(1024, 768);
    if (!gl.valid()) {
        std::fprintf(stderr, "no offscreen GL context\n");
        return 1;
    }
    std::vector<Path> paths = makePaths();
    for (const Path& path : paths) {
        if (!path.scene->terrainMap.hasGrid() || path.scene->terrainMap.vertexCount == 0) {
            std::fprintf(stderr, "%s: no terrain (run in the data folder)\n", path.name.c_str());
            return 1;
        }
        std::printf("%s: %ld clear-colour texels in its textures\n", path.name.c_str(),
                    clearTexels(path.scene->terrainMap));
    }
    const std::vector<Eye> eyeList = eyes();
    const TerrainDrawOptions open{false, false}, stitched{true, false};
    std::printf("\nclear-colour pixels (magenta) per eye; eye 1 is the start view\n");
    std::printf("%-26s %4s %11s %7s %9s %8s\n", "path", "eye", "coefficient", "quads", "open", "stitched");
    std::vector<std::string> timings;
    for (Path& path : paths) {
        long totals[2] = {};
        std::vector<double> wall[2], cpu[2];
        for (size_t e = 0; e < eyeList.size(); ++e) {
            place(*path.scene, eyeList[e]);
            settle(path);
            long holes[2] = {};
            int32_t quads[2] = {};
            for (int mode = 0; mode < 2; ++mode) {
                quads[mode] = frame(path, mode == 0 ? open : stitched);
                std::string picture;
                if (!pictures.empty())
                    picture = pictures + "/" + std::to_string(&path - paths.data()) + "-eye" +
                              std::to_string(e + 1) + (mode == 0 ? "-open.ppm" : "-stitched.ppm");
                holes[mode] = clearPixels(path.width, path.height, picture);
                totals[mode] += holes[mode];
            }
            if (quads[0] != quads[1])
                std::printf("  quads differ: open %d, stitched %d\n", quads[0], quads[1]);
            std::printf("%-26s %4zu %11.4f %7d %9ld %8ld\n", path.name.c_str(), e + 1,
                        static_cast<double>(path.scene->lodControl.lodCoefficient), quads[1], holes[0],
                        holes[1]);
            // Interleaved, so a change of the machine's load hits both alike.
            for (int round = 0; round < rounds; ++round)
                for (int mode = 0; mode < 2; ++mode) {
                    const FrameTime time = timeFrame(path, mode == 0 ? open : stitched);
                    wall[mode].push_back(time.wall);
                    cpu[mode].push_back(time.cpu);
                }
        }
        std::printf("%-26s %4s %11s %7s %9ld %8ld\n", path.name.c_str(), "all", "", "", totals[0], totals[1]);
        char line[200];
        const double openMs = median(wall[0]), stitchedMs = median(wall[1]);
        const double openCpu = median(cpu[0]), stitchedCpu = median(cpu[1]);
        std::snprintf(line, sizeof line, "%-26s %9.2f %9.2f %7.3f %9.2f %9.2f %7.3f", path.name.c_str(),
                      openMs, stitchedMs, stitchedMs / openMs, openCpu, stitchedCpu, stitchedCpu / openCpu);
        timings.push_back(line);
    }
    std::printf("\nterrain frame time, median of %d interleaved frames per eye and mode (ms)\n", rounds);
    std::printf("%-26s %27s %27s\n", "", "wall clock", "process CPU time");
    std::printf("%-26s %9s %9s %7s %9s %9s %7s\n", "path", "open", "stitched", "ratio", "open", "stitched",
                "ratio");
    for (const std::string& line : timings)
        std::printf("%s\n", line.c_str());
    return 0;
}
