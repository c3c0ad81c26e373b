// Pictures of the machine for the scenarios that must leave it as it was.
#include "snapshot.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace snapshot {

namespace {

void AddFolder(Snapshot &snapshot, const std::string &folder)
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
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            snapshot.insert("folder " + path);
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                AddFolder(snapshot, path);
        } else {
            snapshot.insert("file " + path + " (" + std::to_string(found.nFileSizeLow) + ")");
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
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

Snapshot Take()
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

}  // namespace snapshot
