#include "image/Dib.h"

#include "image/Bytes.h"
#include "platform/Platform.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <string>

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kV4HeaderSize = 108;
constexpr uint32_t kV5HeaderSize = 124;
constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitFields = 3;

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

// One bit-field channel, widened or narrowed to 8 bits.
class Field {
public:
    explicit Field(uint32_t mask) : mask_(mask)
    {
        if (mask == 0) return;
        shift_ = std::countr_zero(mask);
        bits_ = std::bit_width(mask >> shift_);
    }
    uint8_t operator()(uint32_t pixel) const
    {
        if (bits_ == 0) return 0;
        const uint32_t value = (pixel & mask_) >> shift_;
        if (bits_ >= 8) return uint8_t(value >> (bits_ - 8));
        uint32_t wide = value << (8 - bits_);
        for (int filled = bits_; filled < 8; filled += bits_)
            wide |= wide >> filled;
        return uint8_t(wide);
    }

private:
    uint32_t mask_;
    int shift_ = 0;
    int bits_ = 0;
};

// The header fields the conversion needs, gathered from whichever header form the file has.
struct DibLayout {
    int64_t width = 0;
    int64_t height = 0; // negative: top-down
    uint32_t bitCount = 0;
    uint32_t compression = kRgb;
    std::array<Rgb, 256> palette{};  // indices past the file's table read as black
    std::array<uint32_t, 3> masks{}; // red, green, blue for 16 and 32 bits
    std::span<const uint8_t> data;   // from the first pixel byte to the end of the file
};

uint64_t rowStride(const DibLayout& layout)
{
    return (uint64_t(layout.width) * layout.bitCount + 31) / 32 * 4;
}

bool validFormat(const DibLayout& layout, bool core)
{
    switch (layout.compression) {
    case kRgb:
        if (core)
            return layout.bitCount == 1 || layout.bitCount == 4 || layout.bitCount == 8 ||
                   layout.bitCount == 24;
        return layout.bitCount == 1 || layout.bitCount == 4 || layout.bitCount == 8 ||
               layout.bitCount == 16 || layout.bitCount == 24 || layout.bitCount == 32;
    // Compressed bitmaps are bottom-up only.
    case kRle8: return layout.bitCount == 8 && layout.height > 0;
    case kRle4: return layout.bitCount == 4 && layout.height > 0;
    case kBitFields: return layout.bitCount == 16 || layout.bitCount == 32;
    default: return false;
    }
}

