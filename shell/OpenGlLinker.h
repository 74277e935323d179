#pragma once

// The window and rendering-context module: opens the one main window with a
// double-buffered RGBA context, sets the initial GL state, builds the overlay
// font and decides which optional GL features the driver supports.

#include "shell/RenderCaps.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {
struct NativeWindow;
struct NativeContext;
} // namespace platform

struct MainWindow {
    platform::NativeWindow* window = nullptr;
    bool deviceContext = false; // the window's drawable is ours to render into
    platform::NativeContext* renderingContext = nullptr;
    bool classRegistered = false;
    bool fullScreen = true; // overwritten from the settings at each open
    bool active = true;     // false while minimised: no frames are drawn
    // The display values of the last open, reused by ToggleFullScreen.
    std::string title;
    int32_t width = 0;
    int32_t height = 0;
    int32_t colourDepth = 0;
    int32_t refresh = 0;
};

// Drawable size in pixels, as the viewport and the aspect ratio see it.
struct ScreenSize {
    int32_t width = 0;
    int32_t height = 0;
};

// Which capability checks InitRenderState makes (and which messages it may show).
enum class CapabilityChecks { BuffersAndMultitexture, MultitextureOnly, None };

struct WindowRequest {
    std::string title;
    int32_t width = 640;
    int32_t height = 480;
    int32_t colourDepth = 16;
    int32_t refresh = 0;
    bool fullScreen = false;
    CapabilityChecks checks = CapabilityChecks::BuffersAndMultitexture;
};

// How an open ended, so the entry point can tell a user's "No" from an error.
enum class OpenResult { Opened, Declined, Failed };

// Reads "config.ini" into the shell's DisplayConfig and opens the window with it.
bool OpenMainWindow(const char* title);
// Opens the window with the given display values (the smaller programs).
OpenResult OpenMainWindow(const WindowRequest& request);
// The result of the last OpenMainWindow.
OpenResult LastOpenResult();
// Releases whatever OpenMainWindow created, in reverse order; safe in any
// partial state. Each release failure is reported and the rest still released.
void CloseMainWindow();
// A height of 0 becomes 1. Sets the viewport and ScreenSize.
void ResizeViewport(int32_t width, int32_t height);
// Initial GL state, swap interval 0, overlay font, capability checks.
void InitRenderState(CapabilityChecks checks);
// Whole-word search of the current context's extension string.
bool HasGlExtension(const char* name);
// The same search on a given extension string (testable without GL).
bool HasExtensionWord(std::string_view extensions, std::string_view name);
