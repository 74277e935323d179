#pragma once

// The thin layer that stands where Win32, GDI and WGL stood. Nothing above it
// includes SDL; everything here is plain C++.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

// ---- Message boxes ----------------------------------------------------------

enum class Buttons { Ok, YesNo };
enum class Icon { None, Exclamation, Stop, Information };
enum class Answer { Ok, Yes, No };

// Modal message box. Where no display can show one, writes "CAPTION: text" to
// standard error and answers with the first button (Ok, or Yes); where a
// display exists but the box fails there (an X server without core fonts), a
// line with SDL's reason comes first.
Answer MessageBox(std::string_view text, std::string_view caption, Buttons buttons, Icon icon);

// Tests replace the message box to see which message was shown and to answer it.
// An empty handler restores the real one.
using MessageBoxHandler =
    std::function<Answer(std::string_view text, std::string_view caption, Buttons, Icon)>;
void SetMessageBoxHandler(MessageBoxHandler handler);

// ---- Debug console ----------------------------------------------------------

// Writes the text to standard output (flushed). The first write titles a
// terminal "Debug".
void WriteConsole(std::string_view text);
using ConsoleHandler = std::function<void(std::string_view text)>;
void SetConsoleHandler(ConsoleHandler handler);

// ---- Clocks -----------------------------------------------------------------

// False when no high-resolution counter exists.
bool QueryPerformanceFrequency(int64_t& frequency);
int64_t QueryPerformanceCounter();
// Wraps around after 2^32 ms, like the multimedia timer.
uint32_t MillisecondClock();
void SleepMilliseconds(uint32_t milliseconds);

// True while a rendering context is current on this thread.
bool HasCurrentGlContext();

// ---- Memory -----------------------------------------------------------------

// Hands the free pages inside the heap back to the system (glibc's
// malloc_trim); nothing where the C library has no such call.
void ReleaseFreedMemory();

// ---- Window and rendering context -------------------------------------------

struct NativeWindow;
struct NativeContext;

// Window-class registration stands for bringing up the video subsystem.
bool RegisterWindowClass();
bool UnregisterWindowClass();

// A full-screen mode of exactly this width and height exists (the closest
// refresh rate and depth are taken). Remembered for the next CreateGlWindow.
bool ChangeDisplayMode(int width, int height, int bitsPerPixel, int refresh);
void RestoreDisplayMode();

struct PixelFormatRequest {
    int colourBits = 32;
    int depthBits = 16;
    int stencilBits = 2;
};

// The pixel format must be asked for before the window exists with SDL.
bool ChoosePixelFormat(const PixelFormatRequest& request);
// Client area of width x height; full screen uses the mode of ChangeDisplayMode.
NativeWindow* CreateGlWindow(const std::string& title, int width, int height, bool fullScreen);
bool DestroyGlWindow(NativeWindow* window);
NativeContext* CreateGlContext(NativeWindow* window);
bool MakeCurrent(NativeWindow* window, NativeContext* context);
bool DeleteGlContext(NativeContext* context);
void ShowAndFocus(NativeWindow* window);
void SwapBuffers(NativeWindow* window);
// 0 switches off waiting for the vertical retrace; false when the driver refuses.
bool SetSwapInterval(int interval);
void ShowCursor(bool show);
// Size of the drawable in pixels.
void GetDrawableSize(NativeWindow* window, int& width, int& height);
// The window the platform last created and has not destroyed, or null.
NativeWindow* CurrentWindow();

// Pointer position in client coordinates (y down). False when the pointer is
// not over the window's client area; the coordinates are then left unchanged.
bool GetPointerPosition(int& x, int& y);

// ---- Events -----------------------------------------------------------------

enum class EventType { None, Quit, KeyDown, KeyUp, Minimized, Restored, Resized, FocusGained, Other };

struct Event {
    EventType type = EventType::None;
    int virtualKey = 0; // KeyDown, KeyUp: Win32 virtual-key code 0-255
    int width = 0;      // Resized: new client size in pixels
    int height = 0;
    bool repeat = false; // KeyDown: an auto-repeat of a key already down
};

// Takes one pending event, never waits. The close box arrives as Quit.
bool PollEvent(Event& event);
// Tests script the events PollEvent hands out; an empty source restores SDL's.
using EventSource = std::function<bool(Event& event)>;
void SetEventSource(EventSource source);

// Win32 virtual-key code for an SDL key code, or 0 when the key has none.
int TranslateKey(int sdlKeycode);

} // namespace platform
