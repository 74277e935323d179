#pragma once

// The message loop shared by every program: drain pending events, then, when
// the window is active, one frame; Escape or the close box ends it.

#include "shell/Shell.h"

#include <functional>

namespace platform {
struct Event;
}

// Turns one event into key state and window state (the window procedure).
// Key-downs (auto-repeats included) set the key's entry, key-ups clear it.
void WindowProc(const platform::Event& event, KeyState& keys, MainWindow& window);

// A latched toggle: true when the key is down, and the entry is then cleared,
// so a held key toggles once per key-down message.
bool TakeToggle(KeyState& keys, int virtualKey);

struct LoopHooks {
    std::function<void()> updateInput;
    std::function<void()> drawFrame;
    // After every idle pass, drawn or not. Returning false ends the loop (the
    // smaller programs' full-screen switch, when it leaves no window).
    std::function<bool()> afterIdlePass;
};

// Shows the frame just drawn. Every kFramesPerMemoryRelease frames it also
// returns the heap's free pages to the system: the GL driver allocates and
// frees thousands of blocks a frame, and the holes they leave kept resident
// memory creeping up over a long flight (3 MB in 4,000 frames of veldrun).
constexpr int kFramesPerMemoryRelease = 200;
void PresentFrame();

// Runs until Escape or the close box; returns the exit code (0 for both).
int RunMessageLoop(const LoopHooks& hooks);
