#include "platform/Platform.h"
#include "shell/DebugConsole.h"

#include <gtest/gtest.h>

#include <string>

namespace {
struct ConsoleCapture {
    std::string text;
    ConsoleCapture()
    {
        platform::SetConsoleHandler([this](std::string_view piece) { text.append(piece); });
    }
    ~ConsoleCapture() { platform::SetConsoleHandler(nullptr); }
};
}  // namespace

TEST(DebugPrint, OneLinePerCall)
{
    ConsoleCapture console;
    DebugPrint("Map %s", "Generated");
    DebugPrint("%d presets", 2);
    EXPECT_EQ(console.text, "Map Generated\n2 presets\n");
}

TEST(DebugPrint, FormatEndingInNewlineLeavesAnEmptyLine)
{
    ConsoleCapture console;
    DebugPrint("\n");
    EXPECT_EQ(console.text, "\n\n");
}

TEST(DebugPrint, LongTextIsCutAt999Characters)
{
    ConsoleCapture console;
    const std::string longText(5000, 'a');
    DebugPrint("%s", longText.c_str());
    EXPECT_EQ(console.text, std::string(999, 'a') + "\n");
}
