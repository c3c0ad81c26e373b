// The error reporter of the installation engine.
#include "install/report.h"

#include <cstdarg>

#include "app/state.h"
#include "install/error_text.h"
#include "locale/vlocale.h"

const char *EngineText(const char *text)
{
    return g_state.locale ? g_state.locale->Resolve(text) : text;
}

bool ReportError(HWND owner, const char *message, ...)
{
    char text[1000];
    va_list args;
    va_start(args, message);
    FormatErrorText(text, sizeof text, EngineText("$0339"), EngineText(message), args);
    va_end(args);
    MessageBoxA(owner, text, EngineText("$0330"), MB_ICONERROR);
    return false;
}
