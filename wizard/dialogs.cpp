// The message dialogs and their wrappers.
#include "wizard/dialogs.h"

#include "base/text.h"
#include "locale/vlocale.h"
#include "state/state.h"
#include "wizard/dialog_ids.h"

namespace {

INT_PTR RunMessageDialog(int templateId, HWND owner)
{
    return DialogBoxParamA(g_state.instance, MAKEINTRESOURCEA(templateId), owner,
                           MessageDialogProc, 0);
}

// Shared by the two warnings that can end the setup from the Welcome page.
bool AskToContinueOrExit(int templateId, HWND page)
{
    INT_PTR answer = RunMessageDialog(templateId, page);
    if (answer == IDC_ANSWER_7)
        PostQuitMessage(0);
    return answer == IDC_ANSWER_6;
}

}  // namespace

INT_PTR CALLBACK MessageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        if (g_state.locale)
            g_state.locale->ApplyToWindow(dialog);
        return TRUE;
    case WM_COMMAND:
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}

bool AskCancel(HWND owner)
{
    return RunMessageDialog(IDD_CANCEL_CONFIRMATION, owner) == IDC_ANSWER_6;
}

bool AskEarlierFolder(HWND page)
{
    INT_PTR answer = RunMessageDialog(IDD_EARLIER_FOLDER, page);
    if (answer == IDC_ANSWER_7) {
        // Both fields have the same size: the folder always fits whole.
        CopyText(g_state.destination, sizeof g_state.destination, g_state.installedFolder);
        SetDlgItemTextA(page, IDC_DESTINATION_FOLDER, g_state.destination);
    }
    return answer == IDC_ANSWER_6;
}

bool AskDowngrade(HWND page)
{
    return AskToContinueOrExit(IDD_DOWNGRADE, page);
}

bool AskIncompatibleVersion(HWND page)
{
    return AskToContinueOrExit(IDD_INCOMPATIBLE_VERSION, page);
}

FARPROC CommonControl(const char *name)
{
    // Loaded once; later loads only count the library's users up.
    HMODULE library = LoadLibraryA("comctl32.dll");
    return library ? GetProcAddress(library, name) : nullptr;
}
