// The removal through the file system and the registry.
#include "uninstall/removal.h"

#include <windows.h>

#include <cstring>

#include "base/format.h"
#include "base/holders.h"
#include "base/text.h"
#include "product/registry_keys.h"
#include "uninstall/leftovers.h"
#include "xml/vxml.h"

namespace {

// A string value of an open key; false when it is absent, no string or
// too long.
bool ReadString(const RegKey &key, const char *value, char *out, DWORD size)
{
    DWORD type = 0;
    DWORD length = size - 1;
    if (!key || RegQueryValueExA(key.get(), value, nullptr, &type, reinterpret_cast<BYTE *>(out),
                                 &length) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    out[length < size ? length : size - 1] = '\0';
    return true;
}

// Deletes `name` below `parent` with every key inside it. True when the key
// is gone.
bool DeleteTree(HKEY parent, const char *name)
{
    {
        RegKey key;
        LONG result = key.Open(parent, name, KEY_READ | KEY_WRITE);
        if (result == ERROR_FILE_NOT_FOUND)
            return true;
        if (result != ERROR_SUCCESS)
            return false;
        char sub[256];
        for (;;) {
            DWORD length = sizeof sub;
            if (RegEnumKeyExA(key.get(), 0, sub, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            if (!DeleteTree(key.get(), sub))
                return false;
        }
    }
    LONG result = RegDeleteKeyA(parent, name);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

// True when a string value in the key or below it names the folder or
// something in it.
bool TreeNamesFolder(HKEY key, const char *folder, int depth)
{
    char name[256], value[1024];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = sizeof name, valueLength = sizeof value - 1, type = 0;
        LONG result = RegEnumValueA(key, i, name, &nameLength, nullptr, &type,
                                    reinterpret_cast<BYTE *>(value), &valueLength);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            break;
        value[valueLength < sizeof value ? valueLength : sizeof value - 1] = '\0';
        if ((type == REG_SZ || type == REG_EXPAND_SZ) && NamesInside(value, folder))
            return true;
    }
    if (depth >= 16)
        return false;
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        RegKey sub;
        if (sub.Open(key, name, KEY_READ) == ERROR_SUCCESS &&
            TreeNamesFolder(sub.get(), folder, depth + 1))
            return true;
    }
    return false;
}

// The product's key below a parent of HKEY_LOCAL_MACHINE, opened for reading.
void OpenProductKey(RegKey &product, const char *parent, const char *name)
{
    RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, parent, KEY_READ) == ERROR_SUCCESS)
        product.Open(key.get(), name, KEY_READ);
}

// Whether a key that the record names belongs to this installation and not
// to another one that took it over (an installation into another folder
// rewrites the same keys). A key without the value that tells counts as
// this installation's.
bool IsOurAppKey(const char *name, const char *folder)
{
    RegKey product;
    OpenProductKey(product, kAppPathsKey, name);
    char program[1024], path[1024];
    bool hasProgram = ReadString(product, nullptr, program, sizeof program);
    bool hasPath = ReadString(product, "Path", path, sizeof path);
    if (!hasProgram && !hasPath)
        return true;
    return (hasProgram && NamesInside(program, folder)) || (hasPath && NamesInside(path, folder));
}

bool IsOurUninstallKey(const char *name, const char *folder)
{
    RegKey product;
    OpenProductKey(product, kUninstallKey, name);
    char command[1024];
    if (!ReadString(product, "UninstallString", command, sizeof command))
        return true;
    return NamesInside(command, folder);
}

// A class key is this installation's when something in it names the
// installation's folder; a file-type key (".ext") also when it points to a
// class that does.
bool IsOurClassKey(const char *name, const char *folder, bool followType = true)
{
    RegKey key;
    LONG result = key.Open(HKEY_CLASSES_ROOT, name, KEY_READ);
    if (result == ERROR_FILE_NOT_FOUND)
        return true;
    if (result != ERROR_SUCCESS)
        return false;
    if (TreeNamesFolder(key.get(), folder, 0))
        return true;
    char type[256];
    Places none;
    return followType && name[0] == '.' && ReadString(key, nullptr, type, sizeof type) &&
           Judge("CLASSKEY", type, none) == Action::DeleteClassKey && type[0] != '.' &&
           IsOurClassKey(type, folder, false);
}

}  // namespace

