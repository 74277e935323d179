#pragma once

// Drawing of the terrain mesh with a per-cell level of detail (the arithmetic
// lives in TerrainLod.h). Needs a current OpenGL context.

#include "terrain/TerrainSeams.h"
#include "view/Vec3.h"

#include <cstdint>

struct TerrainMap;

// Draws every cell whose visible byte is exactly 1 and returns the quads
// emitted. eye in world units; lodCoefficient scales every cell's detail
// (larger = finer). GL state handed on to the rest of the frame on purpose:
// face culling off, all client arrays off, modelview matrix selected, texture
// unit 0 selected with its texture matrix left at a uniform 0.1 scale; with
// four units GL_TEXTURE_2D stays enabled on unit 0 (GL_MODULATE) and units 1-3
// are disabled; with one texture GL_TEXTURE_2D is disabled; with buffer
// objects the colour buffer stays bound. A map without a drawable grid and
// mesh still gets the texture and culling state set and restored, but no
// array is touched and the result is 0. options: stitched cells (each cell
// one triangle list over its own square) or today's strips, which reach one
// band into the next cell row; the level-of-detail view or the textured
// terrain. Either way each cell counts the quads of its step.
int32_t drawTerrain(TerrainMap& map, Vec3 eye, float lodCoefficient, TerrainDrawOptions options = {});

// The state drawTerrain draws its cells in (culling, textures and the texture
// matrix, and the arrays when the map is drawable) and its undoing, for
// drawing other index lists of the same mesh exactly as the terrain is drawn.
void beginTerrainDrawing(const TerrainMap& map);
void endTerrainDrawing(const TerrainMap& map);

// Four-unit tile blending on (units set up 3, 2, 1, 0, unit 0 left selected)
// or off (units 1-3 disabled, unit 0 back to GL_MODULATE).
void setTextureUnits(const TerrainMap& map, bool on);

// Vertex, colour and texture-coordinate arrays from the map's buffer objects
// (the colour buffer stays bound) or from its client-side arrays. Off
// switches every array these enabled off again.
void setBufferArrays(const TerrainMap& map, bool on);
void setClientArrays(const TerrainMap& map, bool on);

// Client-side array pointers are read as buffer offsets while a buffer object
// is bound to GL_ARRAY_BUFFER: unbinds it where the GL has buffer objects.
void releaseArrayBuffer();
