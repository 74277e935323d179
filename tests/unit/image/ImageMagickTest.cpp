// Differential tests: ImageMagick writes the BMP and TGA variants of a small synthetic image and
// decodes them again; our decoders must give the same pixels.

#include "image/Dib.h"
#include "image/Tga.h"
#include "tests/unit/image/ImageFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

namespace {

// The real ImageMagick (the one on PATH may be a stand-in).
const char* const kConvert = "/usr/bin/convert";
constexpr int kWidth = 13; // odd, so every depth has row padding
constexpr int kHeight = 9;

std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// ImageMagick lists the top row first; our readers deliver the bottom row first.
std::vector<uint8_t> bottomRowFirst(const std::vector<uint8_t>& topFirst, int width, int height, int channels)
{
    const size_t stride = size_t(width) * size_t(channels);
    std::vector<uint8_t> out;
    for (int r = height - 1; r >= 0; --r)
        out.insert(out.end(), topFirst.begin() + std::ptrdiff_t(size_t(r) * stride),
                   topFirst.begin() + std::ptrdiff_t(size_t(r + 1) * stride));
    return out;
}

class ImageMagick : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(kConvert)) GTEST_SKIP() << kConvert << " is missing";
        // Random colours and alpha with a fixed seed, as a PAM file ImageMagick reads directly.
        std::mt19937 rng(424242);
        std::string pam = "P7\nWIDTH " + std::to_string(kWidth) + "\nHEIGHT " + std::to_string(kHeight) +
                          "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
        std::vector<uint8_t> bytes(pam.begin(), pam.end());
        for (int i = 0; i < kWidth * kHeight * 4; ++i)
            bytes.push_back(uint8_t(rng()));
        source_ = dir_.write("source.pam", bytes);
    }

    // Runs convert on "<input>", writes "<format>:<name>" in the scratch folder and returns its bytes.
    std::vector<uint8_t> convert(const std::string& input, const std::string& format, const std::string& name)
    {
        const std::string command =
            std::string(kConvert) + " " + input + " " + format + ":'" + dir_.file(name) + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return readFile(dir_.file(name));
    }

    // Writes the source with ImageMagick's options.
    std::vector<uint8_t> write(const std::string& options, const std::string& format, const std::string& name)
    {
        return convert("'" + source_ + "' " + options, format, name);
    }

    // ImageMagick's own decoding of a file: "rgb" or "rgba" bytes, top row first. Its TGA reader
    // keeps the file's row order and only records the origin, which -auto-orient then applies.
    std::vector<uint8_t> reference(const std::string& format, const std::string& name,
                                   const std::string& output)
    {
        return convert(format + ":'" + dir_.file(name) + "' -auto-orient -depth 8", output,
                       name + "." + output);
    }

    void compareDib(const std::string& format, const std::string& name, const std::vector<uint8_t>& file)
    {
        DibPixels ours;
        ASSERT_EQ(decodeDib(file, ours), DibError::None) << name;
        EXPECT_EQ(ours.width, kWidth);
        EXPECT_EQ(ours.height, kHeight);
        EXPECT_EQ(ours.rgb, bottomRowFirst(reference(format, name, "rgb"), kWidth, kHeight, 3)) << name;
    }

    ScratchDir dir_{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    std::string source_;
};

struct Layout {
    uint32_t headerSize, bitCount, compression;
    bool operator==(const Layout&) const = default;
};

// The header fields of a file with the "BM" header, to make sure each variant is the one meant.
Layout layoutOf(const std::vector<uint8_t>& file)
{
    if (file.size() < 34) return {0, 0, 0};
    auto u16 = [&](size_t at) { return uint32_t(file[at]) | uint32_t(file[at + 1]) << 8; };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    if (u32(14) == 12) return {12, u16(24), 0};
    return {u32(14), u16(28), u32(30)};
}

struct BmpVariant {
    const char* name;
    const char* format;
    const char* options;
    Layout expected;
};

