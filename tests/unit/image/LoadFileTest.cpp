#include "image/Dib.h"
#include "image/Texture.h"
#include "image/Tga.h"
#include "platform/Platform.h"
#include "tests/unit/image/ImageFiles.h"

#include <gtest/gtest.h>

namespace {

struct Shown {
    std::string text;
    std::string caption;
    platform::Buttons buttons;
    platform::Icon icon;
};

// Captures every message box for the test's lifetime.
class LoadFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SetMessageBoxHandler(
            [this](std::string_view text, std::string_view caption, platform::Buttons b, platform::Icon i) {
                shown.push_back({std::string(text), std::string(caption), b, i});
                return platform::Answer::Ok;
            });
    }
    void TearDown() override { platform::SetMessageBoxHandler({}); }

    void expectOneMessage(const std::string& text)
    {
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, text);
        EXPECT_EQ(shown[0].caption, "Error");
        EXPECT_EQ(shown[0].buttons, platform::Buttons::Ok);
        EXPECT_EQ(shown[0].icon, platform::Icon::None);
    }

    ScratchDir dir{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    std::vector<Shown> shown;
};

std::vector<uint8_t> validBmp()
{
    InfoDib dib;
    dib.width = 2;
    dib.pixels = {1, 2, 3, 4, 5, 6, 0, 0};
    return dib.bytes();
}

} // namespace

TEST_F(LoadFile, MissingTga)
{
    EXPECT_FALSE(LoadTga(dir.file("missing.tga").c_str()));
    expectOneMessage("Unable to load TGA File!");
}

TEST_F(LoadFile, TgaOfUnsupportedDepthGivesNoMessage)
{
    std::vector<uint8_t> file = tgaHeader(1, 1, 1, 8);
    file.push_back(0);
    EXPECT_FALSE(LoadTga(dir.write("palette.tga", file).c_str()));
    EXPECT_TRUE(shown.empty());
}

TEST_F(LoadFile, ValidTga)
{
    std::vector<uint8_t> file = tgaHeader(2, 1, 1, 24);
    file.insert(file.end(), {1, 2, 3});
    const auto image = LoadTga(dir.write("ok.tga", file).c_str());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, (std::vector<uint8_t>{3, 2, 1}));
    EXPECT_TRUE(shown.empty());
}

TEST_F(LoadFile, MissingBmpShowsOnlyTheBmpMessage)
{
    EXPECT_FALSE(LoadBmp(dir.file("missing.bmp").c_str()));
    expectOneMessage("Unable to load BMP File!");
}

TEST_F(LoadFile, MissingDibNamesTheFile)
{
    const std::string path = dir.file("missing.bmp");
    EXPECT_FALSE(LoadDib(path.c_str()));
    expectOneMessage("Failed to open DIB file " + path + ".\n");
}

TEST_F(LoadFile, EmptyBmpCannotBeMapped)
{
    const std::string path = dir.write("empty.bmp", {});
    EXPECT_FALSE(LoadBmp(path.c_str()));
    expectOneMessage("Failed to open DIB file " + path + ".\n");
}

TEST_F(LoadFile, DirectoryNamedBmpCannotBeRead)
{
    const std::string path = dir.file("folder.bmp");
    std::filesystem::create_directory(path);
    EXPECT_FALSE(LoadDib(path.c_str()));
    expectOneMessage("Failed to open DIB file " + path + ".\n");
}

TEST_F(LoadFile, UnknownDibHeader)
{
    std::vector<uint8_t> file = validBmp();
    file[14] = 64;
    EXPECT_FALSE(LoadBmp(dir.write("os2.bmp", file).c_str()));
    expectOneMessage("Unknown DIB file format.");
}

TEST_F(LoadFile, ZeroWidthIsOutOfMemory)
{
    std::vector<uint8_t> file = validBmp();
    file[18] = 0;
    EXPECT_FALSE(LoadBmp(dir.write("zero.bmp", file).c_str()));
    expectOneMessage("Out of memory.");
}

TEST_F(LoadFile, BadBitCountIsConversionError)
{
    std::vector<uint8_t> file = validBmp();
    file[28] = 7;
    EXPECT_FALSE(LoadBmp(dir.write("bits.bmp", file).c_str()));
    expectOneMessage("Image file conversion error.");
}

TEST_F(LoadFile, ValidBmpIsThreeChannelImage)
{
    const auto image = LoadBmp(dir.write("ok.bmp", validBmp()).c_str());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->channels, 3);
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(image->height, 1);
    EXPECT_EQ(image->pixels, (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));
    EXPECT_TRUE(shown.empty());
}

TEST(ImageFileKind, CaseSensitiveSubstringsInOrder)
{
    EXPECT_EQ(imageFileKind("map/test/tile1.tga"), ImageFileKind::Tga);
    EXPECT_EQ(imageFileKind("skin.bmp"), ImageFileKind::Bmp);
    EXPECT_EQ(imageFileKind("x.tga.bmp"), ImageFileKind::Tga);
    EXPECT_EQ(imageFileKind("x.bmp.tga"), ImageFileKind::Tga);
    EXPECT_EQ(imageFileKind("a.tgaxyz"), ImageFileKind::Tga);
    EXPECT_EQ(imageFileKind("dir.bmp/file"), ImageFileKind::Bmp);
    EXPECT_EQ(imageFileKind("SKIN.TGA"), ImageFileKind::None);
    EXPECT_EQ(imageFileKind("skin.BMP"), ImageFileKind::None);
    EXPECT_EQ(imageFileKind("skin.Tga"), ImageFileKind::None);
    EXPECT_EQ(imageFileKind("photo.jpg"), ImageFileKind::None);
    EXPECT_EQ(imageFileKind("photo.jpg.tga"), ImageFileKind::None);
    EXPECT_EQ(imageFileKind("a.tga.jpg.bmp"), ImageFileKind::None);
    EXPECT_EQ(imageFileKind("photo.JPG.tga"), ImageFileKind::Tga);
    EXPECT_EQ(imageFileKind("image.png"), ImageFileKind::None);
    EXPECT_EQ(imageFileKind("tga"), ImageFileKind::None);
    EXPECT_EQ(imageFileKind(""), ImageFileKind::None);
    EXPECT_EQ(imageFileKind(nullptr), ImageFileKind::None);
}
