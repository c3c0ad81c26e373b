// The language object under Wine: the table chosen from the user's locale
// (LC_ALL of the run), the tables read from the resources, and the texts of a
// dialog and its controls.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "locale/vlocale.h"
#include "tests/locale/window_test.h"

namespace {

// The harness starts the test with LC_ALL set to the locale under test.
bool RunsInDutch()
{
    char value[64] = "";
    GetEnvironmentVariableA("LC_ALL", value, sizeof value);
    EXPECT_NE(value[0], '\0') << "LC_ALL is not set";
    return std::strncmp(value, "nl_NL", 5) == 0;
}

std::string TextOf(HWND window)
{
    char text[2048] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

INT_PTR CALLBACK TestDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

}  // namespace

TEST(LocaleWindows, user_locale_chooses_the_table)
{
    Vlocale locale("2.0.7", "C:\\Games\\Velmo");
    if (RunsInDutch()) {
        EXPECT_STREQ(locale.languageName, "Nederlands");
        EXPECT_STREQ(locale.Resolve("$0010"), "Velmo Installatie");
        EXPECT_STREQ(locale.Resolve("$0260"),
                     "De Velmo software is met succes ge\xEFnstalleerd op uw computer.");
        EXPECT_STREQ(locale.Resolve("$0312"), "Kopi\xEBren van %s...");
        EXPECT_NE(std::strstr(locale.Resolve("$0210"),
                              "van Velmo (versie 2.0.7) gevonden, in de map:\nC:\\Games\\Velmo\n"),
                  nullptr);
    } else {
        EXPECT_STREQ(locale.languageName, "");
        EXPECT_STREQ(locale.Resolve("$0010"), "Velmo Installation");
        EXPECT_STREQ(locale.Resolve("$0260"),
                     "The Velmo software is successfully installed on your computer.");
        EXPECT_STREQ(locale.Resolve("$0312"), "Copying %s...");
        EXPECT_NE(std::strstr(locale.Resolve("$0210"),
                              "of Velmo (version 2.0.7) currently installed in:\nC:\\Games\\Velmo\n"),
                  nullptr);
    }
    EXPECT_STREQ(locale.Resolve("$0042"), "?");
}

TEST(LocaleWindows, apply_to_window_translates_the_dialog_and_every_window_below_it)
{
    const bool dutch = RunsInDutch();
    Vlocale locale("", "");
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_LOCALE_TEST),
                                     nullptr, TestDialogProc, 0);
    ASSERT_NE(dialog, nullptr) << "error " << GetLastError();
    // A grandchild of the dialog, and a text longer than the scratch buffer.
    HWND nested = CreateWindowExA(0, "STATIC", "$0001", WS_CHILD, 5, 15, 50, 10,
                                  GetDlgItem(dialog, IDC_GROUP), nullptr, nullptr, nullptr);
    ASSERT_NE(nested, nullptr);
    const std::string longText(1500, 'L');
    HWND longStatic = CreateWindowExA(0, "STATIC", longText.c_str(), WS_CHILD, 10, 90, 100, 10,
                                      dialog, nullptr, nullptr, nullptr);
    ASSERT_NE(longStatic, nullptr);

    locale.ApplyToWindow(dialog);

    EXPECT_EQ(TextOf(dialog), dutch ? "Velmo Installatie" : "Velmo Installation");
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_RESUME)), dutch ? "Doorgaan" : "Resume");
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_GROUP)),
              dutch ? "Programmamap" : "Destination folder");
    EXPECT_EQ(TextOf(nested), dutch ? "Annuleren" : "Cancel");
    EXPECT_EQ(GetWindowTextLengthA(GetDlgItem(dialog, IDC_EMPTY)), 0);
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_LETTER)), "$abc");
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_MISSING)), "?");
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_PLAIN)), "Plain text");
    EXPECT_EQ(TextOf(longStatic), std::string(1022, 'L'));

    DestroyWindow(dialog);
}
