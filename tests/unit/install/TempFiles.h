#pragma once
// The tests' one set of file helpers (read, write, tempPath, TempDir).
#include "tests/support/TempFiles.h"
