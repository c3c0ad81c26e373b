// The wizard: the property sheet, its page table and the one page procedure.
#include "wizard/wizard.h"

#include <commctrl.h>
#include <prsht.h>

#include "base/runlog.h"
#include "locale/vlocale.h"
#include "product/config.h"
#include "product/queries.h"
#include "state/state.h"
#include "wizard/decisions.h"
#include "wizard/dialog_ids.h"
#include "wizard/dialogs.h"
#include "wizard/folders.h"
#include "wizard/licence.h"

namespace {

// Wizard97 in the value that every version of the common controls knows,
// with the watermark given as a bitmap handle.
constexpr DWORD kSheetFlags = 0x2000 | PSH_WATERMARK | PSH_USEHBMWATERMARK;
constexpr int kWatermarkBitmap = 502;

void SetTitleFont(HWND page, int control)
{
    SendDlgItemMessageA(page, control, WM_SETFONT, reinterpret_cast<WPARAM>(g_state.titleFont),
                        FALSE);
}

bool IsChecked(HWND page, int control)
{
    return IsDlgButtonChecked(page, control) == BST_CHECKED;
}

void Check(HWND page, int control, bool on)
{
    CheckDlgButton(page, control, on ? BST_CHECKED : BST_UNCHECKED);
}

// Posted to the sheet, so that the change follows the current notification.
void PostButtons(HWND sheet, uint32_t buttons)
{
    PostMessageA(sheet, PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(buttons));
}

// The sheet's title, "$0010". The text lives as long as the language object,
// so it may travel in a posted message.
void PostTitle(HWND sheet)
{
    PostMessageA(sheet, PSM_SETTITLEA, 0, reinterpret_cast<LPARAM>(ResolveText("$0010")));
}

// The Ready page's two choices as its check boxes show them; no read-me is
// chosen when the language has none.
void ReadReadyChoices(HWND page)
{
    g_state.readMe = g_state.readMeRow != -1 && IsChecked(page, IDC_READY_README);
    g_state.launch = IsChecked(page, IDC_READY_LAUNCH);
}

// Page creation: after the texts and the title font.
void CreateWelcome(HWND page)
{
    SendMessageA(GetParent(page), PSM_SETTITLEA, 0,
                 reinterpret_cast<LPARAM>(ResolveText("$0010")));
}

void CreateLicence(HWND page)
{
    FillLicenceText(GetDlgItem(page, IDC_LICENCE_TEXT));
}

void CreateDestination(HWND page)
{
    SetDlgItemTextA(page, IDC_DESTINATION_FOLDER, g_state.destination);
}

void CreateProgramGroup(HWND page)
{
    SetDlgItemTextA(page, IDC_GROUP_EDIT, g_state.programGroup);
}

void CreateDesktopIcon(HWND page)
{
    Check(page, IDC_DESKTOP_CHECK, g_state.desktopIcon);
}

void CreateReady(HWND page)
{
    ChooseReadMeRow();
    if (g_state.readMeRow == -1) {
        ShowWindow(GetDlgItem(page, IDC_READY_README), SW_HIDE);
        g_state.readMe = false;
    } else {
        Check(page, IDC_READY_README, g_state.readMe);
    }
    Check(page, IDC_READY_LAUNCH, g_state.launch);
}

// Writes a warning that the user answered, and the answer, to the run's
// log; returns the answer (true: go on).
bool LogAnswer(bool goOn, const char *warning)
{
    RunLog("Warning: %s", ResolveText(warning));
    RunLog("Answer: %s", goOn ? "continue" : "do not continue");
    return goOn;
}

// Leaving a page: true keeps the user on it.
bool LeaveWelcome(HWND page)
{
    InstalledProduct installed;
    installed.newerInstalled = g_state.newerInstalled;
    installed.earlierInstalled = g_state.earlierInstalled;
    installed.versionMs = g_state.installedVersionMs;
    installed.incompatibleLimit = kSetupConfig.incompatibleVersionLimit;
    switch (WarningOnLeavingWelcome(installed)) {
    case WelcomeWarning::Downgrade:
        return !LogAnswer(AskDowngrade(page), "$0220");
    case WelcomeWarning::Incompatible:
        return !LogAnswer(AskIncompatibleVersion(page), "$0230");
    default:
        return false;
    }
}

bool LeaveDestination(HWND page)
{
    if (NeedsEarlierFolderWarning(g_state.earlierInstalled, g_state.destination,
                                  g_state.installedFolder) &&
        !LogAnswer(AskEarlierFolder(page), "$0210"))
        return true;
    if (HasEnoughFreeSpace(g_state.destination, g_state.requiredSpace))
        return false;
    return !LogAnswer(MessageBoxA(page, ResolveText("$0250"), ResolveText("$0010"),
                                  MB_ICONQUESTION | MB_YESNO) == IDYES,
                      "$0250");
}

bool LeaveProgramGroup(HWND page)
{
    GetDlgItemTextA(page, IDC_GROUP_EDIT, g_state.programGroup, sizeof g_state.programGroup);
    return false;
}

bool LeaveDesktopIcon(HWND page)
{
    g_state.desktopIcon = IsChecked(page, IDC_DESKTOP_CHECK);
    return false;
}

bool LeaveReady(HWND page)
{
    ReadReadyChoices(page);
    return false;
}

bool LeaveFreely(HWND)
{
    return false;
}

struct PageRules {
    int id;
    int titleControl;  // 0: the page has no title line
    void (*create)(HWND page);
    bool (*leave)(HWND page);
};

const PageRules kPages[] = {
    {PAGE_WELCOME, IDC_WELCOME_TITLE, CreateWelcome, LeaveWelcome},
    {PAGE_LICENCE, 0, CreateLicence, LeaveFreely},
    {PAGE_DESTINATION, IDC_DESTINATION_TITLE, CreateDestination, LeaveDestination},
    {PAGE_PROGRAM_GROUP, IDC_GROUP_TITLE, CreateProgramGroup, LeaveProgramGroup},
    {PAGE_DESKTOP_ICON, IDC_DESKTOP_TITLE, CreateDesktopIcon, LeaveDesktopIcon},
    {PAGE_READY, IDC_READY_TITLE, CreateReady, LeaveReady},
};

const PageRules *RulesOf(int id)
{
    for (const PageRules &rules : kPages) {
        if (rules.id == id)
            return &rules;
    }
    return nullptr;
}

int PageIdOf(HWND page)
{
    return static_cast<int>(GetWindowLongPtrA(page, GWLP_USERDATA));
}

// A notification's answer goes through the page's message result.
INT_PTR Answer(HWND page, LONG_PTR result)
{
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR OnInitDialog(HWND page, const PROPSHEETPAGEA *sheetPage)
{
    int id = static_cast<int>(sheetPage->lParam);
    SetWindowLongPtrA(page, GWLP_USERDATA, id);
    if (g_state.locale)
        g_state.locale->ApplyToWindow(page);
    const PageRules *rules = RulesOf(id);
    if (rules) {
        if (rules->titleControl)
            SetTitleFont(page, rules->titleControl);
        rules->create(page);
    }
    return TRUE;
}

INT_PTR OnNotify(HWND page, const NMHDR *header)
{
    int id = PageIdOf(page);
    switch (header->code) {
    case PSN_SETACTIVE:
        PostButtons(header->hwndFrom, PageButtons(id, IsChecked(page, IDC_LICENCE_ACCEPT)));
        // A sheet may put the caption of the page it shows (these have none)
        // into its title after this notification; the title stays "$0010".
        PostTitle(header->hwndFrom);
        return Answer(page, 0);
    case PSN_KILLACTIVE: {
        const PageRules *rules = RulesOf(id);
        return Answer(page, rules && rules->leave(page) ? TRUE : FALSE);
    }
    case PSN_QUERYCANCEL:
        // Only "Exit Setup" lets the cancel through.
        return Answer(page, AskCancel(header->hwndFrom) ? FALSE : TRUE);
    default:
        return FALSE;
    }
}

INT_PTR OnCommand(HWND page, int control)
{
    switch (control) {
    case IDC_LICENCE_ACCEPT:
    case IDC_LICENCE_DECLINE:
        PostButtons(GetParent(page), IsChecked(page, IDC_LICENCE_ACCEPT)
                                         ? BUTTON_BACK | BUTTON_NEXT
                                         : BUTTON_BACK);
        return TRUE;
    case IDC_DESTINATION_BROWSE:
        BrowseDestination(GetDlgItem(page, IDC_DESTINATION_FOLDER));
        return TRUE;
    case IDC_GROUP_BROWSE:
        BrowseProgramGroup(GetDlgItem(page, IDC_GROUP_EDIT));
        return TRUE;
    case IDC_READY_README:
    case IDC_READY_LAUNCH:
        ReadReadyChoices(page);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

void ChooseReadMeRow()
{
    g_state.readMeRow = ChooseLanguageEntry(kInstallTable, kInstallCount, ENTRY_README,
                                            g_state.locale ? g_state.locale->languageName : "");
}

INT_PTR CALLBACK WizardPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page, reinterpret_cast<const PROPSHEETPAGEA *>(lParam));
    case WM_NOTIFY:
        return OnNotify(page, reinterpret_cast<const NMHDR *>(lParam));
    case WM_COMMAND:
        return OnCommand(page, LOWORD(wParam));
    case WM_DRAWITEM:
        if (wParam != IDC_DESTINATION_FOLDER)
            return FALSE;
        DrawFolderDisplay(reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
        return TRUE;
    default:
        return FALSE;
    }
}

bool RunWizard(HWND owner)
{
    auto createPage = reinterpret_cast<HPROPSHEETPAGE(WINAPI *)(LPCPROPSHEETPAGEA)>(
        reinterpret_cast<void *>(CommonControl("CreatePropertySheetPageA")));
    auto propertySheet = reinterpret_cast<INT_PTR(WINAPI *)(LPCPROPSHEETHEADERA)>(
        reinterpret_cast<void *>(CommonControl("PropertySheetA")));
    // Windows has had the library since Windows 95.
    if (!createPage || !propertySheet)
        return false;
    int ids[kMaxPages];
    int count = ListPages(HasEntryWithFlag(kInstallTable, kInstallCount, ENTRY_LICENSE), ids);
    HPROPSHEETPAGE pages[kMaxPages];
    for (int i = 0; i < count; i++) {
        PROPSHEETPAGEA page = {};
        page.dwSize = PROPSHEETPAGEA_V2_SIZE;  // with header title and subtitle
        page.dwFlags = 0;
        page.hInstance = g_state.instance;
        page.pszTemplate = MAKEINTRESOURCEA(ids[i]);
        page.pfnDlgProc = WizardPageProc;
        page.lParam = ids[i];
        pages[i] = createPage(&page);
    }

    HBITMAP watermark = LoadBitmapA(g_state.instance, MAKEINTRESOURCEA(kWatermarkBitmap));
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = kSheetFlags;
    header.hwndParent = owner;
    header.hInstance = g_state.instance;
    header.nPages = static_cast<UINT>(count);
    header.nStartPage = 0;
    header.phpage = pages;
    header.hbmWatermark = watermark;
    INT_PTR result = propertySheet(&header);
    DeleteObject(watermark);
    return result > 0;
}
