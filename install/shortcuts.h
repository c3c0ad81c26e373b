// Shortcuts of the installed product: shell links in the program group and
// on the desktop.
#pragma once

#include <windows.h>

// Saves the shell link `caption` + ".lnk" in `linkFolder`. Its target is
// targetFolder + "\" + target, or `target` as it stands (a web address)
// when there is no target folder; its working folder is the target folder
// (none without one); its description is the caption; `arguments`, when
// given, are its arguments. The link file is recorded (FILE) once saved.
// True when the link file was saved. Needs COM initialised on the thread.
bool CreateShortcut(const char *linkFolder, const char *targetFolder, const char *target,
                    const char *arguments, const char *caption);

// Makes the link of install entry `index` in the program group folder below
// the user's Programs folder, creating the group folder and its parents as
// needed; the group folder is recorded (FOLDER) even when it existed. One
// step of the progress bar per link made or tried. False after "$0335".
bool CreateGroupShortcut(HWND owner, int index);

// Makes the program's link on the user's desktop, with one step of the
// progress bar. False after "$0335".
bool CreateDesktopShortcut(HWND owner);

// Names ahead in the record the links that the shortcut steps will make
// (the program group's and, if chosen, the desktop's) and the folders on
// their way that do not exist yet.
void NameShortcutsAhead();
