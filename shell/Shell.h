#pragma once

// The shell's process-wide objects, shared by every program. They are defined
// in one place (Shell.cpp); code below the shell is handed what it needs.

#include "shell/DisplayConfig.h"
#include "shell/OpenGlLinker.h"
#include "shell/OverlayFont.h"
#include "shell/RenderCaps.h"

#include <cstdint>

struct KeyState {
    uint8_t down[256] = {};  // indexed by Win32 virtual-key code
};

extern MainWindow gMainWindow;
extern ScreenSize gScreenSize;
extern RenderCaps gRenderCaps;
extern DisplayConfig gDisplayConfig;
extern OverlayFont gOverlayFont;
extern KeyState gKeyState;
