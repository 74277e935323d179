#include "shell/DisplayConfig.h"

#include "platform/Platform.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {
constexpr int kMaxMeaningfulLines = 1000;
}

bool ScanKeyInteger(const char* line, const char* key, int32_t& value)
{
    const size_t keyLength = std::strlen(key);
    if (std::strncmp(line, key, keyLength) != 0 || line[keyLength] != '=') return false;
    const char* start = line + keyLength + 1;
    while (std::isspace(static_cast<unsigned char>(*start)))
        ++start;
    char* end = nullptr;
    errno = 0;
    // Base 0 gives the conversion of scanf's %i: sign, 0x hexadecimal, 0 octal.
    const long long parsed = std::strtoll(start, &end, 0);
    if (end == start) return false;
    // Out-of-range numbers saturate instead of being undefined.
    value = static_cast<int32_t>(parsed > INT32_MAX ? INT32_MAX : (parsed < INT32_MIN ? INT32_MIN : parsed));
    return true;
}

bool ReadConfigLine(std::FILE* file, char (&buffer)[255])
{
    for (;;) {
        if (std::fgets(buffer, sizeof buffer, file) == nullptr) return false;
        if (buffer[0] == '/' || buffer[0] == '\n') continue;
        if (char* comment = std::strstr(buffer, "//")) *comment = '\0';
        return true;
    }
}

void ApplyConfigStream(DisplayConfig& config, std::FILE* file)
{
    char line[255];
    for (int count = 0; count < kMaxMeaningfulLines && ReadConfigLine(file, line); ++count) {
        if (std::strstr(line, "Width")) ScanKeyInteger(line, "Width", config.width);
        if (std::strstr(line, "Height")) ScanKeyInteger(line, "Height", config.height);
        if (std::strstr(line, "Bpp")) ScanKeyInteger(line, "Bpp", config.colourDepth);
        if (std::strstr(line, "Refresh")) ScanKeyInteger(line, "Refresh", config.refresh);
        if (std::strstr(line, "Fullscreen")) config.fullScreen = std::strstr(line, "true") != nullptr;
        if (std::strstr(line, "ZBpp")) ScanKeyInteger(line, "ZBpp", config.zBpp);
        if (std::strstr(line, "UseVBO")) config.useVbo = std::strstr(line, "true") != nullptr;
        if (std::strstr(line, "UseMT")) config.useMt = std::strstr(line, "true") != nullptr;
    }
}

void LoadDisplayConfig(DisplayConfig& config, const char* path)
{
    std::FILE* file = std::fopen(path, "r");
    config.width = 640;
    config.height = 480;
    config.colourDepth = 16;
    config.fullScreen = true;
    config.zBpp = 16;
    config.useVbo = false;
    config.useMt = false;
    if (file == nullptr) {
        platform::MessageBox("Config.INI not found, using Fail Safe settings", "Config.INI",
                             platform::Buttons::Ok, platform::Icon::None);
        return;
    }
    ApplyConfigStream(config, file);
    std::fclose(file);
}
