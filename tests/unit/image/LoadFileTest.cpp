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

    ScratchDir dir{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    std::vector<std::string> shown;
};

} // namespace

TEST_F(LoadFile, ValidFilesAndEachRefusalWithItsMessage)
{
    const Bytes bmp = Dib{2, 1, 24, {1, 2, 3, 4, 5, 6, 0, 0}}.bytes();
    const auto fromTga = LoadTga(dir.write("ok.tga", tga(2, 2, 1, 24, {1, 2, 3, 4, 5, 6})).c_str());
    const auto fromBmp = LoadBmp(dir.write("ok.bmp", bmp).c_str());
    ASSERT_TRUE(fromTga && fromBmp);
    for (const Image& image : {*fromTga, *fromBmp})
        EXPECT_EQ(std::tie(image.channels, image.width, image.height, image.pixels),
                  std::tuple(3, 2, 1, Bytes{3, 2, 1, 6, 5, 4}));
    EXPECT_FALSE(LoadTga(dir.write("palette.tga", tga(1, 1, 1, 8, {0})).c_str())); // unsupported: no message
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
    refused(LoadBmp(missing.c_str()).has_value(),
            "Unable to load BMP File!"); // and nothing from the DIB reader
    refused(LoadDib(missing.c_str()).has_value(), "Failed to open DIB file " + missing + ".\n");
    refused(LoadBmp(empty.c_str()).has_value(),
            "Failed to open DIB file " + empty + ".\n");     // cannot be mapped
    refused(patched(14, 64), "Unknown DIB file format.");    // header size
    refused(patched(18, 0), "Out of memory.");               // width
    refused(patched(28, 7), "Image file conversion error."); // bit count
}

// Sizes past the limits are refused from the header alone, before any pixel is allocated, with
// each reader's own failure.
TEST_F(LoadFile, ImagesPastTheLimitsAreRefused)
{
    const ImageLimits small{4, 48};
    auto check = [this](const char* name, const Bytes& file, const ImageLimits& limits, bool decodes) {
        shown.clear();
        bool tooLarge = !decodes;
        EXPECT_EQ(decodeTga(file, limits, &tooLarge).has_value(), decodes) << name;
        EXPECT_EQ(tooLarge, !decodes) << name;
        EXPECT_EQ(LoadTga(dir.write("image.tga", file).c_str(), limits).has_value(), decodes) << name;
        EXPECT_EQ(shown.size(), decodes ? 0u : 1u) << name;
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

    for (int32_t width : {4, 5}) {
        DibPixels out;
        EXPECT_EQ(decodeDib(Dib{width, 1, 24, Bytes(16)}.bytes(), out, small),
                  width == 4 ? DibError::None : DibError::OutOfMemory);
    }
    shown.clear();
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
}
