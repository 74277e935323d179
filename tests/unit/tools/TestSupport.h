#pragma once

// Independent readers and checks for the generator's files, written from the
// file formats rather than from the writers, so the tests compare two views.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "image/Image.h"

namespace testing_support {

// A fresh empty folder under the system temp folder, removed by the destructor.
class TempDir {
public:
    explicit TempDir(const std::string& tag);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

std::vector<uint8_t> readFile(const std::filesystem::path& p);
void writeFile(const std::filesystem::path& p, const std::vector<uint8_t>& bytes);

// Decodes a TGA by the program's reading rules: rows in file order, the
// descriptor ignored, RLE for type 10. Empty on any inconsistency, including
// trailing or missing bytes.
std::optional<Image> decodeTgaByRules(const std::vector<uint8_t>& bytes);

// Pixels of an image file as ImageMagick (/usr/bin/convert) shows them: rows
// from the top of the picture, RGB or RGBA. Empty if convert fails.
std::optional<std::vector<uint8_t>> pixelsByImageMagick(const std::filesystem::path& file, int channels);

// Structural view of an MD2 file, or an explanation of what is wrong.
struct Md2Facts {
    int32_t skinWidth = 0, skinHeight = 0, numXyz = 0, numSt = 0, numTris = 0, numFrames = 0, numGlCmds = 0;
    std::vector<std::pair<int16_t, int16_t>> st;
    std::vector<std::array<uint16_t, 6>> tris;             // 3 vertex, then 3 st indices
    std::vector<std::vector<std::array<float, 3>>> frames; // decoded positions
    std::vector<std::vector<uint8_t>> normals;             // normal index per vertex per frame
    std::string skinName;
};
bool checkMd2(const std::vector<uint8_t>& bytes, Md2Facts& facts, std::string& problem);

} // namespace testing_support
