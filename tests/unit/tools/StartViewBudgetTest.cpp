// The generated landscapes through the programs' own code: load, mesh, quad
// view tree, start camera, then frames of the shared frame start and each
// program's own terrain drawing on a real context, with its coefficient
// control, until they settle. Every program must settle inside its quad
// budget from where it starts.

#include "programs/skarnveil-cliff/CliffShade.h"
#include "programs/skarnveil-tiles/TilesTerrain.h"
#include "scene/SceneCore.h"
#include "shell/Shell.h"
#include "terrain/TerrainDraw.h"
#include "terrain/TerrainMesh.h"
#include "tests/support/GlTestContext.h"
#include "tools/data/DataSet.h"
#include "tools/data/StartView.h"

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
    GlTestContext gl(40, 30);
    ASSERT_TRUE(gl.valid());
    gScreenSize = {800, 600}; // both window sizes (1024 x 768 and 800 x 600) are 4:3
    for (uint64_t seed : {1u, 2u, 3u}) {
        std::map<std::string, std::vector<uint8_t>> files;
        for (datagen::DataFile& f : datagen::makeDataSet(seed))
            files[f.path] = std::move(f.bytes);
        for (const auto& c : cases) {
            SCOPED_TRACE(c.heightmap + (", seed " + std::to_string(seed)));
            const std::vector<uint8_t>& heightmap = files[c.heightmap];
            SceneCore scene;
            scene.frameTimer.initialise();
            TerrainMap& map = scene.terrainMap;
            map.loadHeightmapBytes(heightmap.data(), heightmap.size(), c.heightScale);
            TilesTerrain tiles;
            ASSERT_TRUE(c.program == Veldrun ? computeMesh(map, BakedLight{})
                        : c.program == Tiles ? ComputeTilesMesh(map, tiles)
                                             : GenerateShadedCliffMesh(map));
            scene.quadViewTree.build(map);
            placeCamera(scene); // the start view the generator frames its landscapes for
            LodControl& lod = scene.lodControl;
            const auto quads = [&, eye = scene.camera.eye] {
                beginFrame(scene, kVeldrunLight);
                return c.program == Veldrun ? drawTerrain(map, eye, lod.lodCoefficient)
                       : c.program == Tiles ? DrawTilesTerrain(map, tiles, eye, lod.lodCoefficient)
                                            : DrawShadedCliffTerrain(map, true, eye, lod.lodCoefficient);
            };
            for (int frame = 0; frame < 300; ++frame) {
                const float last = lod.lodCoefficient;
                lod.quadsDrawn = quads();
                if (c.program == Veldrun)
                    adjustLodCoefficient(lod);
                else
                    adjustLodCoefficientToBand(lod.lodCoefficient, lod.quadsDrawn);
                if (lod.lodCoefficient == last) break; // the view stays, so would the coefficient
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