DibError parseLayout(std::span<const uint8_t> bytes, const ImageLimits& limits, DibLayout& layout)
{
    size_t dibStart = 0;
    std::optional<size_t> pixelOffset;
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        if (bytes.size() < kFileHeaderSize) return DibError::UnknownFormat;
        pixelOffset = readU32(bytes, 10);
        dibStart = kFileHeaderSize;
    }
    if (bytes.size() - dibStart < 4) return DibError::UnknownFormat;
    const uint32_t headerSize = readU32(bytes, dibStart);
    if (headerSize != kCoreHeaderSize && headerSize != kInfoHeaderSize && headerSize != kV4HeaderSize &&
        headerSize != kV5HeaderSize)
        return DibError::UnknownFormat;
    if (bytes.size() - dibStart < headerSize) return DibError::UnknownFormat;
    const std::span<const uint8_t> header = bytes.subspan(dibStart, headerSize);
    const bool core = headerSize == kCoreHeaderSize;
    if (core) {
        layout.width = readU16(header, 4);
        layout.height = readU16(header, 6);
        layout.bitCount = readU16(header, 10);
    } else {
        layout.width = readI32(header, 4);
        layout.height = readI32(header, 8);
        layout.bitCount = readU16(header, 14);
        layout.compression = readU32(header, 16);
    }

    // Sizes no section can have: where GDI's section creation fails.
    const int64_t rows = layout.height < 0 ? -layout.height : layout.height;
    if (layout.width <= 0 || rows == 0 || !limits.admits(layout.width, rows, 3)) return DibError::OutOfMemory;
    if (!validFormat(layout, core)) return DibError::ConversionError;

    // Bit fields live in the V4/V5 header, or in three 32-bit masks right after a 40-byte one.
    size_t tableStart = dibStart + headerSize;
    if (layout.compression == kBitFields) {
        std::span<const uint8_t> masks = header.subspan(kInfoHeaderSize);
        if (headerSize == kInfoHeaderSize) {
            if (bytes.size() - tableStart < 12) return DibError::ConversionError;
            masks = bytes.subspan(tableStart, 12);
            tableStart += 12;
        }
        for (size_t i = 0; i < 3; ++i)
            layout.masks[i] = readU32(masks, i * 4);
    } else if (layout.bitCount == 16) {
        layout.masks = {0x7C00, 0x03E0, 0x001F};
    } else if (layout.bitCount == 32) {
        layout.masks = {0xFF0000, 0x00FF00, 0x0000FF};
    }

    // Only as many entries as the pixels can index are read; a table announced beyond the end of
    // the file is refused rather than read past it.
    const uint32_t colours = CountDibColors(header);
    const size_t entrySize = core ? 3 : 4;
    const size_t used = layout.bitCount <= 8 ? std::min<size_t>(colours, size_t(1) << layout.bitCount) : 0;
    if ((bytes.size() - tableStart) / entrySize < used) return DibError::ConversionError;
    for (size_t i = 0; i < used; ++i) {
        const uint8_t* entry = &bytes[tableStart + i * entrySize];
        layout.palette[i] = {entry[2], entry[1], entry[0]};
    }

    // Without a file header the pixels follow the whole announced table.
    if (!pixelOffset) pixelOffset = tableStart + colours * entrySize;
    if (*pixelOffset > bytes.size()) return DibError::ConversionError;
    layout.data = bytes.subspan(*pixelOffset);

    // Uncompressed rows are padded to 32 bits. A file that ends before its last row is refused,
    // before anything is allocated: reading on would pass the end of the file, and a half image
    // is no texture.
    if (layout.compression != kRle8 && layout.compression != kRle4 &&
        rowStride(layout) * uint64_t(rows) > layout.data.size())
        return DibError::ConversionError;
    return DibError::None;
}

void put(DibPixels& out, int64_t x, int64_t row, Rgb colour)
{
    uint8_t* pixel = &out.rgb[(size_t(row) * size_t(out.width) + size_t(x)) * 3];
    pixel[0] = colour.r;
    pixel[1] = colour.g;
    pixel[2] = colour.b;
}

// Whole rows are present (checked by parseLayout).
void decodeRows(const DibLayout& layout, DibPixels& out)
{
    const size_t stride = size_t(rowStride(layout));
    const Field red(layout.masks[0]);
    const Field green(layout.masks[1]);
    const Field blue(layout.masks[2]);
    for (int64_t r = 0; r < out.height; ++r) {
        const std::span<const uint8_t> row = layout.data.subspan(size_t(r) * stride, stride);
        // Top-down rows are delivered bottom row first, like a bottom-up file, so that textures
        // come out upright whichever way the file was stored.
        const int64_t outRow = layout.height < 0 ? out.height - 1 - r : r;
        for (int64_t x = 0; x < layout.width; ++x) {
            const size_t i = size_t(x);
            Rgb colour;
            switch (layout.bitCount) {
            case 1: colour = layout.palette[(row[i / 8] >> (7 - i % 8)) & 1]; break;
            case 4: colour = layout.palette[(row[i / 2] >> (i % 2 == 0 ? 4 : 0)) & 15]; break;
            case 8: colour = layout.palette[row[i]]; break;
            case 24: colour = {row[i * 3 + 2], row[i * 3 + 1], row[i * 3]}; break;
            default: {
                const uint32_t v = layout.bitCount == 16 ? readU16(row, i * 2) : readU32(row, i * 4);
                colour = {red(v), green(v), blue(v)};
            }
            }
            put(out, x, outRow, colour);
        }
    }
}

