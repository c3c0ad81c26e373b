// The judgement of record elements: clean paths, the allowed places, key
// names and the wildcard match of file patterns.
#include "uninstall/rules.h"

#include <cstring>

#include "base/text.h"
#include "xml/vxml.h"

namespace {

const char kProductName[] = "Velmo";

// The system's path limit, the terminating NUL included.
const size_t kMaxPath = 260;
// The longest name of a file, a folder or a registry key.
const size_t kMaxName = 255;

// Names that the system keeps for devices, with or without an extension.
const char *const kDeviceNames[] = {
    "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5",   "COM6",    "COM7",
    "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9",
    "CONIN$", "CONOUT$",
};

// Classes below HKEY_CLASSES_ROOT that belong to the system and to every
// program: a record never names them, whatever it says.
const char *const kSharedClasses[] = {
    "AllFilesystemObjects", "AppID", "Applications", "CLSID", "Component Categories",
    "DesktopBackground", "Directory", "Drive", "Folder", "Interface", "MIME", "Network",
    "Printers", "SystemFileAssociations", "TypeLib", "Unknown", "batfile", "cmdfile", "comfile",
    "dllfile", "exefile", "htmlfile", "inifile", "InternetShortcut", "jsfile", "lnkfile",
    "piffile", "regfile", "scrfile", "txtfile", "vbsfile", "file", "ftp", "http", "https",
    "mailto", ".bat", ".cmd", ".com", ".cpl", ".dll", ".exe", ".htm", ".html", ".ini", ".js",
    ".lnk", ".msi", ".pif", ".reg", ".scr", ".sys", ".txt", ".url", ".vbs",
};

bool IsOneOf(const char *text, size_t length, const char *const *list, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        if (std::strlen(list[i]) == length && EqualNoCase(text, list[i], static_cast<int>(length)))
            return true;
    }
    return false;
}

// One name of a path, `length` characters at `name`.
bool IsCleanName(const char *name, size_t length, bool wildcards)
{
    if (length == 0 || length > kMaxName)
        return false;
    if (name[length - 1] == '.' || name[length - 1] == ' ')
        return false;  // also "." and ".."
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || std::strchr("<>:\"/\\|", c))
            return false;
        if ((c == '*' || c == '?') && !wildcards)
            return false;
    }
    size_t base = 0;
    while (base < length && name[base] != '.')
        ++base;
    while (base > 0 && name[base - 1] == ' ')
        --base;
    return !IsOneOf(name, base, kDeviceNames, sizeof kDeviceNames / sizeof *kDeviceNames);
}

// Length of the root of a path: "C:" or "\\server\share"; 0 when the path
// starts with neither.
size_t RootLength(const char *path)
{
    char drive = AsciiUpper(path[0]);
    if (drive >= 'A' && drive <= 'Z' && path[1] == ':')
        return 2;
    if (path[0] != '\\' || path[1] != '\\')
        return 0;
    const char *server = path + 2;
    const char *slash = std::strchr(server, '\\');
    if (!slash || !IsCleanName(server, slash - server, false))
        return 0;
    const char *share = slash + 1;
    size_t shareLength = std::strcspn(share, "\\");
    if (!IsCleanName(share, shareLength, false))
        return 0;
    return share + shareLength - path;
}

bool EqualPath(const char *a, const char *b)
{
    return a && b && IsCleanPath(a) && IsCleanPath(b) && EqualNoCase(a, b);
}

bool InsideAny(const char *path, const char *const *folders, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        if (folders[i] && IsInside(path, folders[i]))
            return true;
    }
    return false;
}

bool EndsWith(const char *text, const char *end)
{
    size_t length = std::strlen(text), endLength = std::strlen(end);
    return length >= endLength && EqualNoCase(text + length - endLength, end);
}

bool MayRemoveFile(const char *path, const Places &places)
{
    if (!IsCleanPath(path))
        return false;
    if (places.destination && IsInside(path, places.destination))
        return true;
    // Only shortcuts of the Start menu and the desktop: the user's own
    // files there are never the setup's.
    return EndsWith(path, ".lnk") && (InsideAny(path, places.startMenus, 2) ||
                                      InsideAny(path, places.desktops, 2));
}

