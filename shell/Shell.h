#pragma once

// The shell's process-wide objects, shared by every program. They are defined
// in one place (Shell.cpp); code below the shell is handed what it needs.

#include "shell/DisplayConfig.h"
#include "shell/OpenGlLinker.h"
#include "shell/OverlayFont.h"
#include "shell/RenderCaps.h"

#include <cstdint>

// The arrays are indexed by Win32 virtual-key code.
struct KeyState {
    uint8_t down[256] = {};
    // Key-down messages (auto-repeats included) a frame has not yet taken, so
    // a key that goes down and up again between two frames is still seen.
    uint8_t pressed[256] = {};
    // Keys down when a window switch closed the old window. When the new
    // window gains the focus, SDL reports the keys still held as new key-downs:
    // for these keys that is the old press, not another one.
    uint8_t heldOver[256] = {};
    bool focusGained = false; // since the last drain of pending events
};

extern MainWindow gMainWindow;
extern ScreenSize gScreenSize;
extern RenderCaps gRenderCaps;
extern DisplayConfig gDisplayConfig;
extern OverlayFont gOverlayFont;
extern KeyState gKeyState;
