#pragma once

// What the two cliff programs share: the "cliff.tga" texture, the mesh shifted
// to start 0.5625 before grid point (0, 0) and the terrain drawing (the texture
// matrix repeats the cliff four times across the map) in its level-of-detail
// and coarse strip modes.

#include "terrain/TerrainMap.h"
#include "terrain/TerrainSeams.h"
#include "view/Vec3.h"

#include <cstdint>
#include <functional>

// What tells the two cliff programs apart.
struct CliffVariant {
    const char* name; // the program's name for its data folder
    std::function<void(TerrainMap&)> generateMesh;
    std::function<int32_t(const TerrainMap&, bool lodDrawing, Vec3 eye, float lodCoefficient,
                          TerrainDrawOptions)>
        drawTerrain;
};

// A whole cliff program: its data folder (heightmap, "cliff.tga", the tank),
// the start-up with "cliff.tga" in slots 0 and 1 and the heights of
// "map/test/map_qv-edited.raw" at byte x 0.0625 smoothed once, F3 switching
// between the level-of-detail drawing and the strips, and the run.
int RunCliffProgram(int argc, char** argv, const CliffVariant& variant);

// Normals and roughness (unsmoothed), then the mesh with origin -0.5625 and
// its positions; `light` allocated (zero) when asked. False without a grid or
// when memory runs out (then no mesh).
bool GenerateCliffMeshBase(TerrainMap& map, bool withLight);

// The terrain step of both cliff programs: depth test and GL_TEXTURE_2D on,
// blending off, the texture matrix pushed and scaled by (1 / (width x 0.25),
// 1 / (height x 0.25), 0.1) for the drawing, then popped (the modelview matrix
// selected). With lodDrawing the immediate level-of-detail cells: colour
// white, slot 0 bound, front faces culled (culling off afterwards), back faces
// filled, vertexAttribute(i) sent before each vertex's texture coordinate and
// position, and no cells unless attributeCount covers the mesh; stitched and
// as the level-of-detail view as the options say. Otherwise the strips.
// Returns the count of the drawing used.
int32_t DrawCliffTerrain(const TerrainMap& map, bool lodDrawing, Vec3 eye, float lodCoefficient,
                         TerrainDrawOptions options, size_t attributeCount,
                         const std::function<void(uint32_t)>& vertexAttribute);

// The walk of one grid row of visible bytes: from the first cell marked 1
// through the marked cells after it and the first unmarked cell after them
// (or to the row's end). walked = 0 when the row has no marked cell.
struct CellStripRow {
    int first = 0;
    int walked = 0;
    // What the row adds to the count: one per walked cell plus the closing
    // edge of the row's last cell.
    int count() const { return walked > 0 ? walked + 1 : 0; }
};
CellStripRow walkCellStripRow(const uint8_t* visibleRow, int width);

// The stitched form of a row's walk: every cell from the first to the last one
// a stitched drawing draws (marked, or the cell after a marked one in x, y or
// both: the corners lie half a unit before the grid point), to be closed by
// the last one's own right edge. No quad reaches on to the row's end, so
// neighbouring rows meet vertex for vertex. walked = 0 when the row has none.
CellStripRow stitchedCellStripRow(const TerrainMap& map, int y);

// The coarse mode: one GL_QUAD_STRIP per grid row, left edges (P0, P3) of the
// walked cells, then the right edge (P1, P2) of the row's last cell, or with
// `stitched` of the last cell of the stitched walk; corners from heightAt,
// texture coordinates their x and y, no colours. Polygon mode fill both
// sides, colour white, slot 0 bound, texturing on; culling as it was. Returns
// the count of the walks, stitched or not.
int32_t drawCellStrips(const TerrainMap& map, bool stitched = false);
