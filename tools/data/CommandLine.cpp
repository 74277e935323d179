#include "tools/data/CommandLine.h"

#include <charconv>
#include <cstdio>

#include "tools/data/DataSet.h"
#include "tools/data/Heightmaps.h"

namespace datagen {

namespace {

// A whole decimal number from 0 up, all of `text`.
bool parseCount(const std::string& text, int& value)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= 0;
}

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

} // namespace

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
           "  veldrun-data --out DIR --heightmap-from RASTER [--window X Y SIZE] [--seed N]\n"
           "      The same data set fitted to an elevation raster: every heightmap comes\n"
           "      from it and the trees stand on its own gentle ground. RASTER is any\n"
           "      single-band raster GDAL reads (GeoTIFF, SRTM .hgt, ESRI ASCII grid,\n"
           "      greyscale PNG, binary PGM, ...) or a headerless square of 16-bit\n"
           "      little-endian samples named .r16 or .raw. Samples are taken as stored;\n"
           "      nodata samples are filled from the valid ones around them. The map\n"
           "      covers the raster's largest centred square, or the SIZE x SIZE pixels\n"
           "      from column X and row Y (counted from 0 at the top left); each of its\n"
           "      128 x 128 points averages the pixels it stands for, and the window's\n"
           "      lowest to highest sample span the heights 0 to 255.\n"
           "  veldrun-data --help\n"
           "      Shows this text.\n"
           "Exit status: 0 done, 1 a file could not be read or written, 2 a usage error\n"
           "or a refused raster (nothing is written then).\n";
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
        size_t values = 1;
        if (a == "--window")
            values = 3;
        else if (a != "--out" && a != "--seed" && a != "--heightmap-from")
            return fail("unknown argument '" + a + "'");
        for (size_t k = 1; k <= values; ++k)
            if (i + k >= args.size() || args[i + k].empty()) return fail(a + " needs a value");
        const std::string& value = args[i + 1];
        if (a == "--out") {
            if (!cmd.out.empty()) return fail("--out given twice");
            cmd.out = value;
        } else if (a == "--heightmap-from") {
            if (!cmd.image.empty()) return fail("--heightmap-from given twice");
            cmd.image = value;
        } else if (a == "--window") {
            PixelWindow w;
            if (cmd.window.size != 0) return fail("--window given twice");
            if (!parseCount(args[i + 1], w.x) || !parseCount(args[i + 2], w.y) ||
                !parseCount(args[i + 3], w.size) || w.size == 0)
                return fail(
                    "--window wants the column, row and side of a square in pixels, the side 1 or more");
            cmd.window = w;
        } else {
            uint64_t seed = 0;
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), seed);
            if (ec != std::errc() || end != value.data() + value.size())
                return fail("--seed wants a whole number from 0 to 18446744073709551615, not '" + value +
                            "'");
            cmd.seed = seed;
        }
        i += values;
    }
    if (cmd.out.empty()) return fail(args.empty() ? "nothing to do" : "--out is missing");
    if (cmd.window.size != 0 && cmd.image.empty()) return fail("--window needs --heightmap-from");
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
        ImportedMap map;
        if (!cmd.image.empty()) {
            const ImportResult result = importHeightmap(cmd.image, cmd.window, kMapSize, map, error);
            if (result != ImportResult::Imported) {
                errors += "veldrun-data: " + error + "\n";
                return result == ImportResult::Unreadable ? 1 : 2;
            }
        }
        if (!writeDataSet(cmd.out, cmd.seed, error, cmd.image.empty() ? nullptr : &map.heights)) {
            errors += "veldrun-data: " + error + "\n";
            return 1;
        }
        if (cmd.image.empty()) return 0;
        output += "Wrote the data set in " + cmd.out + " from the " + windowText(map.window) + " of the " +
                  std::to_string(map.rasterWidth) + " x " + std::to_string(map.rasterHeight) +
                  " raster, heights " + number(map.lowest) + " to " + number(map.highest) + " in its units";
        if (map.filled > 0)
            output += ", " + std::to_string(map.filled) + " samples without data filled from around them";
        output += "\n";
        return 0;
    }
    }
    return 2;
}

} // namespace datagen
