#include "tools/data/CommandLine.h"

#include <charconv>

#include "tools/data/DataSet.h"
#include "tools/data/FileIo.h"
#include "tools/data/HeightmapImport.h"
#include "tools/data/Heightmaps.h"

namespace datagen {

std::string usageText()
{
    return "Usage:\n"
           "  veldrun-data --out DIR [--seed N]\n"
           "      Writes the whole data set of the four programs below DIR: config.ini,\n"
           "      cliff.tga, map/test/ (heightmaps, foliage map, tiles, light map),\n"
           "      tank/ and Tree/ (MD2 models and skins). The same seed (default 1)\n"
           "      always gives the same bytes.\n"
           "      An existing config.ini is kept; any other file there, or a symbolic\n"
           "      link in its place, is replaced.\n"
           "  veldrun-data --out DIR --heightmap-from IMAGE [--seed N]\n"
           "      The same data set fitted to a picture of any size: every heightmap\n"
           "      comes from it (bilinear resampling to 128 x 128, heights stretched\n"
           "      to 0-255, the picture's top row first) and the trees stand on its\n"
           "      own gentle ground. IMAGE is an 8- or 16-bit greyscale PNG or PGM\n"
           "      (P2/P5), or a headerless square 16-bit little-endian .r16/.raw.\n"
           "  veldrun-data --help\n"
           "      Shows this text.\n";
}

Command parseCommandLine(const std::vector<std::string>& args)
{
    Command cmd;
    const auto fail = [&](const std::string& message) {
        Command e;
        e.kind = Command::Kind::Error;
        e.message = message;
        return e;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            Command h;
            h.kind = Command::Kind::Help;
            return h;
        }
        const bool takesValue = a == "--out" || a == "--seed" || a == "--heightmap-from";
        if (!takesValue) return fail("unknown argument '" + a + "'");
        if (i + 1 >= args.size()) return fail(a + " needs a value");
        const std::string& value = args[++i];
        if (a == "--out") {
            if (!cmd.out.empty()) return fail("--out given twice");
            cmd.out = value;
        } else if (a == "--heightmap-from") {
            if (!cmd.image.empty()) return fail("--heightmap-from given twice");
            cmd.image = value;
        } else {
            uint64_t seed = 0;
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), seed);
            if (ec != std::errc() || end != value.data() + value.size())
                return fail("--seed wants a whole number from 0 to 18446744073709551615, not '" + value +
                            "'");
            cmd.seed = seed;
        }
    }
    if (cmd.out.empty()) return fail(args.empty() ? "nothing to do" : "--out is missing");
    cmd.kind = Command::Kind::DataSet;
    return cmd;
}

int runCommand(const Command& cmd, std::string& output, std::string& errors)
{
    switch (cmd.kind) {
    case Command::Kind::Help: output += usageText(); return 0;
    case Command::Kind::Error: errors += "veldrun-data: " + cmd.message + "\n" + usageText(); return 2;
    case Command::Kind::DataSet: {
        std::string error;
        std::vector<uint8_t> map;
        GreyImage img;
        if (!cmd.image.empty()) {
            std::vector<uint8_t> bytes;
            if (!readFileBytes(cmd.image, bytes, error)) {
                errors += "veldrun-data: " + error + "\n";
                return 1;
            }
            if (!decodeHeightPicture(cmd.image, bytes, img, error)) {
                errors += "veldrun-data: " + cmd.image + ": " + error + "\n";
                return 2;
            }
            map = resampleToHeightmap(img, kMapSize);
        }
        if (!writeDataSet(cmd.out, cmd.seed, error, map.empty() ? nullptr : &map)) {
            errors += "veldrun-data: " + error + "\n";
            return 1;
        }
        if (!map.empty())
            output += "Wrote the data set in " + cmd.out + ", fitted to a " + std::to_string(img.width) +
                      " x " + std::to_string(img.height) + " picture\n";
        return 0;
    }
    }
    return 2;
}

} // namespace datagen
