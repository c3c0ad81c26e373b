// The setup wizard: a Wizard97 property sheet with one page procedure for
// all its pages.
#pragma once

#include <windows.h>

// Runs the wizard over `owner` (the anchor window). Returns true only when
// the user pressed Finish; false after a confirmed Cancel, a quit message
// ("Exit Setup" in a warning) or when the sheet could not be shown. The
// choices are in the setup state afterwards.
bool RunWizard(HWND owner);

// The dialog procedure of every page; a page finds its rules by the dialog id
// that it keeps in its window user data.
INT_PTR CALLBACK WizardPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Sets the read-me row of the setup state: the read-me entry for the user's
// language, or -1 when the product has none for it.
void ChooseReadMeRow();
