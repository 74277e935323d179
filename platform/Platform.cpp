// SDL2 stands in for Win32, GDI and WGL here. Only this folder includes SDL.
#include "platform/Platform.h"

#include "platform/VirtualKeys.h"

#include <SDL.h>
#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace platform {
namespace {

// All platform state in one place.
struct PlatformState {
    MessageBoxHandler messageBoxHandler;
    ConsoleHandler consoleHandler;
    EventSource eventSource;
    bool consoleTitled = false;
    bool videoUp = false;
    bool fullScreenModeValid = false;
    SDL_DisplayMode fullScreenMode{};
    SDL_Window* window = nullptr;
};

PlatformState& state()
{
    static PlatformState instance;
    return instance;
}

// Message boxes need a display; the headless drivers have none.
bool displayCanShowMessageBoxes()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr) driver = SDL_getenv("SDL_VIDEODRIVER");
    if (driver != nullptr && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0))
        return false;
    const char* display = SDL_getenv("DISPLAY");
    const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
    return (display != nullptr && *display != '\0') || (wayland != nullptr && *wayland != '\0');
}

} // namespace

Answer MessageBox(std::string_view text, std::string_view caption, Buttons buttons, Icon icon)
{
    if (state().messageBoxHandler) return state().messageBoxHandler(text, caption, buttons, icon);

    const Answer first = buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    const std::string textCopy(text);
    const std::string captionCopy(caption);
    if (displayCanShowMessageBoxes()) {
        SDL_MessageBoxButtonData okButtons[] = {
            {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "OK"}};
        SDL_MessageBoxButtonData yesNoButtons[] = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 0, "Yes"},
                                                   {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 1, "No"}};
        Uint32 flags = 0;
        if (icon == Icon::Exclamation) flags = SDL_MESSAGEBOX_WARNING;
        if (icon == Icon::Stop) flags = SDL_MESSAGEBOX_ERROR;
        if (icon == Icon::Information) flags = SDL_MESSAGEBOX_INFORMATION;
        SDL_MessageBoxData data{};
        data.flags = flags;
        data.window = nullptr; // no owner window, as the messages are meant
        data.title = captionCopy.c_str();
        data.message = textCopy.c_str();
        data.numbuttons = buttons == Buttons::YesNo ? 2 : 1;
        data.buttons = buttons == Buttons::YesNo ? yesNoButtons : okButtons;
        int pressed = -1;
        if (SDL_ShowMessageBox(&data, &pressed) == 0) {
            if (buttons == Buttons::Ok) return Answer::Ok;
            return pressed == 1 ? Answer::No : Answer::Yes;
        }
        std::fprintf(stderr, "The message box could not be shown: %s\n", SDL_GetError());
    }
    std::fprintf(stderr, "%s: %s\n", captionCopy.c_str(), textCopy.c_str());
    std::fflush(stderr);
    return first;
}

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    state().messageBoxHandler = std::move(handler);
}

