#include "image/Bytes.h"

#include <cstdio>
#include <memory>
#include <new>

std::optional<std::vector<uint8_t>> ReadWholeFile(const char* fileName)
{
    if (fileName == nullptr) return std::nullopt;
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(fileName, "rb"), &std::fclose);
    if (!file) return std::nullopt;
    // Read in chunks rather than trusting a seek to the end: works for any readable file and
    // fails cleanly on directories.
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t count = 0;
    try {
        while ((count = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
            bytes.insert(bytes.end(), chunk, chunk + count);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    if (std::ferror(file.get())) return std::nullopt;
    return bytes;
}
