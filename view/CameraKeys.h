#pragma once

#include <cstdint>

class Camera;

// The per-frame camera keys: for every key down in keyState (indexed by
// virtual-key code) one step of `step` world units (0.01 * step radians for
// swings). Order W, S, Up, Down, Left, Right, each applied to the result of the
// one before; opposite keys cancel. Ctrl, read once, turns the arrows into
// orbit steps about the target (raise, lower, swing) instead of moves.
void applyCameraKeys(Camera& camera, const uint8_t keyState[256], float step);
