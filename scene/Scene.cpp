// Placeholder until the terrain, models and view land: clears the frame and
// prints one overlay line, so the shell can be run and tested on its own.
#include "scene/Scene.h"

#include "platform/GlApi.h"
#include "shell/Shell.h"

void StartScene() {}

void UpdateInput() {}

void DrawFrame()
{
    glViewport(0, 0, gScreenSize.width, gScreenSize.height);
    glClearColor(0.1f, 0.2f, 0.3f, 0.5f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1024, 786, 0, 0, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1, 1, 1);
    glRasterPos2i(0, 20);
    PrintOverlay(gOverlayFont, "Veldrun:%s", "starting");
}

void ShutdownScene() {}
