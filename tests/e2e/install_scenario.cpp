// Shared pieces of the installation scenarios.
#include "install_scenario.h"

#include "product/registry_keys.h"
#include "system_entries.h"

#include <commctrl.h>
#include <tlhelp32.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <sstream>

namespace install_e2e {

const char kDestination[] = "C:\\Program Files\\Velmo";
const std::string kProgramKey = std::string(kAppPathsKey) + "\\Velmo.exe";
const std::string kProductKey = std::string(kUninstallKey) + "\\Velmo";

std::string Lower(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

namespace {

std::vector<std::string> Split(const std::string &list, char separator)
{
    std::vector<std::string> parts;
    std::stringstream stream(list);
    std::string part;
    while (std::getline(stream, part, separator)) {
        if (!part.empty())
            parts.push_back(part);
    }
    return parts;
}

constexpr DWORD kGameStartMs = 60000;

// The full path of a process's program (QueryFullProcessImageNameA, which
// the headers offer only from Vista on).
std::string ProcessImage(HANDLE process)
{
    using QueryImage = BOOL(WINAPI *)(HANDLE, DWORD, LPSTR, PDWORD);
    auto query = reinterpret_cast<QueryImage>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA")));
    char image[MAX_PATH] = "";
    DWORD size = sizeof image;
    if (!query || !query(process, 0, image, &size))
        return "";
    return image;
}

bool ShowsIcon(HWND box)
{
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (driver::ClassName(child) != "Static" || !IsWindowVisible(child))
            continue;
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
            continue;
        DWORD_PTR icon = 0;
        if (SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 5000, &icon) && icon)
            return true;
    }
    return false;
}

}  // namespace

std::string Installed(const char *name, const std::string &folder)
{
    return folder + "\\" + name;
}

std::vector<int> ExtractionOrder()
{
    std::vector<int> order;
    for (int i = 0; i < kInstallCount; ++i) {
        if (kInstallTable[i].flags & ENTRY_EXTRACT)
            order.push_back(i);
    }
    for (int i = 0; i < kInstallCount; ++i) {
        if (kInstallTable[i].flags & ENTRY_UNINSTALLER)
            order.push_back(i);
    }
    return order;
}

std::string PayloadSource(const ManifestEntry &entry)
{
    // The folders the payload was packed from: programs, texts, generated data.
    for (const std::string &folder : Split(driver::Env("VELMO_PAYLOAD_SOURCES"), '|')) {
        std::string path = driver::WindowsPath(folder) + "\\" + entry.name;
        std::string content;
        if (driver::FileExists(path) && driver::ReadWholeFile(path, &content))
            return content;
    }
    ADD_FAILURE() << "no payload source for " << entry.name << " in VELMO_PAYLOAD_SOURCES="
                  << driver::Env("VELMO_PAYLOAD_SOURCES");
    return "";
}

void ExpectInstalledLikeSource(const ManifestEntry &entry, const std::string &folder)
{
    std::string installed;
    ASSERT_TRUE(driver::ReadWholeFile(Installed(entry.name, folder), &installed))
        << Installed(entry.name, folder) << " is missing";
    std::string source = PayloadSource(entry);
    EXPECT_EQ(source.size(), installed.size()) << entry.name;
    EXPECT_TRUE(source == installed) << entry.name << " differs from its payload source";
}

std::string RecordText(const Elements &elements)
{
    std::string text = "<?xml version=\"1.0\"?>\r\n";
    if (elements.empty())
        return text + "<UNINSTALL></UNINSTALL>\r\n";
    text += "<UNINSTALL>\r\n";
    for (const auto &element : elements)
        text += "  <" + element.first + ">" + element.second + "</" + element.first + ">\r\n";
    return text + "</UNINSTALL>\r\n";
}

