// The picture of the machine, the registered uninstaller's quiet run and
// other runs that must show nothing.
#include "machine.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "driver.h"
#include "install_scenario.h"
#include "product/config.h"
#include "product/registry_keys.h"

namespace install_e2e {

namespace {

void AddFolder(Snapshot &snapshot, const std::string &folder)
{
    ForEachBelow(folder, [&](const std::string &path, const WIN32_FIND_DATAA &found) {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            snapshot.insert("file " + path + " (" + std::to_string(found.nFileSizeLow) + ")");
            return false;
        }
        snapshot.insert("folder " + path);
        return !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    });
}

// Wine's own scratch space of the session, which it fills as programs ask
// for system parameters; no part of the machine's state.
bool IsWineScratch(const std::string &path)
{
    return path.find("\\Software\\Wine\\Temporary System Parameters") != std::string::npos;
}

// Lets this process save registry branches (RegSaveKey), once.
void EnableBackupPrivilege()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token))
        return;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(nullptr, SE_BACKUP_NAME, &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
}

// Every key and value below `root`\`name`, as "key <path>" and
// "value <path>\<name>=<data>" lines in the form the registry server writes
// them. The server writes the whole branch into a file in one request:
// asking it for each key and value in turn takes seconds where Wine runs
// through an emulator. A key that the file leaves implicit (one with sub-keys
// but no values) is there as the parent of what it holds.
void AddKeyTree(Snapshot &snapshot, HKEY root, const char *name, const std::string &path)
{
    EnableBackupPrivilege();
    HKEY key;
    if (RegOpenKeyExA(root, name, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    char folder[MAX_PATH], file[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    GetTempFileNameA(folder, "reg", 0, file);
    DeleteFileA(file);
    LONG saved = RegSaveKeyA(key, file, nullptr);
    RegCloseKey(key);
    std::string text;
    bool read = saved == ERROR_SUCCESS && driver::ReadWholeFile(file, &text);
    DeleteFileA(file);
    ASSERT_TRUE(read) << "cannot save the registry below " << path << " (error " << saved << ")";

    snapshot.insert("key " + path);
    std::string current;  // the key of the lines that follow; "" for Wine's scratch space
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        // Long data goes on over lines that end in a backslash.
        while (!line.empty() && line.back() == '\\' && at < text.size()) {
            end = text.find('\n', at);
            if (end == std::string::npos)
                end = text.size();
            line.pop_back();
            line += text.substr(at, end - at);
            at = end + 1;
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#' || line[0] == ';' || line.rfind("WINE ", 0) == 0)
            continue;
        if (line[0] == '[') {
            // "[Sub\\Key] <time>": the path below the saved key, its
            // separators doubled; each key on the way is a key of its own.
            std::string below = line.substr(1, line.rfind(']') - 1);
            current = path;
            for (size_t from = 0; !below.empty();) {
                size_t separator = below.find("\\\\", from);
                current += "\\" + below.substr(from, separator - from);
                if (separator == std::string::npos)
                    break;
                snapshot.insert("key " + current);
                from = separator + 2;
            }
            if (IsWineScratch(current))
                current.clear();
            else
                snapshot.insert("key " + current);
            continue;
        }
        if (!current.empty())
            snapshot.insert("value " + current + "\\" + line);
    }
}

}  // namespace

void ForEachBelow(const std::string &folder,
                  const std::function<bool(const std::string &, const WIN32_FIND_DATAA &)> &visit)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string path = folder + "\\" + name;
        if (visit(path, found) && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ForEachBelow(path, visit);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

Snapshot TakeSnapshot()
{
    Snapshot snapshot;
    // The registry first: its branches pass through files in the temporary
    // folder, which are gone again (and the folder there) when the disk's
    // turn comes.
    const char *sessionManager = "System\\CurrentControlSet\\Control\\Session Manager";
    AddKeyTree(snapshot, HKEY_LOCAL_MACHINE, "Software", "HKLM\\Software");
    AddKeyTree(snapshot, HKEY_LOCAL_MACHINE, sessionManager, std::string("HKLM\\") + sessionManager);
    AddKeyTree(snapshot, HKEY_USERS, "", "HKU");
    AddFolder(snapshot, "C:");
    return snapshot;
}

// The lines of a that b lacks.
std::vector<std::string> Minus(const Snapshot &a, const Snapshot &b)
{
    std::vector<std::string> lines;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(lines));
    return lines;
}

std::string SpecialFolder(int csidl)
{
    char path[MAX_PATH] = "";
    SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE);
    return path;
}

bool WriteKey(HKEY root, const std::string &key, const char *value, const std::string &data)
{
    HKEY handle;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr,
                        &handle, nullptr) != ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExA(handle, value, 0, REG_SZ,
                                 reinterpret_cast<const BYTE *>(data.c_str()),
                                 static_cast<DWORD>(data.size() + 1));
    RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

bool DeleteValue(HKEY root, const std::string &key, const char *value)
{
    HKEY handle;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE | KEY_WOW64_32KEY, &handle) !=
        ERROR_SUCCESS)
        return false;
    LONG result = RegDeleteValueA(handle, value);
    RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

