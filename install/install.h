// The installation driver: the run after the wizard's Finish.
#pragma once

#include <windows.h>

// Installs the product as the setup state says: extracts every payload
// file into the destination folder under the progress window, registers
// the uninstaller and the program, makes the program group's links and the
// desktop's, records what it made and writes "Uninstall.dat", or removes it
// all again when the user cancels. Shows "$0260" after a successful run and then opens the read-me
// and starts the product as chosen. Returns false after a failure (already
// shown to the user) and true otherwise, also after a cancel.
bool RunInstallation(HWND owner);
