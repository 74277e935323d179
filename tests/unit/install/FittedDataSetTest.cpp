#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "tools/data/CommandLine.h"
#include "tools/data/DataSet.h"
#include "tools/data/Foliage.h"
#include "tools/data/HeightmapImport.h"

namespace fs = std::filesystem;
using namespace datagen;

namespace {

std::vector<uint8_t> read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void write(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> bytes(const std::string& s)
{
    return {s.begin(), s.end()};
}

} // namespace

TEST(FittedDataSet, ReplacesLinksWithoutWritingThroughThemAndKeepsConfigIni)
{
    const fs::path root =
        fs::temp_directory_path() / ("veldrun-fitted-" + std::to_string(std::random_device{}()));
    const fs::path installed = root / "installed", out = root / "user";
    write(installed / "map_qv.raw", bytes("installed"));
    write(installed / "tank/skin", bytes("installed"));
    write(out / "config.ini", bytes("Width=800\n"));
    fs::create_directories(out / "map/test");
    fs::create_symlink(installed / "map_qv.raw", out / "map/test/map_qv.raw");
    fs::create_symlink(installed / "tank", out / "tank");
    // A flat plain on the left, a gentle slope on the right.
    std::vector<uint8_t> own(kMapSize * kMapSize);
    for (size_t i = 0; i < own.size(); ++i)
        own[i] = static_cast<uint8_t>(std::max(0, static_cast<int>(i % kMapSize) - 64) * 4);

    std::string error;
    ASSERT_TRUE(writeDataSet(out, 1, error, &own)) << error;
    EXPECT_EQ(read(installed / "map_qv.raw"), bytes("installed"));
    EXPECT_EQ(std::distance(fs::directory_iterator(installed / "tank"), {}), 1);
    EXPECT_FALSE(fs::is_symlink(out / "map/test/map_qv.raw"));
    EXPECT_FALSE(fs::is_symlink(out / "tank"));
    EXPECT_EQ(read(out / "config.ini"), bytes("Width=800\n"));
    EXPECT_EQ(read(out / "map/test/map_qv.raw"), own);
    EXPECT_EQ(read(out / "map/test/terraintex.raw"), own);
    const std::vector<uint8_t> foliage = read(out / "map/test/map_qv_foliage.raw");
    ASSERT_EQ(foliage.size(), own.size());
    EXPECT_GE(countTreePoints(foliage), 300);
    for (size_t i = 0; i < foliage.size(); ++i)
        EXPECT_TRUE(foliage[i] >= kTreeThreshold || i % kMapSize >= 60)
            << "a tree on the flat plain at " << i;
    fs::remove_all(root);
}

TEST(FittedDataSet, PicturesTerrainToolsExport)
{
    const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I',
                                      'H',  'D', 'R', 0,   0,    0,    2,    0,    0, 0, 2, 4,  0};
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        std::vector<float> samples; // empty: refused
    } cases[] = {{"a.r16", {0x02, 0x01, 0xFF, 0xFF, 0, 0, 0x34, 0x12}, {258, 65535, 0, 0x1234}},
                 {"A.RAW", std::vector<uint8_t>(18, 1), std::vector<float>(9, 257)},
                 {"a.raw", std::vector<uint8_t>(6, 1), {}}, // three samples: no square
                 {"a.r16", std::vector<uint8_t>(9, 1), {}}, // odd byte count
                 {"a.r16", {1, 2}, {}},                     // one sample
                 {"a.pgm", bytes("P2 2 1 9\n3 9\n"), {3, 9}},
                 {"a.png", png, {}}, // 4-bit grey
                 {"a.gif", bytes("GIF89a"), {}}};
    for (const auto& c : cases) {
        GreyImage img;
        std::string error;
        EXPECT_EQ(decodeHeightPicture(c.name, c.bytes, img, error), !c.samples.empty()) << c.name;
        if (c.samples.empty())
            EXPECT_NE(error.find("expected an 8- or 16-bit greyscale PNG"), std::string::npos);
        else
            EXPECT_EQ(img.samples, c.samples);
    }
    // A refused picture: one line, exit code 2.
    const fs::path odd =
        fs::temp_directory_path() / ("veldrun-odd-" + std::to_string(std::random_device{}()) + ".r16");
    write(odd, {1, 2, 3});
    std::string output, errors;
    EXPECT_EQ(
        runCommand(parseCommandLine({"--out", "unused", "--heightmap-from", odd.string()}), output, errors),
        2);
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_FALSE(fs::exists("unused"));
    fs::remove(odd);
}
