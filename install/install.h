// The installation driver: the run after the wizard's Finish.
#pragma once

#include <windows.h>

// First asks the user to close any program that holds a file the run would
// change; Cancel there ends the run before anything changed (true).
// Then installs the product as the setup state says: extracts every payload
// file into the destination folder under the progress window, registers
// the uninstaller and the program, makes the program group's links and the
// desktop's. The record on disk names each of these before it is made and
// is finished at the end, or, when the user cancels, it all goes again.
// Shows "$0260" after a successful run and then opens the read-me and
// starts the product as chosen. Returns false after a failure (already
// shown to the user) and true otherwise, also after a cancel.
bool RunInstallation(HWND owner);
