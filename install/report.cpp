// The error reporter of the installation engine.
#include "install/report.h"

#include <cstdarg>

#include "install/engine.h"
#include "install/error_text.h"
#include "install/progress.h"
#include "state/state.h"

bool ReportError(HWND owner, const char *message, ...)
{
    char text[1000];
    va_list args;
    va_start(args, message);
    FormatErrorText(text, sizeof text, ResolveText("$0339"), ResolveText(message), args);
    va_end(args);
    // The bar shows everything written up to the failure while the box waits.
    if (g_engine.progress)
        g_engine.progress->ShowBar();
    MessageBoxA(owner, text, ResolveText("$0330"), MB_ICONERROR);
    return false;
}
