// Starting the setup and walking its wizard.
#include "setup_run.h"

#include <commctrl.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "ids.h"
#include "product/manifest.h"

namespace e2e {

namespace {

// How long the setup may take to show its first window.
constexpr DWORD kFirstWindowWait = 60000;

bool HasLicencePage()
{
    for (const ManifestEntry &entry : kInstallTable) {
        if (entry.flags & ENTRY_LICENSE)
            return true;
    }
    return false;
}

// A page is known by a control that only it has.
struct PageMark {
    int page;
    int control;
};
const PageMark kPageMarks[] = {
    {ids::kWelcomePage, ids::kWelcomeText},        {ids::kLicencePage, ids::kLicenceText},
    {ids::kDestinationPage, ids::kDestinationFolder}, {ids::kGroupPage, ids::kGroupEdit},
    {ids::kDesktopPage, ids::kDesktopCheck},        {ids::kReadyPage, ids::kReadyLaunch},
};

std::string ActiveButtons(HWND sheet)
{
    std::string names;
    const std::pair<int, const char *> buttons[] = {
        {kBackButton, "Back"}, {kNextButton, "Next"}, {kFinishButton, "Finish"}};
    for (const auto &button : buttons) {
        if (ButtonActive(sheet, button.first))
            names += names.empty() ? button.second : std::string(" ") + button.second;
    }
    return names;
}

// The setup's text in a buffer of its own process, for messages that carry
// a pointer (BFFM_SETSELECTIONA).
class RemoteText {
public:
    RemoteText(DWORD pid, const std::string &text)
    {
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
        if (!process_)
            return;
        address_ = VirtualAllocEx(process_, nullptr, text.size() + 1, MEM_COMMIT | MEM_RESERVE,
                                  PAGE_READWRITE);
        if (address_ && !WriteProcessMemory(process_, address_, text.c_str(), text.size() + 1,
                                            nullptr))
            address_ = nullptr;
    }
    ~RemoteText()
    {
        if (address_)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_)
            CloseHandle(process_);
    }
    void *Address() const { return address_; }

private:
    HANDLE process_ = nullptr;
    void *address_ = nullptr;
};

HWND FindChildOfClass(HWND window, const char *className)
{
    return FindWindowExA(window, nullptr, className, nullptr);
}

}  // namespace

HWND StartWizard(driver::SetupProcess &setup, const std::string &arguments)
{
    if (!setup.Start(arguments)) {
        ADD_FAILURE() << "cannot start " << driver::Env("VELMO_SETUP");
        return nullptr;
    }
    HWND sheet = driver::WaitForDialog(
        setup.Id(),
        [](HWND dialog) {
            HWND page = driver::CurrentPage(dialog);
            return page && PageId(page) == ids::kWelcomePage;
        },
        kFirstWindowWait);
    if (!sheet)
        ADD_FAILURE() << "the wizard did not open on its Welcome page";
    return sheet;
}

int PageId(HWND page)
{
    for (const PageMark &mark : kPageMarks) {
        if (GetDlgItem(page, mark.control))
            return mark.page;
    }
    return 0;
}

HWND WaitForPage(HWND sheet, int pageId, DWORD timeoutMs)
{
    HWND page = nullptr;
    if (driver::WaitUntil(
            [&] {
                page = driver::CurrentPage(sheet);
                return page && PageId(page) == pageId;
            },
            timeoutMs))
        return page;
    ADD_FAILURE() << "the wizard did not show page " << pageId << " (it shows "
                  << PageId(driver::CurrentPage(sheet)) << ")";
    return nullptr;
}

HWND Next(HWND sheet, int nextPageId)
{
    driver::PressWizardButton(sheet, PSBTN_NEXT);
    return WaitForPage(sheet, nextPageId);
}

bool ButtonActive(HWND sheet, int button)
{
    HWND control = GetDlgItem(sheet, button);
    return control && IsWindowVisible(control) && IsWindowEnabled(control);
}

bool WaitForButtons(HWND sheet, const std::string &active)
{
    if (driver::WaitUntil([&] { return ActiveButtons(sheet) == active; }, 10000))
        return true;
    ADD_FAILURE() << "wizard buttons: expected \"" << active << "\", shown \""
                  << ActiveButtons(sheet) << "\"";
    return false;
}

bool IsChecked(HWND page, int control)
{
    DWORD_PTR state = 0;
    HWND button = GetDlgItem(page, control);
    return button &&
           SendMessageTimeoutA(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state) &&
           state == BST_CHECKED;
}

