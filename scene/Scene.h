#pragma once

// The scene of veldrun: loads and builds everything once, then draws frames.
void StartScene();
// Per-frame keyboard handling: camera keys and the F4 automatic budget toggle.
void UpdateInput();
void DrawFrame();
// Empties the unit lists (after the window and context are gone).
void ShutdownScene();
