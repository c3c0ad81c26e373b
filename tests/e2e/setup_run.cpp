// Starting the setup and walking its wizard.
#include "setup_run.h"

#include <commctrl.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <cstring>
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

// Reads the item texts of a tree view of the setup through the hook of
// tests/e2e/probe, placed on the tree's thread for the reader's lifetime.
class TreeReader {
public:
    explicit TreeReader(HWND tree) : tree_(tree)
    {
        const std::string path = driver::BesideTheTests("tree_probe.dll");
        probe_ = LoadLibraryA(path.c_str());
        auto hook = probe_ ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void (*)()>(
                                 GetProcAddress(probe_, "TreeProbeHook")))
                           : nullptr;
        if (hook)
            hook_ = SetWindowsHookExA(WH_CALLWNDPROC, hook, probe_,
                                      GetWindowThreadProcessId(tree, nullptr));
        WNDCLASSA receiverClass = {};
        receiverClass.lpfnWndProc = Receive;
        receiverClass.hInstance = GetModuleHandleA(nullptr);
        receiverClass.lpszClassName = "VelmoTreeReader";
        RegisterClassA(&receiverClass);
        receiver_ = CreateWindowA("VelmoTreeReader", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  receiverClass.hInstance, nullptr);
        if (receiver_)
            SetWindowLongPtrA(receiver_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        if (!hook_ || !receiver_)
            ADD_FAILURE() << "cannot read the folder browser's tree with " << path;
    }
    ~TreeReader()
    {
        if (hook_)
            UnhookWindowsHookEx(hook_);
        if (receiver_)
            DestroyWindow(receiver_);
        if (probe_)
            FreeLibrary(probe_);
    }
    TreeReader(const TreeReader &) = delete;
    TreeReader &operator=(const TreeReader &) = delete;

    // The text of an item; "" when the tree did not give it.
    std::string Text(LRESULT item)
    {
        static const UINT request = RegisterWindowMessageA("VelmoTreeItemText");
        text_.clear();
        DWORD_PTR result = 0;
        if (hook_ && receiver_)
            SendMessageTimeoutA(tree_, request, static_cast<WPARAM>(item),
                                reinterpret_cast<LPARAM>(receiver_), SMTO_ABORTIFHUNG, 10000,
                                &result);
        return text_;
    }

private:
    static LRESULT CALLBACK Receive(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto *reader = reinterpret_cast<TreeReader *>(GetWindowLongPtrA(window, GWLP_USERDATA));
        const auto *data = reinterpret_cast<const COPYDATASTRUCT *>(lParam);
        if (message != WM_COPYDATA || !reader || !data)
            return DefWindowProcA(window, message, wParam, lParam);
        if (data->dwData == 1 && data->cbData > 0)
            reader->text_.assign(static_cast<const char *>(data->lpData),
                                 strnlen(static_cast<const char *>(data->lpData), data->cbData));
        return TRUE;
    }

    HWND tree_;
    HMODULE probe_ = nullptr;
    HHOOK hook_ = nullptr;
    HWND receiver_ = nullptr;
    std::string text_;
};

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

std::string DiskSpaceQuestion()
{
    char language[64] = "";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SNATIVELANGNAME, language, sizeof language);
    if (lstrcmpiA(language, "Nederlands") == 0)
        return "Er is niet voldoende vrije schijfruimte voor alle bestanden op het door u "
               "gekozen volume.\n\nWilt u toch doorgaan?";
    return "There will be not enough free disk space on the selected volume for all the "
           "files.\n\nDo yo want to continue anyway?";
}

HWND NextAnswering(driver::SetupProcess &setup, HWND sheet, int nextPageId,
                   const Choices &choices, bool *asked)
{
    if (asked)
        *asked = false;
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
                    unexpected = "warning \"" + WarningText(warning) + "\"";
                    return true;
                }
                driver::ClickAway(warning, ids::kAnswer6, 10000);
            }
            if (HWND box = driver::WaitForMessageBox(setup.Id(), "", 0)) {
                std::string text = driver::MessageBoxText(box);
                if (!choices.diskSpaceQuestion || text != DiskSpaceQuestion()) {
                    unexpected = "message box \"" + text + "\"";
                    return true;
                }
                if (asked)
                    *asked = true;
                driver::ClickAway(box, IDYES, 10000);
            }
            return false;
        },
        driver::kDefaultWait);
    if (!unexpected.empty())
        ADD_FAILURE() << "unexpected " << unexpected;
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
    // The browser fills its tree before it shows itself; a user sees it
    // only then.
    HWND browser = driver::WaitForDialog(setup.Id(), [](HWND dialog) {
        return IsWindowVisible(dialog) && FindChildOfClass(dialog, "SysTreeView32") != nullptr;
    });
    if (!browser) {
        ADD_FAILURE() << "Browse opened no folder browser";
        return false;
    }
    HWND tree = FindChildOfClass(browser, "SysTreeView32");
    TreeReader reader(tree);
    // Down from the tree's root, one level per item, as a user opens them
    // and waits for what is inside to show.
    LRESULT item = TreeMessage(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    for (const std::string &name : items) {
        TreeMessage(tree, TVM_EXPAND, TVE_EXPAND, item);
        LRESULT found = 0;
        std::string shown;
        driver::WaitUntil(
            [&] {
                shown.clear();
                LRESULT child = TreeMessage(tree, TVM_GETNEXTITEM, TVGN_CHILD, item);
                while (child && !found) {
                    std::string text = reader.Text(child);
                    shown += (shown.empty() ? "\"" : ", \"") + text + "\"";
                    if (ItemMatches(text, name))
                        found = child;
                    child = TreeMessage(tree, TVM_GETNEXTITEM, TVGN_NEXT, child);
                }
                return found != 0;
            },
            10000);
        if (!found) {
            ADD_FAILURE() << "the folder browser shows no " << name << " below \""
                          << reader.Text(item) << "\", only "
                          << (shown.empty() ? "nothing" : shown);
            return false;
        }
        item = found;
    }
    TreeMessage(tree, TVM_SELECTITEM, TVGN_CARET, item);
    if (!driver::ClickAway(browser, IDOK, 10000)) {
        ADD_FAILURE() << "the folder browser stayed open";
        return false;
    }
    // The page puts the chosen folder into its field after the browser has
    // gone; a message to it comes through once that is done.
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutA(page, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored)) {
        ADD_FAILURE() << "the page did not take the chosen folder";
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
    bool asked = false;
    HWND group = NextAnswering(setup, sheet, ids::kGroupPage, choices, &asked);
    if (!group)
        return nullptr;
    if (choices.diskSpaceQuestion && !asked) {
        ADD_FAILURE() << "leaving the Destination page asked no disk-space question";
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
    if (!choices.waitForProgress)
        return sheet;

    HWND progress = driver::WaitForDialogWithControl(setup.Id(), ids::kProgressBar);
    if (!progress)
        ADD_FAILURE() << "the installation did not begin: no progress window";
    return progress;
}

}  // namespace e2e
