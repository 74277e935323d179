#pragma once

#include "view/Vec3.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Working record of one grid cell during mesh generation.
struct CellRecord {
    Vec3 p0, p1, p2, p3; // corners at (x -/+ 0.5, y -/+ 0.5), heights from heightAt
    Vec3 normal;
};

// Everything the terrain consists of. Per-grid-point arrays are indexed
// x + width * y; mesh arrays c + meshColumns * r. An empty vector is an absent
// array. GL names belong to the rendering context.
struct TerrainMap {
    int32_t width = 0;               // grid points per row (128)
    int32_t height = 0;              // grid rows (128)
    uint32_t pointCount = 0;         // width * height
    std::vector<float> heights;      // world units
    std::vector<uint8_t> foliageMap; // the foliage file's bytes
    uint32_t textures[4] = {};       // base tile, detail 1, detail 2, light texture
    int32_t cellCount = 0;           // pointCount while the mesh is generated, else 0
    std::vector<CellRecord> cells;   // only during mesh generation
    std::vector<Vec3> normals;       // unit normal per grid point, pointing up
    std::vector<float> vertices;     // 3 floats per mesh vertex; empty once in a buffer object
    std::vector<float> light;        // diffuse light per mesh vertex, 0.25 to 0.9
    std::vector<float> roughness;    // per grid point, 0 to 1
    int32_t subdivision = 0;         // mesh steps per grid step (8)
    int32_t meshColumns = 0;         // 8 * width + 8
    int32_t meshRows = 0;            // 8 * height + 8
    int32_t vertexCount = 0;         // meshColumns * meshRows
    bool usesVertexBuffers = false;
    uint32_t vertexBuffer = 0;
    uint32_t colourBuffer = 0;
    bool usesMultitexture = false;
    std::vector<uint8_t> colours; // RGBA per mesh vertex; empty once in a buffer object
    std::vector<uint8_t> visible; // per cell: 1 = draw this frame

    // Reads a 128 x 128 raw heightmap (height = byte * heightScale), then smooths
    // it once. False when the file cannot be opened; the map is then unchanged.
    // A short file fills the missing samples with 0 and says so on the console.
    bool loadHeightmap(const char* path, float heightScale = 0.125f);
    // Same from bytes already in memory (no console line: the caller knows the
    // size). Samples past `size` are 0, bytes past 16384 are ignored.
    void loadHeightmapBytes(const uint8_t* bytes, std::size_t size, float heightScale = 0.125f);

    // The queries clamp every position onto the grid (NaN counts as 0) and
    // return 0 when there is no grid.
    // Height of the grid point clamped onto the grid.
    float gridHeight(int32_t x, int32_t y) const;
    // Bilinear height at a real position, clamped onto the grid.
    double heightAt(double x, double y) const;
    // Bilinear normal at a real position, not renormalised.
    Vec3 normalAt(float x, float y) const;
    // True once a grid exists (a failed load or release leaves none).
    bool hasGrid() const
    {
        return width > 0 && height > 0 &&
               heights.size() >= static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    }

    // Frees every array; GL names are left to the rendering context.
    void release();
};

// 3 x 3 box filter over a flat index (no column test): each value becomes the
// mean of the old values at i-w-1 .. i+w+1 that lie in [0, w*h). Summed in
// double, stored as float. The array is replaced only when the new one exists.
void smoothGrid(int32_t w, int32_t h, std::vector<float>& values);
// The same filter for the indices [first, end) only, from in (w * h values)
// into out; the pieces of a split pass give exactly the values of one pass.
void smoothGridRange(int32_t w, int32_t h, const float* in, float* out, int64_t first, int64_t end);
