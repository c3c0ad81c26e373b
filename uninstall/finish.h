// The end of a removal: the uninstaller cannot delete its own program while
// it runs, so a copy of it in the temporary folder does that after it ended.
#pragma once

#include <windows.h>

struct UninstallArguments;

// Copies the uninstaller into a new folder of its own in the temporary
// folder, marks the copy and that folder for deletion at the next restart
// and starts the copy to delete `program` (and, with removeFolder, the
// program's folder when that is empty then) once this process has ended,
// through the inheritable handles `file` and `folder` that
// Removal::OpenForFinish gave (by path where they are null). Closes both.
// False when the copy could not be made or started.
bool StartFinishRun(const char *program, bool removeFolder, HANDLE file, HANDLE folder);

// The copy's run: waits for the original to end, deletes it and its folder.
// Deletes nothing unless the wait succeeds. Returns the exit code.
int FinishRun(const UninstallArguments &arguments);
