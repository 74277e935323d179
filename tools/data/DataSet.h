#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/data/Heightmaps.h"

namespace datagen {

// One generated file: its path relative to the data folder and its bytes.
struct DataFile {
    std::string path;
    std::vector<uint8_t> bytes;
};

// The text of config.ini: a commented example asking for a 1024 × 768 window
// with 32-bit colour.
std::string configIniText();

// Each part of the data set draws from its own seed, stageSeed(data set seed, stage),
// so changing one part leaves the others as they were.
enum DataStage : uint32_t {
    kMainMap = 1,
    kFoliage,
    kSecondMap,
    kEdits,
    kGrass,
    kDirt,
    kRock,
    kCliff,
    kTankSkin,
    kTreeSkin,
};

// The edits of map_qv-edited.raw for a data set seed (generates the main landscape again).
MapEdits dataSetEdits(uint64_t seed);

// Every file of the data set, in a fixed order. The same seed gives the same bytes.
// With `ownMap` (128 x 128 byte heights, e.g. from a picture) the set is fitted
// to it: it is the main and the tiles program's heightmap, and the cliff map,
// the foliage and the light map are derived from it as from a generated one.
std::vector<DataFile> makeDataSet(uint64_t seed, const std::vector<uint8_t>* ownMap = nullptr);

// Writes makeDataSet(seed, ownMap) below `folder`. Each file replaces what is
// there, a symbolic link included, without writing through it; an existing
// config.ini is the user's and is kept. False with a message in `error`.
bool writeDataSet(const std::filesystem::path& folder, uint64_t seed, std::string& error,
                  const std::vector<uint8_t>* ownMap = nullptr);

} // namespace datagen
