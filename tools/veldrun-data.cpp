// veldrun-data: writes the data set the four programs read, or fits it to an
// elevation raster. See --help.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "tools/data/CommandLine.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string output;
    std::string errors;
    int code = 2;
    try {
        code = datagen::runCommand(datagen::parseCommandLine(args), output, errors);
    } catch (const std::bad_alloc&) {
        // A raster within the limits may still not fit where memory is short.
        errors += "veldrun-data: out of memory\n";
        code = 2;
    }
    std::fputs(output.c_str(), stdout);
    std::fputs(errors.c_str(), stderr);
    return code;
}
