// veldrun-data as its users see it: the command line, and a data set that is
// complete, reproducible and read back as intended by the programs' own readers.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#include "image/Tga.h"
#include "models/Md2Model.h"
#include "models/Md2Normals.h"
#include "models/Units.h"
#include "terrain/TerrainMap.h"
#include "tools/data/CommandLine.h"
#include "tools/data/DataSet.h"

using namespace datagen;
namespace fs = std::filesystem;

namespace {

// A fresh empty folder, removed with the object.
struct TempDir {
    const fs::path path =
        fs::temp_directory_path() / ("veldrun-data-" + std::to_string(std::random_device{}()));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
};

std::vector<uint8_t> readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename Bytes> void writeFile(const fs::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
}

int run(const std::vector<std::string>& args, std::string& errors)
{
    std::string output;
    errors.clear();
    return runCommand(parseCommandLine(args), output, errors);
}

std::vector<uint8_t> file(const std::string& path)
{
    static const std::vector<DataFile> seedOne = makeDataSet(1);
    for (const DataFile& f : seedOne)
        if (f.path == path) return f.bytes;
    return {};
}

Image tga(const std::string& path)
{
    const std::optional<Image> image = decodeTga(file(path));
    EXPECT_TRUE(image.has_value()) << path;
    return image.value_or(Image{});
}

Md2Model md2(const std::string& path)
{
    Md2Model model;
    int64_t badNormals = 0;
    EXPECT_TRUE(parseMd2(file(path), model, &badNormals) && badNormals == 0) << path;
    return model;
}

} // namespace

TEST(CommandLine, OptionsRefusalsAndExitCodes)
{
    std::string out, err;
    const Command help = parseCommandLine({"--out", "x", "-h"}); // help wins
    ASSERT_EQ(help.kind, Command::Kind::Help);
    EXPECT_EQ(runCommand(help, out, err), 0);
    EXPECT_NE(out.find("Usage"), std::string::npos);
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"--out"},
                                               {"--seed", "12"},
                                               {"--out", "a", "--out", "b"},
                                               {"--out", "a", "--seed", "-1"},
                                               {"--out", "a", "--seed", "12x"},
                                               {"--out", "a", "--seed", "18446744073709551616"},
                                               {"--out", "a", "extra"}}) {
        const Command refused = parseCommandLine(args);
        ASSERT_EQ(refused.kind, Command::Kind::Error) << testing::PrintToString(args);
        err.clear();
        EXPECT_EQ(runCommand(refused, out, err), 2);
        EXPECT_NE(err.find("Usage"), std::string::npos);
    }
    EXPECT_EQ(parseCommandLine({"--seed", "18446744073709551615", "--out", "d"}).seed, ~0ull);
}

TEST(CommandLine, ImportWritesAHeightmapOrSaysWhyNot)
{
    const TempDir dir;
    writeFile(dir.path / "in.pgm", std::string("P2 3 2 9\n0 1 2\n3 4 9\n"));
    writeFile(dir.path / "junk.png", std::string("not a picture"));
    std::string err;
    EXPECT_EQ(run({"--heightmap-from", dir.path / "in.pgm", "--out", dir.path / "new"}, err), 0);
    const std::vector<uint8_t> map = readFile(dir.path / "new" / "map" / "test" / "map_qv.raw");
    ASSERT_EQ(map.size(), 16384u);
    EXPECT_EQ(std::pair(map[0], map[16383]), std::pair(uint8_t{0}, uint8_t{255}));
    EXPECT_EQ(run({"--heightmap-from", dir.path / "junk.png", "--out", dir.path / "junk"}, err), 2);
    EXPECT_NE(err.find("unknown image format"), std::string::npos);
    EXPECT_EQ(run({"--heightmap-from", dir.path / "in.pgm", "--out", dir.path / "in.pgm" / "sub"}, err), 1);
    EXPECT_NE(err.find("cannot create folder"), std::string::npos);
}

TEST(DataSet, TheCommandWritesEveryFileAndOnlyTheSeedChangesTheBytes)
{
    const TempDir dir;
    std::string err;
    ASSERT_EQ(run({"--out", dir.path, "--seed", "7"}, err), 0) << err;
    std::set<std::string> written;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path))
        if (entry.is_regular_file()) written.insert(fs::relative(entry.path(), dir.path));
    EXPECT_EQ(written, (std::set<std::string>{
                           "config.ini", "map/test/map_qv.raw", "map/test/map_qv_foliage.raw",
                           "map/test/terraintex.raw", "map/test/map_qv-edited.raw", "map/test/tile1.tga",
                           "map/test/tile2.tga", "map/test/tile3.tga", "map/test/lightmap.tga", "cliff.tga",
                           "tank/tank.md2", "tank/tank.tga", "Tree/Tree_low.md2", "Tree/tree.tga"}));
    int differ = 0;
    for (const DataFile& f : makeDataSet(7)) {
        EXPECT_EQ(readFile(dir.path / f.path), f.bytes) << f.path;
        differ += f.bytes != file(f.path);
    }
    EXPECT_EQ(differ, 11); // all but config.ini and the two model meshes
}

