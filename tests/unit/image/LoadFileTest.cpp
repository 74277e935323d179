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

TEST_F(LoadFile, RefusalsShowTheirMessage)
{
    enum Reader { Tga, Bmp, Dib };
    auto patched = [this](const char* name, size_t at, uint8_t value) {
        std::vector<uint8_t> file = validBmp();
        file[at] = value;
        return dir.write(name, file);
    };
    const std::string missing = dir.file("missing.bmp"), empty = dir.write("empty.bmp", {});
    const std::string folder = dir.file("folder.bmp");
    std::filesystem::create_directory(folder);
    const struct {
        Reader reader;
        std::string path;
        std::string message;
    } cases[] = {
        {Tga, dir.file("missing.tga"), "Unable to load TGA File!"},
        {Bmp, missing, "Unable to load BMP File!"}, // and no second message from the DIB reader
        {Dib, missing, "Failed to open DIB file " + missing + ".\n"},
        {Bmp, empty, "Failed to open DIB file " + empty + ".\n"}, // opens but cannot be mapped
        {Dib, folder, "Failed to open DIB file " + folder + ".\n"},
        {Bmp, patched("os2.bmp", 14, 64), "Unknown DIB file format."},
        {Bmp, patched("zero.bmp", 18, 0), "Out of memory."},
        {Bmp, patched("bits.bmp", 28, 7), "Image file conversion error."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        shown.clear();
        const char* name = c.path.c_str();
        EXPECT_FALSE(c.reader == Tga   ? LoadTga(name).has_value()
                     : c.reader == Bmp ? LoadBmp(name).has_value()
                                       : LoadDib(name).has_value());
        expectOneMessage(c.message);
    }
}

TEST_F(LoadFile, ValidFilesAndSilentRefusals)
{
    std::vector<uint8_t> tga = tgaHeader(2, 1, 1, 24);
    tga.insert(tga.end(), {1, 2, 3});
    const auto fromTga = LoadTga(dir.write("ok.tga", tga).c_str());
    ASSERT_TRUE(fromTga);
    EXPECT_EQ(fromTga->pixels, (std::vector<uint8_t>{3, 2, 1}));

    const auto image = LoadBmp(dir.write("ok.bmp", validBmp()).c_str());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->channels, 3);
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(image->height, 1);
    EXPECT_EQ(image->pixels, (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));

    // An unsupported TGA depth is refused without a message.
    std::vector<uint8_t> palette = tgaHeader(1, 1, 1, 8);
    palette.push_back(0);
    EXPECT_FALSE(LoadTga(dir.write("palette.tga", palette).c_str()));
    EXPECT_TRUE(shown.empty());
}

// Sizes past the limits are refused from the header alone, before any pixel is
// allocated, with each reader's own failure.
TEST_F(LoadFile, ImagesPastTheLimitsAreRefused)
{
    auto tga = [](uint8_t type, uint16_t width, uint16_t height, uint8_t bits, std::vector<uint8_t> data) {
        std::vector<uint8_t> file = tgaHeader(type, width, height, bits);
        file.insert(file.end(), data.begin(), data.end());
        return file;
    };
    const ImageLimits small{4, 48};
    const struct {
        const char* name;
        std::vector<uint8_t> file;
        ImageLimits limits;
        bool decodes;
    } tgaCases[] = {
        {"run-length 65535 x 4000", tga(10, 65535, 4000, 32, {255, 1, 2, 3, 4}), {}, false},
        {"16384 square, 1 GiB", tga(2, 16384, 16384, 32, {1, 2, 3, 4}), {}, false},
        {"side at the limit", tga(2, 4, 1, 24, std::vector<uint8_t>(12, 1)), small, true},
        {"width past it", tga(2, 5, 1, 24, std::vector<uint8_t>(15, 1)), small, false},
        {"height past it", tga(2, 1, 5, 16, std::vector<uint8_t>(10, 1)), small, false},
        {"48 bytes of pixels", tga(10, 4, 4, 24, {143, 1, 2, 3}), small, true},
        {"64 bytes of pixels", tga(10, 4, 4, 32, {143, 1, 2, 3, 4}), small, false},
    };
    for (const auto& c : tgaCases) {
        SCOPED_TRACE(c.name);
        shown.clear();
        bool tooLarge = !c.decodes;
        EXPECT_EQ(decodeTga(c.file, c.limits, &tooLarge).has_value(), c.decodes);
        EXPECT_EQ(tooLarge, !c.decodes);
        EXPECT_EQ(LoadTga(dir.write("image.tga", c.file).c_str(), c.limits).has_value(), c.decodes);
        if (c.decodes)
            EXPECT_TRUE(shown.empty());
        else
            expectOneMessage("Unable to load TGA File!");
    }
    // A file that merely ends early is no size refusal.
    bool tooLarge = true;
    EXPECT_FALSE(decodeTga(tga(2, 2, 1, 24, {1, 2, 3}), {}, &tooLarge));
    EXPECT_FALSE(tooLarge);

    for (int32_t width : {4, 5}) {
        InfoDib bitmap;
        bitmap.width = width;
        bitmap.pixels.assign(16, 0);
        DibPixels out;
        EXPECT_EQ(decodeDib(bitmap.bytes(), out, small), width == 4 ? DibError::None : DibError::OutOfMemory);
    }
    InfoDib wide;
    wide.width = 16385;
    wide.pixels.assign(16385 * 3 + 1, 0);
    shown.clear();
    EXPECT_FALSE(LoadBmp(dir.write("wide.bmp", wide.bytes()).c_str()));
    expectOneMessage("Out of memory.");
}

TEST(ImageFileKind, CaseSensitiveSubstringsInOrder)
{
    EXPECT_EQ(imageFileKind("map/test/tile1.tga"), ImageFileKind::Tga);
    EXPECT_EQ(imageFileKind("skin.bmp"), ImageFileKind::Bmp);
    EXPECT_EQ(imageFileKind("x.tga.bmp"), ImageFileKind::Tga);
    EXPECT_EQ(imageFileKind("x.bmp.tga"), ImageFileKind::Tga);
    EXPECT_EQ(imageFileKind("a.tgaxyz"), ImageFileKind::Tga);
    EXPECT_EQ(imageFileKind("SKIN.TGA"), ImageFileKind::None);
    EXPECT_EQ(imageFileKind("skin.BMP"), ImageFileKind::None);
    EXPECT_EQ(imageFileKind("photo.jpg"), ImageFileKind::None);
    EXPECT_EQ(imageFileKind("photo.jpg.tga"), ImageFileKind::None);
    EXPECT_EQ(imageFileKind("a.tga.jpg.bmp"), ImageFileKind::None);
    EXPECT_EQ(imageFileKind("photo.JPG.tga"), ImageFileKind::Tga);
    EXPECT_EQ(imageFileKind("image.png"), ImageFileKind::None);
    EXPECT_EQ(imageFileKind("tga"), ImageFileKind::None);
    EXPECT_EQ(imageFileKind(""), ImageFileKind::None);
    EXPECT_EQ(imageFileKind(nullptr), ImageFileKind::None);
}
