#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <sstream>

#include "TestSupport.h"
#include "tools/data/DataSet.h"
#include "tools/data/Heightmaps.h"

using namespace datagen;
using testing_support::readFile;

namespace {

// One data set generated once for the file checks below.
const std::vector<DataFile>& dataSet()
{
    static const std::vector<DataFile> files = makeDataSet(1);
    return files;
}

const std::vector<uint8_t>& file(const std::string& path)
{
    for (const DataFile& f : dataSet())
        if (f.path == path) return f.bytes;
    static const std::vector<uint8_t> none;
    ADD_FAILURE() << "no file " << path;
    return none;
}

const std::vector<std::string> kRawFiles = {"map/test/map_qv.raw", "map/test/map_qv_foliage.raw",
                                            "map/test/terraintex.raw", "map/test/map_qv-edited.raw"};
const std::vector<std::string> kTileFiles = {"map/test/tile1.tga", "map/test/tile2.tga", "map/test/tile3.tga",
                                             "cliff.tga"};
const std::vector<std::string> kTgaFiles = {
    "map/test/tile1.tga", "map/test/tile2.tga", "map/test/tile3.tga", "map/test/lightmap.tga",
    "cliff.tga",          "tank/tank.tga",      "Tree/tree.tga"};

Image decoded(const std::string& path)
{
    const auto img = testing_support::decodeTgaByRules(file(path));
    EXPECT_TRUE(img.has_value()) << path;
    return img.value_or(Image{});
}

int spread(const std::vector<uint8_t>& map)
{
    const auto [lo, hi] = std::minmax_element(map.begin(), map.end());
    return *hi - *lo;
}

double meanAbsDiff(const Image& img, int xa, int ya, int xb, int yb)
{
    double sum = 0;
    for (int k = 0; k < 3; ++k)
        sum += std::abs(img.pixels[static_cast<size_t>((xa + img.width * ya) * 3 + k)] -
                        img.pixels[static_cast<size_t>((xb + img.width * yb) * 3 + k)]);
    return sum / 3.0;
}

// The mean step across the wrap-around edge, compared with the mean steps
// between every other pair of neighbouring columns (and rows): at most the
// largest of those for a seamless tile, above it at a seam. Returns the
// larger of the two ratios (columns, rows).
double seamRatio(const Image& img)
{
    const int w = img.width, h = img.height;
    const auto columnStep = [&](int xa, int xb) {
        double s = 0;
        for (int y = 0; y < h; ++y)
            s += meanAbsDiff(img, xa, y, xb, y);
        return s / h;
    };
    const auto rowStep = [&](int ya, int yb) {
        double s = 0;
        for (int x = 0; x < w; ++x)
            s += meanAbsDiff(img, x, ya, x, yb);
        return s / w;
    };
    double maxColumn = 0, maxRow = 0;
    for (int x = 1; x < w; ++x)
        maxColumn = std::max(maxColumn, columnStep(x - 1, x));
    for (int y = 1; y < h; ++y)
        maxRow = std::max(maxRow, rowStep(y - 1, y));
    return std::max(columnStep(w - 1, 0) / maxColumn, rowStep(h - 1, 0) / maxRow);
}

} // namespace

