#include "tests/support/GlTestContext.h"

#include "platform/GlApi.h"

#include <cstdio>
#include <cstdlib>

GlTestContext::GlTestContext(int width, int height)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (!platform::RegisterWindowClass()) return;
    platform::ChoosePixelFormat({32, 16, 2});
    window_ = platform::CreateGlWindow("test", width, height, false);
    if (window_ == nullptr) return;
    context_ = platform::CreateGlContext(window_);
    if (context_ != nullptr && !platform::MakeCurrent(window_, context_)) {
        platform::DeleteGlContext(context_);
        context_ = nullptr;
    }
    if (context_ != nullptr) glViewport(0, 0, width, height);
}

GlTestContext::~GlTestContext()
{
    if (context_ != nullptr) {
        platform::MakeCurrent(window_, nullptr);
        platform::DeleteGlContext(context_);
    }
    if (window_ != nullptr) platform::DestroyGlWindow(window_);
    platform::UnregisterWindowClass();
}
