// skarnveil-cliff: one repeated cliff texture over a half-height map, shaded
// by slope; F3 switches to a coarse strip per row.
#include "programs/skarnveil-cliff/CliffShade.h"
#include "skarnveil/CliffTerrain.h"

int main(int argc, char** argv)
{
    return RunCliffProgram(argc, argv, {"skarnveil-cliff", GenerateShadedCliffMesh, DrawShadedCliffTerrain});
}