TEST(DataSet, WritesEveryFileAndOnlyTheSeedChangesTheBytes)
{
    testing_support::TempDir dir("set");
    std::string error;
    ASSERT_TRUE(writeDataSet(dir.path(), 7, error)) << error;
    const std::vector<DataFile> seven = makeDataSet(7), again = makeDataSet(7);
    std::vector<std::string> names = {"config.ini", "tank/tank.md2", "Tree/Tree_low.md2"};
    names.insert(names.end(), kRawFiles.begin(), kRawFiles.end());
    names.insert(names.end(), kTgaFiles.begin(), kTgaFiles.end());
    ASSERT_EQ(seven.size(), names.size());
    int differ = 0;
    for (size_t i = 0; i < seven.size(); ++i) {
        SCOPED_TRACE(seven[i].path);
        EXPECT_NE(std::find(names.begin(), names.end(), seven[i].path), names.end());
        EXPECT_FALSE(seven[i].bytes.empty());
        EXPECT_EQ(readFile(dir.path() / seven[i].path), seven[i].bytes);
        EXPECT_EQ(again[i].bytes, seven[i].bytes);
        differ += seven[i].bytes != dataSet()[i].bytes;
    }
    EXPECT_GE(differ, 10); // everything but config.ini and the two model meshes
    // Nothing else is written (the build's stamp file is its own business).
    int count = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path()))
        count += e.is_regular_file();
    EXPECT_EQ(count, static_cast<int>(names.size()));
}

TEST(DataSet, RawFilesAreFullGridsUsingMostOfTheByteRange)
{
    for (const std::string& n : kRawFiles)
        EXPECT_EQ(file(n).size(), 16384u) << n;
    EXPECT_GE(spread(file("map/test/map_qv.raw")), 230);
    EXPECT_GE(spread(file("map/test/terraintex.raw")), 230);
    EXPECT_GE(spread(file("map/test/map_qv-edited.raw")), 200);
    EXPECT_NE(file("map/test/terraintex.raw"), file("map/test/map_qv.raw"));
    // Most of the range, not a few outliers: the middle 90 % span at least half of it.
    std::vector<uint8_t> sorted = file("map/test/map_qv.raw");
    std::sort(sorted.begin(), sorted.end());
    EXPECT_GE(sorted[sorted.size() * 95 / 100] - sorted[sorted.size() * 5 / 100], 128);
}

TEST(DataSet, FoliageHasClusteredTreePointsAtMiddleHeights)
{
    const std::vector<uint8_t>& fol = file("map/test/map_qv_foliage.raw");
    const std::vector<uint8_t>& h = file("map/test/map_qv.raw");
    int trees = 0, neighboured = 0;
    std::vector<uint8_t> treeHeights;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            if (fol[static_cast<size_t>(x + 128 * y)] >= 32) continue;
            ++trees;
            treeHeights.push_back(h[static_cast<size_t>(x + 128 * y)]);
            int near = 0;
            for (int j = -1; j <= 1; ++j)
                for (int i = -1; i <= 1; ++i) {
                    const int xx = x + i, yy = y + j;
                    if ((i || j) && xx >= 0 && yy >= 0 && xx < 128 && yy < 128)
                        near += fol[static_cast<size_t>(xx + 128 * yy)] < 32;
                }
            neighboured += near >= 2;
        }
    EXPECT_GE(trees, 300);
    EXPECT_LE(trees, 1200);
    // Clustered: most tree points have tree neighbours (scattered at random, about 5 % of 8 would).
    EXPECT_GT(neighboured, trees * 6 / 10);
    // Middle heights: neither the lowest nor the highest tenth of the map.
    std::vector<uint8_t> all = h;
    std::sort(all.begin(), all.end());
    std::sort(treeHeights.begin(), treeHeights.end());
    EXPECT_GT(treeHeights[treeHeights.size() / 2], all[all.size() / 10]);
    EXPECT_LT(treeHeights[treeHeights.size() / 2], all[all.size() * 9 / 10]);
}

