// veldrun-data as its users see it: the command line, and a data set that is
// complete, reproducible and read back as intended by the programs' own readers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#include "image/Tga.h"
#include "models/Md2Model.h"
#include "models/Md2Normals.h"
#include "tests/support/TempFiles.h"
#include "tools/data/CommandLine.h"
#include "tools/data/DataSet.h"

using namespace datagen;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> file(const std::string& path)
{
    static const std::vector<DataFile> seedOne = makeDataSet(1);
    for (const DataFile& f : seedOne)
        if (f.path == path) return f.bytes;
    return {};
}

Image tga(const std::string& path)
{
    return decodeTga(file(path)).value_or(Image{});
}

Md2Model md2(const std::string& path)
{
    Md2Model model;
    int64_t badNormals = 0;
    EXPECT_TRUE(parseMd2(file(path), model, &badNormals) && badNormals == 0) << path;
    return model;
}

} // namespace

TEST(CommandLine, ExitCodesAndMessages)
{
    const TempDir dir;
    const std::string d = dir.path.string() + "/"; // where a wrongly accepted command would write
    std::ofstream(d + "in.pgm") << "P5 3 2 9\n" << std::string("\0\1\2\3\4\t", 6);
    const struct {
        std::vector<std::string> args;
        int code;
        std::string says;
    } cases[] = {
        {{"--out", d + "x", "-h"}, 0, "Usage"}, // help wins
        {{}, 2, "Usage"},
        {{"--out"}, 2, "Usage"},
        {{"--seed", "12"}, 2, "Usage"},
        {{"--out", d + "a", "--out", d + "b"}, 2, "Usage"},
        {{"--out", d + "a", "--seed", "-1"}, 2, "Usage"},
        {{"--out", d + "a", "--seed", "12x"}, 2, "Usage"},
        {{"--out", d + "a", "--seed", "18446744073709551616"}, 2, "Usage"},
        {{"--out", d + "a", "extra"}, 2, "Usage"},
        {{"--heightmap-from", d + "in.pgm", "--out", d + "in.pgm/sub"}, 1, "cannot create folder"},
        {{"--heightmap-from", d + "in.pgm", "--out", d + "new", "--seed", "3"}, 0, ""},
    };
    for (const auto& c : cases) {
        std::string out, err;
        EXPECT_EQ(runCommand(parseCommandLine(c.args), out, err), c.code) << testing::PrintToString(c.args);
        EXPECT_NE((out + err).find(c.says), std::string::npos) << out + err;
    }
    EXPECT_FALSE(fs::exists(d + "a"));
    // The picture's lowest and highest samples span the map's 0 to 255.
    const std::vector<uint8_t> map = read<std::vector<uint8_t>>(d + "new/map/test/map_qv.raw");
    ASSERT_EQ(map.size(), 16384u);
    EXPECT_EQ(std::pair(map[0], map[16383]), std::pair(uint8_t{0}, uint8_t{255}));
    EXPECT_EQ(parseCommandLine({"--seed", "18446744073709551615", "--out", "d"}).seed, ~0ull);
}

TEST(DataSet, TheCommandWritesEveryFileAndOnlyTheSeedChangesTheBytes)
{
    const TempDir dir;
    std::string out, err;
    ASSERT_EQ(runCommand(parseCommandLine({"--out", dir.path, "--seed", "7"}), out, err), 0) << err;
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
        EXPECT_EQ(read<std::vector<uint8_t>>(dir.path / f.path), f.bytes) << f.path;
        differ += f.bytes != file(f.path);
        if (!f.path.ends_with(".tga")) continue;
        // ImageMagick shows the picture as the programs' reader does, top row first.
        FILE* pipe = popen(("/usr/bin/convert '" + (dir.path / f.path).string() + "' rgb:-").c_str(), "r");
        std::vector<uint8_t> magick;
        for (int c = std::fgetc(pipe); c != EOF; c = std::fgetc(pipe))
            magick.push_back(static_cast<uint8_t>(c));
        EXPECT_EQ(pclose(pipe), 0) << f.path;
        EXPECT_EQ(magick, decodeTga(f.bytes).value_or(Image{}).pixels) << f.path;
    }
    EXPECT_EQ(differ, 11); // all but config.ini and the two model meshes
}

