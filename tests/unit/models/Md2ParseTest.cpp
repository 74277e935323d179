#include "models/Md2Model.h"
#include "models/Md2Normals.h"
#include "platform/Platform.h"
#include "tests/unit/models/Md2Builder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <random>
#include <string>
#include <unistd.h>

using namespace md2test;

namespace {

// Two frames of three vertices, two texture coordinates, one triangle.
Md2Layout smallModel()
{
    Md2Layout s;
    s.skinwidth = 64;
    s.skinheight = 128;
    s.texCoords = {{32, 16}, {64, 128}};
    s.triangles = {{0, 1, 2, 1, 0, 1}};
    const FrameSpec a{
        {2.0f, 0.25f, 1.0f}, {1.0f, -3.0f, 0.5f}, {{0, 4, 8, 5}, {10, 20, 30, 0}, {255, 0, 1, 161}}};
    s.frames = {a, rampFrame(100, 3)};
    return s;
}

bool arraysEmpty(const Md2Model& m)
{
    return m.triangles.empty() && m.frames.empty() && m.texCoords.empty() && m.pose.empty() &&
           m.frameMin.empty() && m.frameMax.empty();
}

// A model that parsed: every array matches the header's counts and every index
// lies in its array.
void expectConsistent(const Md2Model& m)
{
    const auto& h = m.header;
    ASSERT_EQ(m.texCoords.size(), static_cast<size_t>(h.num_st));
    ASSERT_EQ(m.triangles.size(), static_cast<size_t>(h.num_tris));
    ASSERT_EQ(m.frames.size(), static_cast<size_t>(h.num_frames));
    ASSERT_EQ(m.frameMin.size(), m.frames.size());
    ASSERT_EQ(m.frameMax.size(), m.frames.size());
    ASSERT_EQ(m.pose.size(), static_cast<size_t>(h.num_xyz));
    for (const Md2Frame& f : m.frames) {
        ASSERT_EQ(f.positions.size(), static_cast<size_t>(h.num_xyz));
        ASSERT_EQ(f.normalIndices.size(), static_cast<size_t>(h.num_xyz));
        for (uint8_t n : f.normalIndices)
            ASSERT_LT(n, 162);
    }
    for (const Md2Triangle& t : m.triangles) {
        for (int k = 0; k < 3; ++k) {
            ASSERT_GE(t.vertexIndices[k], 0);
            ASSERT_LT(t.vertexIndices[k], h.num_xyz);
            ASSERT_GE(t.texCoordIndices[k], 0);
            ASSERT_LT(t.texCoordIndices[k], h.num_st);
        }
    }
}

} // namespace

TEST(Md2Parse, DecodesASmallModel)
{
    const std::vector<uint8_t> bytes = build(smallModel());
    Md2Model m;
    ASSERT_TRUE(parseMd2(bytes, m));
    EXPECT_EQ(m.header.ident, 0x32504449);
    EXPECT_EQ(m.header.version, 8);
    EXPECT_EQ(m.header.num_xyz, 3);
    EXPECT_EQ(m.header.framesize, 52);
    EXPECT_EQ(m.header.ofs_end, static_cast<int32_t>(bytes.size()));
    expectConsistent(m);

    // (32, 16) on a 64 x 128 skin: u = 0.5, v = 1 - 0.125.
    EXPECT_FLOAT_EQ(m.texCoords[0].u, 0.5f);
    EXPECT_FLOAT_EQ(m.texCoords[0].v, 0.875f);

    const Md2Triangle& t = m.triangles[0];
    EXPECT_EQ((std::array{t.vertexIndices[0], t.vertexIndices[1], t.vertexIndices[2], t.texCoordIndices[0],
                          t.texCoordIndices[1], t.texCoordIndices[2]}),
              (std::array<int16_t, 6>{0, 1, 2, 1, 0, 1}));

    // Frame 0: x * 2 + 1, y * 0.25 - 3, z + 0.5.
    const Md2Frame& f0 = m.frames[0];
    EXPECT_EQ(f0.positions[0], (Vec3{1.0f, -2.0f, 8.5f}));
    EXPECT_EQ(f0.positions[1], (Vec3{21.0f, 2.0f, 30.5f}));
    EXPECT_EQ(f0.positions[2], (Vec3{511.0f, -3.0f, 1.5f}));
    EXPECT_EQ(f0.normalIndices[0], 5);
    EXPECT_EQ(f0.normalIndices[2], 161);
    EXPECT_EQ(m.frameMin[0], (Vec3{0.0f, -3.0f, 0.0f}));
    EXPECT_EQ(m.frameMax[0], (Vec3{511.0f, 2.0f, 30.5f}));

    // Frame 1 read right after frame 0: (100 + k, 100 + 2k, 100 + 3k).
    EXPECT_EQ(m.frames[1].positions[2], (Vec3{102.0f, 104.0f, 106.0f}));
    EXPECT_EQ(m.frames[1].normalIndices[1], 1);

    for (const Vec3& p : m.pose)
        EXPECT_EQ(p, Vec3{});
}

