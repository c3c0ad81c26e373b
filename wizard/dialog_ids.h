// Resource ids of the wizard: its pages, their controls and the message
// dialogs. The page templates carry the dialog ids of wizard/decisions.h.
#pragma once

// Welcome page (101).
#define IDC_WELCOME_TITLE 210
#define IDC_WELCOME_TEXT 211
// Licence page (102).
#define IDC_LICENCE_TEXT 222
#define IDC_LICENCE_ACCEPT 223
#define IDC_LICENCE_DECLINE 224
// Destination page (104); the folder display is IDC_DESTINATION_FOLDER below.
#define IDC_DESTINATION_TITLE 230
#define IDC_DESTINATION_TEXT 231
#define IDC_DESTINATION_BROWSE 233
// Program group page (105).
#define IDC_GROUP_TITLE 240
#define IDC_GROUP_EDIT 242
#define IDC_GROUP_BROWSE 243
// Desktop icon page (106).
#define IDC_DESKTOP_TITLE 250
#define IDC_DESKTOP_TEXT 251
#define IDC_DESKTOP_CHECK 252
// Ready page (107).
#define IDC_READY_TITLE 290
#define IDC_READY_README 292
#define IDC_READY_LAUNCH 293

// The pages' dialog templates.
#define IDD_WELCOME 101
#define IDD_LICENCE 102
#define IDD_DESTINATION 104
#define IDD_PROGRAM_GROUP 105
#define IDD_DESKTOP_ICON 106
#define IDD_READY 107

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
