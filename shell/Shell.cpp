#include "shell/Shell.h"

MainWindow gMainWindow;
ScreenSize gScreenSize;
RenderCaps gRenderCaps;
DisplayConfig gDisplayConfig;
OverlayFont gOverlayFont;
KeyState gKeyState;
