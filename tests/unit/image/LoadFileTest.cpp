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
