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
    // A buffer of its own, not empty even for empty input.
    std::vector<char> copy(data, data + size);
    copy.push_back('\0');
    std::FILE* file = fmemopen(copy.data(), size, "r");
    if (file == nullptr) return 0;
    DisplayConfig config;
    ApplyConfigStream(config, file);
    // Again, to the end: each line a terminated string inside the buffer; no more lines than bytes,
    // or the reader does not advance.
    std::rewind(file);
    char line[255];
    for (size_t lines = 0; ReadConfigLine(file, line); ++lines)
        if (std::memchr(line, '\0', sizeof line) == nullptr || lines > size) std::abort();
    std::fclose(file);
    return 0;
}