bool MayRemovePattern(const char *pattern, const Places &places)
{
    if (!IsCleanPath(pattern, true) || !places.destination)
        return false;
    const char *name = std::strrchr(pattern, '\\') + 1;
    // "*", "*.*" and the like would take the user's own files as well.
    if (name[std::strspn(name, "*?.")] == '\0')
        return false;
    size_t folderLength = name - 1 - pattern;
    char folder[kMaxPath];
    std::memcpy(folder, pattern, folderLength);
    folder[folderLength] = '\0';
    return EqualPath(folder, places.destination) || IsInside(folder, places.destination);
}

bool MayRemoveFolder(const char *path, const Places &places)
{
    if (!IsCleanPath(path))
        return false;
    return EqualPath(path, places.destination) ||
           (places.destination && IsInside(path, places.destination)) ||
           InsideAny(path, places.startMenus, 2);
}

// One sub-key name: no path, no wildcard, nothing the system gives a
// meaning of its own.
bool IsKeyName(const char *name)
{
    size_t length = std::strlen(name);
    if (length == 0 || length > kMaxName || std::strcmp(name, ".") == 0 ||
        std::strcmp(name, "..") == 0)
        return false;
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == '\\' || c == '*' || c == '?')
            return false;
    }
    return true;
}

}  // namespace

bool IsCleanPath(const char *path, bool wildcardName)
{
    if (!path || std::strlen(path) >= kMaxPath)
        return false;
    size_t root = RootLength(path);
    if (root == 0 || path[root] != '\\')
        return false;
    const char *name = path + root + 1;
    for (;;) {
        size_t length = std::strcspn(name, "\\");
        bool last = name[length] == '\0';
        if (!IsCleanName(name, length, wildcardName && last))
            return false;
        if (last)
            return true;
        name += length + 1;
    }
}

bool IsInside(const char *path, const char *folder)
{
    if (!IsCleanPath(path) || !IsCleanPath(folder))
        return false;
    size_t length = std::strlen(folder);
    return std::strlen(path) > length && path[length] == '\\' &&
           EqualNoCase(path, folder, static_cast<int>(length));
}

bool NamesInside(const char *value, const char *folder)
{
    if (!value || !folder)
        return false;
    char path[kMaxPath];
    const char *start = value;
    size_t length;
    if (*start == '"') {
        ++start;
        const char *quote = std::strchr(start, '"');
        if (!quote)
            return false;
        length = quote - start;
    } else {
        length = std::strlen(start);
    }
    if (length >= sizeof path)
        return false;
    std::memcpy(path, start, length);
    path[length] = '\0';
    return EqualPath(path, folder) || IsInside(path, folder);
}

bool MatchesPattern(const char *name, const char *pattern)
{
    // The classic walk: on a mismatch, let the last "*" take one more
    // character and try again from there.
    const char *star = nullptr;
    const char *resume = nullptr;
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || (*pattern && AsciiUpper(*pattern) == AsciiUpper(*name))) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == '\0';
}

Action Judge(const char *element, const char *text, const Places &places)
{
    struct Kind {
        const char *element;
        Action action;
    };
    static const Kind kKinds[] = {
        {"FILE", Action::RemoveFile},
        {"FILEPATTERN", Action::RemovePattern},
        {"FOLDER", Action::RemoveFolder},
        {"APPKEY", Action::DeleteAppKey},
        {"UNINSTKEY", Action::DeleteUninstallKey},
        {"CLASSKEY", Action::DeleteClassKey},
    };
    Action action = Action::Ignore;
    for (const Kind &kind : kKinds) {
        if (element && EqualNoCase(element, kind.element))
            action = kind.action;
    }
    if (action == Action::Ignore)
        return action;
    if (!text)
        return Action::Refuse;

    bool allowed = false;
    switch (action) {
    case Action::RemoveFile:
        allowed = MayRemoveFile(text, places);
        break;
    case Action::RemovePattern:
        allowed = MayRemovePattern(text, places);
        break;
    case Action::RemoveFolder:
        allowed = MayRemoveFolder(text, places);
        break;
    case Action::DeleteClassKey:
        allowed = IsKeyName(text) &&
                  !IsOneOf(text, std::strlen(text), kSharedClasses,
                           sizeof kSharedClasses / sizeof *kSharedClasses);
        break;
    default:
        allowed = IsKeyName(text);
        break;
    }
    return allowed ? action : Action::Refuse;
}

bool IsProductRecord(Vxml &record)
{
    Vxml *name = record.FindFirst("APPNAME");
    return name && name->GetText() && EqualNoCase(name->GetText(), kProductName);
}
