#include "TestSupport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

namespace testing_support {

TempDir::TempDir(const std::string& tag)
{
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("veldrun-data-" + tag + "-" + std::to_string(rd()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<uint8_t> readFile(const std::filesystem::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& p, const std::vector<uint8_t>& bytes)
{
    std::ofstream f(p, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::optional<Image> decodeTgaByRules(const std::vector<uint8_t>& b)
{
    if (b.size() < 18) return std::nullopt;
    const int w = b[12] | b[13] << 8;
    const int h = b[14] | b[15] << 8;
    const int bpp = b[16];
    if (bpp != 24 && bpp != 32) return std::nullopt;
    const int c = bpp / 8;
    size_t pos = 18 + b[0];
    Image img;
    img.channels = c;
    img.width = w;
    img.height = h;
    const size_t total = static_cast<size_t>(w) * static_cast<size_t>(h);
    const auto take = [&](std::vector<uint8_t>& out) {
        if (pos + static_cast<size_t>(c) > b.size()) return false;
        out.push_back(b[pos + 2]);
        out.push_back(b[pos + 1]);
        out.push_back(b[pos + 0]);
        if (c == 4) out.push_back(b[pos + 3]);
        pos += static_cast<size_t>(c);
        return true;
    };
    if (b[2] == 10) {
        while (img.pixels.size() < total * static_cast<size_t>(c)) {
            if (pos >= b.size()) return std::nullopt;
            const int header = b[pos++];
            if (header < 128) {
                for (int k = 0; k <= header; ++k)
                    if (!take(img.pixels)) return std::nullopt;
            } else {
                std::vector<uint8_t> one;
                if (!take(one)) return std::nullopt;
                for (int k = 0; k < header - 127; ++k)
                    img.pixels.insert(img.pixels.end(), one.begin(), one.end());
            }
        }
        if (img.pixels.size() != total * static_cast<size_t>(c)) return std::nullopt; // a run past the end
    } else {
        for (size_t i = 0; i < total; ++i)
            if (!take(img.pixels)) return std::nullopt;
    }
    if (pos != b.size()) return std::nullopt;
    return img;
}

std::optional<std::vector<uint8_t>> pixelsByImageMagick(const std::filesystem::path& file, int channels)
{
    const std::string cmd = "/usr/bin/convert '" + file.string() + "' -depth 8 " +
                            (channels == 4 ? "rgba:-" : "rgb:-") + " 2>/dev/null";
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) return std::nullopt;
    std::vector<uint8_t> out;
    std::array<uint8_t, 65536> buf{};
    size_t n = 0;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0)
        out.insert(out.end(), buf.begin(), buf.begin() + n);
    if (pclose(pipe) != 0) return std::nullopt;
    return out;
}

namespace {

int32_t i32(const std::vector<uint8_t>& b, size_t o)
{
    return static_cast<int32_t>(b[o] | b[o + 1] << 8 | b[o + 2] << 16 |
                                static_cast<uint32_t>(b[o + 3]) << 24);
}
float f32(const std::vector<uint8_t>& b, size_t o)
{
    const uint32_t u = static_cast<uint32_t>(i32(b, o));
    float f = 0;
    std::memcpy(&f, &u, 4);
    return f;
}
uint16_t u16(const std::vector<uint8_t>& b, size_t o)
{
    return static_cast<uint16_t>(b[o] | b[o + 1] << 8);
}

} // namespace

bool checkMd2(const std::vector<uint8_t>& b, Md2Facts& m, std::string& problem)
{
    const auto fail = [&](const std::string& p) {
        problem = p;
        return false;
    };
    if (b.size() < 68) return fail("shorter than the header");
    if (std::memcmp(b.data(), "IDP2", 4) != 0) return fail("ident is not IDP2");
    if (i32(b, 4) != 8) return fail("version is not 8");
    m.skinWidth = i32(b, 8);
    m.skinHeight = i32(b, 12);
    const int32_t frameSize = i32(b, 16), numSkins = i32(b, 20);
    m.numXyz = i32(b, 24);
    m.numSt = i32(b, 28);
    m.numTris = i32(b, 32);
    m.numGlCmds = i32(b, 36);
    m.numFrames = i32(b, 40);
    const int32_t ofsSkins = i32(b, 44), ofsSt = i32(b, 48), ofsTris = i32(b, 52), ofsFrames = i32(b, 56),
                  ofsGl = i32(b, 60), ofsEnd = i32(b, 64);
    if (m.skinWidth <= 0 || m.skinHeight <= 0) return fail("skin size not positive");
    if (m.numXyz <= 0 || m.numXyz > 2048 || m.numSt <= 0 || m.numSt > 2048 || m.numTris <= 0 ||
        m.numTris > 4096 || m.numFrames <= 0 || m.numFrames > 512 || numSkins < 0 || numSkins > 32 ||
        m.numGlCmds < 0)
        return fail("a count is out of the format's limits");
    if (frameSize != 40 + 4 * m.numXyz) return fail("framesize is not 40 + 4 * num_xyz");
    if (ofsEnd != static_cast<int32_t>(b.size())) return fail("ofs_end is not the file length");
    // Each block lies inside the file and the blocks do not overlap.
    struct Block {
        int64_t ofs, len;
        const char* name;
    };
    std::vector<Block> blocks = {{0, 68, "header"},
                                 {ofsSkins, 64LL * numSkins, "skins"},
                                 {ofsSt, 4LL * m.numSt, "texture coordinates"},
                                 {ofsTris, 12LL * m.numTris, "triangles"},
                                 {ofsFrames, static_cast<int64_t>(frameSize) * m.numFrames, "frames"},
                                 {ofsGl, 4LL * m.numGlCmds, "GL commands"}};
    for (const Block& k : blocks)
        if (k.ofs < 0 || k.ofs + k.len > static_cast<int64_t>(b.size()))
            return fail(std::string(k.name) + " outside the file");
    std::sort(blocks.begin(), blocks.end(), [](const Block& a, const Block& c) { return a.ofs < c.ofs; });
    for (size_t i = 1; i < blocks.size(); ++i)
        if (blocks[i - 1].ofs + blocks[i - 1].len > blocks[i].ofs) return fail("blocks overlap");
    if (numSkins > 0) {
        const char* name = reinterpret_cast<const char*>(b.data() + ofsSkins);
        if (std::memchr(name, 0, 64) == nullptr) return fail("skin name not terminated");
        m.skinName = name;
    }
    for (int i = 0; i < m.numSt; ++i)
        m.st.push_back({static_cast<int16_t>(u16(b, static_cast<size_t>(ofsSt + 4 * i))),
                        static_cast<int16_t>(u16(b, static_cast<size_t>(ofsSt + 4 * i + 2)))});
    for (int i = 0; i < m.numTris; ++i) {
        std::array<uint16_t, 6> t{};
        for (int k = 0; k < 6; ++k)
            t[static_cast<size_t>(k)] = u16(b, static_cast<size_t>(ofsTris + 12 * i + 2 * k));
        for (int k = 0; k < 3; ++k) {
            if (t[static_cast<size_t>(k)] >= m.numXyz) return fail("triangle vertex index out of range");
            if (t[static_cast<size_t>(k + 3)] >= m.numSt) return fail("triangle texture index out of range");
        }
        m.tris.push_back(t);
    }
    for (int f = 0; f < m.numFrames; ++f) {
        const size_t o =
            static_cast<size_t>(ofsFrames) + static_cast<size_t>(frameSize) * static_cast<size_t>(f);
        const float sc[3] = {f32(b, o), f32(b, o + 4), f32(b, o + 8)};
        const float tr[3] = {f32(b, o + 12), f32(b, o + 16), f32(b, o + 20)};
        for (int k = 0; k < 3; ++k)
            if (!std::isfinite(sc[k]) || !std::isfinite(tr[k]))
                return fail("frame scale or translate not finite");
        if (std::memchr(b.data() + o + 24, 0, 16) == nullptr) return fail("frame name not terminated");
        std::vector<std::array<float, 3>> pos;
        std::vector<uint8_t> nrm;
        for (int v = 0; v < m.numXyz; ++v) {
            const size_t p = o + 40 + 4 * static_cast<size_t>(v);
            pos.push_back({b[p] * sc[0] + tr[0], b[p + 1] * sc[1] + tr[1], b[p + 2] * sc[2] + tr[2]});
            if (b[p + 3] >= 162) return fail("normal index 162 or above");
            nrm.push_back(b[p + 3]);
        }
        m.frames.push_back(pos);
        m.normals.push_back(nrm);
    }
    // GL commands: strips or fans of (s, t, vertex) ending with 0, exactly filling the block.
    size_t p = static_cast<size_t>(ofsGl);
    const size_t end = p + 4 * static_cast<size_t>(m.numGlCmds);
    for (;;) {
        if (p + 4 > end) return fail("GL command list not terminated");
        const int32_t count = i32(b, p);
        p += 4;
        if (count == 0) break;
        const int32_t n = count < 0 ? -count : count;
        if (n < 3) return fail("GL command with fewer than 3 vertices");
        if (p + 12 * static_cast<size_t>(n) > end) return fail("GL command past its block");
        for (int32_t k = 0; k < n; ++k, p += 12)
            if (i32(b, p + 8) < 0 || i32(b, p + 8) >= m.numXyz) return fail("GL command vertex out of range");
    }
    if (p != end) return fail("num_glcmds does not match the list");
    return true;
}

} // namespace testing_support
