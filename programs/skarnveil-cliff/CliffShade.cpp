#include "CliffShade.h"

#include "skarnveil/CliffTerrain.h"
#include "skarnveil/ImmediateDraw.h"
#include "terrain/SlopeShade.h"

bool GenerateShadedCliffMesh(TerrainMap& map)
{
    if (!GenerateCliffMeshBase(map, true)) return false;
    if (map.light.size() < static_cast<size_t>(map.vertexCount)) return false;
    computeCliffShade(map);
    // The first pass leaves the edge rows and columns as they were.
    smoothInterior(map.meshColumns, map.meshRows, map.light);
    smoothGrid(map.meshColumns, map.meshRows, map.light);
    return true;
}

int32_t DrawShadedCliffTerrain(const TerrainMap& map, bool lodDrawing, Vec3 eye, float lodCoefficient)
{
    BeginCliffTerrain(map);
    int32_t count = 0;
    if (lodDrawing) {
        BeginCliffLod(map);
        if (map.light.size() >= static_cast<size_t>(map.meshColumns) * static_cast<size_t>(map.meshRows)) {
            count = drawImmediateCells(
                map, eye, lodCoefficient,
                [&map](uint32_t i) {
                    const float shade = map.light[i];
                    glColor3f(shade, shade, shade);
                    const float* p = meshPosition(map, i);
                    glTexCoord2fv(p);
                    glVertex3fv(p);
                },
                [] {});
        }
        EndCliffLod();
    } else {
        count = drawCellStrips(map);
    }
    EndCliffTerrain();
    return count;
}