TEST(DataSet, EditedMapHasAPlateauACraterAndARiverBed)
{
    const std::vector<uint8_t>& orig = file("map/test/map_qv.raw");
    const std::vector<uint8_t>& ed = file("map/test/map_qv-edited.raw");
    int changed = 0;
    for (size_t i = 0; i < orig.size(); ++i)
        changed += std::abs(orig[i] - ed[i]) > 4;
    EXPECT_GT(changed, 1000);
    const MapEdits e = dataSetEdits(1);
    const auto at = [](const std::vector<uint8_t>& m, int x, int y) {
        return m[static_cast<size_t>(x + 128 * y)];
    };
    // The plateau: its inner part is one level, except where the river's banks cut into it.
    int inner = 0;
    std::map<int, int> levels;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            if (std::hypot(x - e.plateauX, y - e.plateauY) < 0.6f * e.plateauRadius) {
                ++inner;
                ++levels[at(ed, x, y)];
            }
    int mostCommon = 0;
    for (const auto& [level, count] : levels)
        mostCommon = std::max(mostCommon, count);
    EXPECT_GT(inner, 100);
    EXPECT_GT(mostCommon, inner * 7 / 10);
    // The crater: the centre sinks, the rim rises.
    const int cx = static_cast<int>(std::lround(e.craterX)), cy = static_cast<int>(std::lround(e.craterY));
    EXPECT_LT(at(ed, cx, cy) + 25, at(orig, cx, cy));
    double rimBefore = 0, rimAfter = 0;
    for (int k = 0; k < 36; ++k) {
        const int x = static_cast<int>(std::lround(e.craterX + e.craterRadius * std::cos(k * 0.1745)));
        const int y = static_cast<int>(std::lround(e.craterY + e.craterRadius * std::sin(k * 0.1745)));
        rimBefore += at(orig, x, y);
        rimAfter += at(ed, x, y);
    }
    EXPECT_GT(rimAfter / 36, rimBefore / 36 + 8);
    // The river bed: cut below the old ground along most of its course, and
    // never rising downstream (up to byte rounding).
    int cut = 0;
    int previous = 256;
    for (int x = 0; x < 128; ++x) {
        const int y = static_cast<int>(std::lround(riverCentre(e, static_cast<float>(x))));
        ASSERT_GE(y, 0);
        ASSERT_LT(y, 128);
        cut += at(ed, x, y) + 10 <= at(orig, x, y);
        EXPECT_LE(at(ed, x, y), previous + 1) << "river rises at column " << x;
        previous = at(ed, x, y);
    }
    EXPECT_GT(cut, 100);
}

TEST(DataSet, FramingKeepsTheFirstOffsetThatReachesItsTarget)
{
    int scored = 0;
    // Scores 10 * (column + 4 * row) of the quarter-period grid: 0 for no shift.
    const auto score = [&scored](LatticeOffset o) {
        ++scored;
        return std::lround(10 * (o.u * 4 + 16 * o.v));
    };
    LatticeOffset o = frameStartView(score, 0);
    EXPECT_EQ(scored, 1);
    EXPECT_EQ(o.u, 0.0f);
    EXPECT_EQ(o.v, 0.0f);
    scored = 0;
    o = frameStartView(score, 65); // first reached by column 3, row 1 (score 70)
    EXPECT_EQ(scored, 8);
    EXPECT_EQ(o.u, 0.75f);
    EXPECT_EQ(o.v, 0.25f);
    scored = 0;
    o = frameStartView([&scored](LatticeOffset) { return ++scored == 6 ? 5L : 1L; }, 1000);
    EXPECT_EQ(scored, 16); // none reaches it: all tried, the best kept
    EXPECT_EQ(o.u, 0.25f);
    EXPECT_EQ(o.v, 0.25f);
}

