#include "CliffShade.h"

#include "platform/GlApi.h"
#include "skarnveil/CliffTerrain.h"
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
    return DrawCliffTerrain(map, lodDrawing, eye, lodCoefficient, map.light.size(), [&map](uint32_t i) {
        const float shade = map.light[i];
        glColor3f(shade, shade, shade);
    });
}
