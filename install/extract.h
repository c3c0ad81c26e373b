// File extraction: one payload entry inflated into a file under a folder,
// and the creation of the folders on its way.
#pragma once

#include <windows.h>

// Writes install entry `index` to folder + "\" + its name, creating missing
// folders, with the name on the status line and the bar advancing per
// chunk. With `record` the folder and the file are added to the uninstall
// record before the first byte is written, so a partly written file is
// covered by the roll-back. True when the file was written completely or
// the user cancelled during it; false after an error that has been shown
// ("$0333" the file cannot be created, "$0332" the payload is missing or
// corrupt, "$0331" the disk refused bytes). What was written stays. The
// uninstaller made ahead of the files is written over in place.
bool ExtractEntry(HWND owner, const char *folder, int index, bool record);

// Creates every missing folder of the folder part of `path` (everything
// before its last "\"), parents first. With an element name each of these
// folders is added to the uninstall record under it, parents first, whether
// its creation succeeded or not; when a folder cannot be created although
// it exists or is refused, every folder up to the start of the path is
// recorded. `path` is cut while the routine runs and is whole again after.
void CreateFolderPath(const char *element, char *path);