TEST(DataSet, EditedMapSharpensTheRocksInFrontOfTheStartOnly)
{
    const std::vector<uint8_t>& orig = file("map/test/map_qv.raw");
    const std::vector<uint8_t>& ed = file("map/test/map_qv-edited.raw");
    const MapEdits e = dataSetEdits(1);
    // Mean |h - mean of its 3 x 3| over the points within `radius` of (cx, cy)
    // that the river leaves alone.
    const auto relief = [&e](const std::vector<uint8_t>& m, float cx, float cy, float radius) {
        double sum = 0;
        int n = 0;
        for (int y = 1; y < 127; ++y)
            for (int x = 1; x < 127; ++x) {
                if (std::hypot(x - cx, y - cy) > radius) continue;
                if (std::fabs(y - riverCentre(e, static_cast<float>(x))) < 12.0f) continue;
                double mean = 0;
                for (int j = -1; j <= 1; ++j)
                    for (int i = -1; i <= 1; ++i)
                        mean += m[static_cast<size_t>(x + i + 128 * (y + j))] / 9.0;
                sum += std::fabs(m[static_cast<size_t>(x + 128 * y)] - mean);
                ++n;
            }
        return n > 50 ? sum / n : 0.0;
    };
    EXPECT_GT(relief(ed, 32, 50, 20), 2.0 * relief(orig, 32, 50, 20));
    EXPECT_GT(relief(orig, 32, 50, 20), 0.5);
    EXPECT_EQ(relief(ed, 105, 105, 10), relief(orig, 105, 105, 10));
}

TEST(DataSet, TgaFilesHaveTheirHeadersAndSizes)
{
    for (const std::string& n : kTgaFiles) {
        const std::vector<uint8_t>& f = file(n);
        ASSERT_GE(f.size(), 18u) << n;
        const int w = f[12] | f[13] << 8, h = f[14] | f[15] << 8;
        EXPECT_EQ(f[16], 24) << n;
        EXPECT_TRUE(f[2] == 2 || f[2] == 10) << n;
        if (f[2] == 2) {
            EXPECT_EQ(f.size(), 18u + static_cast<size_t>(w * h * 3)) << n;
        }
        const Image img = decoded(n);
        EXPECT_EQ(img.width, w);
        EXPECT_EQ(img.height, h);
    }
    for (const std::string& n : kTileFiles) {
        EXPECT_EQ(decoded(n).width, 256) << n;
        EXPECT_EQ(decoded(n).height, 256) << n;
    }
    EXPECT_EQ(decoded("map/test/lightmap.tga").width, 512);
    EXPECT_EQ(decoded("map/test/lightmap.tga").height, 512);
    // At least one file uses run-length encoding.
    EXPECT_EQ(file("Tree/tree.tga")[2], 10);
    EXPECT_EQ(file("map/test/lightmap.tga")[2], 10);
}

TEST(DataSet, LightMapIsGreyAndLit)
{
    const Image img = decoded("map/test/lightmap.tga");
    int lo = 255, hi = 0;
    for (size_t i = 0; i < img.pixels.size(); i += 3) {
        EXPECT_EQ(img.pixels[i], img.pixels[i + 1]);
        EXPECT_EQ(img.pixels[i], img.pixels[i + 2]);
        lo = std::min<int>(lo, img.pixels[i]);
        hi = std::max<int>(hi, img.pixels[i]);
    }
    EXPECT_GE(lo, 60);      // ambient floor
    EXPECT_GT(hi - lo, 80); // slopes and shadows show
}

TEST(DataSet, TexturesTileSeamlessly)
{
    for (const std::string& n : kTileFiles) {
        const double r = seamRatio(decoded(n));
        // Within the spread of the inside steps (a crack may happen to run along the edge).
        EXPECT_LE(r, 1.1) << n;
        EXPECT_GT(r, 0.2) << n;
    }
    // The measure does catch a seam: a noisy ramp jumps at its wrap; and the
    // tiles themselves, cut off short of a full period, show one.
    Image ramp;
    ramp.channels = 3;
    ramp.width = ramp.height = 64;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ramp.pixels.insert(ramp.pixels.end(),
                               {static_cast<uint8_t>(x * 3 + (x * 7 + y * 13) % 11), 0, 0});
    EXPECT_GT(seamRatio(ramp), 3.0);
    for (const std::string& n : kTileFiles) {
        const Image full = decoded(n);
        Image cut;
        cut.channels = 3;
        cut.width = cut.height = 200;
        for (int y = 0; y < 200; ++y)
            cut.pixels.insert(cut.pixels.end(), full.pixels.begin() + y * 256 * 3,
                              full.pixels.begin() + (y * 256 + 200) * 3);
        EXPECT_GT(seamRatio(cut), 1.2) << n;
    }
}