bool SetCheck(HWND page, int control, bool checked)
{
    if (IsChecked(page, control) == checked)
        return true;
    driver::Click(page, control);
    if (driver::WaitUntil([&] { return IsChecked(page, control) == checked; }, 10000))
        return true;
    ADD_FAILURE() << "control " << control << " did not change its check";
    return false;
}

bool TypeText(HWND page, int control, const std::string &text)
{
    HWND edit = GetDlgItem(page, control);
    DWORD_PTR result = 0;
    bool ok = edit && SendMessageTimeoutA(edit, WM_SETTEXT, 0,
                                          reinterpret_cast<LPARAM>(text.c_str()),
                                          SMTO_ABORTIFHUNG, 5000, &result);
    if (!ok)
        ADD_FAILURE() << "cannot type into control " << control;
    return ok;
}

bool PickFolder(driver::SetupProcess &setup, HWND page, int browseButton,
                const std::string &folder)
{
    driver::Click(page, browseButton);
    HWND browser = driver::WaitForDialog(setup.Id(), [](HWND dialog) {
        return FindChildOfClass(dialog, "SysTreeView32") != nullptr;
    });
    if (!browser) {
        ADD_FAILURE() << "Browse opened no folder browser";
        return false;
    }
    RemoteText path(setup.Id(), folder);
    DWORD_PTR result = 0;
    if (!path.Address() ||
        !SendMessageTimeoutA(browser, BFFM_SETSELECTIONA, TRUE,
                             reinterpret_cast<LPARAM>(path.Address()), SMTO_ABORTIFHUNG, 5000,
                             &result)) {
        ADD_FAILURE() << "cannot select " << folder << " in the folder browser";
        return false;
    }
    driver::Click(browser, IDOK);
    if (!driver::WaitUntil([browser] { return !IsWindow(browser); }, 10000)) {
        ADD_FAILURE() << "the folder browser stayed open";
        return false;
    }
    return true;
}

HWND StartInstallation(driver::SetupProcess &setup, const Choices &choices)
{
    HWND sheet = StartWizard(setup, choices.arguments);
    if (!sheet)
        return nullptr;

    HWND page = nullptr;
    if (HasLicencePage()) {
        if (!(page = Next(sheet, ids::kLicencePage)))
            return nullptr;
        SetCheck(page, ids::kLicenceAccept, true);
        if (!WaitForButtons(sheet, "Back Next"))
            return nullptr;
    }
    if (!(page = Next(sheet, ids::kDestinationPage)))
        return nullptr;
    if (choices.browseDestination &&
        !PickFolder(setup, page, ids::kDestinationBrowse, *choices.browseDestination))
        return nullptr;

    // Leaving the Destination page may ask about the disk space: go on.
    driver::PressWizardButton(sheet, PSBTN_NEXT);
    HWND group = nullptr;
    driver::WaitUntil(
        [&] {
            HWND current = driver::CurrentPage(sheet);
            if (current && PageId(current) == ids::kGroupPage) {
                group = current;
                return true;
            }
            if (HWND question = driver::WaitForMessageBox(setup.Id(), "", 0))
                driver::Click(question, IDYES);
            return false;
        },
        driver::kDefaultWait);
    if (!group) {
        ADD_FAILURE() << "the wizard did not go on to the Program group page";
        return nullptr;
    }
    if (choices.group && !TypeText(group, ids::kGroupEdit, *choices.group))
        return nullptr;

    if (!(page = Next(sheet, ids::kDesktopPage)))
        return nullptr;
    if (choices.desktopIcon)
        SetCheck(page, ids::kDesktopCheck, *choices.desktopIcon);

    if (!(page = Next(sheet, ids::kReadyPage)))
        return nullptr;
    if (choices.readMe)
        SetCheck(page, ids::kReadyReadMe, *choices.readMe);
    if (choices.launch)
        SetCheck(page, ids::kReadyLaunch, *choices.launch);
    if (choices.beforeFinish)
        choices.beforeFinish();
    driver::PressWizardButton(sheet, PSBTN_FINISH);

    HWND progress = driver::WaitForDialogWithControl(setup.Id(), ids::kProgressBar);
    if (!progress)
        ADD_FAILURE() << "the installation did not begin: no progress window";
    return progress;
}

}  // namespace e2e
