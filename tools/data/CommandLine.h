#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/data/HeightmapImport.h"

namespace datagen {

// What veldrun-data was asked to do.
struct Command {
    enum class Kind { Help, DataSet, Error };
    Kind kind = Kind::Error;
    std::string out;     // data folder
    std::string image;   // raster the data set is fitted to; empty: a generated landscape
    PixelWindow window;  // of the raster; size 0: its largest centred square
    uint64_t seed = 1;   // data set seed
    std::string message; // for Kind::Error
};

// Parses the arguments after the program name.
Command parseCommandLine(const std::vector<std::string>& args);

std::string usageText();

// Runs the command; messages go to the two strings. Returns the process exit code:
// 0 on success, 1 when a file cannot be read or written, 2 for a usage error
// or a raster it does not take (which leaves the folder untouched).
int runCommand(const Command& cmd, std::string& output, std::string& errors);

} // namespace datagen
