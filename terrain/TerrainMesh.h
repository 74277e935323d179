#pragma once

#include "image/Texture.h"
#include "shell/RenderCaps.h"
#include "terrain/TerrainMap.h"
#include "view/Vec3.h"

#include <cstdint>
#include <functional>
#include <vector>

// Render mesh generation: cell normals and roughness, the dense mesh with baked
// light and blend colours, the light texture and the buffer objects. The
// arithmetic is in plain functions (no GL); loadTerrainTextures, uploadLightTexture,
// createVertexBuffers and generateMesh are the GL side.

// Where mesh vertex (0, 0) lies, in world units on both axes: veldrun's mesh
// starts 1/16 before grid point (0, 0), the cliff programs' 9/16 before it.
constexpr float kMeshOrigin = -0.0625f;
constexpr float kCliffMeshOrigin = -0.5625f;

constexpr int32_t kMeshSubdivision = 8; // mesh steps per grid step
constexpr int32_t kLightTextureSize = 512;

// The light values the mesh is baked with (the scene light's position and the
// first components of its diffuse and ambient colours).
struct BakedLight {
    Vec3 position{0.0f, 0.0f, 1024.0f};
    float diffuse = 0.9f;
    float ambient = 0.25f;
};

// Colour of one mesh vertex, bytes in red, green, blue, alpha order.
struct VertexColour {
    uint8_t red = 0, green = 0, blue = 0, alpha = 0;
};

// ---- Grid-point normals and roughness -----------------------------------------

// Corners (x -/+ 0.5, y -/+ 0.5, heightAt) of cell (x, y) and its upward normal,
// -normalize(N1 + N2) of the triangles (P0, P1, P2) and (P1, P2, P3).
CellRecord cellRecord(const TerrainMap& map, int32_t x, int32_t y);
// |gridHeight(x, y) - mean of the up to 9 grid points around it inside the grid|, at most 1.
float pointRoughness(const TerrainMap& map, int32_t x, int32_t y);
// Fills `normals` and `roughness` (unsmoothed) for every grid point, using `cells`
// as working storage that is freed again (`cellCount` back to 0). No grid: nothing.
void computeCellNormals(TerrainMap& map);

// ---- Mesh layout and per-vertex values ----------------------------------------

// Sets subdivision, meshColumns, meshRows and vertexCount from the grid size
// and allocates `vertices` (zero) and, when asked, `light` and `colours`.
// No grid size, a mesh of more than 2^31 vertices or no memory: false, with no
// mesh arrays and all four counts 0.
bool allocateMesh(TerrainMap& map, bool withLight, bool withColours);
// World x (or y) of mesh column (or row) i.
inline float meshCoordinate(int32_t i, float origin)
{
    return static_cast<float>(i) * 0.125f + origin;
}

// Diffuse light of a vertex at p with normal n: dot(normalize(L - p), n) * diffuse,
// raised to the ambient level when below it.
float vertexLight(Vec3 p, Vec3 n, const BakedLight& light);
// Blend alpha for Q = 1 - |3 n.y|: 255 - (trunc((0.8 Q + 0.35) * 255) mod 256),
// taken from the unclamped Q, so it wraps (Q = 1 gives 218).
uint8_t blendAlpha(float q);
// Multitexture colour: grey trunc(clamp(Q, 0, 1) * 255) with blendAlpha(Q);
// single texture: grey trunc(light * 255), alpha 255.
VertexColour vertexColour(Vec3 n, float light, bool multitexture);

// Runs body(firstRow, endRow) over [0, rows) split into contiguous bands, one
// per thread (threads = 0: the machine's cores, at most 4). Bands must not
// depend on each other, so the result is the same with any thread count.
void forEachRowBand(int32_t rows, unsigned threads, const std::function<void(int32_t, int32_t)>& body);

// `vertices` = (meshCoordinate(c), meshCoordinate(r), heightAt) for every vertex.
void computeVertexPositions(TerrainMap& map, float origin, unsigned threads = 0);
// `light` and (when `colours` is allocated) `colours` from the positions in
// `vertices` and normalAt at the vertex's x and y; colours follow usesMultitexture.
void computeVertexLight(TerrainMap& map, const BakedLight& light, unsigned threads = 0);
// Three smoothGrid passes over `light` as a meshColumns x meshRows grid, one
// over `roughness`. The colours keep the unsmoothed light.
void smoothMeshValues(TerrainMap& map, unsigned threads = 0);

// The opening every program's generation shares: normals and roughness
// (unsmoothed), then the mesh layout with `light` and `colours` allocated as
// asked and the positions from `origin`. False, with nothing touched, when
// there is no grid; false without a mesh when memory runs out.
bool computeMeshPositions(TerrainMap& map, float origin, bool withLight, bool withColours,
                          unsigned threads = 0);

// Steps 1 to 5 of veldrun's generation (computeMeshPositions with light and
// colours, then the light, the colours and the smoothing), no GL. Fails as
// computeMeshPositions does.
bool computeMesh(TerrainMap& map, const BakedLight& light, float origin = kMeshOrigin, unsigned threads = 0);

// The 512 x 512 luminance bytes (texel s + 512 t) of the smoothed light: texel
// (s, t) = trunc(light of vertex (s step, t step) * 255), step = subdivision /
// (512 / width). A texel that would fall outside the mesh is 0.
std::vector<uint8_t> lightTexels(const TerrainMap& map);

// ---- GL side -------------------------------------------------------------------

// Loads the tile textures (and, with four units, the detail tiles and the
// light-map file) into `textures` with the given minification filter; always
// true. A failed file leaves its slot.
bool loadTerrainTextures(TerrainMap& map, const RenderCaps& caps, uint32_t minFilter = kDefaultMinFilter);
// New mipmapped luminance texture from lightTexels into slot 3, filters
// GL_LINEAR_MIPMAP_LINEAR / GL_LINEAR; it stays bound.
void uploadLightTexture(TerrainMap& map);
// Moves `vertices` and `colours` into two static buffer objects when caps allow
// (the colour buffer stays bound, the client copies are freed). True only when
// GL reported an error after the upload; false without buffer support.
bool createVertexBuffers(TerrainMap& map, const RenderCaps& caps);
// The whole generation: computeMesh, uploadLightTexture, createVertexBuffers,
// whose result it returns. Without a grid it makes nothing and returns false.
bool generateMesh(TerrainMap& map, const RenderCaps& caps, const BakedLight& light = BakedLight{},
                  unsigned threads = 0);
