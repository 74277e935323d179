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
           "  veldrun-data --heightmap-from IMAGE --out FILE.raw\n"
           "      Turns a greyscale PNG or PGM (P2/P5) picture of any size into a\n"
           "      128 x 128 heightmap: bilinear resampling, heights stretched to 0-255,\n"
           "      the picture's top row first.\n"
           "  veldrun-data --help\n"
           "      Shows this text.\n";
}

Command parseCommandLine(const std::vector<std::string>& args)
{
    Command cmd;
    bool haveSeed = false;
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
            haveSeed = true;
        }
    }
    if (cmd.out.empty()) return fail(args.empty() ? "nothing to do" : "--out is missing");
    if (!cmd.image.empty()) {
        if (haveSeed) return fail("--seed has no meaning with --heightmap-from");
        cmd.kind = Command::Kind::ImportHeightmap;
    } else {
        cmd.kind = Command::Kind::DataSet;
    }
    return cmd;
}

int runCommand(const Command& cmd, std::string& output, std::string& errors)
{
    switch (cmd.kind) {
    case Command::Kind::Help: output += usageText(); return 0;
    case Command::Kind::Error: errors += "veldrun-data: " + cmd.message + "\n" + usageText(); return 2;
    case Command::Kind::DataSet: {
        std::string error;
        if (!writeDataSet(cmd.out, cmd.seed, error)) {
            errors += "veldrun-data: " + error + "\n";
            return 1;
        }
        return 0;
    }
    case Command::Kind::ImportHeightmap: {
        std::vector<uint8_t> bytes;
        std::string error;
        GreyImage img;
        if (!readFileBytes(cmd.image, bytes, error)) {
            errors += "veldrun-data: " + error + "\n";
            return 1;
        }
        if (!decodeGreyImage(bytes, img, error)) {
            errors += "veldrun-data: " + cmd.image + ": " + error + "\n";
            return 1;
        }
        if (!writeFileBytes(cmd.out, resampleToHeightmap(img, kMapSize), error)) {
            errors += "veldrun-data: " + error + "\n";
            return 1;
        }
        output += "Wrote " + cmd.out + " (128 x 128) from a " + std::to_string(img.width) + " x " +
                  std::to_string(img.height) + " picture\n";
        return 0;
    }
    }
    return 2;
}

} // namespace datagen
