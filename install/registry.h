// Registry entries of the installed product: the App Paths entry of its
// program and its entry in the system's list of installed programs.
#pragma once

#include <windows.h>

// Writes the App Paths entry of the program file below HKEY_LOCAL_MACHINE:
// the default value, destination folder + "\" + the program file, and
// "Path", the destination folder. The key's name is recorded (APPKEY) as
// soon as the key exists, before any value is written. True, with one step
// of the progress bar, when both values were written; false after "$0334"
// has been shown. A key made before a failure stays and stays recorded.
bool RegisterAppPath(HWND owner);

// Extracts the uninstaller (install entry `index`) into the destination
// folder and makes it known in the list of installed programs: the product's
// key below Uninstall (recorded as UNINSTKEY before any value is written)
// with "DisplayName" and "UninstallString" first, then what the list of
// installed programs and deployment tools read: the quiet uninstall command
// ("/S"), version, publisher, icon, folder, date, size, web address, and
// NoModify and NoRepair. False when the extraction failed (its message has
// been shown) or after "$0334".
bool InstallUninstaller(HWND owner, int index);

// Undoes this run's writing of the product key `name` below the key
// `parent` of HKEY_LOCAL_MACHINE, for the roll-back of a cancel: a key that
// the run created is deleted; a key that was there before gets back the
// values the run overwrote, and loses those it added. Failures are ignored.
void RestoreProductKey(const char *parent, const char *name);
