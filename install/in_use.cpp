// The search for files in use and the question to close the program.
#include "install/in_use.h"

#include <tlhelp32.h>

#include <cstring>

#include "base/format.h"
#include "base/runlog.h"
#include "base/text.h"
#include "install/cleanup_steps.h"
#include "install/install_ids.h"
#include "install/touched.h"
#include "product/config.h"
#include "product/manifest.h"
#include "state/state.h"

namespace {

// Appends `text` to `target` (of `size` bytes) unless it does not fit
// whole; false then.
bool Append(char *target, size_t size, const char *text)
{
    size_t length = std::strlen(target);
    if (CopyText(target + length, size - length, text))
        return true;
    target[length] = '\0';
    return false;
}

// A file that another process holds open (a running program's own file
// among them) refuses the access the run needs to replace, delete or rename
// it with a sharing or lock violation.
bool IsHeld(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

void NoteIfInUse(const char *path, void *context)
{
    if (!IsHeld(path))
        return;
    FilesInUse &found = *static_cast<FilesInUse *>(context);
    // The list shows the first few; the count says how many there are.
    if (found.count++ < 8) {
        char line[MAX_PATH + 4];
        FormatText(line, sizeof line, "  %s\n", path);
        Append(found.files, sizeof found.files, line);
    } else if (found.count == 9) {
        Append(found.files, sizeof found.files, "  ...\n");
    }
}

// True when the process runs a program of `folder`: its main module lies
// there or (where the system does not show another process's modules as
// paths of this system) a program file of its name there is held open, as
// a running program's is.
bool RunsFrom(DWORD process, const char *exeFile, const char *folder)
{
    HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process);
    if (modules != INVALID_HANDLE_VALUE) {
        MODULEENTRY32 module = {};
        module.dwSize = sizeof module;
        bool known = Module32First(modules, &module);
        CloseHandle(modules);
        if (known && LiesInside(module.szExePath, folder))
            return true;
    }
    const char *slash = std::strrchr(exeFile, '\\');
    char path[MAX_PATH];
    return JoinPath(path, sizeof path, folder, slash ? slash + 1 : exeFile) && IsHeld(path);
}

// The names of the programs that run from `folder`, each once.
void NamePrograms(const char *folder, char *programs, size_t size)
{
    HANDLE processes = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (processes == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32 process = {};
    process.dwSize = sizeof process;
    for (BOOL more = Process32First(processes, &process); more;
         more = Process32Next(processes, &process)) {
        if (process.th32ProcessID == GetCurrentProcessId())
            continue;
        if (!RunsFrom(process.th32ProcessID, process.szExeFile, folder))
            continue;
        const char *slash = std::strrchr(process.szExeFile, '\\');
        const char *name = slash ? slash + 1 : process.szExeFile;
        if (std::strstr(programs, name))
            continue;
        if (programs[0] && !Append(programs, size, ", "))
            break;
        Append(programs, size, name);
    }
    CloseHandle(processes);
}

}  // namespace

void VisitFilesOfTheRun(void (*visit)(const char *path, void *context), void *context)
{
    CleanUpPlace place = {g_state.installedFolder, g_state.destination,
                          g_state.installedVersionMs, kSetupConfig.commonFolder,
                          kSetupConfig.otherProducts};
    bool cleanUp = CleanUpApplies(g_state.earlierInstalled, g_state.installedVersionMs,
                                  g_state.installedFolder, g_state.destination);
    VisitTouchedFiles(kInstallTable, kInstallCount, kCleanUpTable, kCleanUpCount,
                      g_state.destination, cleanUp ? &place : nullptr, visit, context);
}

FilesInUse FindFilesInUse()
{
    // Zeroed here rather than by initialisers, which would keep a copy of
    // the whole structure in the program's data.
    FilesInUse found;
    std::memset(&found, 0, sizeof found);
    VisitFilesOfTheRun(NoteIfInUse, &found);
    if (found.count > 0)
        NamePrograms(g_state.destination, found.programs, sizeof found.programs);
    return found;
}

bool AskUntilFilesAreFree(HWND owner)
{
    for (;;) {
        FilesInUse found = FindFilesInUse();
        if (found.count == 0)
            return true;
        char text[2048];
        FormatText(text, sizeof text, OwnText(IDS_FILES_IN_USE), found.files,
                   found.programs[0] ? found.programs : OwnText(IDS_PROGRAM_UNKNOWN));
        RunLog("Error: %s", text);
        // An unattended run asks nobody: it ends before anything changed.
        if (g_state.quiet != QuietMode::None)
            return false;
        if (MessageBoxA(owner, text, ResolveText("$0010"), MB_RETRYCANCEL | MB_ICONWARNING) !=
            IDRETRY)
            return false;
    }
}
