// Differential test: ImageMagick writes the BMP and TGA variants of a small random image and
// decodes them again; our decoders must give the same pixels, bottom row first.

#include "image/Dib.h"
#include "image/Tga.h"
#include "tests/unit/image/ImageFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <random>

TEST(ImageMagick, VariantsDecodeAlike)
{
    const std::string convert = "/usr/bin/convert"; // the real one (the one on PATH may be a stand-in)
    if (!std::filesystem::exists(convert)) GTEST_SKIP() << convert << " is missing";
    const TempDir dir;
    // 13 x 9 (odd, so every depth has row padding) random colours and alpha, as a PAM file.
    std::mt19937 rng(424242);
    const std::string pam = "P7\nWIDTH 13\nHEIGHT 9\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    Bytes source(pam.begin(), pam.end());
    std::generate_n(std::back_inserter(source), 13 * 9 * 4, [&rng] { return uint8_t(rng()); });
    dir.write("source.pam", source);
    // convert <arguments> <format>:<name> in the scratch folder; the bytes written.
    auto run = [&](const std::string& arguments, const std::string& format, const std::string& name) {
        const std::string command =
            "cd " + dir.file("") + " && " + convert + " " + arguments + " " + format + ":" + name;
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        std::ifstream in(dir.file(name), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    };

    // DIB: no file header; BMP2: the core header; BMP -alpha on: 32-bit fields in a V5 header.
    const char* const variants[] = {"BMP3 -type truecolor",
                                    "BMP2 -type truecolor",
                                    "BMP3 -alpha on -define bmp3:alpha=true",
                                    "BMP -alpha on",
                                    "BMP -define bmp:subtype=RGB565",
                                    "BMP -define bmp:subtype=RGB555",
                                    "BMP3 -colors 200 -type palette -compress none",
                                    "BMP3 -colors 200 -type palette -compress rle",
                                    "DIB -colors 200 -type palette -compress none",
                                    "BMP3 -colors 12 -type palette -compress none",
                                    "BMP3 -colors 2 -type palette",
                                    "BMP2 -monochrome",
                                    "TGA -compress none",
                                    "TGA -compress rle",
                                    "TGA -alpha on -compress none",
                                    "TGA -alpha on -compress rle",
                                    "TGA -depth 5"};
    for (const std::string variant : variants) {
        SCOPED_TRACE(variant);
        const std::string format = variant.substr(0, variant.find(' '));
        const bool tga = format == "TGA", rgba = tga && variant.find("alpha on") != std::string::npos;
        const Bytes file = run("source.pam -alpha off" + variant.substr(format.size()), format, "variant");
        // ImageMagick's own decoding, 8 bits a channel, bottom row first. Its TGA reader only
        // records the origin; -auto-orient applies it.
        Bytes expected = run(format + ":variant -auto-orient -flip -depth 8", rgba ? "rgba" : "rgb", "out");
        if (!tga) {
            DibPixels ours;
            ASSERT_EQ(decodeDib(file, ours), DibError::None);
            EXPECT_EQ(std::tie(ours.width, ours.height, ours.rgb), std::tuple(13, 9, expected));
            continue;
        }
        // 16-bit fields come out as value x 8; ImageMagick widens to full scale: the top five bits agree.
        if (variant.ends_with("-depth 5"))
            for (uint8_t& b : expected)
                b &= 0xF8;
        const auto ours = decodeTga(file);
        ASSERT_TRUE(ours);
        EXPECT_EQ(std::tie(ours->width, ours->height, ours->pixels), std::tuple(13, 9, expected));
    }
}
