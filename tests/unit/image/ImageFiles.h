#pragma once

// Builders for small TGA and BMP/DIB files, written field by field as the formats lay them out,
// and a scratch folder for tests that need real files.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

struct ByteWriter {
    std::vector<uint8_t> bytes;
    ByteWriter& u8(uint32_t v)
    {
        bytes.push_back(uint8_t(v));
        return *this;
    }
    ByteWriter& u16(uint32_t v) { return u8(v).u8(v >> 8); }
    ByteWriter& u32(uint32_t v) { return u16(v).u16(v >> 16); }
    ByteWriter& raw(const std::vector<uint8_t>& more)
    {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
};

// The 18-byte TGA header followed by idLength filler bytes (the ID field).
inline std::vector<uint8_t> tgaHeader(uint8_t imageType, uint16_t width, uint16_t height, uint8_t bits,
                                      uint8_t idLength = 0, uint8_t descriptor = 0)
{
    ByteWriter w;
    w.u8(idLength).u8(0).u8(imageType);
    w.u16(0).u16(0).u8(0); // colour-map first entry, length, entry size
    w.u16(0).u16(0);       // origin
    w.u16(width).u16(height).u8(bits).u8(descriptor);
    for (uint8_t i = 0; i < idLength; ++i)
        w.u8(0xA0 + i);
    return w.bytes;
}

// An info-form DIB (40, 108 or 124-byte header), with the "BM" file header unless packed.
struct InfoDib {
    int32_t width = 1;
    int32_t height = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    uint32_t headerSize = 40;
    std::vector<uint32_t> masks;  // after a 40-byte header, inside a larger one
    std::vector<uint8_t> palette; // 4-byte entries: blue, green, red, 0
    std::vector<uint8_t> pixels;  // as stored, padding included
    bool fileHeader = true;

    std::vector<uint8_t> bytes() const
    {
        const uint32_t maskBytes = headerSize == 40 ? uint32_t(masks.size() * 4) : 0;
        const uint32_t offset = 14 + headerSize + maskBytes + uint32_t(palette.size());
        ByteWriter w;
        if (fileHeader) w.u8('B').u8('M').u32(offset + uint32_t(pixels.size())).u32(0).u32(offset);
        w.u32(headerSize).u32(uint32_t(width)).u32(uint32_t(height)).u16(1).u16(bitCount).u32(compression);
        w.u32(uint32_t(pixels.size())).u32(2835).u32(2835).u32(colorsUsed).u32(0);
        if (headerSize > 40) {
            for (size_t i = 0; i < 4; ++i)
                w.u32(i < masks.size() ? masks[i] : 0);
            while (w.bytes.size() < (fileHeader ? 14u : 0u) + headerSize)
                w.u8(0);
        } else {
            for (uint32_t m : masks)
                w.u32(m);
        }
        return w.raw(palette).raw(pixels).bytes;
    }
};

// A core-form DIB (12-byte header, 3-byte palette entries blue, green, red).
inline std::vector<uint8_t> coreDib(uint16_t width, uint16_t height, uint16_t bitCount,
                                    const std::vector<uint8_t>& palette, const std::vector<uint8_t>& pixels,
                                    bool fileHeader = true)
{
    const uint32_t offset = 14 + 12 + uint32_t(palette.size());
    ByteWriter w;
    if (fileHeader) w.u8('B').u8('M').u32(offset + uint32_t(pixels.size())).u32(0).u32(offset);
    w.u32(12).u16(width).u16(height).u16(1).u16(bitCount);
    return w.raw(palette).raw(pixels).bytes;
}

// A fresh, empty folder per test binary and test, removed again by the destructor.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& name)
        : path_(std::filesystem::temp_directory_path() /
                ("veldrun-image-" + name + "-" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() { std::filesystem::remove_all(path_); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        const std::string path = file(name);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }

private:
    std::filesystem::path path_;
};
