// skarnveil-cliff2: skarnveil-cliff lit by OpenGL's light 0 through a normal
// per mesh vertex; F3 switches to a coarse strip per row.
#include "programs/skarnveil-cliff2/CliffLighting.h"
#include "skarnveil/CliffTerrain.h"

#include <vector>

namespace {

std::vector<Vec3> gMeshNormals; // one per mesh vertex, indexed like vertices

} // namespace

int main(int argc, char** argv)
{
    return RunCliffProgram(
        argc, argv,
        {"skarnveil-cliff2", [](TerrainMap& map) { GenerateLitCliffMesh(map, gMeshNormals); },
         [](const TerrainMap& map, bool lodDrawing, Vec3 eye, float lodCoefficient,
            TerrainDrawOptions options) {
             return DrawLitCliffTerrain(map, gMeshNormals, lodDrawing, eye, lodCoefficient, options);
         }});
}