TEST(DataSet, ImagesModelsAndForestReadBackThroughTheProgramsReaders)
{
    const TempDir dir;
    for (const char* path : {"map/test/tile1.tga", "map/test/tile2.tga", "map/test/tile3.tga",
                             "map/test/lightmap.tga", "cliff.tga", "tank/tank.tga", "Tree/tree.tga"}) {
        // ImageMagick shows the picture as the programs' reader does, top row first.
        writeFile(dir.path / "copy.tga", file(path));
        FILE* pipe =
            popen(("/usr/bin/convert '" + (dir.path / "copy.tga").string() + "' rgb:-").c_str(), "r");
        std::vector<uint8_t> magick;
        for (int c = std::fgetc(pipe); c != EOF; c = std::fgetc(pipe))
            magick.push_back(static_cast<uint8_t>(c));
        EXPECT_EQ(pclose(pipe), 0) << path;
        EXPECT_EQ(magick, tga(path).pixels) << path;
    }
    for (const auto& [model, skin] :
         {std::pair{"tank/tank.md2", "tank/tank.tga"}, {"Tree/Tree_low.md2", "Tree/tree.tga"}}) {
        const Md2Model m = md2(model);
        const Image image = tga(skin);
        EXPECT_EQ(std::tuple(m.header.skinwidth, m.header.skinheight), std::tuple(image.width, image.height));
        ASSERT_FALSE(m.frameMin.empty());
        // A unit stands where it is placed: on the ground, centred across and
        // (up to the tank's barrel) along.
        EXPECT_NEAR(m.frameMin[0].z, 0.0f, 0.01f) << model;
        EXPECT_NEAR(m.frameMin[0].y + m.frameMax[0].y, 0.0f, 0.05f) << model;
        EXPECT_NEAR(m.frameMin[0].x + m.frameMax[0].x, 0.0f, 1.0f) << model;
    }
    // Two trees per foliage byte below 32: a forest, not the whole map.
    TerrainMap map;
    map.loadHeightmapBytes(file("map/test/map_qv.raw").data(), file("map/test/map_qv.raw").size());
    UnitPresets presets;
    FoliageList trees;
    RandomFraction random;
    placeFoliageBytes(map, file("map/test/map_qv_foliage.raw"), trees, presets, random);
    EXPECT_GE(trees.size(), 600u);
    EXPECT_LE(trees.size(), 2400u);
}

TEST(DataSet, TheTreeShowsABrownTrunkUnderAGreenCrownLitFromOutside)
{
    const Md2Model tree = md2("Tree/Tree_low.md2");
    const Image skin = tga("Tree/tree.tga");
    ASSERT_FALSE(tree.frames.empty());
    const std::vector<Vec3>& p = tree.frames[0].positions;
    int trunk = 0, crown = 0, brownTrunk[2] = {}, greenCrown[2] = {};
    for (const Md2Triangle& t : tree.triangles) {
        Vec3 centre{};
        float u = 0, v = 0;
        for (int k = 0; k < 3; ++k) {
            centre = centre + p[static_cast<size_t>(t.vertexIndices[k])] * (1.0f / 3);
            u += tree.texCoords[static_cast<size_t>(t.texCoordIndices[k])].u / 3;
            v += tree.texCoords[static_cast<size_t>(t.texCoordIndices[k])].v / 3;
        }
        const bool inTrunk = std::hypot(centre.x, centre.y) < 0.2f && centre.z<0.9f, inCrown = centre.z> 1.5f;
        trunk += inTrunk;
        crown += inCrown;
        // The drawing sends (u, -v) to a repeating texture whose row k is the reader's row k; veldrun
        // draws models through the texture matrix of 0.1 that the terrain drawing leaves behind.
        for (const int i : {0, 1}) {
            const float scale = i == 0 ? 1.0f : 0.1f;
            const float s = u * scale - std::floor(u * scale), r = -v * scale - std::floor(-v * scale);
            const uint8_t* texel = &skin.pixels[(static_cast<size_t>(r * skin.height) * skin.width +
                                                 static_cast<size_t>(s * skin.width)) *
                                                3];
            brownTrunk[i] += inTrunk && texel[0] > texel[1];
            greenCrown[i] += inCrown && texel[1] > texel[0];
        }
    }
    // Through veldrun's tenth-size copy the trunk's edge may take the green of the needles beside it.
    EXPECT_EQ(std::tuple(brownTrunk[0], greenCrown[0], greenCrown[1]), std::tuple(trunk, crown, crown));
    EXPECT_GT(brownTrunk[1], trunk / 2);
    EXPECT_TRUE(trunk > 5 && crown > 20) << trunk << " trunk and " << crown << " crown triangles";
    // Normals point away from the trunk's axis, or down under the cones.
    for (size_t i = 0; i < p.size(); ++i) {
        const float* n = kMd2Normals[tree.frames[0].normalIndices[i]];
        const float r = std::hypot(p[i].x, p[i].y);
        EXPECT_TRUE(r < 0.05f || n[0] * p[i].x + n[1] * p[i].y > 0.1f * r || n[2] < -0.9f) << i;
    }
}
