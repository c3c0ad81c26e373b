// The modal message dialogs: the Cancel confirmation and the warnings of
// the wizard, all run over one shared dialog procedure.
#pragma once

#include <windows.h>

// The shared procedure: translates the dialog's texts when it opens and
// ends it with the id of whatever control sends a command. Escape and the
// close box therefore end it with IDCANCEL (2).
INT_PTR CALLBACK MessageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Cancel confirmation (dialog 121) over `owner`: true exactly when the user
// chose "Exit Setup".
bool AskCancel(HWND owner);
// Earlier-folder warning (dialog 141) over the Destination page. "Reset
// directory" puts the installed folder back as the destination and shows it
// on the page. True exactly when the user chose "Continue".
bool AskEarlierFolder(HWND page);
// Downgrade warning (dialog 151) over the Welcome page. "Exit Setup" posts
// the quit message. True exactly when the user chose "Continue".
bool AskDowngrade(HWND page);
// Incompatible-version warning (dialog 161), as AskDowngrade.
bool AskIncompatibleVersion(HWND page);

// A function of the common controls library, which is loaded the first
// time a window needs it rather than when the program starts: its start-up
// prepares the window system for drawing, a good part of a very silent
// run's time, which draws nothing. Null when the library or the function
// is missing.
FARPROC CommonControl(const char *name);
