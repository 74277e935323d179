#include "platform/Platform.h"
#include "shell/DisplayConfig.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// The configuration as read from the given file contents, starting from the
// fail-safe values as LoadDisplayConfig does.
DisplayConfig readConfig(const std::string& contents)
{
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "veldrun-config-test.ini";
    {
        std::ofstream out(path, std::ios::binary);
        out << contents;
    }
    DisplayConfig config;
    LoadDisplayConfig(config, path.c_str());
    std::filesystem::remove(path);
    return config;
}

struct MessageLog {
    std::vector<std::string> captions;
    MessageLog()
    {
        platform::SetMessageBoxHandler([this](std::string_view, std::string_view caption, platform::Buttons,
                                              platform::Icon) {
            captions.emplace_back(caption);
            return platform::Answer::Ok;
        });
    }
    ~MessageLog() { platform::SetMessageBoxHandler(nullptr); }
};

}  // namespace

TEST(DisplayConfig, MissingFileShowsOneMessageAndKeepsFailSafeValues)
{
    MessageLog log;
    DisplayConfig config;
    config.refresh = 75;  // the reader never resets the refresh rate
    LoadDisplayConfig(config, "/nonexistent/config.ini");
    ASSERT_EQ(log.captions, std::vector<std::string>{"Config.INI"});
    EXPECT_EQ(config.width, 640);
    EXPECT_EQ(config.height, 480);
    EXPECT_EQ(config.colourDepth, 16);
    EXPECT_EQ(config.refresh, 75);
    EXPECT_TRUE(config.fullScreen);
}

TEST(DisplayConfig, EmptyFileGivesFailSafeValuesWithoutMessage)
{
    MessageLog log;
    const DisplayConfig config = readConfig("");
    EXPECT_TRUE(log.captions.empty());
    EXPECT_EQ(config.width, 640);
    EXPECT_EQ(config.height, 480);
    EXPECT_EQ(config.colourDepth, 16);
    EXPECT_TRUE(config.fullScreen);
}

TEST(DisplayConfig, TypicalWindowedFileWithTrailingComment)
{
    const DisplayConfig config =
        readConfig("// display\nWidth=800\nHeight=600\nBpp=32 // colour depth\nRefresh=60\nFullscreen=false\n");
    EXPECT_EQ(config.width, 800);
    EXPECT_EQ(config.height, 600);
    EXPECT_EQ(config.colourDepth, 32);
    EXPECT_EQ(config.refresh, 60);
    EXPECT_FALSE(config.fullScreen);
}

TEST(DisplayConfig, KeysMustStartTheLineAndMatchTheirPattern)
{
    const DisplayConfig config = readConfig(" Width=800\nZBpp=24\nHeight = 600\nBpp=  24\n");
    EXPECT_EQ(config.width, 640);        // a blank before the key: no match
    EXPECT_EQ(config.colourDepth, 24);   // blanks before the number are allowed
    EXPECT_EQ(config.height, 480);       // no blank allowed before "="
    EXPECT_EQ(config.zBpp, 24);
}

TEST(DisplayConfig, ZBppLineLeavesColourDepthAlone)
{
    const DisplayConfig config = readConfig("ZBpp=24\n");
    EXPECT_EQ(config.colourDepth, 16);
    EXPECT_EQ(config.zBpp, 24);
}

TEST(DisplayConfig, FullscreenNeedsLowerCaseTrueAnywhere)
{
    EXPECT_FALSE(readConfig("Fullscreen=TRUE\n").fullScreen);
    EXPECT_TRUE(readConfig("Fullscreen=untrue\n").fullScreen);
    EXPECT_FALSE(readConfig("Fullscreen=false\n").fullScreen);
    EXPECT_FALSE(readConfig("Fullscreen=0\n").fullScreen);
}

TEST(DisplayConfig, NumbersInHexOctalAndSigned)
{
    EXPECT_EQ(readConfig("Width=0x320\n").width, 800);
    EXPECT_EQ(readConfig("Width=0800\n").width, 0);  // octal stops at the 8
    EXPECT_EQ(readConfig("Width=-12\n").width, -12);
    EXPECT_EQ(readConfig("Width=+12\n").width, 12);
    EXPECT_EQ(readConfig("Width=abc\n").width, 640);
    EXPECT_EQ(readConfig("Width=99999999999999999999\n").width, INT32_MAX);
}

TEST(DisplayConfig, LaterLineWinsAndCommentsOrEmptyLinesEndNormally)
{
    const DisplayConfig config = readConfig("Width=800\n\n/ comment\nWidth=1024\n// last\n\n");
    EXPECT_EQ(config.width, 1024);
}

TEST(DisplayConfig, CrlfLineEnds)
{
    const DisplayConfig config = readConfig("Width=800\r\nHeight=600\r\nFullscreen=false\r\n\r\n");
    EXPECT_EQ(config.width, 800);
    EXPECT_EQ(config.height, 600);
    EXPECT_FALSE(config.fullScreen);
}

TEST(DisplayConfig, LongLinesAreReadInRunsOf254Characters)
{
    // The key sits exactly at the start of the second run of 254 characters.
    const std::string longLine = std::string(254, 'x') + "Width=900\n";
    EXPECT_EQ(readConfig(longLine).width, 900);
    // One character fewer and the key falls inside the first run.
    const std::string shorter = std::string(253, 'x') + "Width=900\n";
    EXPECT_EQ(readConfig(shorter).width, 640);
    // An enormous line is harmless.
    EXPECT_EQ(readConfig(std::string(100000, 'W') + "\nHeight=700\n").height, 700);
}

TEST(DisplayConfig, CommentCutHidesLaterKeys)
{
    const DisplayConfig config = readConfig("Width=800 // Height=700\n");
    EXPECT_EQ(config.width, 800);
    EXPECT_EQ(config.height, 480);
}

TEST(DisplayConfig, AtMostThousandMeaningfulLines)
{
    std::string contents;
    for (int i = 0; i < 1000; ++i) contents += "x\n";
    contents += "Width=800\n";
    EXPECT_EQ(readConfig(contents).width, 640);
    // Comment and empty lines do not count.
    std::string skipped;
    for (int i = 0; i < 2000; ++i) skipped += "/\n\n";
    skipped += "Width=800\n";
    EXPECT_EQ(readConfig(skipped).width, 800);
}

TEST(DisplayConfig, BinaryFileIsHarmless)
{
    std::string binary;
    uint32_t state = 12345;
    for (int i = 0; i < 20000; ++i) {
        state = state * 1103515245u + 12345u;
        binary.push_back(static_cast<char>(state >> 24));
    }
    binary += "\nWidth=800\n";
    binary.insert(100, std::string(1, '\0'));
    const DisplayConfig config = readConfig(binary);
    EXPECT_EQ(config.width, 800);
}

TEST(DisplayConfig, ExtraKeysAreStored)
{
    const DisplayConfig config = readConfig("UseVBO=true\nUseMT=false\n");
    EXPECT_TRUE(config.useVbo);
    EXPECT_FALSE(config.useMt);
    EXPECT_EQ(config.zBpp, 16);
}