Elements ExpectedRecord(size_t extracted, Reached reached)
{
    Elements files, folders, keys, patterns;
    std::set<std::string> seenFiles, seenFolders;
    auto addFolder = [&](const std::string &folder) {
        if (seenFolders.insert(Lower(folder)).second)
            folders.emplace_back("FOLDER", folder);
    };
    addFolder(kDestination);
    std::vector<int> order = ExtractionOrder();
    for (size_t i = 0; i < extracted && i < order.size(); ++i) {
        const char *name = kInstallTable[order[i]].name;
        // Every folder on the way, parents first.
        for (const char *slash = std::strchr(name, '\\'); slash; slash = std::strchr(slash + 1, '\\'))
            addFolder(Installed(std::string(name, slash).c_str()));
        if (seenFiles.insert(Lower(Installed(name))).second)
            files.emplace_back("FILE", Installed(name));
    }
    if (extracted < order.size()) {
        files.emplace_back("FILE", Installed(kInstallTable[order.back()].name));
        keys.emplace_back("UNINSTKEY", "Velmo");
    }
    if (reached >= Reached::AppPaths) {
        for (int i = 0; i < kInstallCount; ++i) {
            const ManifestEntry &entry = kInstallTable[i];
            if (entry.flags & ENTRY_REMOVE_FILE)
                files.emplace_back("FILE", Installed(entry.name));
            else if (entry.flags & ENTRY_REMOVE_PATTERN)
                patterns.emplace_back("FILEPATTERN", Installed(entry.name));
        }
    }
    if (reached >= Reached::GroupLinks) {
        for (const LinkMade &link : GroupLinks())
            files.emplace_back("FILE", link.path);
        // The Start menu's Programs folder is there; the group is made.
        addFolder(GroupFolder());
        keys.emplace_back("APPKEY", "Velmo.exe");
    }
    if (reached >= Reached::End)
        files.emplace_back("FILE", DesktopLink().path);
    if (reached >= Reached::AppPaths)
        keys.emplace_back("UNINSTKEY", "Velmo");
    Elements record = {{"APPNAME", "Velmo"}};
    for (const Elements *group : {&files, &folders, &keys, &patterns})
        record.insert(record.end(), group->begin(), group->end());
    return record;
}

std::string GroupFolder()
{
    return ProgramsFolder() + "\\Velmo";
}

std::vector<LinkMade> GroupLinks()
{
    // Worked out once per scenario: asking a shell link what it makes of the
    // web address costs more than a look at the disk, and scenarios look
    // for these links every few milliseconds while a run goes.
    static const std::vector<LinkMade> links = [] {
        const std::string group = GroupFolder();
        const std::string uninstall = DutchUser() ? "Velmo verwijderen" : "Uninstall Velmo";
        // The web address goes to the shell as it stands, with no folder.
        return std::vector<LinkMade>{
            {group + "\\Velmo.lnk", "Velmo", Installed("Velmo.exe"), kDestination},
            {group + "\\" + uninstall + ".lnk", uninstall, Installed("Uninstall.exe"),
             kDestination},
            {group + "\\Velmo Website.lnk", "Velmo Website",
             LinkTargetOf("http://www.kestrin-software.example/velmo"), ""},
        };
    }();
    return links;
}

LinkMade DesktopLink()
{
    return {DesktopFolder() + "\\Velmo.lnk", "Velmo", Installed("Velmo.exe"), kDestination};
}

std::string ReadRecord()
{
    std::string text;
    driver::ReadWholeFile(Installed("Uninstall.dat"), &text);
    return text;
}

Elements ParseRecord(const std::string &text)
{
    Elements elements;
    for (const std::string &line : Split(text, '\n')) {
        // "  <NAME>text</NAME>\r"
        size_t open = line.find("  <");
        size_t close = line.find('>', open + 3);
        size_t end = line.rfind("</");
        if (open != 0 || close == std::string::npos || end == std::string::npos || end <= close)
            continue;
        elements.emplace_back(line.substr(3, close - 3), line.substr(close + 1, end - close - 1));
    }
    return elements;
}

