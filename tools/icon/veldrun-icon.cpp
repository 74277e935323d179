// veldrun-icon: the menu icon, cut from a frame veldrun draws from its start
// position. Run in a data folder; writes OUT/hicolor/NxN/apps/veldrun.png for
// each size a menu asks for. Renders offscreen, so it needs no display.
#include "platform/GlApi.h"
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "scene/Scene.h"
#include "shell/Shell.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kFrameWidth = 1024;
constexpr int kFrameHeight = 768;
// The square cut from the frame (from its top left corner): below the
// overlay's lines, round the nearest wood.
constexpr int kSide = 600;
constexpr int kLeft = 80;
constexpr int kTop = 150;

// Held keys, as a user would fly: up a little, then the eye lowered about the
// point looked at, so the ridges and a wood come into view.
void fly(int key, int frames)
{
    for (int frame = 0; frame < frames; ++frame) {
        std::memset(gKeyState.down, 0, sizeof gKeyState.down);
        gKeyState.down[key] = 1;
        gKeyState.down[vk::Control] = key == vk::Down;
        UpdateInput();
        DrawFrame();
    }
    std::memset(gKeyState.down, 0, sizeof gKeyState.down);
}

// Box filter: each icon pixel is the mean of the frame pixels it covers.
std::vector<uint8_t> scaleDown(const std::vector<uint8_t>& square, int size)
{
    std::vector<uint8_t> icon(static_cast<size_t>(size * size * 3));
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const int x0 = x * kSide / size, x1 = (x + 1) * kSide / size;
            const int y0 = y * kSide / size, y1 = (y + 1) * kSide / size;
            for (int c = 0; c < 3; ++c) {
                long sum = 0;
                for (int sy = y0; sy < y1; ++sy)
                    for (int sx = x0; sx < x1; ++sx)
                        sum += square[static_cast<size_t>((sx + kSide * sy) * 3 + c)];
                icon[static_cast<size_t>((x + size * y) * 3 + c)] =
                    static_cast<uint8_t>(sum / ((x1 - x0) * (y1 - y0)));
            }
        }
    }
    return icon;
}

bool writePng(const std::filesystem::path& path, const std::vector<uint8_t>& rgb, int size)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(size);
    png.height = static_cast<png_uint_32>(size);
    png.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&png, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Usage: veldrun-icon OUT (run in a data folder)\n");
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    platform::SetConsoleHandler([](std::string_view) {});
    WindowRequest request;
    request.title = "Veldrun";
    request.width = kFrameWidth;
    request.height = kFrameHeight;
    request.colourDepth = 32;
    if (OpenMainWindow(request) != OpenResult::Opened) return 1;
    StartScene();
    fly('S', 15);
    fly(vk::Down, 20);
    // The level-of-detail control settles.
    for (int frame = 0; frame < 20; ++frame)
        DrawFrame();
    std::vector<uint8_t> rows(static_cast<size_t>(kSide * kSide * 3));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(kLeft, kFrameHeight - kTop - kSide, kSide, kSide, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    // OpenGL's rows run bottom-up; a picture's top-down.
    std::vector<uint8_t> square(rows.size());
    const size_t stride = static_cast<size_t>(kSide * 3);
    for (int y = 0; y < kSide; ++y)
        std::memcpy(&square[static_cast<size_t>(y) * stride],
                    &rows[static_cast<size_t>(kSide - 1 - y) * stride], stride);
    ReleaseOverlayFont(gOverlayFont);
    CloseMainWindow();
    ShutdownScene();

    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        const std::filesystem::path folder = std::filesystem::path(argv[1]) / "hicolor" / name / "apps";
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec || !writePng(folder / "veldrun.png", scaleDown(square, size), size)) {
            std::fprintf(stderr, "veldrun-icon: cannot write %s\n", (folder / "veldrun.png").c_str());
            return 1;
        }
    }
    return 0;
}
