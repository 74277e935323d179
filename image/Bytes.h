#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Little-endian fields; the caller has checked that offset + size lies inside bytes.
inline uint32_t readU16(std::span<const uint8_t> bytes, size_t offset)
{
    return uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8;
}

inline uint32_t readU32(std::span<const uint8_t> bytes, size_t offset)
{
    return readU16(bytes, offset) | readU16(bytes, offset + 2) << 16;
}

inline int32_t readI32(std::span<const uint8_t> bytes, size_t offset)
{
    return int32_t(readU32(bytes, offset));
}

// The whole file, or nothing when it cannot be opened, read or held in memory (a null name
// included).
std::optional<std::vector<uint8_t>> ReadWholeFile(const char* fileName);
