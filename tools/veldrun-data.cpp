// veldrun-data: writes the data set the four programs read, or converts a
// greyscale picture into a heightmap. See --help.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/data/CommandLine.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string output;
    std::string errors;
    const int code = datagen::runCommand(datagen::parseCommandLine(args), output, errors);
    std::fputs(output.c_str(), stdout);
    std::fputs(errors.c_str(), stderr);
    return code;
}
