#include <gtest/gtest.h>

#include "TempFiles.h"
#include "tools/data/DataSet.h"
#include "tools/data/Foliage.h"

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
