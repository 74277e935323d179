// The raster import with what users bring: rasters written by ImageMagick and
// by GDAL's own tools, never by ours.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "tools/data/HeightmapImport.h"
#include "tools/data/Heightmaps.h"

using namespace datagen;
namespace fs = std::filesystem;

namespace {

const fs::path folder =
    fs::temp_directory_path() / ("veldrun-rasters-" + std::to_string(std::random_device{}()));

// Runs shell commands in the folder.
void make(const std::string& commands)
{
    fs::create_directories(folder);
    ASSERT_EQ(std::system(("cd '" + folder.string() + "' && " + commands).c_str()), 0) << commands;
}

ImportedMap map(const std::string& name, PixelWindow window = {})
{
    ImportedMap imported;
    std::string error;
    EXPECT_EQ(importHeightmap((folder / name).string(), window, kMapSize, imported, error),
              ImportResult::Imported)
        << error;
    return imported;
}

std::string read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct RemoveFolder : testing::Environment {
    void TearDown() override { fs::remove_all(folder); }
};
const auto* removeFolder = testing::AddGlobalTestEnvironment(new RemoveFolder);

} // namespace

TEST(HeightmapImport, GreyRampsReadStraightWhateverGammaOrSrgbChunkTheyCarry)
{
    // ImageMagick labels its greys with a gAMA chunk of 0.45455; gdal_translate puts an sRGB chunk on a copy.
    for (const char* depth : {"8", "16"}) {
        const std::string ramp = std::string("ramp") + depth + ".png";
        make("convert -size 128x128 gradient:black-white -colorspace Gray -depth " + std::string(depth) +
             " " + ramp + " && gdal_translate -q -co SOURCE_ICC_PROFILE_NAME=sRGB " + ramp + " srgb-" + ramp);
        for (const std::string& name : {ramp, "srgb-" + ramp}) {
            EXPECT_NE(read(folder / name).find(name == ramp ? "gAMA" : "sRGB"), std::string::npos) << name;
            const std::vector<uint8_t> heights = map(name).heights;
            for (size_t i = 0; i < heights.size(); ++i)
                ASSERT_NEAR(heights[i], (i / 128) * 255.0 / 127, 1.0) << name << " at " << i;
        }
    }
}

TEST(HeightmapImport, OneSurfaceInEveryFormGivesOneMapAndNodataHolesAreFilled)
{
    // One ramp from 655 m on the top row to 6553 m on the bottom one, placed where the SRTM tile N46E007
    // lies (its .hgt form needs that), as GeoTIFF with a hole of nodata, .hgt, ESRI ASCII grid and RAW.
    const std::string translate =
        "gdal_translate -q -ot Int16 -scale 0 65535 0 6553 -a_srs EPSG:4326 "
        "-a_ullr 6.99958333333333 47.0004166666667 8.00041666666667 45.9995833333333 ";
    make("convert -size 1201x1201 gradient:'gray(10%)'-white -colorspace Gray -depth 16 ramp.png && " +
         translate + "-of SRTMHGT ramp.png N46E007.hgt && cp N46E007.hgt valley.hgt && " + translate +
         "-of AAIGrid ramp.png ramp.asc && convert ramp.png -endian LSB gray:ramp.R16 && "
         "convert ramp.png -fill black -draw 'rectangle 600,300 660,340' -alpha off holed.png && " +
         translate + "-a_nodata 0 holed.png holed.tif");
    const ImportedMap tile = map("N46E007.hgt");
    ASSERT_EQ(tile.heights.size(), 16384u);
    // Each of the map's rows averages the 1201 / 128 rows of the tile it stands for.
    for (size_t i = 0; i < tile.heights.size(); ++i)
        ASSERT_NEAR(tile.heights[i], ((i / 128 + 0.5) * 1201 / 128 - 0.5) * 255 / 1200, 0.6) << i;
    EXPECT_EQ(std::tuple(tile.lowest, tile.highest, tile.filled), std::tuple(655.0, 6553.0, 0));
    for (const char* name : {"valley.hgt", "ramp.asc", "ramp.R16", "holed.tif"}) {
        const ImportedMap other = map(name);
        ASSERT_EQ(other.heights.size(), tile.heights.size());
        for (size_t i = 0; i < tile.heights.size(); ++i)
            ASSERT_NEAR(other.heights[i], tile.heights[i], 1) << name << " at " << i;
    }
    EXPECT_EQ(map("holed.tif").filled, 61 * 41);
}

