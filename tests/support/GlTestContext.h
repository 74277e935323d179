#pragma once

#include "platform/Platform.h"

// A real OpenGL compatibility context on SDL's offscreen driver (Mesa llvmpipe),
// width x height pixels, current for the object's lifetime. CTest sets
// SDL_VIDEODRIVER=offscreen for the gl label.
class GlTestContext {
public:
    GlTestContext(int width = 256, int height = 256);
    ~GlTestContext();
    GlTestContext(const GlTestContext&) = delete;
    GlTestContext& operator=(const GlTestContext&) = delete;

    bool valid() const { return context_ != nullptr; }

private:
    platform::NativeWindow* window_ = nullptr;
    platform::NativeContext* context_ = nullptr;
};