TEST(Md2Parse, RefusesWrongIdentifierAndVersion)
{
    for (const auto& [ident, version] : {std::pair{0x33504449, 8}, {0x32504449, 7}}) { // "IDP3" 8, "IDP2" 7
        Md2Layout s = smallModel();
        s.ident = ident;
        s.version = version;
        Md2Model m;
        EXPECT_FALSE(parseMd2(build(s), m));
        EXPECT_TRUE(arraysEmpty(m));
        // The header keeps what was read.
        EXPECT_EQ(m.header.ident, ident);
        EXPECT_EQ(m.header.version, version);
        EXPECT_EQ(m.header.num_xyz, 3);
    }
}

TEST(Md2Parse, TextureCoordinateCorners)
{
    Md2Layout s;
    s.skinwidth = 256;
    s.skinheight = 64;
    // s and t are signed 16-bit.
    s.texCoords = {{0, 0}, {256, 64}, {-64, 32}, {-32768, 32767}};
    Md2Model m;
    ASSERT_TRUE(parseMd2(build(s), m));
    const std::pair<float, float> expected[] = {
        {0.0f, 1.0f}, {1.0f, 0.0f}, {-0.25f, 0.5f}, {-128.0f, 1.0f - 32767.0f / 64.0f}};
    ASSERT_EQ(m.texCoords.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(m.texCoords[i].u, expected[i].first) << i;
        EXPECT_FLOAT_EQ(m.texCoords[i].v, expected[i].second) << i;
    }
}