TEST(HeightmapImport, TheMapIsTheCentredSquareOrTheChosenWindowNeverAStretchedRaster)
{
    // Each map equals the map of the same pixels cut out by ImageMagick.
    make("convert -seed 5 -size 403x344 plasma: -colorspace Gray -depth 16 wide.png && "
         "convert wide.png -rotate 90 tall.png && "
         "convert wide.png -crop 344x344+29+0 +repage wide-centre.png && "
         "convert tall.png -crop 344x344+0+29 +repage tall-centre.png && "
         "convert wide.png -crop 40x40+363+304 +repage wide-corner.png");
    const struct {
        const char* raster;
        PixelWindow window;
        const char* cut;
    } cases[] = {{"wide.png", {}, "wide-centre.png"},
                 {"tall.png", {}, "tall-centre.png"},
                 {"wide.png", {363, 304, 40}, "wide-corner.png"}};
    for (const auto& c : cases)
        EXPECT_EQ(map(c.raster, c.window).heights, map(c.cut).heights) << c.raster;
}

TEST(HeightmapImport, SinglePixelDetailAveragesOutInsteadOfAliasingAndFlatIsFlat)
{
    // A checkerboard of single pixels as large as an SRTM tile: each map point stands for 28 x 28 of them.
    make("convert -size 3601x3601 pattern:gray50 checker.png && "
         "convert -size 9x9 xc:gray40 -depth 8 flat.pgm");
    const std::vector<uint8_t> heights = map("checker.png").heights;
    const auto [lowest, highest] = std::minmax_element(heights.begin(), heights.end());
    EXPECT_TRUE(*lowest >= 127 && *highest <= 128) << int{*lowest} << " to " << int{*highest};
    EXPECT_EQ(map("flat.pgm").heights, std::vector<uint8_t>(16384, 0));
}

#ifdef VELDRUN_DATA_EXE
TEST(HeightmapImport, RefusalsAreOneLineAndExitCode2AndWriteNothing)
{
    // Where a missing limit would take gigabytes, the program is stopped first.
#ifdef __SANITIZE_ADDRESS__
    const std::string limit = "ASAN_OPTIONS=\"$ASAN_OPTIONS:max_allocation_size_mb=512\" ";
#else
    const std::string limit = "ulimit -v 4000000 && ";
#endif
    make("mkfifo fifo && printf 'no raster' > junk.png && printf '123456' > three.raw && "
         "printf 'P5 60000 60000 255\\n' > huge.pgm && "
         "gdal_create -q -outsize 60000 60000 -co SPARSE_OK=YES huge.tif && "
         "convert -size 8x8 gradient:red-blue colour.png && convert colour.png PNG8:palette.png && "
         "convert -size 8x8 xc:black -depth 8 black.pgm && gdal_translate -q -a_nodata 0 black.pgm void.tif");
    const struct {
        std::string arguments;
        int code;
        const char* says;
    } cases[] = {
        {"--heightmap-from /dev/zero", 2, "/dev/zero: not a regular file"},
        {"--heightmap-from fifo", 2, "not a regular file"},
        {"--heightmap-from missing.tif", 1, "cannot read"},
        {"--heightmap-from huge.pgm", 2, "60000 x 60000 raster are more than the 33554432 samples"},
        {"--heightmap-from huge.tif", 2, "are more than the"},
        {"--heightmap-from huge.tif --window 59990 0 11", 2, "are not all in the 60000 x 60000 raster"},
        {"--heightmap-from colour.png", 2, "3 bands"},
        {"--heightmap-from palette.png", 2, "a palette picture"},
        {"--heightmap-from void.tif", 2, "no heights"},
        {"--heightmap-from junk.png", 2, "not a raster GDAL reads"},
        {"--heightmap-from three.raw", 2, "6 bytes are no square"},
        {"--heightmap-from ''", 2, "--heightmap-from needs a value\nUsage"},
        {"--heightmap-from huge.tif --window 0 0 ''", 2, "--window needs a value\nUsage"},
        {"--heightmap-from huge.tif --window 0 x 9", 2, "--window wants the column, row and side"},
        {"--window 0 0 1", 2, "--window needs --heightmap-from\nUsage"},
        {"--heightmap-from huge.tif --out ''", 2, "--out needs a value\nUsage"},
    };
    for (const auto& c : cases) {
        const int status = std::system(("cd '" + folder.string() + "' && " + limit + VELDRUN_DATA_EXE " " +
                                        c.arguments + " --out out >/dev/null 2>stderr")
                                           .c_str());
        const std::string errors = read(folder / "stderr");
        EXPECT_EQ(WEXITSTATUS(status), c.code) << c.arguments << ": " << errors;
        EXPECT_EQ(errors.find("veldrun-data: "), 0u) << errors;
        EXPECT_NE(errors.find(c.says), std::string::npos) << errors;
        EXPECT_TRUE(errors.find("Usage") != std::string::npos || errors.find('\n') == errors.size() - 1)
            << errors;
        EXPECT_FALSE(fs::exists(folder / "out"));
    }
}
#endif
