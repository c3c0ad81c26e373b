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

// A buffer in the setup's own process, for messages that carry a pointer
// (TVM_GETITEMA). Released with the object.
class RemoteBuffer {
public:
    RemoteBuffer(DWORD pid, size_t size) : size_(size)
    {
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                   PROCESS_QUERY_INFORMATION,
                               FALSE, pid);
        if (process_)
            address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE,
                                      PAGE_READWRITE);
    }
    ~RemoteBuffer()
    {
        if (address_)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_)
            CloseHandle(process_);
    }
    bool Write(size_t offset, const void *data, size_t size)
    {
        return address_ && offset + size <= size_ &&
               WriteProcessMemory(process_, static_cast<char *>(address_) + offset, data, size,
                                  nullptr);
    }
    bool Read(size_t offset, void *data, size_t size) const
    {
        return address_ && offset + size <= size_ &&
               ReadProcessMemory(process_, static_cast<char *>(address_) + offset, data, size,
                                 nullptr);
    }
    // The address as the setup sees it.
    uint64_t At(size_t offset) const
    {
        return reinterpret_cast<uint64_t>(address_) + offset;
    }
    // True when the setup is a 32-bit program on a 64-bit system.
    bool Is32Bit() const
    {
        BOOL wow64 = FALSE;
        IsWow64Process(process_, &wow64);
        return wow64 || sizeof(void *) == 4;
    }

private:
    HANDLE process_ = nullptr;
    void *address_ = nullptr;
    size_t size_;
};

// TVITEMA as a program of the given pointer size lays it out.
template <class Pointer>
struct TreeItem {
    UINT mask;
    Pointer item;
    UINT state;
    UINT stateMask;
    Pointer text;
    int textMax;
    int image;
    int selectedImage;
    int children;
    Pointer param;
};

template <class Pointer>
std::string ReadItemTextAs(HWND tree, LRESULT item, RemoteBuffer &buffer)
{
    constexpr size_t kTextAt = 256;
    TreeItem<Pointer> request = {};
    request.mask = TVIF_TEXT;
    request.item = static_cast<Pointer>(item);
    request.text = static_cast<Pointer>(buffer.At(kTextAt));
    request.textMax = 256;
    DWORD_PTR ok = 0;
    char text[256] = "";
    if (!buffer.Write(0, &request, sizeof request) ||
        !SendMessageTimeoutA(tree, TVM_GETITEMA, 0, static_cast<LPARAM>(buffer.At(0)),
                             SMTO_ABORTIFHUNG, 5000, &ok) ||
        !ok || !buffer.Read(kTextAt, text, sizeof text - 1))
        return "";
    return text;
}

// The text of a tree item of the setup's tree view.
std::string ItemText(HWND tree, LRESULT item, RemoteBuffer &buffer)
{
    return buffer.Is32Bit() ? ReadItemTextAs<uint32_t>(tree, item, buffer)
                            : ReadItemTextAs<uint64_t>(tree, item, buffer);
}

LRESULT TreeMessage(HWND tree, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(tree, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &result))
        return 0;
    return static_cast<LRESULT>(result);
}

// A drive shows as "Label (C:)"; a folder by its name.
bool ItemMatches(const std::string &text, const std::string &name)
{
    return text == name || text.find("(" + name + ")") != std::string::npos;
}

HWND FindChildOfClass(HWND window, const char *className)
{
    return FindWindowExA(window, nullptr, className, nullptr);
}

const int kWarningTexts[] = {ids::kEarlierFolderText, ids::kDowngradeText,
                             ids::kIncompatibleText};

}  // namespace

HWND EarlierInstallationWarning(DWORD pid)
{
    for (int text : kWarningTexts) {
        if (HWND warning = driver::WaitForDialogWithControl(pid, text, 0))
            return warning;
    }
    return nullptr;
}