void WriteConsole(std::string_view text)
{
    if (state().consoleHandler) {
        state().consoleHandler(text);
        return;
    }
    if (!state().consoleTitled) {
        state().consoleTitled = true;
        if (isatty(STDOUT_FILENO)) std::fputs("\033]0;Debug\007", stdout);
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void SetConsoleHandler(ConsoleHandler handler)
{
    state().consoleHandler = std::move(handler);
}

bool QueryPerformanceFrequency(int64_t& frequency)
{
    const Uint64 f = SDL_GetPerformanceFrequency();
    if (f == 0) return false;
    frequency = static_cast<int64_t>(f);
    return true;
}

int64_t QueryPerformanceCounter()
{
    return static_cast<int64_t>(SDL_GetPerformanceCounter());
}

uint32_t MillisecondClock()
{
    return static_cast<uint32_t>(SDL_GetTicks64());
}

void SleepMilliseconds(uint32_t milliseconds)
{
    SDL_Delay(milliseconds);
}

bool HasCurrentGlContext()
{
    return SDL_GL_GetCurrentContext() != nullptr;
}

void ReleaseFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

bool RegisterWindowClass()
{
    if (state().videoUp) return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return false;
    }
    // SDL falls back to its headless drivers when no display answers; a program
    // the user cannot see would run forever, so only an explicit request gets one.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* requested = SDL_getenv("SDL_VIDEODRIVER");
    const bool headless =
        driver != nullptr && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    if (headless && (requested == nullptr || std::strcmp(requested, driver) != 0)) {
        std::fprintf(stderr, "SDL: no display to open a window on (is DISPLAY set?)\n");
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    state().videoUp = true;
    return true;
}

bool UnregisterWindowClass()
{
    if (!state().videoUp) return false;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    state().videoUp = false;
    return true;
}

bool ChangeDisplayMode(int width, int height, int bitsPerPixel, int refresh)
{
    state().fullScreenModeValid = false;
    if (!state().videoUp) return false;
    // Only a mode of exactly the asked size counts; among those take the one
    // closest in depth, then in refresh rate.
    const int count = SDL_GetNumDisplayModes(0);
    int bestScore = -1;
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
        if (mode.w != width || mode.h != height) continue;
        const int depthMiss = SDL_abs(static_cast<int>(SDL_BITSPERPIXEL(mode.format)) - bitsPerPixel);
        const int refreshMiss = refresh > 0 ? SDL_abs(mode.refresh_rate - refresh) : 0;
        const int score = depthMiss * 1000 + refreshMiss;
        if (bestScore < 0 || score < bestScore) {
            bestScore = score;
            state().fullScreenMode = mode;
        }
    }
    state().fullScreenModeValid = bestScore >= 0;
    return state().fullScreenModeValid;
}

void RestoreDisplayMode()
{
    // SDL gives the desktop mode back when a full-screen window leaves full screen.
    if (state().window != nullptr) SDL_SetWindowFullscreen(state().window, 0);
    state().fullScreenModeValid = false;
}

bool ChoosePixelFormat(const PixelFormatRequest& request)
{
    const int channel = request.colourBits >= 24 ? 8 : (request.colourBits >= 15 ? 5 : 1);
    bool ok = true;
    ok &= SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1) == 0;
    ok &= SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel) == 0;
    ok &= SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channel) == 0;
    ok &= SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel) == 0;
    ok &= SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, request.depthBits) == 0;
    ok &= SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, request.stencilBits) == 0;
    // The fixed-function pipeline needs a compatibility context.
    ok &= SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY) == 0;
    return ok;
}

NativeWindow* CreateGlWindow(const std::string& title, int width, int height, bool fullScreen)
{
    // Sizes no display has are refused rather than handed to the driver.
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return nullptr;
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN;
    if (fullScreen) flags |= SDL_WINDOW_FULLSCREEN;
    SDL_Window* window = SDL_CreateWindow(title.c_str(), 0, 0, width, height, flags);
    if (window == nullptr) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return nullptr;
    }
    if (fullScreen && state().fullScreenModeValid) SDL_SetWindowDisplayMode(window, &state().fullScreenMode);
    state().window = window;
    return reinterpret_cast<NativeWindow*>(window);
}

bool DestroyGlWindow(NativeWindow* window)
{
    if (window == nullptr) return false;
    SDL_Window* sdlWindow = reinterpret_cast<SDL_Window*>(window);
    if (state().window == sdlWindow) state().window = nullptr;
    SDL_DestroyWindow(sdlWindow);
    return true;
}

NativeContext* CreateGlContext(NativeWindow* window)
{
    SDL_GLContext context = SDL_GL_CreateContext(reinterpret_cast<SDL_Window*>(window));
    if (context == nullptr) std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
    return reinterpret_cast<NativeContext*>(context);
}

