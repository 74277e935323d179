#pragma once

// The message loop shared by every program: drain pending events, then, when
// the window is active, one frame; Escape or the close box ends it.

#include "shell/Shell.h"

#include <functional>

namespace platform {
struct Event;
}

// Turns one event into key state and window state (the window procedure).
// Key-downs (auto-repeats included) set the key's down entry and, while the
// window is active, count a press; key-ups clear the down entry.
void WindowProc(const platform::Event& event, KeyState& keys, MainWindow& window);

// Before a window switch closes the window: the keys down now are held over.
void HoldOverKeys(KeyState& keys);
// Once every pending event has been handled. The keys SDL reports as held come
// with the focus gain, in the same drain, so marks still left after it belong
// to keys released while no window had the focus: they go.
void FinishEventDrain(KeyState& keys);

// A latched toggle: takes one of the key's pending presses. Called until it
// is false, a toggle flips once per key-down message, none lost or doubled.
bool TakeToggle(KeyState& keys, int virtualKey);

struct LoopHooks {
    std::function<void()> updateInput;
    std::function<void()> drawFrame;
    // After every idle pass, drawn or not, unless Escape ends it. Returning
    // false ends the loop (the smaller programs' full-screen switch, when it
    // leaves no window).
    std::function<bool()> afterIdlePass;
};

// Shows the frame just drawn. Every kFramesPerMemoryRelease frames it also
// returns the heap's free pages to the system: the GL driver allocates and
// frees thousands of blocks a frame, and the holes they leave kept resident
// memory creeping up over a long flight (3 MB in 4,000 frames of veldrun).
constexpr int kFramesPerMemoryRelease = 200;
void PresentFrame();

// Runs until Escape (held, or pressed since the last frame) or the close box;
// returns the exit code (0 for both).
int RunMessageLoop(const LoopHooks& hooks);
