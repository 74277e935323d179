#include "models/Md2Model.h"
#include "models/Md2Normals.h"
#include "platform/Platform.h"
#include "tests/unit/image/ImageFiles.h"
#include "tests/unit/models/Md2Builder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

using namespace md2test;

namespace {

// Three texture coordinates at 68, one triangle at 80, two frames of three vertices at 92, 52
// bytes each: frame 0 decodes to (x / 2 - 10, 2y + 1, z + 0.5), frame 1 lies below the origin.
Md2Layout handModel()
{
    Md2Layout s;
    s.skinheight = 128;
    s.texCoords = {{{0, 0}}, {{64, 128}}, {{-16, 32}}};
    s.triangles = {{0, 1, 2, 1, 0, 2}};
    s.frames = {{{0.5f, 2, 1}, {-10, 1, 0.5f}, {{255, 0, 8, 5}, {0, 4, 0, 0}, {20, 10, 30, 161}}},
                {{1, 1, 1}, {-100, -100, -100}, {{0, 1, 2, 7}, {2, 0, 1, 8}, {1, 1, 1, 9}}}};
    return s;
}

bool arraysEmpty(const Md2Model& m)
{
    return m.triangles.empty() && m.frames.empty() && m.texCoords.empty() && m.pose.empty() &&
           m.frameMin.empty() && m.frameMax.empty();
}

} // namespace

TEST(Md2Parse, DecodesTheHandWorkedModel)
{
    const std::vector<uint8_t> bytes = build(handModel());
    Md2Model m;
    ASSERT_TRUE(parseMd2(bytes, m));
    EXPECT_EQ(std::memcmp(&m.header, bytes.data(), sizeof m.header), 0); // all 17 fields as read
    // u = s / 64, v = 1 - t / 128: (0, 0) is (0, 1), the skin's size (1, 0), a negative s a negative u.
    ASSERT_EQ(std::tuple(m.texCoords.size(), m.triangles.size(), m.frames.size()), std::tuple(3u, 1u, 2u));
    for (auto [i, u, v] : {std::tuple{0, 0.0f, 1.0f}, {1, 1.0f, 0.0f}, {2, -0.25f, 0.75f}})
        EXPECT_EQ(std::pair(m.texCoords[i].u, m.texCoords[i].v), std::pair(u, v)) << i;
    const Md2Triangle& t = m.triangles[0];
    EXPECT_EQ(std::tie(t.vertexIndices[0], t.vertexIndices[2], t.texCoordIndices[0], t.texCoordIndices[2]),
              std::tuple(0, 2, 1, 2));
    // A byte of 255 with scale 0.5 and translate -10 is 117.5. Every box contains the origin.
    EXPECT_EQ(m.frames[0].positions, (std::vector<Vec3>{{117.5f, 1, 8.5f}, {-10, 9, 0.5f}, {0, 21, 30.5f}}));
    EXPECT_EQ(m.frames[0].normalIndices, (std::vector<uint8_t>{5, 0, 161}));
    EXPECT_EQ(std::pair(m.frameMin[0], m.frameMax[0]), std::pair(Vec3{-10, 0, 0}, Vec3{117.5f, 21, 30.5f}));
    EXPECT_EQ(std::pair(m.frameMin[1], m.frameMax[1]), std::pair(Vec3{-100, -100, -99}, Vec3{0, 0, 0}));
    EXPECT_EQ(m.pose, std::vector<Vec3>(3));

    // No records at all: a model with no frames, whose unused offsets may hold anything.
    std::vector<uint8_t> header = build({});
    put(header, kNumXyz, 3);
    put(header, kOfsSt, -5);
    put(header, kOfsTris, 0x7FFFFFFF);
    put(header, kOfsFrames, -1);
    ASSERT_TRUE(parseMd2(header, m));
    EXPECT_TRUE(m.frames.empty());
}

// Each corruption of an otherwise valid file is refused with every array left empty, also where
// a model loaded before; the header keeps what was read. (Cut files are the fuzz target's to find.)
TEST(Md2Parse, CorruptAndCutFilesAreRefused)
{
    auto refuse = [](const char* what, size_t at, int32_t value, int count = 4) {
        std::vector<uint8_t> bytes = build(handModel());
        put(bytes, at, value, count);
        Md2Model m;
        ASSERT_TRUE(parseMd2(build(handModel()), m));
        EXPECT_FALSE(parseMd2(bytes, m)) << what;
        EXPECT_TRUE(arraysEmpty(m)) << what;
        EXPECT_EQ(m.header.num_xyz, at == kNumXyz ? value : 3) << what;
    };
    refuse("identifier IDP3", 0, 0x33504449);
    refuse("version 7", 4, 7);
    refuse("negative num_xyz", kNumXyz, -1);
    refuse("negative num_st", kNumSt, -2);
    refuse("negative num_frames", kNumFrames, -1);
    refuse("zero skinwidth", kSkinWidth, 0);
    refuse("zero skinheight", kSkinHeight, 0);
    refuse("texture records past the end", kOfsSt, 196 - 11);
    refuse("triangle records past the end", kOfsTris, 196 - 11);
    refuse("ofs_frames negative", kOfsFrames, -0x7FFFFFFF - 1);
    refuse("one frame more than the file holds", kNumFrames, 3);
    refuse("huge vertex count", kNumXyz, 0x7FFFFFFF);
    refuse("vertex index num_xyz", 82, 3, 2);
    refuse("texture index num_st", 86, 3, 2);
    refuse("negative texture index", 90, -1, 2);
}

// Released models hold a few normal indices past the table: they load, read as row 5 (straight
// up), and the console says so once. A file that cannot be opened leaves the model as it was.
TEST(Md2Parse, NormalsPastTheTableReadAsUp)
{
    std::vector<uint8_t> bytes = build(handModel());
    bytes[92 + 40 + 4 + 3] = 162;
    bytes[92 + 52 + 40 + 8 + 3] = 255;
    const TempDir dir;
    const std::string path = dir.write("normals.md2", bytes);
    std::string console;
    platform::SetConsoleHandler([&console](std::string_view text) { console += text; });
    Md2Model m;
    EXPECT_TRUE(m.Load(path.c_str()));
    platform::SetConsoleHandler({});
    EXPECT_EQ(m.frames[0].normalIndices, (std::vector<uint8_t>{5, 5, 161}));
    EXPECT_EQ(m.frames[1].normalIndices, (std::vector<uint8_t>{7, 8, 5}));
    EXPECT_EQ(console,
              "Model " + path + " has 2 normal indices past the table of 162, read as straight up\n");
    EXPECT_FALSE(m.Load("/nonexistent/model.md2"));
    EXPECT_EQ(m.frames.size(), 2u);
}

// The table against the MD2 format's published one, kept beside this test.
TEST(Md2Normals, MatchThePublishedTable)
{
    std::ifstream in("md2-normals.txt"); // CTest runs the tests in this folder
    int row = 0;
    for (std::string line; std::getline(in, line);) {
        float x = 0, y = 0, z = 0;
        if (line.empty() || line[0] == '#') continue;
        ASSERT_TRUE(row < kMd2NormalCount && std::istringstream(line) >> x >> y >> z) << line;
        EXPECT_EQ(std::tuple(kMd2Normals[row][0], kMd2Normals[row][1], kMd2Normals[row][2]),
                  std::tuple(x, y, z))
            << "row " << row;
        ++row;
    }
    EXPECT_EQ(row, kMd2NormalCount);
}