bool MakeCurrent(NativeWindow* window, NativeContext* context)
{
    return SDL_GL_MakeCurrent(reinterpret_cast<SDL_Window*>(window),
                              reinterpret_cast<SDL_GLContext>(context)) == 0;
}

bool DeleteGlContext(NativeContext* context)
{
    if (context == nullptr) return false;
    SDL_GL_DeleteContext(reinterpret_cast<SDL_GLContext>(context));
    return true;
}

void ShowAndFocus(NativeWindow* window)
{
    SDL_Window* sdlWindow = reinterpret_cast<SDL_Window*>(window);
    SDL_ShowWindow(sdlWindow);
    SDL_RaiseWindow(sdlWindow);
}

void SwapBuffers(NativeWindow* window)
{
    if (window == nullptr) return;
    SDL_GL_SwapWindow(reinterpret_cast<SDL_Window*>(window));
}

bool SetSwapInterval(int interval)
{
    return SDL_GL_SetSwapInterval(interval) == 0;
}

void ShowCursor(bool show)
{
    SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

void GetDrawableSize(NativeWindow* window, int& width, int& height)
{
    SDL_GL_GetDrawableSize(reinterpret_cast<SDL_Window*>(window), &width, &height);
}

NativeWindow* CurrentWindow()
{
    return reinterpret_cast<NativeWindow*>(state().window);
}

bool GetPointerPosition(int& x, int& y)
{
    if (state().window == nullptr || SDL_GetMouseFocus() != state().window) return false;
    int px = 0;
    int py = 0;
    SDL_GetMouseState(&px, &py);
    int w = 0;
    int h = 0;
    SDL_GetWindowSize(state().window, &w, &h);
    if (px < 0 || py < 0 || px >= w || py >= h) return false;
    x = px;
    y = py;
    return true;
}

bool PollEvent(Event& event)
{
    if (state().eventSource) return state().eventSource(event);
    SDL_Event e;
    if (SDL_PollEvent(&e) == 0) return false;
    event = Event{};
    switch (e.type) {
    case SDL_QUIT: event.type = EventType::Quit; break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        event.virtualKey = TranslateKey(e.key.keysym.sym);
        event.type = event.virtualKey == 0 ? EventType::Other
                                           : (e.type == SDL_KEYDOWN ? EventType::KeyDown : EventType::KeyUp);
        event.repeat = e.key.repeat != 0;
        break;
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_MINIMIZED: event.type = EventType::Minimized; break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED: event.type = EventType::Restored; break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            event.type = EventType::Resized;
            event.width = e.window.data1;
            event.height = e.window.data2;
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: event.type = EventType::FocusGained; break;
        default: event.type = EventType::Other; break;
        }
        break;
    default: event.type = EventType::Other; break;
    }
    return true;
}

void SetEventSource(EventSource source)
{
    state().eventSource = std::move(source);
}

int TranslateKey(int sdlKeycode)
{
    if (sdlKeycode >= 'a' && sdlKeycode <= 'z') return sdlKeycode - 'a' + 'A';
    if (sdlKeycode >= '0' && sdlKeycode <= '9') return sdlKeycode;
    if (sdlKeycode >= SDLK_F1 && sdlKeycode <= SDLK_F12) return vk::F1 + (sdlKeycode - SDLK_F1);
    switch (sdlKeycode) {
    case SDLK_ESCAPE: return vk::Escape;
    case SDLK_LEFT: return vk::Left;
    case SDLK_UP: return vk::Up;
    case SDLK_RIGHT: return vk::Right;
    case SDLK_DOWN: return vk::Down;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return vk::Control;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return 0x10;
    case SDLK_LALT:
    case SDLK_RALT: return 0x12;
    case SDLK_SPACE: return 0x20;
    case SDLK_RETURN: return 0x0D;
    case SDLK_TAB: return 0x09;
    case SDLK_BACKSPACE: return 0x08;
    default: return 0;
    }
}

} // namespace platform
