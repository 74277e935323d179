#pragma once

// One progress line on the "Debug" console (standard output): the formatted
// text, then a line feed. Text past 999 characters is cut, never overrun.
void DebugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
