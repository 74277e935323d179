#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "TestSupport.h"
#include "tools/data/CommandLine.h"

using namespace datagen;

TEST(CommandLine, ParsesTheDataSetCommand)
{
    Command c = parseCommandLine({"--out", "data"});
    EXPECT_EQ(c.kind, Command::Kind::DataSet);
    EXPECT_EQ(c.out, "data");
    EXPECT_EQ(c.seed, 1u);
    c = parseCommandLine({"--seed", "18446744073709551615", "--out", "d"});
    EXPECT_EQ(c.kind, Command::Kind::DataSet);
    EXPECT_EQ(c.seed, 18446744073709551615ull);
}

TEST(CommandLine, ParsesTheImportAndHelp)
{
    Command c = parseCommandLine({"--heightmap-from", "in.png", "--out", "data", "--seed", "3"});
    EXPECT_EQ(c.kind, Command::Kind::DataSet);
    EXPECT_EQ(c.image, "in.png");
    EXPECT_EQ(c.out, "data");
    EXPECT_EQ(c.seed, 3u);
    EXPECT_EQ(parseCommandLine({"--out", "x", "--help"}).kind, Command::Kind::Help);
    EXPECT_EQ(parseCommandLine({"-h"}).kind, Command::Kind::Help);
}

TEST(CommandLine, ReportsUsageErrors)
{
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"--out"},
                                               {"--seed", "12"},
                                               {"--out", "a", "--out", "b"},
                                               {"--out", "a", "--seed", "-1"},
                                               {"--out", "a", "--seed", "12x"},
                                               {"--out", "a", "--seed", "99999999999999999999"},
                                               {"--out", "a", "extra"}}) {
        const Command c = parseCommandLine(args);
        EXPECT_EQ(c.kind, Command::Kind::Error);
        EXPECT_FALSE(c.message.empty());
        std::string out, err;
        EXPECT_EQ(runCommand(c, out, err), 2);
        EXPECT_NE(err.find("Usage"), std::string::npos);
    }
}

TEST(CommandLine, ImportWritesAHeightmapAndReportsMissingFiles)
{
    testing_support::TempDir dir("cli");
    const std::string pgm = "P2 3 2 9\n0 1 2\n3 4 9\n";
    testing_support::writeFile(dir.path() / "in.pgm", {pgm.begin(), pgm.end()});
    const std::string junk = "not a picture";
    testing_support::writeFile(dir.path() / "junk.png", {junk.begin(), junk.end()});
    const std::string raw = (dir.path() / "sub").string();
    std::string out, err;
    const auto importFrom = [&](const char* name) {
        err.clear();
        return runCommand(parseCommandLine({"--heightmap-from", (dir.path() / name).string(), "--out", raw}),
                          out, err);
    };
    EXPECT_EQ(importFrom("in.pgm"), 0) << err;
    const std::vector<uint8_t> map = testing_support::readFile(raw + "/map/test/map_qv.raw");
    ASSERT_EQ(map.size(), 16384u);
    EXPECT_EQ(map[0], 0);
    EXPECT_EQ(map[16383], 255);
    EXPECT_EQ(importFrom("none.png"), 1);
    EXPECT_NE(err.find("cannot open"), std::string::npos);
    EXPECT_EQ(importFrom("junk.png"), 2);
    EXPECT_NE(err.find("unknown image format"), std::string::npos);
}

TEST(CommandLine, DataSetIntoAnUnwritablePlaceFails)
{
    testing_support::TempDir dir("cli-bad");
    testing_support::writeFile(dir.path() / "file", {1});
    std::string out, err;
    // A plain file where the data folder should go.
    EXPECT_EQ(runCommand(parseCommandLine({"--out", (dir.path() / "file").string()}), out, err), 1);
    EXPECT_FALSE(err.empty());
}

#ifdef VELDRUN_DATA_EXE
TEST(CommandLine, TheProgramShowsHelpAndFailsCleanly)
{
    EXPECT_EQ(std::system(VELDRUN_DATA_EXE " --help > /dev/null"), 0);
    const int bad = std::system(VELDRUN_DATA_EXE " --bogus 2> /dev/null");
    ASSERT_TRUE(WIFEXITED(bad));
    EXPECT_EQ(WEXITSTATUS(bad), 2);
    const int missing =
        std::system(VELDRUN_DATA_EXE " --heightmap-from /nonexistent.png --out /tmp/x.raw 2> /dev/null");
    ASSERT_TRUE(WIFEXITED(missing));
    EXPECT_EQ(WEXITSTATUS(missing), 1);
}
#endif
