// The setup state: one global record of what the run found and what the
// user chose, shared by start-up, detection, wizard and installation; and
// the texts of the user's language, which all of them show.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <cstdint>

#include "state/outcome.h"

class Vlocale;

// Every field starts as zero, so that the one record takes no room in the
// program file; SetStateDefaults gives the fields that start otherwise
// their first values.
struct SetupState {
    // Start-up
    HINSTANCE instance = nullptr;
    bool fullDiskTest = false;        // "/DISKFULL"
    int32_t forcedOldVersion = 0;     // "/OLDVERSION n"; 0 = none
    QuietMode quiet = QuietMode::None; // "/SILENT", "/VERYSILENT"
    HFONT titleFont = nullptr;
    HWND anchor = nullptr;            // hidden owner of every window
    IMalloc *shellMalloc = nullptr;   // not owned: the start-up holds it
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

    // Wizard choices; SetStateDefaults sets the first three from the setup
    // configuration. The read-me's row in the install table is -1 while the
    // user's language has none (SetStateDefaults starts it there).
    bool desktopIcon = false;
    bool readMe = false;
    bool launch = false;
    int readMeRow = 0;

    // Installation
    bool cancelled = false;           // set by the progress window's Cancel
};

extern SetupState g_state;

// Sets the defaults of the setup configuration: the destination folder, the
// program group and the initial desktop-icon, read-me and launch choices;
// no read-me row yet.
void SetStateDefaults();

// The text of a text reference ("$0330") in the user's language; any other
// string, and every string before the language object exists, as it stands.
const char *ResolveText(const char *text);

// A text of the program's own string table (state/own_texts.h) in the
// language of the language tables: the Dutch one when the Dutch table is
// loaded. "" when there is none. The text stays valid until the call after
// the next.
const char *OwnText(int englishId);
