#include <gtest/gtest.h>

#include "TempFiles.h"
#include "tools/data/DataSet.h"
#include "tools/data/Foliage.h"
#include "tools/data/HeightmapImport.h"

namespace fs = std::filesystem;
using namespace datagen;
using Bytes = std::vector<uint8_t>;

TEST(FittedDataSet, ReplacesLinksWithoutWritingThroughThemAndKeepsConfigIni)
{
    const fs::path installed = tempPath("installed"), out = tempPath("user");
    write(installed / "map_qv.raw", "installed");
    write(installed / "tank/skin", "installed");
    write(out / "config.ini", "Width=800\n");
    fs::create_directories(out / "map/test");
    fs::create_symlink(installed / "map_qv.raw", out / "map/test/map_qv.raw");
    fs::create_symlink(installed / "tank", out / "tank");
    // A flat plain on the left, a gentle slope on the right.
    std::string own(kMapSize * kMapSize, '\0');
    for (size_t i = 0; i < own.size(); ++i)
        own[i] = static_cast<char>(std::max(0, static_cast<int>(i % kMapSize) - 64) * 4);

    std::string error;
    const Bytes map(own.begin(), own.end());
    ASSERT_TRUE(writeDataSet(out, 1, error, &map)) << error;
    EXPECT_EQ(read(installed / "map_qv.raw"), "installed");
    EXPECT_EQ(std::distance(fs::directory_iterator(installed / "tank"), {}), 1);
    EXPECT_EQ(read(out / "config.ini"), "Width=800\n");
    EXPECT_EQ(read(out / "map/test/map_qv.raw"), own);
    EXPECT_EQ(read(out / "map/test/terraintex.raw"), own);
    const std::string foliage = read(out / "map/test/map_qv_foliage.raw");
    EXPECT_GE(countTreePoints({foliage.begin(), foliage.end()}), 300);
    for (size_t i = 0; i < foliage.size(); ++i)
        EXPECT_TRUE(uint8_t(foliage[i]) >= kTreeThreshold || i % kMapSize >= 60)
            << "a tree on the plain at " << i;
    fs::remove_all(installed);
    fs::remove_all(out);
}

TEST(FittedDataSet, PicturesTerrainToolsExport)
{
    // The start of a 4-bit greyscale PNG: signature, then IHDR's length, name, size, depth and colour type.
    const Bytes png4 = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I',
                        'H',  'D', 'R', 0,   0,    0,    2,    0,    0, 0, 2, 4,  0};
    const struct {
        const char* name;
        Bytes bytes;
        std::vector<float> samples; // empty: refused
    } cases[] = {{"a.r16", {0x02, 0x01, 0xFF, 0xFF, 0, 0, 0x34, 0x12}, {258, 65535, 0, 0x1234}},
                 {"A.RAW", Bytes(18, 1), std::vector<float>(9, 257)},
                 {"a.raw", Bytes(6, 1), {}}, // three samples: no square
                 {"a.r16", Bytes(9, 1), {}}, // odd byte count
                 {"a.r16", {1, 2}, {}},      // one sample
                 {"a.pgm", {'P', '2', ' ', '2', ' ', '1', ' ', '9', ' ', '3', ' ', '9'}, {3, 9}},
                 {"a.png", png4, {}},
                 {"a.gif", {'G', 'I', 'F', '8', '9', 'a'}, {}}};
    for (const auto& c : cases) {
        GreyImage img;
        std::string error;
        EXPECT_EQ(decodeHeightPicture(c.name, c.bytes, img, error), !c.samples.empty()) << c.name;
        if (c.samples.empty())
            EXPECT_NE(error.find("expected an 8- or 16-bit greyscale PNG"), std::string::npos);
        else
            EXPECT_EQ(img.samples, c.samples);
    }
}
