// The setup state: one global record of what the run found and what the
// user chose, shared by start-up, detection, wizard and installation.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <cstdint>

class Vlocale;

struct SetupState {
    // Start-up
    HINSTANCE instance = nullptr;
    bool fullDiskTest = false;        // "/DISKFULL"
    int32_t forcedOldVersion = 0;     // "/OLDVERSION n"; 0 = none
    HFONT titleFont = nullptr;
    HWND anchor = nullptr;            // hidden owner of every window
    IMalloc *shellMalloc = nullptr;
    Vlocale *locale = nullptr;        // the language object
    char destination[324] = "";
    char programGroup[260] = "";
    int32_t requiredSpace = 0;

    // Earlier installation
    uint32_t installedVersionMs = 0;
    uint32_t installedVersionLs = 0;
    char installedVersionText[64] = "";
    char installedFolder[324] = "";
    bool newerInstalled = false;
    bool earlierInstalled = false;

    // Wizard choices
    bool desktopIcon = true;
    bool readMe = true;
    bool launch = true;
    int readMeRow = -1;

    // Installation
    bool cancelled = false;           // set by the progress window's Cancel
};

extern SetupState g_state;
