#include "programs/skarnveil-cliff2/CliffLighting.h"

#include "platform/GlApi.h"
#include "skarnveil/CliffTerrain.h"

#include <new>

bool GenerateLitCliffMesh(TerrainMap& map, std::vector<Vec3>& meshNormals)
{
    meshNormals.clear();
    if (!GenerateCliffMeshBase(map, false)) return false;
    const size_t count = static_cast<size_t>(map.vertexCount);
    try {
        meshNormals.assign(count, Vec3{});
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (size_t i = 0; i < count; ++i)
        meshNormals[i] = map.normalAt(map.vertices[3 * i], map.vertices[3 * i + 1]);
    return true;
}

int32_t DrawLitCliffTerrain(const TerrainMap& map, const std::vector<Vec3>& meshNormals, bool lodDrawing,
                            Vec3 eye, float lodCoefficient, TerrainDrawOptions options)
{
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    // The strips send no normals of their own; without this they would be
    // lit with whatever normal came last (a model's or a mesh vertex's).
    if (!lodDrawing) glNormal3f(0.0f, 0.0f, 1.0f);
    const auto normal = [&meshNormals](uint32_t i) {
        const Vec3& n = meshNormals[i];
        glNormal3f(n.x, n.y, n.z);
    };
    // The colour is white and the material stays at GL's defaults, so the
    // texture is modulated by the lit default material.
    const int32_t count =
        DrawCliffTerrain(map, lodDrawing, eye, lodCoefficient, options, meshNormals.size(), normal);
    glDisable(GL_LIGHTING);
    return count;
}
