#include <gtest/gtest.h>

#include <png.h>

#include "tools/data/HeightmapImport.h"

using namespace datagen;

namespace {

std::vector<uint8_t> bytesOf(const std::string& text, std::vector<uint8_t> samples = {})
{
    samples.insert(samples.begin(), text.begin(), text.end());
    return samples;
}

std::vector<uint8_t> encodePng(int width, uint32_t format, const void* pixels)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = 1;
    image.format = format;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, nullptr);
    std::vector<uint8_t> out(size);
    png_image_write_to_memory(&image, out.data(), &size, 0, pixels, 0, nullptr);
    return out;
}

} // namespace

TEST(HeightmapImport, PgmAndPngSamplesAsStoredAndBrokenOrCutFilesRefused)
{
    GreyImage image;
    std::string error;
    const uint8_t grey[3] = {0, 128, 255};
    const uint16_t grey16[2] = {1000, 60000};
    const struct {
        std::vector<uint8_t> bytes;
        std::vector<float> samples;
        float maxValue;
    } cases[] = {{bytesOf("P2\n# a comment\n3 1 # size\n300\n0 128 255\n"), {0, 128, 255}, 300},
                 {bytesOf("P5 3 1 255\n", {0, 128, 255}), {0, 128, 255}, 255},
                 {bytesOf("P5\n2 1\n65535\n", {0x03, 0xE8, 0xEA, 0x60}), {1000, 60000}, 65535}, // big-endian
                 {encodePng(3, PNG_FORMAT_GRAY, grey), {0, 128, 255}, 255},
                 {encodePng(2, PNG_FORMAT_LINEAR_Y, grey16), {1000, 60000}, 65535}};
    for (const auto& c : cases) {
        EXPECT_TRUE(decodeGreyImage(c.bytes, image, error)) << error;
        EXPECT_EQ(std::tuple(image.samples, image.maxValue, image.width, image.height),
                  std::tuple(c.samples, c.maxValue, static_cast<int>(c.samples.size()), 1));
        // Every cut before the pixels end is refused (a PNG's last 12 bytes carry none); a cut
        // text file may still end in a number.
        const size_t cuts = c.bytes[1] == '2' ? 0 : c.bytes.size() - (c.bytes[0] == 'P' ? 0 : 12);
        for (size_t n = 0; n < cuts; ++n)
            EXPECT_FALSE(decodeGreyImage({c.bytes.data(), n}, image, error)) << n << " bytes";
    }
    for (const char* text : {"P2 2 2 10\n1 2 3", "P2 2 1 10\n1 11", "P2 0 5 10\n", "P2 2 1 70000\n1 2",
                             "P2 99999999999 1 255\n", "GIF89a", ""}) {
        error.clear();
        EXPECT_FALSE(decodeGreyImage(bytesOf(text), image, error) || error.empty()) << text;
    }
}

TEST(HeightmapImport, RampsOfAnySizeResampleToTheStretchedRamp)
{
    // Bilinear resampling keeps a ramp a ramp; the corner samples land on the
    // corner points, and the range is stretched to 0-255.
    GreyImage large{300, 200, 65535, {}};
    for (int i = 0; i < 300 * 200; ++i)
        large.samples.push_back(static_cast<float>(1000 + 3 * (i % 300) + i / 300));
    const struct {
        GreyImage image;
        double dx, dy; // steps per grid step before stretching
    } ramps[] = {{GreyImage{2, 2, 30, {0, 10, 20, 30}}, 10.0 / 127, 20.0 / 127},
                 {large, 3.0 * 299 / 127, 199.0 / 127}};
    for (const auto& ramp : ramps) {
        const std::vector<uint8_t> map = resampleToHeightmap(ramp.image, 128);
        ASSERT_EQ(map.size(), 16384u);
        const double stretch = 255.0 / (127 * (ramp.dx + ramp.dy));
        for (int i = 0; i < 16384; ++i)
            ASSERT_NEAR(map[static_cast<size_t>(i)], (ramp.dx * (i % 128) + ramp.dy * (i / 128)) * stretch,
                        0.501)
                << i;
    }
    // A flat picture keeps its own level: 40 of 100 is 102 of 255.
    EXPECT_EQ(resampleToHeightmap({3, 3, 100, std::vector<float>(9, 40.0f)}, 128),
              std::vector<uint8_t>(16384, 102));
}
