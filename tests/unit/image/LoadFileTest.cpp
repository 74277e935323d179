#include "image/Dib.h"
#include "image/Texture.h"
#include "image/Tga.h"
#include "platform/Platform.h"
#include "tests/unit/image/ImageFiles.h"

#include <gtest/gtest.h>

namespace {

// Captures every message box: all of them "Error" boxes with an OK button and no icon.
class LoadFile : public ::testing::Test {
protected:
    LoadFile()
    {
        platform::SetMessageBoxHandler(
            [this](std::string_view text, std::string_view caption, auto buttons, auto icon) {
                EXPECT_EQ(std::tuple(caption, buttons, icon),
                          std::tuple("Error", platform::Buttons::Ok, platform::Icon::None));
                shown.emplace_back(text);
                return platform::Answer::Ok;
            });
    }
    ~LoadFile() override { platform::SetMessageBoxHandler({}); }

    const TempDir dir;
    std::vector<std::string> shown;
};

} // namespace

// (Files that load are seen in the texture test.) An unsupported TGA is refused without a message;
// a missing BMP only with the BMP reader's, an empty one (it cannot be mapped) with the DIB
// reader's; then a header size, width and bit count that no bitmap has.
TEST_F(LoadFile, EachRefusalWithItsMessage)
{
    const Bytes bmp = Dib{2, 1, 24, {1, 2, 3, 4, 5, 6, 0, 0}}.bytes();
    EXPECT_FALSE(LoadTga(dir.write("palette.tga", tga(1, 1, 1, 8, {0})).c_str()));
    EXPECT_TRUE(shown.empty());

    auto refused = [this](bool loaded, const std::string& message) {
        EXPECT_FALSE(loaded) << message;
        EXPECT_EQ(shown, std::vector{message});
        shown.clear();
    };
    auto patched = [&](size_t at, uint8_t value) {
        Bytes file = bmp;
        file[at] = value;
        return LoadBmp(dir.write("patched.bmp", file).c_str()).has_value();
    };
    const std::string missing = dir.file("missing.bmp"), empty = dir.write("empty.bmp", {});
    refused(LoadTga(dir.file("missing.tga").c_str()).has_value(), "Unable to load TGA File!");
    refused(LoadBmp(missing.c_str()).has_value(), "Unable to load BMP File!");
    refused(LoadDib(missing.c_str()).has_value(), "Failed to open DIB file " + missing + ".\n");
    refused(LoadBmp(empty.c_str()).has_value(), "Failed to open DIB file " + empty + ".\n");
    refused(patched(14, 64), "Unknown DIB file format.");
    refused(patched(18, 0), "Out of memory.");
    refused(patched(28, 7), "Image file conversion error.");
}

// Sizes past the limits are refused from the header alone, before any pixel is allocated, with
// each reader's own failure (the TGA reader's message is seen in the texture test).
TEST_F(LoadFile, ImagesPastTheLimitsAreRefused)
{
    const ImageLimits small{4, 48};
    auto check = [](const char* name, const Bytes& file, const ImageLimits& limits, bool decodes) {
        bool tooLarge = !decodes;
        EXPECT_EQ(decodeTga(file, limits, &tooLarge).has_value(), decodes) << name;
        EXPECT_EQ(tooLarge, !decodes) << name;
    };
    check("run-length 65535 x 4000", tga(10, 65535, 4000, 32, {255, 1, 2, 3, 4}), {}, false);
    check("16384 square, 1 GiB", tga(2, 16384, 16384, 32, {1, 2, 3, 4}), {}, false);
    check("side at the limit", tga(2, 4, 1, 24, Bytes(12, 1)), small, true);
    check("width past it", tga(2, 5, 1, 24, Bytes(15, 1)), small, false);
    check("height past it", tga(2, 1, 5, 16, Bytes(10, 1)), small, false);
    check("48 bytes of pixels", tga(10, 4, 4, 24, {143, 1, 2, 3}), small, true);
    check("64 bytes of pixels", tga(10, 4, 4, 32, {143, 1, 2, 3, 4}), small, false);
    bool tooLarge = true;
    EXPECT_FALSE(decodeTga(tga(2, 2, 1, 24, {1, 2, 3}), {}, &tooLarge));
    EXPECT_FALSE(tooLarge); // a file that merely ends early is no size refusal

    DibPixels out;
    EXPECT_EQ(decodeDib(Dib{4, 1, 24, Bytes(16)}.bytes(), out, small), DibError::None);
    EXPECT_EQ(decodeDib(Dib{5, 1, 24, Bytes(16)}.bytes(), out, small), DibError::OutOfMemory);
    EXPECT_FALSE(LoadBmp(dir.write("wide.bmp", Dib{16385, 1, 24, Bytes(16385 * 3 + 1)}.bytes()).c_str()));
    EXPECT_EQ(shown, std::vector<std::string>{"Out of memory."});
}

TEST(ImageFileKind, CaseSensitiveSubstringsInOrder)
{
    for (const char* name : {"map/test/tile1.tga", "x.bmp.tga", "a.tgaxyz", "photo.JPG.tga"})
        EXPECT_EQ(imageFileKind(name), ImageFileKind::Tga) << name;
    EXPECT_EQ(imageFileKind("skin.bmp"), ImageFileKind::Bmp);
    for (const char* name : {"SKIN.TGA", "skin.BMP", "photo.jpg.tga", "a.bmp.jpg", "image.png", ""})
        EXPECT_EQ(imageFileKind(name), ImageFileKind::None) << name;
    EXPECT_EQ(imageFileKind(nullptr), ImageFileKind::None);
    uint32_t slot = 7; // no texture from a picture of another kind, and no message
    EXPECT_FALSE(LoadTexture("image.png", slot));
    EXPECT_EQ(slot, 7u);
}
