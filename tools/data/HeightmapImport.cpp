#include "tools/data/HeightmapImport.h"

#include <png.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>

namespace datagen {

namespace {

// Reads PNM header tokens: whitespace-separated, '#' starts a comment to the line end.
class PnmReader {
public:
    explicit PnmReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    bool number(long& value)
    {
        skipSpace();
        if (pos_ >= bytes_.size() || bytes_[pos_] < '0' || bytes_[pos_] > '9') return false;
        value = 0;
        while (pos_ < bytes_.size() && bytes_[pos_] >= '0' && bytes_[pos_] <= '9') {
            value = value * 10 + (bytes_[pos_++] - '0');
            if (value > 1000000000L) return false;
        }
        return true;
    }
    // Binary data starts after exactly one whitespace byte following the maxval.
    bool singleSpace()
    {
        if (pos_ >= bytes_.size() || !isSpace(bytes_[pos_])) return false;
        ++pos_;
        return true;
    }
    size_t position() const { return pos_; }

private:
    static bool isSpace(uint8_t c)
    {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    }
    void skipSpace()
    {
        while (pos_ < bytes_.size()) {
            if (isSpace(bytes_[pos_])) {
                ++pos_;
            } else if (bytes_[pos_] == '#') {
                while (pos_ < bytes_.size() && bytes_[pos_] != '\n' && bytes_[pos_] != '\r')
                    ++pos_;
            } else {
                break;
            }
        }
    }
    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
};

constexpr long kMaxSide = 65536;
// Samples are held as floats: a picture announcing more than 256 MiB of them is
// refused from its header, before anything is allocated (a few bytes of PNG can
// announce any size).
constexpr size_t kMaxSamples = size_t(64) << 20;

} // namespace

bool decodePgm(std::span<const uint8_t> bytes, GreyImage& out, std::string& error)
{
    if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '2' && bytes[1] != '5')) {
        error = "not a PGM file (expected P2 or P5)";
        return false;
    }
    const bool binary = bytes[1] == '5';
    PnmReader r(bytes.subspan(2));
    long w = 0, h = 0, maxval = 0;
    if (!r.number(w) || !r.number(h) || !r.number(maxval)) {
        error = "PGM header is incomplete";
        return false;
    }
    if (w < 1 || h < 1 || w > kMaxSide || h > kMaxSide) {
        error = "PGM size " + std::to_string(w) + " x " + std::to_string(h) + " is out of range";
        return false;
    }
    if (maxval < 1 || maxval > 65535) {
        error = "PGM maximum value " + std::to_string(maxval) + " is out of range (1-65535)";
        return false;
    }
    const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
    if (binary && !r.singleSpace()) {
        error = "PGM header is incomplete";
        return false;
    }
    // Binary samples take one or two bytes each, plain ones a digit and a blank.
    const size_t start = 2 + r.position();
    const size_t bytesPerSample = maxval > 255 && binary ? 2 : 1;
    if ((bytes.size() - start) / (binary ? bytesPerSample : 2) + (binary ? 0 : 1) < count) {
        error = "PGM pixel data is truncated";
        return false;
    }
    GreyImage img;
    img.width = static_cast<int>(w);
    img.height = static_cast<int>(h);
    img.maxValue = static_cast<float>(maxval);
    img.samples.resize(count);
    if (binary) {
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* p = bytes.data() + start + i * bytesPerSample;
            const unsigned v = bytesPerSample == 2 ? (static_cast<unsigned>(p[0]) << 8 | p[1]) : p[0];
            if (v > static_cast<unsigned>(maxval)) {
                error = "PGM sample above the maximum value";
                return false;
            }
            img.samples[i] = static_cast<float>(v);
        }
    } else {
        for (size_t i = 0; i < count; ++i) {
            long v = 0;
            if (!r.number(v)) {
                error = "PGM pixel data is truncated or malformed";
                return false;
            }
            if (v > maxval) {
                error = "PGM sample above the maximum value";
                return false;
            }
            img.samples[i] = static_cast<float>(v);
        }
    }
    out = std::move(img);
    return true;
}