TEST(DataSet, TexturesLookLikeTheirGround)
{
    const auto mean = [](const Image& img) {
        double r = 0, g = 0, b = 0;
        for (size_t i = 0; i < img.pixels.size(); i += 3) {
            r += img.pixels[i];
            g += img.pixels[i + 1];
            b += img.pixels[i + 2];
        }
        const double n = static_cast<double>(img.pixels.size() / 3);
        return std::array<double, 3>{r / n, g / n, b / n};
    };
    const auto grass = mean(decoded("map/test/tile2.tga"));
    EXPECT_GT(grass[1], grass[0] + 20); // green
    EXPECT_GT(grass[1], grass[2] + 40);
    const auto dirt = mean(decoded("map/test/tile1.tga"));
    EXPECT_GT(dirt[0], dirt[1]); // brown: red over green over blue
    EXPECT_GT(dirt[1], dirt[2]);
    const auto rock = mean(decoded("map/test/tile3.tga"));
    EXPECT_LT(std::fabs(rock[0] - rock[2]), 25.0); // greyish
    const auto cliff = mean(decoded("cliff.tga"));
    EXPECT_LT(std::fabs(cliff[0] - cliff[2]), 40.0);
}

TEST(DataSet, ImageMagickReadsEveryTgaLikeTheReadingRules)
{
    testing_support::TempDir dir("magick");
    for (const std::string& n : kTgaFiles) {
        const auto path = dir.path() / std::filesystem::path(n).filename();
        testing_support::writeFile(path, file(n));
        const auto pixels = testing_support::pixelsByImageMagick(path, 3);
        ASSERT_TRUE(pixels.has_value()) << n;
        EXPECT_EQ(*pixels, decoded(n).pixels) << n;
    }
}

TEST(DataSet, ModelsPassTheStructuralChecks)
{
    testing_support::Md2Facts tank, tree;
    std::string problem;
    ASSERT_TRUE(testing_support::checkMd2(file("tank/tank.md2"), tank, problem)) << problem;
    ASSERT_TRUE(testing_support::checkMd2(file("Tree/Tree_low.md2"), tree, problem)) << problem;
    EXPECT_GE(tank.numFrames, 2);
    EXPECT_LE(tree.numTris, 80);
    EXPECT_GE(tank.numTris, 200);
    // Skins match the files that the presets load.
    EXPECT_EQ(decoded("tank/tank.tga").width, tank.skinWidth);
    EXPECT_EQ(decoded("Tree/tree.tga").height, tree.skinHeight);
}

TEST(DataSet, ConfigFileAsksForA1024By768Window)
{
    // Apply the reader's rules: skip comment and empty lines, cut at "//",
    // keys from the first character.
    std::istringstream in(configIniText());
    std::string line;
    std::map<std::string, std::string> keys;
    int settings = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '/') continue;
        ASSERT_LT(line.size(), 254u);
        const size_t cut = line.find("//");
        if (cut != std::string::npos) line.resize(cut);
        const size_t eq = line.find('=');
        ASSERT_NE(eq, std::string::npos) << line;
        keys[line.substr(0, eq)] = line.substr(eq + 1);
        ++settings;
    }
    EXPECT_EQ(keys["Width"], "1024");
    EXPECT_EQ(keys["Height"], "768");
    EXPECT_EQ(keys["Bpp"], "32");
    EXPECT_EQ(keys["Fullscreen"], "false");
    EXPECT_TRUE(keys.count("Refresh") && keys.count("ZBpp") && keys.count("UseVBO") && keys.count("UseMT"));
    EXPECT_EQ(settings, 8);
    EXPECT_EQ(std::string(file("config.ini").begin(), file("config.ini").end()), configIniText());
}
