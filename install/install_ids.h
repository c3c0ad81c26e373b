// Resource ids of the installation engine.
#pragma once

// The progress window.
#define IDD_PROGRESS 131
#define IDC_PROGRESS_STATUS 301
#define IDC_PROGRESS_BAR 302
#define IDC_PROGRESS_CANCEL 303

// The question about files in use; the Dutch text of an id is the English
// id plus kDutchOwnTexts (state/state.h).
#define IDS_FILES_IN_USE 410
#define IDS_PROGRAM_UNKNOWN 411
