// The log of a run, written through the system.
#include "base/runlog.h"

#include <windows.h>

#include "base/format.h"

namespace {

HANDLE g_log = INVALID_HANDLE_VALUE;

// Writes `text` as one line: the time, the text with its line breaks made
// blanks, and CR LF.
void WriteLine(char *text)
{
    for (char *p = text; *p; ++p) {
        if (*p == '\r' || *p == '\n')
            *p = ' ';
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    char line[1400];
    int length = FormatText(line, sizeof line - 2, "%02u:%02u:%02u.%03u %s", now.wHour,
                            now.wMinute, now.wSecond, now.wMilliseconds, text);
    if (length < 0)
        return;
    if (length >= static_cast<int>(sizeof line - 2))
        length = lstrlenA(line);
    line[length++] = '\r';
    line[length++] = '\n';
    DWORD written = 0;
    WriteFile(g_log, line, static_cast<DWORD>(length), &written, nullptr);
}

}  // namespace

bool OpenRunLog(const char *path)
{
    CloseRunLog();
    g_log = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    return g_log != INVALID_HANDLE_VALUE;
}

void CloseRunLog()
{
    if (g_log != INVALID_HANDLE_VALUE)
        CloseHandle(g_log);
    g_log = INVALID_HANDLE_VALUE;
}

bool RunLogOpen()
{
    return g_log != INVALID_HANDLE_VALUE;
}

void RunLogV(const char *format, va_list args)
{
    if (g_log == INVALID_HANDLE_VALUE)
        return;
    char text[1200];
    FormatTextV(text, sizeof text, format, args);
    WriteLine(text);
}

void RunLog(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    RunLogV(format, args);
    va_end(args);
}

void RunLogError(unsigned long code, const char *format, ...)
{
    if (g_log == INVALID_HANDLE_VALUE)
        return;
    char text[1200];
    va_list args;
    va_start(args, format);
    int length = FormatTextV(text, sizeof text, format, args);
    va_end(args);
    if (length < 0 || length >= static_cast<int>(sizeof text) - 1)
        length = lstrlenA(text);
    char system[400];
    DWORD systemLength =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                       0, system, sizeof system, nullptr);
    while (systemLength > 0 && (system[systemLength - 1] == '\r' ||
                                system[systemLength - 1] == '\n' || system[systemLength - 1] == ' '))
        --systemLength;
    system[systemLength] = '\0';
    FormatText(text + length, sizeof text - length, ": %s (error %lu)",
               systemLength ? system : "no text for this error", code);
    WriteLine(text);
}
