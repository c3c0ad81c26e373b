// The operations behind the Destination and Program group pages: the folder
// browsers, the folder display and the free-space check.
#pragma once

#include <windows.h>

#include <cstdint>

// Lets the user choose the parent folder of the destination; the product
// folder is always appended. Updates the destination folder and the text of
// `display`. Nothing changes when the user cancels, the choice has no file
// path, or the result would not fit the destination.
void BrowseDestination(HWND display);
// Lets the user choose an existing program group below the Programs folder;
// the group becomes the path relative to it (empty for the Programs folder
// itself). Updates the program group and the text of `edit`.
void BrowseProgramGroup(HWND edit);
// The callback of both browsers: selects the folder that holds the current
// destination when the browser opens. Always 0.
int CALLBACK BrowseInitCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data);

// Paints the folder display: the destination folder of the setup state,
// shortened in the middle on screen when it does not fit.
void DrawFolderDisplay(const DRAWITEMSTRUCT *item);

// True when the volume of `folder` has more free bytes than `required` and
// the "/DISKFULL" test switch was not given. When the free space cannot be
// found out, there counts as enough.
bool HasEnoughFreeSpace(const char *folder, int32_t required);