std::string WarningText(HWND warning)
{
    for (int text : kWarningTexts) {
        if (GetDlgItem(warning, text))
            return driver::ControlText(warning, text);
    }
    return "";
}

HWND NextAnswering(driver::SetupProcess &setup, HWND sheet, int nextPageId,
                   const Choices &choices)
{
    driver::PressWizardButton(sheet, PSBTN_NEXT);
    HWND next = nullptr;
    std::string unexpected;
    driver::WaitUntil(
        [&] {
            HWND current = driver::CurrentPage(sheet);
            if (current && PageId(current) == nextPageId) {
                next = current;
                return true;
            }
            if (HWND warning = EarlierInstallationWarning(setup.Id())) {
                if (!choices.continueWarnings) {
                    unexpected = WarningText(warning);
                    return true;
                }
                driver::Click(warning, ids::kAnswer6);
                driver::WaitUntil([warning] { return !IsWindow(warning); }, 10000);
            }
            if (HWND question = driver::WaitForMessageBox(setup.Id(), "", 0))
                driver::Click(question, IDYES);
            return false;
        },
        driver::kDefaultWait);
    if (!unexpected.empty())
        ADD_FAILURE() << "unexpected warning \"" << unexpected << "\"";
    else if (!next)
        ADD_FAILURE() << "the wizard did not go on to page " << nextPageId << " (it shows "
                      << PageId(driver::CurrentPage(sheet)) << ")";
    return next;
}

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
                const std::vector<std::string> &items)
{
    driver::Click(page, browseButton);
    HWND browser = driver::WaitForDialog(setup.Id(), [](HWND dialog) {
        return FindChildOfClass(dialog, "SysTreeView32") != nullptr;
    });
    if (!browser) {
        ADD_FAILURE() << "Browse opened no folder browser";
        return false;
    }
    HWND tree = FindChildOfClass(browser, "SysTreeView32");
    RemoteBuffer buffer(setup.Id(), 512);
    // Down from the tree's root, one level per item, as a user opens them.
    LRESULT item = TreeMessage(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    for (const std::string &name : items) {
        TreeMessage(tree, TVM_EXPAND, TVE_EXPAND, item);
        LRESULT child = TreeMessage(tree, TVM_GETNEXTITEM, TVGN_CHILD, item);
        while (child && !ItemMatches(ItemText(tree, child, buffer), name))
            child = TreeMessage(tree, TVM_GETNEXTITEM, TVGN_NEXT, child);
        if (!child) {
            ADD_FAILURE() << "the folder browser shows no " << name;
            return false;
        }
        item = child;
    }
    TreeMessage(tree, TVM_SELECTITEM, TVGN_CARET, item);
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

    // Leaving the Welcome page may warn about an installed version.
    HWND page = nullptr;
    if (HasLicencePage()) {
        if (!(page = NextAnswering(setup, sheet, ids::kLicencePage, choices)))
            return nullptr;
        SetCheck(page, ids::kLicenceAccept, true);
        if (!WaitForButtons(sheet, "Back Next"))
            return nullptr;
        if (!(page = Next(sheet, ids::kDestinationPage)))
            return nullptr;
    } else if (!(page = NextAnswering(setup, sheet, ids::kDestinationPage, choices))) {
        return nullptr;
    }
    if (choices.browseDestination &&
        !PickFolder(setup, page, ids::kDestinationBrowse, *choices.browseDestination))
        return nullptr;

    // Leaving the Destination page may warn about the folder of an earlier
    // installation and ask about the disk space.
    HWND group = NextAnswering(setup, sheet, ids::kGroupPage, choices);
    if (!group)
        return nullptr;
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
    if (!choices.waitForProgress)
        return sheet;

    HWND progress = driver::WaitForDialogWithControl(setup.Id(), ids::kProgressBar);
    if (!progress)
        ADD_FAILURE() << "the installation did not begin: no progress window";
    return progress;
}

}  // namespace e2e