// RLE8 and RLE4 (bottom-up only). Pixels the stream never reaches stay black, as in GDI's
// zero-filled section; runs past the end of a row are clipped. A stream that ends without its
// end-of-bitmap escape is taken as ending there.
void decodeRunLength(const DibLayout& layout, DibPixels& out)
{
    const std::span<const uint8_t> data = layout.data;
    const bool rle4 = layout.compression == kRle4;
    auto index = [rle4](std::span<const uint8_t> bytes, size_t i) -> uint8_t {
        return rle4 ? (bytes[i / 2] >> (i % 2 == 0 ? 4 : 0)) & 15 : bytes[i];
    };
    int64_t x = 0;
    int64_t y = 0;
    size_t in = 0;
    while (y < out.height && data.size() - in >= 2) {
        const uint8_t count = data[in];
        const uint8_t value = data[in + 1];
        in += 2;
        if (count > 0) {
            // Encoded run: RLE4 alternates the high and low nibble of value.
            const std::array<uint8_t, 1> one{value};
            for (size_t i = 0; i < count && x + int64_t(i) < out.width; ++i)
                put(out, x + int64_t(i), y, layout.palette[index(one, rle4 ? i % 2 : 0)]);
            x += count;
        } else if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta: right and up
            if (data.size() - in < 2) break;
            x += data[in];
            y += data[in + 1];
            in += 2;
        } else { // absolute run of value pixels, padded to 16 bits
            const size_t length = rle4 ? (value + 1u) / 2u : value;
            if (data.size() - in < length) break;
            const std::span<const uint8_t> literal = data.subspan(in, length);
            for (size_t i = 0; i < value && x + int64_t(i) < out.width; ++i)
                put(out, x + int64_t(i), y, layout.palette[index(literal, i)]);
            x += value;
            in += std::min(length + length % 2, data.size() - in);
        }
    }
}

} // namespace

const char* dibErrorMessage(DibError error)
{
    switch (error) {
    case DibError::None: return "";
    case DibError::UnknownFormat: return "Unknown DIB file format.";
    case DibError::OutOfMemory: return "Out of memory.";
    case DibError::ConversionError: return "Image file conversion error.";
    }
    return "";
}

uint32_t CountDibColors(std::span<const uint8_t> header)
{
    if (header.size() < 4) return 0;
    uint32_t bitCount = 0;
    if (readU32(header, 0) == kCoreHeaderSize) {
        if (header.size() >= kCoreHeaderSize) bitCount = readU16(header, 10);
    } else {
        if (header.size() >= 36 && readU32(header, 32) != 0) return readU32(header, 32) & 0xFFFF;
        if (header.size() >= 16) bitCount = readU16(header, 14);
    }
    switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

DibError decodeDib(std::span<const uint8_t> bytes, DibPixels& out, const ImageLimits& limits)
{
    out = {};
    DibLayout layout;
    if (const DibError error = parseLayout(bytes, limits, layout); error != DibError::None) return error;
    DibPixels pixels;
    pixels.width = int32_t(layout.width);
    pixels.height = int32_t(layout.height < 0 ? -layout.height : layout.height);
    try {
        pixels.rgb.assign(size_t(pixels.width) * size_t(pixels.height) * 3, 0);
    } catch (const std::bad_alloc&) {
        return DibError::OutOfMemory;
    }
    if (layout.compression == kRle8 || layout.compression == kRle4)
        decodeRunLength(layout, pixels);
    else
        decodeRows(layout, pixels);
    out = std::move(pixels);
    return DibError::None;
}

std::optional<DibPixels> LoadDib(const char* fileName, const ImageLimits& limits)
{
    const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(fileName);
    // An empty file cannot be mapped: the same message as one that cannot be opened.
    if (!bytes || bytes->empty()) {
        const std::string text = std::string("Failed to open DIB file ") + (fileName ? fileName : "") + ".\n";
        platform::MessageBox(text, "Error", platform::Buttons::Ok, platform::Icon::None);
        return std::nullopt;
    }
    DibPixels pixels;
    const DibError error = decodeDib(*bytes, pixels, limits);
    if (error != DibError::None) {
        platform::MessageBox(dibErrorMessage(error), "Error", platform::Buttons::Ok, platform::Icon::None);
        return std::nullopt;
    }
    return pixels;
}

std::optional<Image> LoadBmp(const char* fileName, const ImageLimits& limits)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(fileName ? std::fopen(fileName, "rb") : nullptr, &std::fclose);
    if (!file) {
        platform::MessageBox("Unable to load BMP File!", "Error", platform::Buttons::Ok,
                             platform::Icon::None);
        return std::nullopt;
    }
    file.reset();
    std::optional<DibPixels> dib = LoadDib(fileName, limits);
    if (!dib) return std::nullopt;
    Image image;
    image.channels = 3;
    image.width = dib->width;
    image.height = dib->height;
    image.pixels = std::move(dib->rgb);
    return image;
}
