// The picture of the machine and the registered uninstaller's quiet run.
#include "machine.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "driver.h"
#include "install_scenario.h"
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

void AddKey(Snapshot &snapshot, HKEY parent, const std::string &name, const std::string &path)
{
    if (IsWineScratch(path))
        return;
    HKEY key;
    if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return;
    snapshot.insert("key " + path);
    DWORD nameMax = 0, dataMax = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &nameMax,
                     &dataMax, nullptr, nullptr);
    std::vector<char> valueName(nameMax + 2);
    std::vector<BYTE> data(dataMax + 2);
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(valueName.size()), dataLength =
                                                                     static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueA(key, i, valueName.data(), &nameLength, nullptr, &type, data.data(),
                          &dataLength) != ERROR_SUCCESS)
            break;
        std::string text;
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            text.assign(reinterpret_cast<char *>(data.data()), dataLength);
        } else {
            char hex[4];
            for (DWORD b = 0; b < dataLength; ++b) {
                std::snprintf(hex, sizeof hex, "%02x", data[b]);
                text += hex;
            }
        }
        snapshot.insert("value " + path + "\\" + std::string(valueName.data(), nameLength) + " = " +
                        std::to_string(type) + ":" + text);
    }
    std::vector<std::string> subKeys;
    char subKey[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof subKey;
        if (RegEnumKeyExA(key, i, subKey, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        subKeys.emplace_back(subKey, length);
    }
    for (const std::string &sub : subKeys)
        AddKey(snapshot, key, sub, path + "\\" + sub);
    RegCloseKey(key);
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
    AddFolder(snapshot, "C:");
    const char *sessionManager = "System\\CurrentControlSet\\Control\\Session Manager";
    AddKey(snapshot, HKEY_LOCAL_MACHINE, "Software", "HKLM\\Software");
    AddKey(snapshot, HKEY_LOCAL_MACHINE, sessionManager, std::string("HKLM\\") + sessionManager);
    AddKey(snapshot, HKEY_USERS, "", "HKU");
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
    std::string command = ReadMachineValue(std::string(kUninstallKey) + "\\Velmo", "UninstallString");
    EXPECT_NE("", command) << "the setup registered no uninstall command";
    if (!command.empty() && command[0] == '"')
        command = command.substr(1, command.find('"', 1) - 1);
    return command;
}

// Waits for a quiet run to end, failing on any window it shows; returns
// its exit code (-1 when it did not end in time).
int QuietRun(const std::string &program)
{
    driver::SetupProcess uninstaller;
    if (!uninstaller.StartProgram(program, "/S")) {
        ADD_FAILURE() << "cannot start " << program;
        return -1;
    }
    DWORD start = GetTickCount(), code = 0;
    while (!uninstaller.WaitForExit(50, &code)) {
        std::vector<HWND> windows = driver::TopLevelWindows(uninstaller.Id());
        if (!windows.empty()) {
            ADD_FAILURE() << "the quiet run shows \"" << driver::WindowText(windows[0]) << "\"";
            return -1;
        }
        if (GetTickCount() - start > 120000) {
            ADD_FAILURE() << "the quiet run did not end";
            return -1;
        }
    }
    return static_cast<int>(code);
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