int64_t TotalSize(const std::vector<int> &entries)
{
    int64_t total = 0;
    for (int index : entries)
        total += kInstallTable[index].unpackedSize;
    return total;
}

int ExpectBarWithin(HWND progress, const std::vector<int> &order, size_t position)
{
    const ManifestEntry &entry = kInstallTable[order[position]];
    int64_t total = TotalSize(order);
    int64_t before = TotalSize(std::vector<int>(order.begin(), order.begin() + position));
    int low = static_cast<int>(before * 80 / total);
    int high = static_cast<int>((before + entry.unpackedSize) * 80 / total);
    // The setup answers as it names a file, before its first chunk, and
    // between two chunks; a small file may be done by the time the status
    // line is read again.
    // A reading belongs to the entry while the entry is still on the status
    // line, or when it lies within the entry's bytes anyway.
    int bar = BarPosition(progress);
    if (StatusText(progress) != CopyingStatus(entry) && (bar < low || bar > high))
        return -1;
    EXPECT_GE(bar, low) << "bar while copying " << entry.name;
    EXPECT_LE(bar, high) << "bar while copying " << entry.name;
    return bar;
}

std::string CopyingStatus(const ManifestEntry &entry)
{
    return (DutchUser() ? std::string("Kopi\xebren van ") : std::string("Copying ")) + entry.name +
           "...";
}

std::string StatusText(HWND progress)
{
    // One read into a buffer that holds any status line: a length asked
    // first could belong to the line before.
    char text[1024] = "";
    GetDlgItemTextA(progress, ids::kProgressStatus, text, sizeof text);
    return text;
}

bool WaitForStatus(HWND progress, const ManifestEntry &entry, DWORD timeoutMs)
{
    // A line stays 50 ms and a little more: look every few milliseconds.
    std::string status = CopyingStatus(entry);
    DWORD start = GetTickCount();
    while (StatusText(progress) != status) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(2);
    }
    return true;
}

HWND WaitForCancelConfirmation(const driver::SetupProcess &setup, DWORD timeoutMs)
{
    return driver::WaitForDialogWithControl(setup.Id(), ids::kCancelText, timeoutMs);
}

int BarPosition(HWND progress)
{
    DWORD_PTR position = 0;
    HWND bar = GetDlgItem(progress, ids::kProgressBar);
    if (!bar || !SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 5000, &position))
        return -1;
    return static_cast<int>(position);
}

bool AnswerMessageBox(const driver::SetupProcess &setup, MessageBoxSeen *seen, DWORD timeoutMs,
                      int button)
{
    HWND box = driver::WaitForMessageBox(setup.Id(), "", timeoutMs);
    if (!box)
        return false;
    seen->caption = driver::WindowText(box);
    seen->text = driver::MessageBoxText(box);
    seen->owned = GetWindow(box, GW_OWNER) != nullptr;
    seen->icon = ShowsIcon(box);
    driver::ClickAway(box, button, 10000);
    return true;
}

void ExpectEndsWithoutMessage(driver::SetupProcess &setup, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    DWORD exitCode = 1;
    while (!setup.WaitForExit(100, &exitCode)) {
        ASSERT_LT(GetTickCount() - start, timeoutMs) << "the setup did not end in time";
        MessageBoxSeen seen;
        if (AnswerMessageBox(setup, &seen, 0))
            ADD_FAILURE() << "unexpected message \"" << seen.text << "\"";
    }
    EXPECT_EQ(0u, exitCode);
}

DWORD FindChildProcess(DWORD parent)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    DWORD found = 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more && !found;
         more = Process32Next(snapshot, &entry)) {
        // Wine starts its desktop process from the first program that opens
        // a window; the setup did not start that one itself.
        if (entry.th32ParentProcessID == parent && lstrcmpiA(entry.szExeFile, "explorer.exe") != 0)
            found = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    return found;
}

