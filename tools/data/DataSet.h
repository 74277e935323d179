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
std::vector<DataFile> makeDataSet(uint64_t seed);

// Writes makeDataSet(seed) below `folder`. False with a message in `error`.
bool writeDataSet(const std::filesystem::path& folder, uint64_t seed, std::string& error);

} // namespace datagen
