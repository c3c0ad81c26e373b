// The resource ids of the setup's windows that the scenarios drive: the
// wizard pages, the message dialogs and the progress window. Written down
// here on their own, not taken from the program's headers, so that a wrong
// id in the program fails a scenario.
#pragma once

namespace ids {

// Wizard pages (dialog templates) and their controls.
constexpr int kWelcomePage = 101;
constexpr int kWelcomeTitle = 210;
constexpr int kWelcomeText = 211;

constexpr int kLicencePage = 102;
constexpr int kLicenceText = 222;
constexpr int kLicenceAccept = 223;
constexpr int kLicenceDecline = 224;

constexpr int kDestinationPage = 104;
constexpr int kDestinationTitle = 230;
constexpr int kDestinationText = 231;
constexpr int kDestinationFolder = 232;  // the owner-drawn folder display
constexpr int kDestinationBrowse = 233;

constexpr int kGroupPage = 105;
constexpr int kGroupTitle = 240;
constexpr int kGroupEdit = 242;
constexpr int kGroupBrowse = 243;

constexpr int kDesktopPage = 106;
constexpr int kDesktopTitle = 250;
constexpr int kDesktopText = 251;
constexpr int kDesktopCheck = 252;

constexpr int kReadyPage = 107;
constexpr int kReadyTitle = 290;
constexpr int kReadyReadMe = 292;
constexpr int kReadyLaunch = 293;

// Message dialogs: their text controls and the two answers.
constexpr int kCancelDialog = 121;
constexpr int kEarlierFolderDialog = 141;
constexpr int kDowngradeDialog = 151;
constexpr int kIncompatibleDialog = 161;
constexpr int kEarlierFolderText = 401;
constexpr int kDowngradeText = 402;
constexpr int kCancelText = 403;
constexpr int kIncompatibleText = 404;
constexpr int kAnswer6 = 6;  // "Exit Setup" (Cancel confirmation), "Continue" (warnings)
constexpr int kAnswer7 = 7;  // the default: "Resume", "Reset directory", "Exit Setup"

// The progress window.
constexpr int kProgressDialog = 131;
constexpr int kProgressStatus = 301;
constexpr int kProgressBar = 302;
constexpr int kProgressCancel = 303;

// The uninstaller's progress window.
constexpr int kRemovalStatus = 1002;
constexpr int kRemovalBar = 1003;

}  // namespace ids