bool WriteWholeFile(const std::string &path, const std::string &content)
{
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == content.size();
}

void ExpectSuccessMessage(const MessageBoxSeen &seen)
{
    if (DutchUser()) {
        EXPECT_EQ("De Velmo software is met succes ge\xefnstalleerd op uw computer.", seen.text);
        EXPECT_EQ("Velmo Installatie", seen.caption);
    } else {
        EXPECT_EQ("The Velmo software is successfully installed on your computer.", seen.text);
        EXPECT_EQ("Velmo Installation", seen.caption);
    }
    EXPECT_FALSE(seen.owned) << "the success message has no owner window";
    EXPECT_FALSE(seen.icon) << "the success message has no icon";
}

void ExpectSuccessfulRun(driver::SetupProcess &setup, const std::string &folder, Started started)
{
    MessageBoxSeen seen;
    ASSERT_TRUE(AnswerMessageBox(setup, &seen, 60000)) << "no message at the end of the run";
    ExpectSuccessMessage(seen);
    if (started == Started::Nothing) {
        ExpectRunEnded(setup);
        return;
    }

    // The launch choice is on: the setup starts the installed game. Until
    // the new process has started up its program is not known, and it
    // cannot be ended before either: it holds Velmo.exe until it runs.
    DWORD game = 0;
    driver::WaitUntil([&] { return (game = FindChildProcess(setup.Id())) != 0; }, 30000);
    ASSERT_NE(0u, game) << "the game was not started";
    EXPECT_EQ(game, ExpectGameRunning(Installed("Velmo.exe", folder)));
    ExpectEndsWithoutMessage(setup, 90000);
}

e2e::Choices WithoutGame(e2e::Choices choices)
{
    choices.launch = false;
    return choices;
}

DWORD ExpectGameRunning(const std::string &program)
{
    HWND window = nullptr;
    driver::WaitUntil([&] { return (window = FindWindowA("VelmoGame", nullptr)) != nullptr; },
                      kGameStartMs);
    if (!window) {
        ADD_FAILURE() << "the game shows no window";
        return 0;
    }
    DWORD game = 0;
    GetWindowThreadProcessId(window, &game);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, game);
    if (!process) {
        ADD_FAILURE() << "cannot open the game's process";
        return game;
    }
    EXPECT_EQ(program, ProcessImage(process));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 30000)) << "the game did not end";
    CloseHandle(process);
    return game;
}

void ExpectErrorBox(driver::SetupProcess &setup, const std::string &message)
{
    MessageBoxSeen seen;
    ASSERT_TRUE(AnswerMessageBox(setup, &seen)) << "no error box";
    EXPECT_EQ(ErrorText(message), seen.text);
    EXPECT_EQ("Error", seen.caption);
    EXPECT_TRUE(seen.icon) << "the error box has no icon";
    EXPECT_TRUE(seen.owned) << "the error box has no owner";
}

void ExpectRunEnded(driver::SetupProcess &setup)
{
    ExpectEndsWithoutMessage(setup);
    // A program that the setup started outlives it under its parent's id.
    EXPECT_EQ(0u, FindChildProcess(setup.Id())) << "the game was started";
}

void ExpectEveryFileInstalled(const std::string &folder)
{
    for (int index : ExtractionOrder())
        ExpectInstalledLikeSource(kInstallTable[index], folder);
}

void ExpectCompleteInstallation()
{
    ExpectEveryFileInstalled();
    EXPECT_EQ(RecordText(ExpectedRecord(ExtractionOrder().size(), Reached::End)), ReadRecord());
}

bool DutchUser()
{
    char name[64] = "";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SNATIVELANGNAME, name, sizeof name);
    return lstrcmpiA(name, "Nederlands") == 0;
}

std::string ErrorText(const std::string &message)
{
    return message + "\n\nInstallation will be terminated.";
}

}  // namespace install_e2e
