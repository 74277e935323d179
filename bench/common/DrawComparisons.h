#pragma once

// Reference drawings the benchmarks hold the terrain drawing against: the same
// quads in one batch (the limit for this GL) and every marked cell at full
// detail (what a program without level of detail would draw).

#include "view/Vec3.h"

#include <cstdint>
#include <vector>

struct TerrainMap;

// The quads drawTerrain would emit for the map's visible cells, as GL_QUADS
// indices: strip quad i is (s[2i], s[2i+1], s[2i+3], s[2i+2]), the strip's winding.
std::vector<uint32_t> batchIndices(const TerrainMap& map, Vec3 eye, float lodCoefficient);

// drawTerrain's four-unit and array state around one glDrawElements of the batch.
// Returns the quads drawn.
int drawBatch(const TerrainMap& map, const std::vector<uint32_t>& indices);

// Every marked cell at step 1, cell by cell, as drawTerrain draws. Returns the quads.
int drawMarkedCellsAtFullDetail(const TerrainMap& map);

// Every cell the tree can mark (x < width - 1, y < height - 1) at step 1.
int drawWholeTerrainAtFullDetail(TerrainMap& map);

// Median of the values (0 for none).
double median(std::vector<double> values);
