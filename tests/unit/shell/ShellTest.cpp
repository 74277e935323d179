#include "platform/Platform.h"
#include "shell/DebugConsole.h"
#include "shell/DisplayConfig.h"
#include "shell/FrameTimer.h"
#include "shell/OpenGlLinker.h"
#include "tests/support/TempFiles.h"

#include <gtest/gtest.h>

#include <tuple>

TEST(DisplayConfig, ReadsTheFileByItsRules)
{
    std::string junk, meaningful; // binary bytes, NUL included; 2000 skipped and 999 meaningful lines
    for (int i = 0; i < 20000; ++i)
        junk += static_cast<char>(i * 37 % 251);
    for (int i = 0; i < 999; ++i)
        meaningful += "/\n\nx\n";
    const struct {
        std::string file;
        int32_t width, height, colourDepth;
        bool fullScreen;
    } cases[] = {
        {"", 640, 480, 16, true},
        {"Width=800\nHeight=600\nBpp=32 // colour depth\nFullscreen=false\n", 800, 600, 32, false},
        // A blank before the key or before "=" fails the pattern; blanks before the number do not.
        {" Width=800\nHeight = 600\nBpp=  24\nZBpp=8\n", 640, 480, 24, true},
        {"Fullscreen=TRUE\n", 640, 480, 16, false},
        {"Fullscreen=untrue\n", 640, 480, 16, true},
        {"Width=0x320\nHeight=0800\nBpp=-12\n", 800, 0, -12, true}, // octal stops at the 8
        {"Width=abc\nHeight=99999999999999999999\n", 640, INT32_MAX, 16, true},
        {"Width=800\n\n/ comment\nWidth=1024 // Height=700\n// last\n\n", 1024, 480, 16, true},
        // Runs of 254 characters: the first key starts the second run, the second falls inside the first.
        {std::string(254, 'x') + "Width=900\n" + std::string(253, 'x') + "Height=700\n", 900, 480, 16, true},
        {junk + "\nHeight=700\n", 640, 700, 16, true},
        // The Width line is the 1000th meaningful line and read, the Height line the 1001st.
        {meaningful + "Width=800\nHeight=600\n", 800, 480, 16, true},
    };
    const TempDir dir;
    const std::string path = dir.file("config.ini");
    for (const auto& c : cases) {
        write(path, c.file);
        DisplayConfig config;
        config.refresh = 75; // never reset by the reader
        LoadDisplayConfig(config, path.c_str());
        EXPECT_EQ(
            std::tuple(config.width, config.height, config.colourDepth, config.fullScreen, config.refresh),
            std::tuple(c.width, c.height, c.colourDepth, c.fullScreen, 75))
            << c.file.substr(0, 60);
    }
}

TEST(FrameTimer, SmoothsByOneEleventhFrom85OnEitherClock)
{
    int64_t count = 0;
    FrameTimer timer;
    timer.initialise(
        {[](int64_t& perSecond) { return (perSecond = 1000000) > 0; }, [&] { return count; }, {}});
    count = 200000; // 0.2 s of loading before the first frame shows 77
    EXPECT_DOUBLE_EQ(timer.tick(), 0.2);
    EXPECT_EQ(static_cast<int>(timer.smoothedFrameRate), 77);
    count += 10000; // then 100 frames per second
    timer.tick();
    EXPECT_EQ(timer.tick(), 0.0); // no measurable time leaves the rate as it was
    EXPECT_NEAR(timer.smoothedFrameRate, (855.0 / 11.0 * 10.0 + 100.0) / 11.0, 1e-9);
    // Without a counter, the millisecond clock's wrap-around still gives the true 26 ms.
    uint32_t milliseconds = 0xFFFFFFF0u;
    timer.initialise({[](int64_t&) { return false; }, {}, [&] { return milliseconds; }});
    milliseconds = 10;
    EXPECT_DOUBLE_EQ(timer.tick(), 0.026);
    EXPECT_NEAR(timer.smoothedFrameRate, (850.0 + 1.0 / 0.026) / 11.0, 1e-9);
}

TEST(DebugPrint, OneLinePerCallCutAt999Characters)
{
    std::string console;
    platform::SetConsoleHandler([&](std::string_view piece) { console.append(piece); });
    DebugPrint("%d presets", 2);
    DebugPrint("\n");
    DebugPrint("%s", std::string(5000, 'a').c_str());
    platform::SetConsoleHandler(nullptr);
    EXPECT_EQ(console, "2 presets\n\n\n" + std::string(999, 'a') + "\n");
}

// Capabilities are decided by whole words of the extension string.
TEST(HasExtensionWord, MatchesWholeWordsOnly)
{
    const std::string_view list =
        "GL_ARB_multitexture_extra GL_ARB_vertex_buffer_object GL_EXT_x GL_ARB_multitexture";
    for (const char* name :
         {"GL_ARB_vertex_buffer_object", "GL_ARB_multitexture", "GL_ARB_multitexture_extra"})
        EXPECT_TRUE(HasExtensionWord(list, name)) << name;
    for (const char* name :
         {"GL_EXT", "ARB_vertex_buffer_object", "GL_ARB_vertex_buffer", "", "GL_EXT_x GL_ARB"})
        EXPECT_FALSE(HasExtensionWord(list, name)) << name;
    EXPECT_FALSE(HasExtensionWord("XGL_A GL_AB", "GL_A"));
}
