#include "tools/data/DataSet.h"

#include "tools/data/FileIo.h"
#include "tools/data/Foliage.h"
#include "tools/data/Heightmaps.h"
#include "tools/data/Random.h"
#include "tools/data/TankModel.h"
#include "tools/data/Textures.h"
#include "tools/data/TgaWriter.h"
#include "tools/data/TreeModel.h"

namespace datagen {

std::string configIniText()
{
    // The reader skips lines that start with "/", cuts a line at "//" and wants
    // each key at the very start of its line.
    return "// Display settings for veldrun.\n"
           "// Lines starting with / are comments; // ends a setting line.\n"
           "// Width and Height: window size (or the screen mode when full screen).\n"
           "Width=1024\n"
           "Height=768\n"
           "// Bpp: colour depth in bits.\n"
           "Bpp=32\n"
           "// Refresh: screen refresh rate in Hz for full screen, 0 = the current one.\n"
           "Refresh=0\n"
           "// Fullscreen: true for full screen, anything else for a window.\n"
           "Fullscreen=false\n"
           "// ZBpp, UseVBO and UseMT are read but the program decides these itself.\n"
           "ZBpp=16\n"
           "UseVBO=true\n"
           "UseMT=true\n";
}

MapEdits dataSetEdits(uint64_t seed)
{
    const Grid map = fromBytes(toBytes(makeMainLandscape(stageSeed(seed, kMainMap))), kMapSize, kMapSize);
    return chooseEdits(stageSeed(seed, kEdits), map);
}

std::vector<DataFile> makeDataSet(uint64_t seed, const std::vector<uint8_t>* ownMap)
{
    const auto s = [seed](DataStage stage) { return stageSeed(seed, stage); };
    std::vector<DataFile> files;
    const std::string text = configIniText();
    files.push_back({"config.ini", std::vector<uint8_t>(text.begin(), text.end())});

    const std::vector<uint8_t> mainBytes = ownMap ? *ownMap : toBytes(makeMainLandscape(s(kMainMap)));
    files.push_back({"map/test/map_qv.raw", mainBytes});
    // Everything derived from the main map starts from it as stored, in whole bytes.
    const Grid mainMap = fromBytes(mainBytes, kMapSize, kMapSize);
    FoliageParams foliage;
    foliage.seed = s(kFoliage);
    files.push_back({"map/test/map_qv_foliage.raw", makeFoliageMap(mainMap, foliage)});
    files.push_back(
        {"map/test/terraintex.raw", ownMap ? *ownMap : toBytes(makeTerraceLandscape(s(kSecondMap)))});
    files.push_back(
        {"map/test/map_qv-edited.raw", toBytes(applyEdits(mainMap, chooseEdits(s(kEdits), mainMap)))});

    files.push_back({"map/test/tile2.tga", encodeTga(makeGrassTile(s(kGrass)), TgaCompression::None)});
    files.push_back({"map/test/tile1.tga", encodeTga(makeDirtTile(s(kDirt)), TgaCompression::None)});
    files.push_back({"map/test/tile3.tga", encodeTga(makeRockTile(s(kRock)), TgaCompression::None)});
    files.push_back({"map/test/lightmap.tga", encodeTga(makeLightMap(mainMap), TgaCompression::RunLength)});
    files.push_back({"cliff.tga", encodeTga(makeCliffTexture(s(kCliff)), TgaCompression::None)});

    files.push_back({"tank/tank.md2", encodeMd2(makeTankMesh())});
    files.push_back({"tank/tank.tga", encodeTga(paintTankSkin(s(kTankSkin)), TgaCompression::None)});
    files.push_back({"Tree/Tree_low.md2", encodeMd2(makeTreeMesh())});
    files.push_back({"Tree/tree.tga", encodeTga(paintTreeSkin(s(kTreeSkin)), TgaCompression::RunLength)});
    return files;
}

bool writeDataSet(const std::filesystem::path& folder, uint64_t seed, std::string& error,
                  const std::vector<uint8_t>* ownMap)
{
    namespace fs = std::filesystem;
    for (const DataFile& f : makeDataSet(seed, ownMap)) {
        if (f.bytes.empty()) {
            error = "internal error: " + f.path + " came out empty";
            return false;
        }
        const fs::path target = folder / f.path;
        std::error_code ec;
        if (f.path == "config.ini" && fs::exists(fs::symlink_status(target, ec))) continue;
        // A linked folder below the data folder (e.g. one leading into an
        // installed data set) becomes a folder of its own before anything is
        // written into it; every file of the set is written below anyway.
        fs::path below = folder;
        for (const fs::path& part : fs::path(f.path).parent_path()) {
            below /= part;
            if (fs::is_symlink(below, ec)) fs::remove(below, ec);
        }
        if (!writeFileBytes(target, f.bytes, error)) return false;
    }
    return true;
}

} // namespace datagen
