// The one way the scenarios start the setup: start it and walk the wizard
// with the user's choices up to the installation; and the pieces of that walk
// for the scenarios of the wizard itself. Everything goes through window
// messages: PSM_PRESSBUTTON, PSM_GETCURRENTPAGEHWND, BM_CLICK, WM_SETTEXT.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "driver.h"

namespace e2e {

// What the user chooses on the way to the installation. Unset choices leave
// the setup's own proposals alone.
struct Choices {
    std::string arguments;                    // command line ("/DISKFULL")
    // The folder picked with Browse on the Destination page, as the names
    // the user opens in the browser's tree below "My Computer" ({"C:",
    // "Games"}); the setup appends its product folder to it.
    std::optional<std::vector<std::string>> browseDestination;
    std::optional<std::string> group;         // typed over the program group
    std::optional<bool> desktopIcon;
    std::optional<bool> readMe;               // only where the box is shown
    std::optional<bool> launch;
    // Called right before Finish is pressed (the benchmark's clock starts).
    std::function<void()> beforeFinish;
    // Answer "Continue" to the warnings about an earlier installation on
    // leaving the Welcome and Destination pages; without it such a warning
    // fails the walk.
    bool continueWarnings = false;
    // Leaving the Destination page must ask the disk-space question, which
    // is answered with Yes; without it the question fails the walk, and so
    // does any other message box on the way.
    bool diskSpaceQuestion = false;
    // Wait for the progress window after Finish; without it the walk ends
    // with the press on Finish (a question may come first).
    bool waitForProgress = true;
};

// The disk-space question in the user's language.
std::string DiskSpaceQuestion();

// Starts the setup with `choices.arguments`, walks the wizard with the
// choices (accepting the licence, the disk-space question and the warnings
// as `diskSpaceQuestion` and `continueWarnings` say) and presses Finish.
// Returns the progress window (the sheet without `waitForProgress`);
// nullptr, with the test failed, when the setup did not get there in time.
HWND StartInstallation(driver::SetupProcess &setup, const Choices &choices = Choices());

// The buttons of the wizard sheet (the common controls' own ids).
constexpr int kBackButton = 0x3023;
constexpr int kNextButton = 0x3024;
constexpr int kFinishButton = 0x3025;
constexpr int kCancelButton = IDCANCEL;

// Starts the setup and waits for its wizard; nullptr (test failed) on
// timeout.
HWND StartWizard(driver::SetupProcess &setup, const std::string &arguments = "");
// The dialog id of a page (101 ... 107) from the controls it holds; 0 for
// none.
int PageId(HWND page);
// Waits until the sheet shows the page `pageId`; returns it, or nullptr
// (test failed) on timeout.
HWND WaitForPage(HWND sheet, int pageId, DWORD timeoutMs = driver::kDefaultWait);
// Presses Next and waits for the page `nextPageId`.
HWND Next(HWND sheet, int nextPageId);
// Presses Next and waits for the page `nextPageId`, answering on the way
// what leaving a page may ask: a warning about an earlier installation
// ("Continue" when `choices.continueWarnings`) and the disk-space question
// (Yes when `choices.diskSpaceQuestion`). Anything else, a message box of
// another text included, fails the walk. `*asked` tells whether the
// disk-space question came. nullptr (test failed) when the page did not
// come.
HWND NextAnswering(driver::SetupProcess &setup, HWND sheet, int nextPageId,
                   const Choices &choices = Choices(), bool *asked = nullptr);
// The warning about an earlier installation (downgrade, incompatible
// version, earlier folder) that the setup shows now; nullptr for none.
HWND EarlierInstallationWarning(DWORD pid);
// The text of such a warning.
std::string WarningText(HWND warning);
// True when the sheet's button is shown and enabled.
bool ButtonActive(HWND sheet, int button);
// Waits until the sheet's buttons are `active` (a set of the ids above
// given as a string such as "Back Next") and the others are not; false on
// timeout with the difference in the test output.
bool WaitForButtons(HWND sheet, const std::string &active);
// Clicks a check box or radio button until it is in the state `checked`.
bool SetCheck(HWND page, int control, bool checked);
bool IsChecked(HWND page, int control);
// Replaces the text of an edit control as typing would.
bool TypeText(HWND page, int control, const std::string &text);
// Clicks `browseButton` on `page`, opens the browser's tree from its root
// down through the given names (a drive by its letter, "C:"), selects the
// last one (the root itself for none) and presses OK. False (test failed)
// when the browser did not open, show a name or close in time.
bool PickFolder(driver::SetupProcess &setup, HWND page, int browseButton,
                const std::vector<std::string> &items);

}  // namespace e2e
