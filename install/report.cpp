// The error reporter of the installation engine.
#include "install/report.h"

#include <cstdarg>

#include "base/runlog.h"
#include "install/engine.h"
#include "install/error_text.h"
#include "install/progress.h"
#include "install/record.h"
#include "state/state.h"

bool ReportError(HWND owner, const char *message, ...)
{
    // Made ahead of its place, a step fails without a word (the driver logs
    // it) and the run goes on: its place makes it again and reports as ever.
    if (g_engine.record && g_engine.record->staging)
        return false;
    // The system's reason, before anything here can change it.
    DWORD error = GetLastError();
    char text[1000];
    va_list args;
    va_start(args, message);
    FormatErrorText(text, sizeof text, ResolveText("$0339"), ResolveText(message), args);
    va_end(args);
    RunLogError(error, "Error: %s", text);
    // A quiet run shows nothing; its log holds the message.
    if (g_state.quiet != QuietMode::None)
        return false;
    // The bar shows everything written up to the failure while the box waits.
    if (g_engine.progress)
        g_engine.progress->ShowBar();
    MessageBoxA(owner, text, ResolveText("$0330"), MB_ICONERROR);
    return false;
}
