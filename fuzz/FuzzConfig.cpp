// The configuration reader over arbitrary bytes: every line shape, overlong
// lines, embedded NULs and a missing final newline.
#include "shell/DisplayConfig.h"

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

    if (std::FILE* file = fmemopen(copy.data(), size == 0 ? 1 : size, "r")) {
        if (size == 0) {
            std::fgetc(file);
        }
        DisplayConfig config;
        ApplyConfigStream(config, file);
        std::fclose(file);
    }

    if (std::FILE* file = fmemopen(copy.data(), size == 0 ? 1 : size, "r")) {
        char line[255];
        int32_t lines = 0;
        while (ReadConfigLine(file, line)) {
            // The line must stay a terminated string inside the buffer.
            if (std::memchr(line, '\0', sizeof line) == nullptr) {
                std::abort();
            }
            if (++lines > 1'000'000) {
                std::abort(); // more lines than bytes: the reader does not advance
            }
        }
        std::fclose(file);
    }
    return 0;
}
