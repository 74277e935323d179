#include "shell/DebugConsole.h"

#include "platform/Platform.h"

#include <cstdarg>
#include <cstdio>
#include <string_view>

void DebugPrint(const char* format, ...)
{
    char buffer[1000];
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (written < 0) return;
    const size_t length =
        static_cast<size_t>(written) < sizeof buffer ? static_cast<size_t>(written) : sizeof buffer - 1;
    platform::WriteConsole(std::string_view(buffer, length));
    platform::WriteConsole("\n");
}
