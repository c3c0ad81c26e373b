// Ids of the test dialog that the language object translates.
#pragma once

#define IDD_LOCALE_TEST 100
#define IDC_RESUME 1001
#define IDC_EMPTY 1002
#define IDC_LETTER 1003
#define IDC_MISSING 1004
#define IDC_PLAIN 1005
#define IDC_GROUP 1006
