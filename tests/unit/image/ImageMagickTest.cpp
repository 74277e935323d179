// Differential tests: ImageMagick writes the BMP and TGA variants of a small random image and
// decodes them again; our decoders must give the same pixels, bottom row first.

#include "image/Dib.h"
#include "image/Tga.h"
#include "tests/unit/image/ImageFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <random>

namespace {

// The real ImageMagick (the one on PATH may be a stand-in).
const std::string kConvert = "/usr/bin/convert";

class ImageMagick : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(kConvert)) GTEST_SKIP() << kConvert << " is missing";
        // 13 x 9 (odd, so every depth has row padding) random colours and alpha, as a PAM file.
        std::mt19937 rng(424242);
        const std::string pam = "P7\nWIDTH 13\nHEIGHT 9\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
        Bytes bytes(pam.begin(), pam.end());
        for (int i = 0; i < 13 * 9 * 4; ++i)
            bytes.push_back(uint8_t(rng()));
        dir.write("source.pam", bytes);
    }

    // convert <arguments> <format>:out in the scratch folder; the bytes of out.
    Bytes convert(const std::string& arguments, const std::string& format)
    {
        const std::string command =
            "cd " + dir.file("") + " && " + kConvert + " " + arguments + " " + format + ":out";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        std::ifstream in(dir.file("out"), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // The source written with options, and ImageMagick's own decoding of that file, 8 bits a channel,
    // bottom row first. Its TGA reader only records the origin; -auto-orient applies it.
    std::pair<Bytes, Bytes> variant(const std::string& options, const std::string& format,
                                    const char* channels)
    {
        Bytes file = convert("source.pam " + options, format);
        dir.write("variant", file);
        return {file, convert(format + ":variant -auto-orient -flip -depth 8", channels)};
    }

    ScratchDir dir{::testing::UnitTest::GetInstance()->current_test_info()->name()};
};

} // namespace

TEST_F(ImageMagick, BitmapsDecodeAlike)
{
    for (const auto& [format, options] : {std::pair{"BMP3", "-type truecolor"},
                                          {"BMP2", "-type truecolor"},
                                          {"DIB", "-type truecolor"}, // no file header
                                          {"BMP3", "-alpha on -define bmp3:alpha=true"},
                                          {"BMP", "-alpha on"}, // 32-bit fields in a V5 header
                                          {"BMP", "-define bmp:subtype=RGB565"},
                                          {"BMP", "-define bmp:subtype=RGB555"},
                                          {"BMP3", "-colors 200 -type palette -compress none"},
                                          {"BMP3", "-colors 200 -type palette -compress rle"},
                                          {"DIB", "-colors 200 -type palette -compress none"},
                                          {"BMP3", "-colors 12 -type palette -compress none"},
                                          {"BMP3", "-colors 2 -type palette"},
                                          {"BMP2", "-colors 200 -type palette"},
                                          {"BMP2", "-colors 12 -type palette"},
                                          {"BMP2", "-monochrome"}}) {
        SCOPED_TRACE(std::string(format) + " " + options);
        const auto [file, expected] = variant(std::string("-alpha off ") + options, format, "rgb");
        DibPixels ours;
        ASSERT_EQ(decodeDib(file, ours), DibError::None);
        EXPECT_EQ(std::pair(ours.width, ours.height), std::pair(13, 9));
        EXPECT_EQ(ours.rgb, expected);
    }
}

// 16-bit fields come out as value x 8; ImageMagick widens to full scale, so the top five bits agree.
TEST_F(ImageMagick, TgaVariantsDecodeAlike)
{
    for (const auto& [options, type, channels, mask] : {std::tuple{"-alpha off -compress none", 2, 3, 0xFF},
                                                        {"-alpha off -compress rle", 10, 3, 0xFF},
                                                        {"-alpha on -compress none", 2, 4, 0xFF},
                                                        {"-alpha on -compress rle", 10, 4, 0xFF},
                                                        {"-alpha off -depth 5", 2, 3, 0xF8}}) {
        SCOPED_TRACE(options);
        auto [file, expected] = variant(options, "TGA", channels == 4 ? "rgba" : "rgb");
        EXPECT_EQ(file.at(2), type);
        const auto ours = decodeTga(file);
        ASSERT_TRUE(ours);
        EXPECT_EQ(std::tuple(ours->channels, ours->width, ours->height), std::tuple(channels, 13, 9));
        for (uint8_t& b : expected)
            b &= uint8_t(mask);
        EXPECT_EQ(ours->pixels, expected);
    }
}
