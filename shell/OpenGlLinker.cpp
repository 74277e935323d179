#include "shell/OpenGlLinker.h"

#include "platform/GlApi.h"
#include "platform/Platform.h"
#include "shell/Shell.h"

namespace {

using platform::Buttons;
using platform::Icon;

OpenResult gLastOpenResult = OpenResult::Failed;

void errorBox(const char* text)
{
    platform::MessageBox(text, "ERROR", Buttons::Ok, Icon::Exclamation);
}
void shutdownErrorBox(const char* text)
{
    platform::MessageBox(text, "SHUTDOWN ERROR", Buttons::Ok, Icon::Information);
}
void capabilityBox(const char* text)
{
    platform::MessageBox(text, "Initialization OPENGLLINKER", Buttons::Ok, Icon::None);
}

OpenResult finishOpen(OpenResult result)
{
    gLastOpenResult = result;
    return result;
}

// The steps after window creation share one failure path: release what exists,
// then tell the user which step failed.
OpenResult failAfterCreation(const char* text)
{
    CloseMainWindow();
    errorBox(text);
    return finishOpen(OpenResult::Failed);
}

} // namespace

bool HasExtensionWord(std::string_view extensions, std::string_view name)
{
    if (name.empty() || name.find(' ') != std::string_view::npos) return false;
    size_t from = 0;
    for (;;) {
        const size_t at = extensions.find(name, from);
        if (at == std::string_view::npos) return false;
        const size_t end = at + name.size();
        const bool startsWord = at == 0 || extensions[at - 1] == ' ';
        const bool endsWord = end == extensions.size() || extensions[end] == ' ';
        if (startsWord && endsWord) return true;
        from = end;
    }
}

bool HasGlExtension(const char* name)
{
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (extensions == nullptr || name == nullptr) return false;
    return HasExtensionWord(extensions, name);
}

bool OpenMainWindow(const char* title)
{
    LoadDisplayConfig(gDisplayConfig);
    WindowRequest request;
    request.title = title;
    request.width = gDisplayConfig.width;
    request.height = gDisplayConfig.height;
    request.colourDepth = gDisplayConfig.colourDepth;
    request.refresh = gDisplayConfig.refresh;
    request.fullScreen = gDisplayConfig.fullScreen;
    return OpenMainWindow(request) == OpenResult::Opened;
}

OpenResult LastOpenResult()
{
    return gLastOpenResult;
}

OpenResult OpenMainWindow(const WindowRequest& request)
{
    gMainWindow.fullScreen = request.fullScreen;
    gMainWindow.title = request.title;
    gMainWindow.width = request.width;
    gMainWindow.height = request.height;
    gMainWindow.colourDepth = request.colourDepth;
    gMainWindow.refresh = request.refresh;

    if (!platform::RegisterWindowClass()) {
        errorBox("Failed To Register The Window Class.");
        return finishOpen(OpenResult::Failed);
    }
    gMainWindow.classRegistered = true;

    if (gMainWindow.fullScreen &&
        !platform::ChangeDisplayMode(request.width, request.height, request.colourDepth, request.refresh)) {
        const platform::Answer answer = platform::MessageBox(
            "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?",
            "Zorl GL", Buttons::YesNo, Icon::Exclamation);
        if (answer == platform::Answer::Yes) {
            gMainWindow.fullScreen = false;
        } else {
            platform::MessageBox("Program Will Now Close.", "ERROR", Buttons::Ok, Icon::Stop);
            return finishOpen(OpenResult::Declined);
        }
    }
    if (gMainWindow.fullScreen) platform::ShowCursor(false);

    // SDL takes the pixel format before the window exists; its failure is still
    // reported at the step where the window's format is chosen.
    const bool pixelFormatChosen = platform::ChoosePixelFormat({request.colourDepth, 16, 2});
    gMainWindow.window =
        platform::CreateGlWindow(request.title, request.width, request.height, gMainWindow.fullScreen);
    if (gMainWindow.window == nullptr) return failAfterCreation("Window Creation Error.");
    gMainWindow.deviceContext = true;
    if (!pixelFormatChosen) return failAfterCreation("Can't Find A Suitable PixelFormat.");
    gMainWindow.renderingContext = platform::CreateGlContext(gMainWindow.window);
    if (gMainWindow.renderingContext == nullptr)
        return failAfterCreation("Can't Create A GL Rendering Context.");
    if (!platform::MakeCurrent(gMainWindow.window, gMainWindow.renderingContext))
        return failAfterCreation("Can't Activate The GL Rendering Context.");

    platform::ShowAndFocus(gMainWindow.window);
    ResizeViewport(request.width, request.height);
    gScreenSize = {request.width, request.height};
    InitRenderState(request.checks);
    return finishOpen(OpenResult::Opened);
}

void CloseMainWindow()
{
    if (gMainWindow.fullScreen) {
        platform::RestoreDisplayMode();
        platform::ShowCursor(true);
    }
    if (gMainWindow.renderingContext != nullptr) {
        if (!platform::MakeCurrent(gMainWindow.window, nullptr))
            shutdownErrorBox("Release Of DC And RC Failed.");
        if (!platform::DeleteGlContext(gMainWindow.renderingContext))
            shutdownErrorBox("Release Rendering Context Failed.");
        gMainWindow.renderingContext = nullptr;
    }
    // The drawable belongs to the window; releasing it cannot fail here.
    gMainWindow.deviceContext = false;
    if (gMainWindow.window != nullptr) {
        if (!platform::DestroyGlWindow(gMainWindow.window)) shutdownErrorBox("Could Not Release hWnd.");
        gMainWindow.window = nullptr;
    }
    if (gMainWindow.classRegistered) {
        if (!platform::UnregisterWindowClass()) shutdownErrorBox("Could Not Unregister Class.");
        gMainWindow.classRegistered = false;
    }
}

void ResizeViewport(int32_t width, int32_t height)
{
    if (height == 0) height = 1;
    glViewport(0, 0, width, height);
    gScreenSize = {width, height};
}

void InitRenderState(CapabilityChecks checks)
{
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glClearStencil(0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

    // libepoxy resolves entry points on first use, so there is no link-all step.
    platform::SetSwapInterval(0);
    BuildOverlayFont(gOverlayFont);

    gRenderCaps = RenderCaps{};
    if (checks == CapabilityChecks::None) return;
    if (checks == CapabilityChecks::BuffersAndMultitexture) {
        gRenderCaps.vboUsable = HasGlExtension("GL_ARB_vertex_buffer_object");
        if (!gRenderCaps.vboUsable) capabilityBox("VBO: Not supported, VBO disabled");
    }
    if (!HasGlExtension("GL_ARB_multitexture")) {
        capabilityBox("Multitexturing: 4 Units not found, Multitexturing disabled");
    } else if (HasGlExtension("GL_ARB_texture_env_combine")) {
        GLint units = 0;
        glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
        gRenderCaps.multitextureUsable = units > 3;
    }
}