// A string value in the setup's 32-bit view of HKEY_LOCAL_MACHINE; "" when
// it is not there.
std::string ReadMachineValue(const std::string &key, const char *value)
{
    char data[1024] = "";
    DWORD size = sizeof data - 1;
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &handle) !=
        ERROR_SUCCESS)
        return "";
    if (RegQueryValueExA(handle, value, nullptr, nullptr, reinterpret_cast<BYTE *>(data), &size) !=
        ERROR_SUCCESS)
        size = 0;
    RegCloseKey(handle);
    data[size] = '\0';
    return data;
}

bool KeyExists(HKEY root, const std::string &key)
{
    HKEY handle;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

// The uninstaller as the system's list of installed programs starts it:
// the program of the registered uninstall command.
std::string UninstallProgram()
{
    std::string command = ReadMachineValue(kProductKey, "UninstallString");
    EXPECT_NE("", command) << "the setup registered no uninstall command";
    if (!command.empty() && command[0] == '"')
        command = command.substr(1, command.find('"', 1) - 1);
    return command;
}

int RunUnattended(const std::string &arguments, const std::string &program, bool windowsAllowed)
{
    driver::SetupProcess process;
    bool started = program.empty() ? process.Start(arguments)
                                   : process.StartProgram(program, arguments);
    const std::string run = (program.empty() ? "the setup" : program) + " " + arguments;
    if (!started) {
        ADD_FAILURE() << "cannot start " << run;
        return -1;
    }
    const bool verySilent = arguments.find("/VERYSILENT") != std::string::npos;
    DWORD start = GetTickCount(), code = 0;
    while (!process.WaitForExit(50, &code)) {
        // A very silent run makes no window of its own at all, not even the
        // hidden anchor window (the system may make hidden helper windows of
        // its own for a moment).
        std::vector<HWND> windows = driver::TopLevelWindows(process.Id());
        if (verySilent) {
            for (HWND window : driver::TopLevelWindows(process.Id(), true)) {
                if (driver::ClassName(window) == kSetupConfig.setupName)
                    windows.push_back(window);
            }
        }
        if (!windowsAllowed && !windows.empty()) {
            ADD_FAILURE() << run << ": the run shows \"" << driver::WindowText(windows[0]) << "\"";
            process.Kill();
            return -1;
        }
        if (GetTickCount() - start > 150000) {
            ADD_FAILURE() << run << ": the run did not end";
            process.Kill();
            return -1;
        }
    }
    return static_cast<int>(code);
}

int QuietRun(const std::string &program)
{
    return RunUnattended("/S", program);
}

// The finish run deletes the uninstaller after it ended.
void ExpectUninstallerGone(const std::string &program)
{
    EXPECT_TRUE(driver::WaitUntil([&] { return !driver::FileExists(program); }, 30000))
        << program << " is still there";
}

// What a restart does: the system deletes the files marked for it, the
// uninstaller's temporary copy among them.
void Restart()
{
    driver::SetupProcess wineboot;
    ASSERT_TRUE(wineboot.StartProgram("C:\\windows\\system32\\wineboot.exe", "-r"));
    DWORD code = 0;
    ASSERT_TRUE(wineboot.WaitForExit(60000, &code)) << "the restart did not end";
}

}  // namespace install_e2e
