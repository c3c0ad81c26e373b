// The finish run: a copy of the uninstaller in the temporary folder deletes
// the original program after the original ended.
#include "uninstall/finish.h"

#include <windows.h>
#include <sddl.h>

#include "base/format.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/volume_names.h"
#include "uninstall/arguments.h"
#include "uninstall/removal.h"
#include "uninstall/rules.h"

namespace {

// Who may use the finish run's folder: the system, the administrators and
// the folder's owner, and nobody else, inherited by what is made in it.
const char kOwnFolderAccess[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;OW)";

// Makes a folder of the finish run's own in `temp` and gives its path. A
// name that exists, whoever made it, is passed over: the run never writes
// into what was there, and never starts what somebody put there ahead. The
// system's temporary folder, where a deployment tool's removal runs, lets
// every user create files in new folders below it; this one lets nobody
// else in.
bool MakeOwnFolder(const char *temp, char *folder, size_t size)
{
    // Systems before Vista know no owner rights; there the folder takes the
    // temporary folder's access, and is still a new one.
    SECURITY_ATTRIBUTES security = {sizeof security, nullptr, FALSE};
    ConvertStringSecurityDescriptorToSecurityDescriptorA(kOwnFolderAccess, SDDL_REVISION_1,
                                                         &security.lpSecurityDescriptor, nullptr);
    bool made = false;
    for (unsigned attempt = 0; attempt < 100 && !made; ++attempt) {
        int length = FormatText(folder, size, "%sVelmo-uninstall-%lu-%u", temp,
                                GetCurrentProcessId(), attempt);
        if (length < 0 || static_cast<size_t>(length) >= size)
            break;
        made = CreateDirectoryA(folder, &security) != 0;
        if (!made && GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    LocalFree(security.lpSecurityDescriptor);
    return made;
}

}  // namespace

bool StartFinishRun(const char *program, bool removeFolder, HANDLE file, HANDLE folderHandle)
{
    // The copy has its own handles; these go when this process ends.
    struct Closer {
        HANDLE handles[2];
        ~Closer()
        {
            for (HANDLE handle : handles) {
                if (handle)
                    CloseHandle(handle);
            }
        }
    } closer = {{file, folderHandle}};
    char temp[MAX_PATH];
    DWORD tempLength = GetTempPathA(sizeof temp, temp);
    if (tempLength == 0 || tempLength >= sizeof temp)
        return false;
    char folder[MAX_PATH];
    if (!MakeOwnFolder(temp, folder, sizeof folder))
        return false;
    char copy[MAX_PATH];
    // A cut path names another file: it is never deleted.
    if (!JoinPath(copy, sizeof copy, folder, "Uninstall.exe")) {
        RemoveDirectoryA(folder);
        return false;
    }
    // What was made of the copy and its folder goes again when the run
    // cannot start.
    auto giveUp = [&] {
        DeleteFileA(copy);
        RemoveDirectoryA(folder);
        return false;
    };
    if (!CopyFileA(program, copy, TRUE))
        return giveUp();
    // The copy cannot delete its own program either: the system does it,
    // and then the emptied folder, when it starts the next time.
    MoveFileExA(copy, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);

    // The copy inherits a handle of this process to wait on.
    HANDLE self = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                         SYNCHRONIZE, TRUE, 0))
        return giveUp();
    char commandLine[3 * MAX_PATH];
    int length = FormatText(commandLine, sizeof commandLine,
                            "\"%s\" /FINISH %lu %d %lu %lu \"%s\"", copy,
                            static_cast<unsigned long>(reinterpret_cast<uintptr_t>(self)),
                            removeFolder ? 1 : 0,
                            static_cast<unsigned long>(reinterpret_cast<uintptr_t>(file)),
                            static_cast<unsigned long>(reinterpret_cast<uintptr_t>(folderHandle)),
                            program);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    bool started = length > 0 && length < static_cast<int>(sizeof commandLine) &&
                   CreateProcessA(copy, commandLine, nullptr, nullptr, TRUE, 0, nullptr, folder,
                                  &startup, &process);
    // This process's own handle stays open until it ends: the copy's
    // inherited one is a separate handle.
    CloseHandle(self);
    if (!started)
        return giveUp();
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
    // The program and its folder go through the handles that the original
    // opened where it found them: whatever was put at their paths since is
    // not touched. The system may hold the program's image a moment after
    // its process ended.
    HANDLE file = reinterpret_cast<HANDLE>(arguments.fileHandle);
    HANDLE folderHandle = reinterpret_cast<HANDLE>(arguments.folderHandle);
    bool deleted = false;
    for (int attempt = 0; attempt < 50 && !deleted; ++attempt) {
        deleted = file ? DeleteOpenFile(file)
                       : DeleteFileA(arguments.program) || IsGone(GetLastError());
        if (!deleted)
            Sleep(100);
    }
    if (file)
        CloseHandle(file);
    if (deleted && folderHandle) {
        DeleteOpenFile(folderHandle);
    } else if (deleted && arguments.removeFolder && !file) {
        char folder[MAX_PATH];
        CopyText(folder, sizeof folder, arguments.program);
        CutAtLastBackslash(folder);
        RemoveDirectoryA(folder);
    }
    if (folderHandle)
        CloseHandle(folderHandle);
    return deleted ? 0 : 1;
}