// Boxes start at the origin, so they always contain it; a byte of 255 with scale 0.5 and translate
// -10 decodes to 117.5.
TEST(Md2Parse, VerticesAndBoxes)
{
    Md2Layout s;
    const FrameSpec above{
        {1.0f, 1.0f, 1.0f}, {10.0f, 10.0f, 10.0f}, {{0, 1, 2, 0}, {2, 0, 1, 0}}}; // 10 .. 12
    const FrameSpec below{{1.0f, 1.0f, 1.0f}, {-100.0f, -100.0f, -100.0f}, {{0, 1, 2, 0}, {2, 0, 1, 0}}};
    const FrameSpec scaled{{0.5f, 0.5f, 0.5f}, {-10.0f, -10.0f, -10.0f}, {{255, 0, 20, 7}, {0, 0, 20, 7}}};
    s.frames = {above, below, scaled};
    Md2Model m;
    ASSERT_TRUE(parseMd2(build(s), m));
    EXPECT_EQ(m.frameMin[0], (Vec3{0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(m.frameMax[0], (Vec3{12.0f, 11.0f, 12.0f}));
    EXPECT_EQ(m.frameMin[1], (Vec3{-100.0f, -100.0f, -99.0f}));
    EXPECT_EQ(m.frameMax[1], (Vec3{0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(m.frames[2].positions[0], (Vec3{117.5f, -10.0f, 0.0f}));
    EXPECT_EQ(m.frameMax[2], (Vec3{117.5f, 0.0f, 0.0f}));
    EXPECT_EQ(m.frameMin[2], (Vec3{-10.0f, -10.0f, 0.0f}));
}

TEST(Md2Parse, ZeroFramesLoadWithNoFrames)
{
    Md2Layout s;
    s.num_xyz = 3;
    s.texCoords = {{0, 0}};
    s.triangles = {{0, 1, 2, 0, 0, 0}};
    Md2Model m;
    ASSERT_TRUE(parseMd2(build(s), m));
    EXPECT_TRUE(m.frames.empty());
    EXPECT_TRUE(m.frameMin.empty());
    EXPECT_EQ(m.pose.size(), 3u);
    EXPECT_EQ(renderableFrame(m, 0.0f), -1);

    // No frame bounds num_xyz; the pose it asks for must still fit the file.
    s.num_xyz = 0x7FFFFFFF;
    EXPECT_FALSE(parseMd2(build(s), m));
    EXPECT_TRUE(m.pose.empty());
}

// Each corruption of an otherwise valid file must be refused with every array
// left empty.
struct Corruption {
    const char* what;
    void (*apply)(std::vector<uint8_t>&);
};

class Md2Refusal : public ::testing::TestWithParam<Corruption> {};

TEST_P(Md2Refusal, LeavesTheModelEmpty)
{
    std::vector<uint8_t> bytes = build(smallModel());
    GetParam().apply(bytes);
    Md2Model m;
    // A model that loaded before must not keep its old arrays either.
    ASSERT_TRUE(parseMd2(build(smallModel()), m));
    EXPECT_FALSE(parseMd2(bytes, m)) << GetParam().what;
    EXPECT_TRUE(arraysEmpty(m)) << GetParam().what;
}

// Offsets in the small model: texture coordinates at 68, triangles at 76, frames at 88, 52 bytes each.
const Corruption kCorruptions[] = {
    {"negative num_xyz", [](auto& b) { putInt32(b, kNumXyz, -1); }},
    {"negative num_st", [](auto& b) { putInt32(b, kNumSt, -2); }},
    {"negative num_tris", [](auto& b) { putInt32(b, kNumTris, -1); }},
    {"negative num_frames", [](auto& b) { putInt32(b, kNumFrames, -1); }},
    {"zero skinwidth", [](auto& b) { putInt32(b, kSkinWidth, 0); }},
    {"zero skinheight", [](auto& b) { putInt32(b, kSkinHeight, 0); }},
    {"ofs_st past the end", [](auto& b) { putInt32(b, kOfsSt, static_cast<int32_t>(b.size()) + 4); }},
    {"ofs_st negative", [](auto& b) { putInt32(b, kOfsSt, -4); }},
    {"texture records overrun the end",
     [](auto& b) { putInt32(b, kOfsSt, static_cast<int32_t>(b.size()) - 7); }},
    {"ofs_tris negative", [](auto& b) { putInt32(b, kOfsTris, -12); }},
    {"triangle records overrun the end",
     [](auto& b) { putInt32(b, kOfsTris, static_cast<int32_t>(b.size()) - 11); }},
    {"ofs_frames past the end", [](auto& b) { putInt32(b, kOfsFrames, 0x7FFFFFFF); }},
    {"ofs_frames negative", [](auto& b) { putInt32(b, kOfsFrames, -0x7FFFFFFF - 1); }},
    {"one frame more than the file holds", [](auto& b) { putInt32(b, kNumFrames, 3); }},
    {"huge frame count", [](auto& b) { putInt32(b, kNumFrames, 0x7FFFFFFF); }},
    {"huge vertex count", [](auto& b) { putInt32(b, kNumXyz, 0x7FFFFFFF); }},
    {"huge triangle count", [](auto& b) { putInt32(b, kNumTris, 0x40000000); }},
    {"huge texture coordinate count", [](auto& b) { putInt32(b, kNumSt, 0x7FFFFFFF); }},
    {"vertex index -1", [](auto& b) { putInt16(b, 76, -1); }},
    {"vertex index = num_xyz", [](auto& b) { putInt16(b, 78, 3); }},
    {"vertex index far out", [](auto& b) { putInt16(b, 80, 32767); }},
    {"texture index = num_st", [](auto& b) { putInt16(b, 82, 2); }},
    {"texture index -1", [](auto& b) { putInt16(b, 86, -1); }},
};

INSTANTIATE_TEST_SUITE_P(Md2Parse, Md2Refusal, ::testing::ValuesIn(kCorruptions));

TEST(Md2Parse, AcceptsTheLargestValidIndicesAndReadsNormalsPastTheTableAsUp)
{
    std::vector<uint8_t> bytes = build(smallModel());
    putInt16(bytes, 76, 2);            // vertex index num_xyz - 1
    putInt16(bytes, 86, 1);            // texture index num_st - 1
    bytes[88 + 40 + 3] = 161;          // last row of the normal table
    bytes[88 + 40 + 4 + 3] = 162;      // first index past it
    bytes[88 + 52 + 40 + 8 + 3] = 255; // the last vertex of the last frame
    Md2Model m;
    int64_t badNormals = -1;
    ASSERT_TRUE(parseMd2(bytes, m, &badNormals));
    EXPECT_EQ(m.triangles[0].vertexIndices[0], 2);
    EXPECT_EQ(m.frames[0].normalIndices[0], 161);
    EXPECT_EQ(m.frames[0].normalIndices[1], kMd2NormalUp);
    EXPECT_EQ(m.frames[1].normalIndices[2], kMd2NormalUp);
    EXPECT_EQ(badNormals, 2);
    EXPECT_EQ(kMd2Normals[kMd2NormalUp][2], 1.0f);
}

TEST(Md2Parse, UnusedFieldsAndZeroCountOffsetsAreIgnored)
{
    std::vector<uint8_t> bytes = build(Md2Layout{}); // nothing but a header
    putInt32(bytes, kOfsSt, -5);
    putInt32(bytes, kOfsTris, 0x7FFFFFFF);
    putInt32(bytes, kOfsFrames, -1);
    putInt32(bytes, kFrameSize, -1);
    putInt32(bytes, kNumGlcmds, -1);
    putInt32(bytes, kOfsGlcmds, -1);
    Md2Model m;
    EXPECT_TRUE(parseMd2(bytes, m));
    EXPECT_TRUE(arraysEmpty(m));
}

TEST(Md2Parse, EveryTruncationIsRefused)
{
    // The frames end the file, so every shorter prefix cuts a record.
    const std::vector<uint8_t> full = build(smallModel());
    for (size_t n = 0; n < full.size(); ++n) {
        const std::vector<uint8_t> prefix(full.begin(), full.begin() + static_cast<ptrdiff_t>(n));
        Md2Model m;
        EXPECT_FALSE(parseMd2(prefix, m)) << n;
        EXPECT_TRUE(arraysEmpty(m)) << n;
    }
}

TEST(Md2Parse, RandomCorruptionNeverBreaksTheArrays)
{
    // Flip random bytes of a valid file (fixed seed); whatever parses must be
    // internally consistent, whatever does not must leave nothing behind.
    Md2Layout s = smallModel();
    s.frames.push_back(rampFrame(7, 3));
    const std::vector<uint8_t> original = build(s);
    std::mt19937 rng(20261206);
    int accepted = 0;
    for (int round = 0; round < 20000; ++round) {
        std::vector<uint8_t> bytes = original;
        const int flips = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < flips; ++i) {
            // Mostly the header and the index records, where faults matter.
            const size_t at = rng() % 3 != 0 ? rng() % 100 : rng() % bytes.size();
            bytes[at] = static_cast<uint8_t>(rng());
        }
        if (rng() % 8 == 0) bytes.resize(rng() % bytes.size());
        Md2Model m;
        if (parseMd2(bytes, m)) {
            ++accepted;
            expectConsistent(m);
            if (::testing::Test::HasFatalFailure()) return;
        } else {
            ASSERT_TRUE(arraysEmpty(m));
        }
    }
    // Corrupting unused bytes and positions keeps many files valid; both outcomes are exercised.
    EXPECT_GT(accepted, 100);
    EXPECT_LT(accepted, 19000);
}

TEST(Md2Load, ReadsAFileAndRefusesAMissingOne)
{
    char path[] = "/tmp/md2-load-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::vector<uint8_t> bytes = build(smallModel());
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fd);

    std::string console;
    platform::SetConsoleHandler([&console](std::string_view text) { console += text; });
    Md2Model m;
    EXPECT_TRUE(m.Load(path));
    EXPECT_EQ(m.frames.size(), 2u);
    EXPECT_EQ(m.frames[0].positions[2], (Vec3{511.0f, -3.0f, 1.5f}));
    EXPECT_TRUE(console.empty());

    // Normals past the table load, and the console says so once.
    std::vector<uint8_t> badNormals = bytes;
    badNormals[88 + 40 + 3] = 200;
    badNormals[88 + 52 + 40 + 3] = 163;
    std::FILE* file = std::fopen(path, "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(badNormals.data(), 1, badNormals.size(), file);
    std::fclose(file);
    EXPECT_TRUE(m.Load(path));
    platform::SetConsoleHandler({});
    EXPECT_EQ(console, std::string("Model ") + path +
                           " has 2 normal indices past the table of 162, read as straight up\n");
    std::remove(path);

    // A file that cannot be opened leaves the model as it was.
    EXPECT_FALSE(m.Load("/nonexistent/dir/model.md2"));
    EXPECT_EQ(m.frames.size(), 2u);
    EXPECT_FALSE(m.Load(nullptr));
    EXPECT_EQ(m.frames.size(), 2u);
}
