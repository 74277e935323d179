#pragma once

// The terrain cursor: the world point under the mouse pointer, found by reading
// the depth buffer and un-projecting, and the red patch over the picked cell.
// Needs a current OpenGL context (except unprojectWindowPoint).

#include "view/Vec3.h"

struct TerrainMap;

// Window point (winX, winY from the bottom-left, depth 0 to 1) back to world
// coordinates with gluUnProject; (0, 0, 0) when the matrices are singular.
// Matrices column-major as the GL returns them; viewport x, y, width, height.
Vec3 unprojectWindowPoint(double winX, double winY, double depth, const double modelview[16],
                          const double projection[16], const int viewport[4]);

// World point under client pixel (px, py) (y growing downwards) with the
// current viewport and matrices: one depth read, then unprojectWindowPoint.
// Must run after the terrain is drawn and before anything else writes depth.
Vec3 pickPointAt(int px, int py);

// World point under the mouse pointer; `previous` when the pointer is outside
// the client area.
Vec3 pickCursorPoint(Vec3 previous);

// Draws mesh columns 8cx..8cx+7 and rows 8cy..8cy+7 of cell (cx, cy) as quad
// strips in the current colour (no colour or texture arrays). Nothing for a
// cell outside the grid or a map without a mesh. With buffer objects the
// vertex buffer stays bound afterwards.
void highlightCell(const TerrainMap& map, int cx, int cy);
