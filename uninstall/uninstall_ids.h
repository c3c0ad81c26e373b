// Resource ids of the uninstaller: its progress window and its texts. The
// Dutch text of an id is the English id plus kDutchTexts.
#pragma once

#define IDD_UNINSTALL_PROGRESS 1001
#define IDC_UNINSTALL_STATUS 1002
#define IDC_UNINSTALL_BAR 1003

#define IDS_CAPTION 100
#define IDS_CONFIRM 101
#define IDS_NO_RECORD 102
#define IDS_BAD_RECORD 103
#define IDS_REMOVING 104
#define IDS_REGISTRY 105
#define IDS_DONE 106
#define IDS_PARTLY 107
#define IDS_LEFT_FILES 108
#define IDS_LEFT_FOLDERS 109
#define IDS_LEFT_KEYS 110
#define IDS_REFUSED 111
#define IDS_MORE 112
#define IDS_LEFT_LOCKED 113
#define IDS_LEFT_FOREIGN 114
#define IDS_LARGE_RECORD 115
#define IDS_NO_LOG 116
#define IDS_BUSY 117
// The last text id.
#define IDS_LAST IDS_BUSY

#define kDutchTexts 100