const BmpVariant kBmpVariants[] = {
    {"info24.bmp", "BMP3", "-alpha off -type truecolor", {40, 24, 0}},
    {"core24.bmp", "BMP2", "-alpha off -type truecolor", {12, 24, 0}},
    {"v5_24.bmp", "BMP", "-alpha off -type truecolor", {124, 24, 0}},
    {"info32.bmp", "BMP3", "-alpha on -define bmp3:alpha=true", {40, 32, 0}},
    {"v5_32.bmp", "BMP", "-alpha on", {124, 32, 3}},
    {"v5_565.bmp", "BMP", "-alpha off -define bmp:subtype=RGB565", {124, 16, 3}},
    {"v5_555.bmp", "BMP", "-alpha off -define bmp:subtype=RGB555", {124, 16, 3}},
    {"info8.bmp", "BMP3", "-alpha off -colors 200 -type palette -compress none", {40, 8, 0}},
    {"info8rle.bmp", "BMP3", "-alpha off -colors 200 -type palette -compress rle", {40, 8, 1}},
    {"info4.bmp", "BMP3", "-alpha off -colors 12 -type palette -compress none", {40, 4, 0}},
    {"info4rle8.bmp", "BMP3", "-alpha off -colors 12 -type palette -compress rle", {40, 8, 1}},
    {"info1.bmp", "BMP3", "-alpha off -colors 2 -type palette", {40, 1, 0}},
    {"core8.bmp", "BMP2", "-alpha off -colors 200 -type palette", {12, 8, 0}},
    {"core4.bmp", "BMP2", "-alpha off -colors 12 -type palette", {12, 4, 0}},
    {"core1.bmp", "BMP2", "-alpha off -monochrome", {12, 1, 0}},
    {"v5_8.bmp", "BMP", "-alpha off -colors 200 -type palette", {124, 8, 1}},
};

} // namespace

TEST_F(ImageMagick, BmpVariantsDecodeAlike)
{
    for (const BmpVariant& v : kBmpVariants) {
        SCOPED_TRACE(v.name);
        const std::vector<uint8_t> file = write(v.options, v.format, v.name);
        EXPECT_TRUE(layoutOf(file) == v.expected);
        compareDib("BMP", v.name, file);
    }
}

// Packed DIBs; and bottom-up files turned over by hand into their top-down form, since ImageMagick
// writes bottom-up files only.
TEST_F(ImageMagick, PackedAndTopDownDecodeAlike)
{
    for (const char* options :
         {"-alpha off -type truecolor", "-alpha off -colors 12 -type palette -compress none"}) {
        SCOPED_TRACE(options);
        const std::vector<uint8_t> packed = write(options, "DIB", "packed.dib");
        ASSERT_GE(packed.size(), 4u);
        EXPECT_NE(packed[0], 'B');
        compareDib("DIB", "packed.dib", packed);

        std::vector<uint8_t> file = write(options, "BMP3", "bottomup.bmp");
        ASSERT_GE(file.size(), 54u);
        const uint32_t offset = uint32_t(file[10]) | uint32_t(file[11]) << 8;
        const size_t stride = (size_t(kWidth) * layoutOf(file).bitCount + 31) / 32 * 4;
        ASSERT_EQ(file.size(), offset + stride * kHeight);
        std::vector<uint8_t> flipped(file.begin(), file.begin() + offset);
        for (int r = kHeight - 1; r >= 0; --r)
            flipped.insert(flipped.end(), file.begin() + std::ptrdiff_t(offset + size_t(r) * stride),
                           file.begin() + std::ptrdiff_t(offset + size_t(r + 1) * stride));
        for (int i = 0; i < 4; ++i)
            flipped[22 + size_t(i)] = uint8_t(uint32_t(-kHeight) >> (8 * i));
        dir_.write("topdown.bmp", flipped);
        compareDib("BMP", "topdown.bmp", flipped);
    }
}

// 16-bit fields come out as value x 8; ImageMagick widens to full scale, so the top five bits agree.
TEST_F(ImageMagick, TgaVariantsDecodeAlike)
{
    struct TgaVariant {
        const char* name;
        const char* options;
        uint8_t type, bits, mask;
    };
    const TgaVariant variants[] = {
        {"t24.tga", "-alpha off -type truecolor -compress none", 2, 24, 0xFF},
        {"t24rle.tga", "-alpha off -type truecolor -compress rle", 10, 24, 0xFF},
        {"t32.tga", "-alpha on -compress none", 2, 32, 0xFF},
        {"t32rle.tga", "-alpha on -compress rle", 10, 32, 0xFF},
        {"t16.tga", "-alpha off -depth 5", 2, 16, 0xF8},
    };
    for (const TgaVariant& v : variants) {
        SCOPED_TRACE(v.name);
        const std::vector<uint8_t> file = write(v.options, "TGA", v.name);
        ASSERT_GE(file.size(), 18u);
        EXPECT_EQ(file[2], v.type);
        EXPECT_EQ(file[16], v.bits);
        EXPECT_EQ(file[17] & 0x20, 0) << "bottom-left origin expected";
        const auto ours = decodeTga(file);
        ASSERT_TRUE(ours);
        const int channels = v.bits == 32 ? 4 : 3;
        EXPECT_EQ(ours->channels, channels);
        EXPECT_EQ(ours->width, kWidth);
        EXPECT_EQ(ours->height, kHeight);
        std::vector<uint8_t> expected = bottomRowFirst(
            reference("TGA", v.name, channels == 4 ? "rgba" : "rgb"), kWidth, kHeight, channels);
        for (uint8_t& b : expected)
            b &= v.mask;
        EXPECT_EQ(ours->pixels, expected);
    }
}
