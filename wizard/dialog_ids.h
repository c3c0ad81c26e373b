// Resource ids of the wizard's message dialogs.
#pragma once

// The answers of a message dialog are its button ids.
#define IDC_ANSWER_6 6  // "Exit Setup" / "Continue"
#define IDC_ANSWER_7 7  // the default: "Resume", "Reset directory" or "Exit Setup"

#define IDD_CANCEL_CONFIRMATION 121
#define IDD_EARLIER_FOLDER 141
#define IDD_DOWNGRADE 151
#define IDD_INCOMPATIBLE_VERSION 161

// The question texts.
#define IDC_EARLIER_FOLDER_TEXT 401
#define IDC_DOWNGRADE_TEXT 402
#define IDC_CANCEL_TEXT 403
#define IDC_INCOMPATIBLE_TEXT 404

// The folder display of the Destination page, which "Reset directory" updates.
#define IDC_DESTINATION_FOLDER 232

// The static that shows the question icon (not -1, which message boxes use
// for their text), and the system's question icon it shows.
#define IDC_QUESTION_ICON 400
#define IDI_QUESTION_ICON 32514
