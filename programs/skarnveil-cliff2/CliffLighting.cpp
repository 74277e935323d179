#include "CliffLighting.h"

#include "skarnveil/CliffTerrain.h"
#include "skarnveil/ImmediateDraw.h"

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
                            Vec3 eye, float lodCoefficient)
{
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    BeginCliffTerrain(map);
    int32_t count = 0;
    if (lodDrawing) {
        // White once; the material stays at GL's defaults, so the texture is
        // modulated by the lit default material.
        BeginCliffLod(map);
        if (meshNormals.size() >= static_cast<size_t>(map.meshColumns) * static_cast<size_t>(map.meshRows)) {
            count = drawImmediateCells(
                map, eye, lodCoefficient,
                [&](uint32_t i) {
                    const Vec3& n = meshNormals[i];
                    glNormal3f(n.x, n.y, n.z);
                    const float* p = meshPosition(map, i);
                    glTexCoord2fv(p);
                    glVertex3fv(p);
                },
                [] {});
        }
        EndCliffLod();
    } else {
        // The strips send no normals of their own; without this they would be
        // lit with whatever normal came last (a model's or a mesh vertex's).
        glNormal3f(0.0f, 0.0f, 1.0f);
        count = drawCellStrips(map);
    }
    EndCliffTerrain();
    glDisable(GL_LIGHTING);
    return count;
}
