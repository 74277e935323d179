// The generated landscapes through the programs' own code: load, mesh, quad
// view tree, start camera, visible cells and their level of detail, with each
// program's coefficient control run until it settles. Every program must
// settle inside its quad budget from where it starts.

#include "programs/skarnveil-tiles/TilesTerrain.h"
#include "scene/SceneCore.h"
#include "skarnveil/CliffTerrain.h"
#include "terrain/ImmediateLod.h"
#include "terrain/TerrainLod.h"
#include "terrain/TerrainMesh.h"
#include "tools/data/DataSet.h"
#include "tools/data/StartView.h"
#include "view/ViewMatrices.h"

#include <gtest/gtest.h>

#include <map>

TEST(StartViewBudget, EveryProgramSettlesInsideItsBudget)
{
    enum Program { Veldrun, Tiles, Cliff };
    const struct {
        const char* heightmap;
        Program program;
        float heightScale;
        int32_t low, high; // the budget, both ends included
        datagen::QuadRule rule;
    } cases[] = {{"map/test/map_qv.raw", Veldrun, 0.125f, 20000, 34999, datagen::kVeldrunQuads},
                 {"map/test/terraintex.raw", Tiles, 0.125f, 32000, 35000, datagen::kTilesQuads},
                 {"map/test/map_qv-edited.raw", Cliff, 0.0625f, 32000, 35000, datagen::kCliffQuads}};
    for (uint64_t seed : {1u, 2u, 3u}) {
        std::map<std::string, std::vector<uint8_t>> files;
        for (datagen::DataFile& f : datagen::makeDataSet(seed))
            files[f.path] = std::move(f.bytes);
        for (const auto& c : cases) {
            SCOPED_TRACE(c.heightmap + (", seed " + std::to_string(seed)));
            const std::vector<uint8_t>& heightmap = files[c.heightmap];
            SceneCore scene;
            TerrainMap& map = scene.terrainMap;
            map.loadHeightmapBytes(heightmap.data(), heightmap.size(), c.heightScale);
            TilesTerrain tiles;
            ASSERT_TRUE(c.program == Veldrun ? computeMesh(map, BakedLight{})
                        : c.program == Tiles ? ComputeTilesMesh(map, tiles)
                                             : GenerateCliffMeshBase(map, false));
            scene.quadViewTree.build(map);
            placeCamera(scene); // the start view the generator frames its landscapes for
            EXPECT_EQ(std::tuple(scene.camera.eye, scene.camera.target, scene.camera.up),
                      std::tuple(Vec3{32, 32, map.gridHeight(32, 32) + 16}, Vec3{32, 48, 0}, Vec3{0, 0, 1}));
            // Both window sizes (1024 x 768 and 800 x 600) are 4:3.
            scene.frustum.planes = frustumPlanes(perspectiveMatrix(45.0, 4.0 / 3.0, 1.0, 250.0).data(),
                                                 lookAtMatrix(scene.camera).data());
            scene.quadViewTree.markVisible(scene.frustum, map);
            LodControl& lod = scene.lodControl;
            const auto quads = [&] {
                return c.program == Veldrun
                           ? terrainQuadCount(map, scene.camera.eye, lod.lodCoefficient)
                           : immediateTerrainCount(map, scene.camera.eye, lod.lodCoefficient);
            };
            for (int frame = 0; frame < 300; ++frame) {
                lod.quadsDrawn = quads();
                if (c.program == Veldrun)
                    adjustLodCoefficient(lod);
                else
                    adjustLodCoefficientToBand(lod.lodCoefficient, lod.quadsDrawn);
            }
            lod.quadsDrawn = quads();
            EXPECT_GE(lod.quadsDrawn, c.low) << "coefficient " << lod.lodCoefficient;
            EXPECT_LE(lod.quadsDrawn, c.high) << "coefficient " << lod.lodCoefficient;
            // The generator frames its landscapes with an estimate of this count:
            // it must err low (cells seen past a steep rise are missed), but still
            // follow the count, or the framing misleads.
            const long estimate = datagen::startViewQuads(heightmap, lod.lodCoefficient, c.rule);
            EXPECT_TRUE(estimate <= lod.quadsDrawn && estimate >= lod.quadsDrawn * 2 / 5) << estimate;
        }
    }
}
