// Files in use: the existing files that the run would change and that
// another process holds open, found before anything is changed.
#pragma once

#include <windows.h>

// What the search found; a count of 0 means that none is in use.
struct FilesInUse {
    int count;            // files in use
    char files[1024];     // the first of them, one a line, each ended by "\n"
    char programs[512];   // programs running from the destination, ", " between
};

// Calls visit(path, context) for every existing or new file that the run
// into the chosen destination changes: the installation's files and, where
// a version 2 is tidied, the clean-up's.
void VisitFilesOfTheRun(void (*visit)(const char *path, void *context), void *context);

// Tries every file that the run would overwrite, delete or rename (the
// installation and the clean-up of a version 2) for the access the run
// needs, and names the programs that run from the destination folder.
FilesInUse FindFilesInUse();

// Asks the user, as long as files are in use, to close the program that
// holds them: Retry looks again, Cancel gives up. True when the run may go
// on, false after Cancel; an unattended run asks nothing and gives up at
// once. Files in use go to the log either way.
bool AskUntilFilesAreFree(HWND owner);