TEST(DataSet, ModelsStandOnTheGroundWithTheirSkinsAndTheFoliageMakesAForest)
{
    for (const auto& [model, skin] :
         {std::pair{"tank/tank.md2", "tank/tank.tga"}, {"Tree/Tree_low.md2", "Tree/tree.tga"}}) {
        const Md2Model m = md2(model);
        const Image image = tga(skin);
        EXPECT_EQ(std::pair(m.header.skinwidth, m.header.skinheight), std::pair(image.width, image.height));
        ASSERT_FALSE(m.frameMin.empty());
        // A unit stands where it is placed: on the ground, centred across and
        // (up to the tank's barrel) along.
        EXPECT_NEAR(m.frameMin[0].z, 0.0f, 0.01f) << model;
        EXPECT_NEAR(m.frameMin[0].y + m.frameMax[0].y, 0.0f, 0.05f) << model;
        EXPECT_NEAR(m.frameMin[0].x + m.frameMax[0].x, 0.0f, 1.0f) << model;
    }
    // Two trees per foliage byte below 32: a forest, not the whole map.
    const std::vector<uint8_t> foliage = file("map/test/map_qv_foliage.raw");
    const auto treePoints = std::ranges::count_if(foliage, [](uint8_t b) { return b < 32; });
    EXPECT_TRUE(foliage.size() == 16384 && treePoints >= 300 && treePoints <= 1200) << treePoints;
}

TEST(DataSet, TheTreeShowsABrownTrunkUnderAGreenCrownLitFromOutside)
{
    const Md2Model tree = md2("Tree/Tree_low.md2");
    const Image skin = tga("Tree/tree.tga");
    ASSERT_FALSE(tree.frames.empty() || skin.pixels.empty());
    const std::vector<Vec3>& p = tree.frames[0].positions;
    int trunk = 0, crown = 0, brownTrunk = 0, greenCrown = 0;
    for (const Md2Triangle& t : tree.triangles) {
        Vec3 centre{};
        float u = 0, v = 0;
        for (int k = 0; k < 3; ++k) {
            centre = centre + p[static_cast<size_t>(t.vertexIndices[k])] * (1.0f / 3);
            u += tree.texCoords[static_cast<size_t>(t.texCoordIndices[k])].u / 3;
            v += tree.texCoords[static_cast<size_t>(t.texCoordIndices[k])].v / 3;
        }
        // The skin as drawn: (u, -v) through the identity texture matrix, on a repeating texture
        // whose row k is the reader's row k.
        const float s = u - std::floor(u), r = -v - std::floor(-v);
        const size_t texel =
            static_cast<size_t>(r * skin.height) * skin.width + static_cast<size_t>(s * skin.width);
        const bool inTrunk = std::hypot(centre.x, centre.y) < 0.2f && centre.z < 0.9f;
        const bool inCrown = centre.z > 1.5f;
        trunk += inTrunk;
        crown += inCrown;
        brownTrunk += inTrunk && skin.pixels[3 * texel] > skin.pixels[3 * texel + 1];
        greenCrown += inCrown && skin.pixels[3 * texel + 1] > skin.pixels[3 * texel];
    }
    EXPECT_TRUE(trunk > 5 && crown > 20) << trunk << " trunk and " << crown << " crown triangles";
    EXPECT_EQ(greenCrown, crown);
    EXPECT_GT(brownTrunk, trunk / 2); // the trunk's edge may take the green of the needles beside it
    // Normals point away from the trunk's axis, or down under the cones.
    for (size_t i = 0; i < p.size(); ++i) {
        const float* n = kMd2Normals[tree.frames[0].normalIndices[i]];
        const float r = std::hypot(p[i].x, p[i].y);
        EXPECT_TRUE(r < 0.05f || n[0] * p[i].x + n[1] * p[i].y > 0.1f * r || n[2] < -0.9f) << i;
    }
}
