// The generated landscapes seen through the programs' own code: load, mesh,
// quad view tree, start camera, visible cells and their level of detail, with
// each program's coefficient control run until it settles. Every program must
// settle inside its quad budget from where it starts.

#include "programs/skarnveil-tiles/TilesTerrain.h"
#include "scene/LodControl.h"
#include "skarnveil/CliffTerrain.h"
#include "terrain/ImmediateLod.h"
#include "terrain/QuadViewTree.h"
#include "terrain/TerrainLod.h"
#include "terrain/TerrainMesh.h"
#include "tools/data/DataSet.h"
#include "tools/data/StartView.h"
#include "view/Frustum.h"
#include "view/ViewMatrices.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

enum class Program { Veldrun, Tiles, Cliff };

struct StartView {
    TerrainMap map;
    QuadViewTree tree;
    Vec3 eye{};

    int32_t quads(Program program, float coefficient) const
    {
        return program == Program::Veldrun ? terrainQuadCount(map, eye, coefficient)
                                           : immediateTerrainCount(map, eye, coefficient);
    }
};

void openStartView(StartView& view, const std::vector<uint8_t>& heightmap, Program program)
{
    TerrainMap& map = view.map;
    map.loadHeightmapBytes(heightmap.data(), heightmap.size(), program == Program::Cliff ? 0.0625f : 0.125f);
    bool meshed = false;
    TilesTerrain tiles;
    switch (program) {
    case Program::Veldrun: meshed = computeMesh(map, BakedLight{}); break;
    case Program::Tiles: meshed = ComputeTilesMesh(map, tiles); break;
    case Program::Cliff: meshed = GenerateCliffMeshBase(map, false); break;
    }
    ASSERT_TRUE(meshed);
    view.tree.build(map);
    Camera camera;
    camera.set(32.0f, 32.0f, map.gridHeight(32, 32) + 16.0f, 32.0f, 48.0f, 0.0f, 0.0f, 0.0f, 1.0f);
    view.eye = camera.eye;
    // Both window sizes (1024 x 768 and 800 x 600) are 4:3.
    const Matrix4 projection = perspectiveMatrix(45.0, 4.0 / 3.0, 1.0, 250.0);
    const Matrix4 modelview = lookAtMatrix(camera);
    Frustum frustum;
    frustum.planes = frustumPlanes(projection.data(), modelview.data());
    std::memset(map.visible.data(), 0, map.visible.size());
    view.tree.markVisible(frustum, map);
}

struct Settled {
    float coefficient = 0.0f;
    int32_t quads = 0;
};

Settled settle(const StartView& view, Program program)
{
    LodControl lod;
    for (int frame = 0; frame < 300; ++frame) {
        lod.quadsDrawn = view.quads(program, lod.lodCoefficient);
        if (program == Program::Veldrun)
            adjustLodCoefficient(lod);
        else
            adjustLodCoefficientToBand(lod.lodCoefficient, lod.quadsDrawn);
    }
    return {lod.lodCoefficient, view.quads(program, lod.lodCoefficient)};
}

struct Case {
    const char* heightmap;
    Program program;
    int32_t low, high; // the budget, both ends included
    datagen::QuadRule rule;
};

const Case kCases[] = {
    {"map/test/map_qv.raw", Program::Veldrun, 20000, 34999, datagen::kVeldrunQuads},
    {"map/test/terraintex.raw", Program::Tiles, 32000, 35000, datagen::kTilesQuads},
    {"map/test/map_qv-edited.raw", Program::Cliff, 32000, 35000, datagen::kCliffQuads},
};

const std::vector<uint8_t>& fileOf(const std::vector<datagen::DataFile>& set, const std::string& path)
{
    for (const datagen::DataFile& f : set)
        if (f.path == path) return f.bytes;
    static const std::vector<uint8_t> none;
    return none;
}

} // namespace

TEST(StartViewBudget, EveryProgramSettlesInsideItsBudget)
{
    for (uint64_t seed : {1u, 2u, 3u}) {
        const std::vector<datagen::DataFile> set = datagen::makeDataSet(seed);
        for (const Case& c : kCases) {
            SCOPED_TRACE(std::string(c.heightmap) + ", seed " + std::to_string(seed));
            const std::vector<uint8_t>& heightmap = fileOf(set, c.heightmap);
            ASSERT_EQ(heightmap.size(), 128u * 128u);
            StartView view;
            openStartView(view, heightmap, c.program);
            const Settled s = settle(view, c.program);
            EXPECT_GE(s.quads, c.low) << "coefficient " << s.coefficient;
            EXPECT_LE(s.quads, c.high) << "coefficient " << s.coefficient;
            // The generator frames its landscapes with an estimate of this
            // count: it must err low (cells seen past a steep rise are missed),
            // but still follow the count, or the framing misleads.
            const long estimate = datagen::startViewQuads(heightmap, s.coefficient, c.rule);
            EXPECT_LE(estimate, s.quads);
            EXPECT_GE(estimate, s.quads * 2 / 5);
        }
    }
}
