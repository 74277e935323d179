// The configuration reader over arbitrary bytes: every line shape, overlong
// lines, embedded NULs and a missing final newline.
#include "shell/DisplayConfig.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // fmemopen refuses a zero-sized buffer on some C libraries; an empty file
    // is still a case worth running, so keep one byte of room and read none of it.
    std::vector<char> copy(data, data + size);
    copy.push_back('\0');
    auto open = [&] {
        std::FILE* file = fmemopen(copy.data(), std::max<size_t>(size, 1), "r");
        if (file != nullptr && size == 0) std::fgetc(file);
        return file;
    };
    if (std::FILE* file = open()) {
        DisplayConfig config;
        ApplyConfigStream(config, file);
        std::fclose(file);
    }
    if (std::FILE* file = open()) {
        char line[255];
        // Each line a terminated string inside the buffer; no more lines than bytes, or the
        // reader does not advance.
        for (size_t lines = 0; ReadConfigLine(file, line); ++lines)
            if (std::memchr(line, '\0', sizeof line) == nullptr || lines > size) std::abort();
        std::fclose(file);
    }
    return 0;
}
