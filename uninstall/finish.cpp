// The finish run: a copy of the uninstaller in the temporary folder deletes
// the original program after the original ended.
#include "uninstall/finish.h"

#include <windows.h>

#include "base/format.h"
#include "base/paths.h"
#include "base/text.h"
#include "uninstall/arguments.h"
#include "uninstall/removal.h"
#include "uninstall/rules.h"

bool StartFinishRun(const char *program, bool removeFolder)
{
    char temp[MAX_PATH];
    DWORD tempLength = GetTempPathA(sizeof temp, temp);
    if (tempLength == 0 || tempLength >= sizeof temp)
        return false;
    char copy[MAX_PATH];
    int length = FormatText(copy, sizeof copy, "%sVelmo-uninstall-%lu.exe", temp,
                               GetCurrentProcessId());
    if (length < 0 || length >= static_cast<int>(sizeof copy) || !CopyFileA(program, copy, FALSE))
        return false;
    // The copy cannot delete its own program either: the system does it
    // when it starts the next time.
    MoveFileExA(copy, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);

    // The copy inherits a handle of this process to wait on.
    HANDLE self = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                         SYNCHRONIZE, TRUE, 0)) {
        DeleteFileA(copy);
        return false;
    }
    char commandLine[3 * MAX_PATH];
    length = FormatText(commandLine, sizeof commandLine, "\"%s\" /FINISH %lu %d \"%s\"", copy,
                           static_cast<unsigned long>(reinterpret_cast<uintptr_t>(self)),
                           removeFolder ? 1 : 0, program);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    bool started = length > 0 && length < static_cast<int>(sizeof commandLine) &&
                   CreateProcessA(copy, commandLine, nullptr, nullptr, TRUE, 0, nullptr, temp,
                                  &startup, &process);
    // This process's own handle stays open until it ends: the copy's
    // inherited one is a separate handle.
    CloseHandle(self);
    if (!started) {
        DeleteFileA(copy);
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

int FinishRun(const UninstallArguments &arguments)
{
    HANDLE original = reinterpret_cast<HANDLE>(arguments.waitHandle);
    char16_t program[kMaxPath];
    if (!AnsiToUtf16(arguments.program, program, kMaxPath) || !IsCleanPath(program) ||
        WaitForSingleObject(original, INFINITE) != WAIT_OBJECT_0)
        return 1;
    CloseHandle(original);
    // The system may hold the program's image a moment after its process
    // ended.
    bool deleted = false;
    for (int attempt = 0; attempt < 50 && !deleted; ++attempt) {
        deleted = DeleteFileA(arguments.program) || IsGone(GetLastError());
        if (!deleted)
            Sleep(100);
    }
    if (deleted && arguments.removeFolder) {
        char folder[MAX_PATH];
        CopyText(folder, sizeof folder, arguments.program);
        CutAtLastBackslash(folder);
        RemoveDirectoryA(folder);
    }
    return deleted ? 0 : 1;
}