bool decodePng(std::span<const uint8_t> bytes, GreyImage& out, std::string& error)
{
    // IHDR is always the first chunk: its bit depth and colour type follow the
    // 8-byte signature, the chunk's length and name, and the width and height.
    constexpr size_t kBitDepth = 24, kColourType = 25;
    if (bytes.size() > kColourType &&
        (bytes[kColourType] != 0 || (bytes[kBitDepth] != 8 && bytes[kBitDepth] != 16))) {
        error = "PNG is not 8- or 16-bit greyscale";
        return false;
    }
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) {
        error = std::string("cannot read PNG: ") + png.message;
        return false;
    }
    if (png.width < 1 || png.height < 1 || png.width > kMaxSide || png.height > kMaxSide) {
        png_image_free(&png);
        error = "PNG size is out of range";
        return false;
    }
    // 16-bit files are read as 16-bit linear grey, which keeps their values;
    // 8-bit files as 8-bit grey, which keeps theirs.
    const bool wide = (png.format & PNG_FORMAT_FLAG_LINEAR) != 0;
    png.format = wide ? PNG_FORMAT_LINEAR_Y : PNG_FORMAT_GRAY;
    const size_t count = static_cast<size_t>(png.width) * png.height;
    if (count > kMaxSamples) {
        png_image_free(&png);
        error = "PNG of " + std::to_string(png.width) + " x " + std::to_string(png.height) + " is too large";
        return false;
    }
    GreyImage img;
    img.width = static_cast<int>(png.width);
    img.height = static_cast<int>(png.height);
    img.maxValue = wide ? 65535.0f : 255.0f;
    img.samples.resize(count);
    bool ok = false;
    if (wide) {
        std::vector<uint16_t> buf(count);
        ok = png_image_finish_read(&png, nullptr, buf.data(), 0, nullptr) != 0;
        for (size_t i = 0; ok && i < count; ++i)
            img.samples[i] = buf[i];
    } else {
        std::vector<uint8_t> buf(count);
        ok = png_image_finish_read(&png, nullptr, buf.data(), 0, nullptr) != 0;
        for (size_t i = 0; ok && i < count; ++i)
            img.samples[i] = buf[i];
    }
    if (!ok) {
        error = std::string("cannot decode PNG: ") + png.message;
        png_image_free(&png);
        return false;
    }
    png_image_free(&png);
    out = std::move(img);
    return true;
}

bool decodeRaw16(std::span<const uint8_t> bytes, GreyImage& out, std::string& error)
{
    const size_t count = bytes.size() / 2;
    size_t side = static_cast<size_t>(std::lround(std::sqrt(static_cast<double>(count))));
    if (bytes.size() % 2 != 0 || side < 2 || side * side != count || side > static_cast<size_t>(kMaxSide)) {
        error = "RAW file of " + std::to_string(bytes.size()) + " bytes is not a square of 16-bit samples";
        return false;
    }
    GreyImage img;
    img.width = img.height = static_cast<int>(side);
    img.maxValue = 65535.0f;
    img.samples.resize(count);
    for (size_t i = 0; i < count; ++i)
        img.samples[i] = static_cast<float>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    out = std::move(img);
    return true;
}

bool decodeGreyImage(std::span<const uint8_t> bytes, GreyImage& out, std::string& error)
{
    static constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), kPngSignature, 8) == 0)
        return decodePng(bytes, out, error);
    if (bytes.size() >= 2 && bytes[0] == 'P' && (bytes[1] == '2' || bytes[1] == '5'))
        return decodePgm(bytes, out, error);
    error = "unknown image format (expected PNG or PGM P2/P5)";
    return false;
}

bool decodeHeightPicture(const std::string& name, std::span<const uint8_t> bytes, GreyImage& out,
                         std::string& error)
{
    std::string extension = std::filesystem::path(name).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const bool raw = extension == ".r16" || extension == ".raw";
    if (raw ? decodeRaw16(bytes, out, error) : decodeGreyImage(bytes, out, error)) return true;
    error += "; expected an 8- or 16-bit greyscale PNG or PGM, or a square 16-bit little-endian .r16/.raw";
    return false;
}

std::vector<uint8_t> resampleToHeightmap(const GreyImage& img, int size)
{
    std::vector<float> grid(static_cast<size_t>(size) * static_cast<size_t>(size));
    const auto at = [&](int x, int y) {
        return img.samples[static_cast<size_t>(x) + static_cast<size_t>(img.width) * static_cast<size_t>(y)];
    };
    for (int gy = 0; gy < size; ++gy) {
        for (int gx = 0; gx < size; ++gx) {
            const double fx = size > 1 ? static_cast<double>(gx) * (img.width - 1) / (size - 1) : 0.0;
            const double fy = size > 1 ? static_cast<double>(gy) * (img.height - 1) / (size - 1) : 0.0;
            const int x0 = std::min(static_cast<int>(fx), img.width - 1);
            const int y0 = std::min(static_cast<int>(fy), img.height - 1);
            const int x1 = std::min(x0 + 1, img.width - 1);
            const int y1 = std::min(y0 + 1, img.height - 1);
            const double tx = fx - x0;
            const double ty = fy - y0;
            const double v = (1 - ty) * (at(x0, y0) * (1 - tx) + at(x1, y0) * tx) +
                             ty * (at(x0, y1) * (1 - tx) + at(x1, y1) * tx);
            grid[static_cast<size_t>(gx + size * gy)] = static_cast<float>(v);
        }
    }
    const auto [mn, mx] = std::minmax_element(grid.begin(), grid.end());
    const float lo = *mn;
    const float hi = *mx;
    std::vector<uint8_t> out(grid.size());
    for (size_t i = 0; i < grid.size(); ++i) {
        const float v = hi > lo ? (grid[i] - lo) * 255.0f / (hi - lo) : grid[i] * 255.0f / img.maxValue;
        out[i] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
    }
    return out;
}

} // namespace datagen
