#include "skarnveil/MeshBase.h"

#include "terrain/TerrainMesh.h"

#include <new>

bool GenerateMeshBase(TerrainMap& map, float origin, bool withLight)
{
    if (!map.hasGrid()) return false;
    try {
        computeCellNormals(map);
    } catch (const std::bad_alloc&) {
        map.cells.clear();
        map.cells.shrink_to_fit();
        map.cellCount = 0;
        return false;
    }
    allocateMesh(map, withLight, false);
    const size_t count = static_cast<size_t>(map.vertexCount > 0 ? map.vertexCount : 0);
    if (count == 0 || map.vertices.size() < count * 3 || (withLight && map.light.size() < count))
        return false;
    computeVertexPositions(map, origin);
    return true;
}
