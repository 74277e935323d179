#pragma once

// The program run of the three smaller programs: a fixed 800 x 600 x 32
// window titled "Skarnveil", the scene, the message loop with F1 switching
// between windowed and full screen, and the shutdown.

#include "shell/OpenGlLinker.h"

#include <functional>

// What a program hands to the shared run.
struct SkarnveilProgram {
    CapabilityChecks checks = CapabilityChecks::None;
    std::function<void()> startScene;
    std::function<void()> updateInput;
    std::function<void()> drawFrame;
    // Runs after F1 opened a new window: the textures (and other GL objects)
    // of the start-up died with the old rendering context and are made again.
    std::function<void()> recreateContextObjects;
};

// The start-up window: "Skarnveil", 800 x 600, 32 bits, windowed.
WindowRequest SkarnveilWindowRequest(CapabilityChecks checks);

// Closes the window and opens "Zorl's OpenGL Framework" with the same size and
// depth and the full-screen flag flipped. False, with the active flag cleared,
// when no new window opened (its message has been shown).
bool ToggleFullScreen(CapabilityChecks checks);

// The whole run. Exit code 0 after Escape, the close box, a user's "No" to
// windowed mode, or a failed full-screen switch; 1 when no window could be
// made at start.
int RunSkarnveil(const SkarnveilProgram& program);
