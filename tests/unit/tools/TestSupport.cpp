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

long startViewQuads(const std::vector<uint8_t>& bytes, double coef)
{
    constexpr int N = 128;
    const auto smooth = [](std::vector<double>& v) {
        std::vector<double> out(v.size());
        const int n = static_cast<int>(v.size());
        const int offs[9] = {-N - 1, -N, -N + 1, -1, 0, 1, N - 1, N, N + 1};
        for (int i = 0; i < n; ++i) {
            double s = 0;
            int c = 0;
            for (int o : offs)
                if (i + o >= 0 && i + o < n) {
                    s += v[static_cast<size_t>(i + o)];
                    ++c;
                }
            out[static_cast<size_t>(i)] = s / c;
        }
        v = out;
    };
    std::vector<double> h(N * N), r(N * N);
    for (size_t i = 0; i < h.size(); ++i)
        h[i] = bytes[i] * 0.125;
    smooth(h);
    const auto H = [&](int x, int y) { return h[static_cast<size_t>(x + N * y)]; };
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x) {
            double s = 0;
            int c = 0;
            for (int j = -1; j <= 1; ++j)
                for (int i = -1; i <= 1; ++i)
                    if (x + i >= 0 && y + j >= 0 && x + i < N && y + j < N) {
                        s += H(x + i, y + j);
                        ++c;
                    }
            r[static_cast<size_t>(x + N * y)] = std::fmin(1.0, std::fabs(H(x, y) - s / c));
        }
    smooth(r);
    const double ex = 32, ey = 32, ez = H(32, 32) + 16;
    double fx = 0, fy = 16, fz = -ez;
    const double fl = std::sqrt(fx * fx + fy * fy + fz * fz);
    fx /= fl, fy /= fl, fz /= fl;
    const double rx = fy, ry = -fx, rl = std::sqrt(rx * rx + ry * ry); // forward × up(0, 0, 1)
    const double Rx = rx / rl, Ry = ry / rl;
    const double ux = Ry * fz, uy = -Rx * fz, uz = Rx * fy - Ry * fx; // right × forward
    const double tanV = std::tan(22.5 * 3.14159265358979 / 180.0), tanH = tanV * 1024.0 / 768.0;
    const auto inside = [&](double x, double y, double z) {
        const double dx = x - ex, dy = y - ey, dz = z - ez;
        const double depth = dx * fx + dy * fy + dz * fz;
        if (depth < 1 || depth > 250) return false;
        const double sx = dx * Rx + dy * Ry, sy = dx * ux + dy * uy + dz * uz;
        return std::fabs(sx) <= depth * tanH && std::fabs(sy) <= depth * tanV;
    };
    long total = 0;
    for (int y = 0; y < N - 1; ++y)
        for (int x = 0; x < N - 1; ++x) {
            bool visible = false;
            for (int k = 0; k < 4 && !visible; ++k)
                visible = inside(x + (k & 1), y + (k >> 1), H(x + (k & 1), y + (k >> 1)));
            if (!visible) continue;
            const double d2 = (x - ex) * (x - ex) + (y - ey) * (y - ey) + (H(x, y) - ez) * (H(x, y) - ez);
            double f = (1024.0 / d2) * (coef * r[static_cast<size_t>(x + N * y)]);
            if (f > 1) f = 1;
            const int deficit = 8 - static_cast<int>(f * 8);
            total += deficit <= 1 ? 72 : deficit == 2 ? 20 : deficit <= 4 ? 6 : 1;
        }
    return total;
}

} // namespace testing_support