bool IsGone(unsigned long error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

Removal::Removal(Vxml &record, const Places &places, const char *program, Leftovers &leftovers,
                 RemovalView *view)
    : record_(record), places_(places), program_(program), leftovers_(leftovers), view_(view)
{
}

void Removal::Run()
{
    for (Vxml *element = record_.FirstChild(); element; element = element->NextSibling()) {
        if (Judge(element->GetName(), element->GetText(), places_) != Action::Ignore)
            ++total_;
    }
    Walk("FILE", false);
    Walk("FILEPATTERN", false);
    // Folders were recorded parents first: backwards, each one comes after
    // the folders inside it.
    Walk("FOLDER", true);
    Walk("APPKEY", false);
    Walk("UNINSTKEY", false);
    Walk("CLASSKEY", false);
}

void Removal::Walk(const char *name, bool reverse)
{
    Vxml *element = reverse ? record_.FindLast(name) : record_.FindFirst(name);
    for (; element; element = reverse ? record_.FindPrev() : record_.FindNext()) {
        const char *text = element->GetText();
        Action action = Judge(element->GetName(), text, places_);
        bool key = action == Action::DeleteAppKey || action == Action::DeleteUninstallKey ||
                   action == Action::DeleteClassKey;
        if (view_)
            view_->Step(++done_, total_, key ? nullptr : text);
        if (action == Action::Refuse)
            leftovers_.Add(Leftovers::Refused, text);
        else
            Act(action, text);
    }
}

void Removal::Act(Action action, const char *text)
{
    switch (action) {
    case Action::RemoveFile:
        RemoveFile(text);
        break;
    case Action::RemovePattern:
        RemovePattern(text);
        break;
    case Action::RemoveFolder:
        RemoveFolder(text);
        break;
    case Action::DeleteAppKey:
    case Action::DeleteUninstallKey:
    case Action::DeleteClassKey:
        DeleteKey(action, text);
        break;
    default:
        break;
    }
}

void Removal::RemoveFile(const char *path)
{
    // The running uninstaller goes with the finish run.
    if (EqualNoCase(path, program_))
        return;
    if (!DeleteFileA(path) && !IsGone(GetLastError()))
        leftovers_.Add(Leftovers::File, path);
}

void Removal::RemovePattern(const char *pattern)
{
    const char *name = std::strrchr(pattern, '\\') + 1;
    int folderLength = static_cast<int>(name - 1 - pattern);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        // The system matches the short names as well; only a file whose
        // own name matches is meant.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            !MatchesPattern(found.cFileName, name))
            continue;
        char path[MAX_PATH];
        int length = FormatText(path, sizeof path, "%.*s\\%s", folderLength, pattern,
                                   found.cFileName);
        if (length < 0 || length >= static_cast<int>(sizeof path))
            leftovers_.Add(Leftovers::File, found.cFileName);
        else
            RemoveFile(path);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void Removal::RemoveFolder(const char *path)
{
    if (places_.destination && EqualNoCase(path, places_.destination)) {
        removesOwnFolder_ = true;
        return;
    }
    if (!RemoveDirectoryA(path) && !IsGone(GetLastError()))
        leftovers_.Add(Leftovers::Folder, path);
}

void Removal::DeleteKey(Action action, const char *name)
{
    const char *folder = places_.destination;
    HKEY root = HKEY_LOCAL_MACHINE;
    const char *parent = nullptr;
    bool ours = false;
    if (action == Action::DeleteAppKey) {
        parent = kAppPathsKey;
        ours = IsOurAppKey(name, folder);
    } else if (action == Action::DeleteUninstallKey) {
        parent = kUninstallKey;
        ours = IsOurUninstallKey(name, folder);
    } else {
        root = HKEY_CLASSES_ROOT;
        ours = IsOurClassKey(name, folder);
    }
    // Another installation's key stays as it is.
    if (!ours)
        return;
    bool gone;
    if (parent) {
        RegKey key;
        LONG result = key.Open(root, parent, KEY_READ | KEY_WRITE);
        gone = result == ERROR_FILE_NOT_FOUND ||
               (result == ERROR_SUCCESS && DeleteTree(key.get(), name));
    } else {
        gone = DeleteTree(root, name);
    }
    if (!gone) {
        char full[600];
        FormatText(full, sizeof full, "%s\\%s%s%s",
                      root == HKEY_CLASSES_ROOT ? "HKEY_CLASSES_ROOT" : "HKEY_LOCAL_MACHINE",
                      parent ? parent : "", parent ? "\\" : "", name);
        leftovers_.Add(Leftovers::Key, full);
    }
}
