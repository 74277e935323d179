#include "image/Tga.h"

#include "image/Bytes.h"
#include "platform/Platform.h"

#include <algorithm>
#include <new>

namespace {

constexpr size_t kHeaderSize = 18;
constexpr uint8_t kRunLengthTrueColour = 10;
constexpr size_t kMaxPacketPixels = 128;

// File order blue, green, red (, alpha) to red, green, blue (, alpha).
void storePixel(const uint8_t* in, uint8_t* out, size_t bytesPerPixel)
{
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
    if (bytesPerPixel == 4) out[3] = in[3];
}

// A file that ends before the last pixel is refused rather than delivered half black: a cut
// texture is a broken asset, and the caller goes on without it either way.
bool decodeRunLength(std::span<const uint8_t> data, Image& image, size_t bytesPerPixel)
{
    const size_t pixelCount = size_t(image.width) * size_t(image.height);
    // A packet of at least 1 + bytesPerPixel bytes yields at most 128 pixels, so a stream this
    // short cannot finish the image: refused before the pixel block is allocated.
    if (pixelCount > data.size() / (1 + bytesPerPixel) * kMaxPacketPixels) return false;
    image.pixels.resize(pixelCount * bytesPerPixel);
    size_t produced = 0;
    size_t in = 0;
    while (produced < pixelCount) {
        if (in >= data.size()) return false;
        const uint8_t header = data[in++];
        const bool raw = header < 128;
        const size_t count = raw ? header + 1u : header - 127u;
        // A packet running past the last pixel is cut there.
        const size_t kept = std::min(count, pixelCount - produced);
        const size_t needed = (raw ? kept : 1) * bytesPerPixel;
        if (data.size() - in < needed) return false;
        uint8_t* out = image.pixels.data() + produced * bytesPerPixel;
        for (size_t i = 0; i < kept; ++i)
            storePixel(&data[in + (raw ? i * bytesPerPixel : 0)], out + i * bytesPerPixel, bytesPerPixel);
        in += raw ? count * bytesPerPixel : bytesPerPixel;
        produced += kept;
    }
    return true;
}

bool decodeUncompressed(std::span<const uint8_t> data, Image& image, size_t bytesPerPixel)
{
    const size_t pixelCount = size_t(image.width) * size_t(image.height);
    if (data.size() / bytesPerPixel < pixelCount) return false;
    image.pixels.resize(pixelCount * bytesPerPixel);
    for (size_t i = 0; i < pixelCount; ++i)
        storePixel(&data[i * bytesPerPixel], &image.pixels[i * bytesPerPixel], bytesPerPixel);
    return true;
}

bool decode16(std::span<const uint8_t> data, Image& image)
{
    const size_t pixelCount = size_t(image.width) * size_t(image.height);
    if (data.size() / 2 < pixelCount) return false;
    image.pixels.resize(pixelCount * 3);
    for (size_t i = 0; i < pixelCount; ++i) {
        const uint32_t v = readU16(data, i * 2); // the top (attribute) bit is dropped
        image.pixels[i * 3 + 0] = uint8_t(((v >> 10) & 31) * 8);
        image.pixels[i * 3 + 1] = uint8_t(((v >> 5) & 31) * 8);
        image.pixels[i * 3 + 2] = uint8_t((v & 31) * 8);
    }
    return true;
}

} // namespace

std::optional<Image> decodeTga(std::span<const uint8_t> bytes, const ImageLimits& limits, bool* tooLarge)
{
    if (tooLarge != nullptr) *tooLarge = false;
    if (bytes.size() < kHeaderSize) return std::nullopt;
    const uint8_t imageType = bytes[2];
    const uint8_t bitsPerPixel = bytes[16];
    Image image;
    image.width = int32_t(readU16(bytes, 12));
    image.height = int32_t(readU16(bytes, 14));
    if (image.width == 0 || image.height == 0) return std::nullopt;

    // The ID field is skipped; so is a colour map, should a true-colour file carry one, since the
    // pixels follow it.
    size_t start = kHeaderSize + bytes[0];
    if (bytes[1] == 1) start += size_t(readU16(bytes, 5)) * ((bytes[7] + 7u) / 8u);
    if (start > bytes.size()) return std::nullopt;
    const std::span<const uint8_t> data = bytes.subspan(start);

    const bool runLength = imageType == kRunLengthTrueColour;
    // 8- and 16-bit run-length files have no three- or four-byte pixels to store: refused.
    if (runLength && bitsPerPixel != 24 && bitsPerPixel != 32) return std::nullopt;
    if (bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) return std::nullopt;
    image.channels = bitsPerPixel == 32 ? 4 : 3;
    if (!limits.admits(image.width, image.height, image.channels)) {
        if (tooLarge != nullptr) *tooLarge = true;
        return std::nullopt;
    }

    bool ok = false;
    try {
        if (runLength)
            ok = decodeRunLength(data, image, size_t(image.channels));
        else if (bitsPerPixel == 16)
            ok = decode16(data, image);
        else
            ok = decodeUncompressed(data, image, size_t(image.channels));
    } catch (const std::bad_alloc&) {
        if (tooLarge != nullptr) *tooLarge = true;
        return std::nullopt;
    }
    if (!ok) return std::nullopt;
    return image;
}

std::optional<Image> LoadTga(const char* fileName, const ImageLimits& limits)
{
    const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(fileName);
    bool tooLarge = false;
    std::optional<Image> image;
    if (bytes) image = decodeTga(*bytes, limits, &tooLarge);
    if (!bytes || tooLarge) {
        platform::MessageBox("Unable to load TGA File!", "Error", platform::Buttons::Ok,
                             platform::Icon::None);
    }
    return image;
}
