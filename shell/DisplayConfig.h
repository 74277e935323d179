#pragma once

#include <cstdint>
#include <cstdio>

// Display settings read from "config.ini". The fail-safe values hold for every
// key the file does not set.
struct DisplayConfig {
    int32_t width = 0;
    int32_t height = 0;
    int32_t colourDepth = 0;
    int32_t refresh = 0;
    bool fullScreen = false;
    // Read and kept, though nothing consults them: the pixel format always asks
    // for 16 depth bits, and buffer objects and multitexturing are used whenever
    // the driver has them.
    int32_t zBpp = 0;
    bool useVbo = false;
    bool useMt = false;
};

// Stores the fail-safe values (640 x 480, 16 bits, full screen), then applies the
// file. A missing file shows the "Config.INI" message once and keeps them.
void LoadDisplayConfig(DisplayConfig& config, const char* path = "config.ini");

// Applies the settings of an already opened text stream (at most 1000
// meaningful lines) on top of what config holds.
void ApplyConfigStream(DisplayConfig& config, std::FILE* file);

// Reads the next meaningful line (not a comment line starting with "/", not
// empty) into a 255-byte buffer, cut at its first "//". Longer lines arrive in
// runs of 254 characters. False at the end of the file.
bool ReadConfigLine(std::FILE* file, char (&buffer)[255]);

// "Key=%i" matched from the first character: an optionally signed decimal,
// 0x hexadecimal or 0 octal integer after optional blanks. False when the
// pattern does not match; value is then unchanged.
bool ScanKeyInteger(const char* line, const char* key, int32_t& value);
