// The gate: clean paths in UTF-16, the allowed places, links on the way,
// key names and the values that show a key to be this installation's.
#include "uninstall/rules.h"

#include <cstring>

#include "base/paths.h"
#include "base/text.h"
#include "xml/vxml.h"

namespace {

const char kProductName[] = "Velmo";
// The names of the two keys that the setup makes: the program's entry under
// App Paths and the product's entry in the list of installed programs.
const char16_t kAppKeyName[] = u"Velmo.exe";
const char16_t kUninstallKeyName[] = u"Velmo";

// The longest name of a file, a folder or a registry key.
const size_t kMaxName = 255;

// Names that the system keeps for devices, with or without an extension.
const char16_t *const kDeviceNames[] = {
    u"CON",  u"PRN",  u"AUX",  u"NUL",  u"COM1", u"COM2", u"COM3", u"COM4",    u"COM5",
    u"COM6", u"COM7", u"COM8", u"COM9", u"LPT1", u"LPT2", u"LPT3", u"LPT4",    u"LPT5",
    u"LPT6", u"LPT7", u"LPT8", u"LPT9", u"COM0", u"LPT0", u"CONIN$", u"CONOUT$",
};

// Classes below HKEY_CLASSES_ROOT that belong to the system and to every
// program: a record never names them, whatever they hold.
const char16_t *const kSharedClasses[] = {
    u"*", u"AllFilesystemObjects", u"AppID", u"Applications", u"AppX", u"CLSID",
    u"Component Categories", u"DesktopBackground", u"Directory", u"Drive", u"Folder",
    u"Interface", u"Local Settings", u"MIME", u"Network", u"Printers", u"PropertySystem",
    u"SystemFileAssociations", u"TypeLib", u"Unknown", u"WOW6432Node", u"batfile", u"cmdfile",
    u"comfile", u"dllfile", u"exefile", u"htmlfile", u"inifile", u"InternetShortcut", u"jsfile",
    u"lnkfile", u"piffile", u"regfile", u"scrfile", u"txtfile", u"vbsfile", u"file", u"ftp",
    u"http", u"https", u"mailto", u".bat", u".cmd", u".com", u".cpl", u".dll", u".exe", u".htm",
    u".html", u".ini", u".js", u".lnk", u".msi", u".pif", u".reg", u".scr", u".sys", u".txt",
    u".url", u".vbs",
};

bool IsOneOf(const char16_t *text, size_t length, const char16_t *const *list, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        if (Length16(list[i]) == length && SameNoCase16(text, list[i], length))
            return true;
    }
    return false;
}

// One name of a path, `length` code units at `name`.
bool IsCleanName(const char16_t *name, size_t length, bool wildcards)
{
    if (length == 0 || length > kMaxName)
        return false;
    if (name[length - 1] == u'.' || name[length - 1] == u' ')
        return false;  // also "." and ".."
    for (size_t i = 0; i < length; ++i) {
        char16_t c = name[i];
        if (c < 0x20 || c == 0x7F || c == u'<' || c == u'>' || c == u':' || c == u'"' ||
            c == u'/' || c == u'\\' || c == u'|')
            return false;
        if ((c == u'*' || c == u'?') && !wildcards)
            return false;
    }
    size_t base = 0;
    while (base < length && name[base] != u'.')
        ++base;
    while (base > 0 && name[base - 1] == u' ')
        --base;
    return !IsOneOf(name, base, kDeviceNames, sizeof kDeviceNames / sizeof *kDeviceNames);
}

size_t NameLength(const char16_t *name)
{
    size_t length = 0;
    while (name[length] && name[length] != u'\\')
        ++length;
    return length;
}

// Length of the root of a path: "C:" or "\\server\share"; 0 when the path
// starts with neither.
size_t RootLength(const char16_t *path)
{
    char16_t drive = path[0];
    if (((drive >= u'A' && drive <= u'Z') || (drive >= u'a' && drive <= u'z')) && path[1] == u':')
        return 2;
    if (path[0] != u'\\' || path[1] != u'\\')
        return 0;
    const char16_t *server = path + 2;
    size_t serverLength = NameLength(server);
    if (server[serverLength] != u'\\' || !IsCleanName(server, serverLength, false))
        return 0;
    const char16_t *share = server + serverLength + 1;
    size_t shareLength = NameLength(share);
    if (!IsCleanName(share, shareLength, false))
        return 0;
    return share + shareLength - path;
}

bool SamePath(const char16_t *a, const char16_t *b)
{
    return a[0] && IsCleanPath(a) && IsCleanPath(b) && SameText16(a, b);
}

bool EndsWithLnk(const char16_t *path)
{
    size_t length = Length16(path);
    return length >= 4 && SameNoCase16(path + length - 4, u".lnk", 4);
}

// One sub-key name: no path, no wildcard, nothing the system gives a
// meaning of its own.
bool IsKeyName(const char16_t *name)
{
    size_t length = Length16(name);
    if (length == 0 || length > kMaxName || SameText16(name, u".") || SameText16(name, u".."))
        return false;
    for (size_t i = 0; i < length; ++i) {
        char16_t c = name[i];
        if (c < 0x20 || c == 0x7F || c == u'\\' || c == u'*' || c == u'?')
            return false;
    }
    return true;
}

bool IsClassName(const char16_t *name)
{
    return IsKeyName(name) &&
           !IsOneOf(name, Length16(name), kSharedClasses,
                    sizeof kSharedClasses / sizeof *kSharedClasses);
}

// The program that a command names: the text in quotes when it starts with
// one, else the whole text. False when it does not fit or a quote is open.
bool CommandProgram(const char16_t *value, char16_t *program)
{
    const char16_t *start = value;
    size_t length;
    if (*start == u'"') {
        ++start;
        length = 0;
        while (start[length] && start[length] != u'"')
            ++length;
        if (!start[length])
            return false;
    } else {
        length = Length16(start);
    }
    if (length >= kMaxPath)
        return false;
    std::memcpy(program, start, length * sizeof *program);
    program[length] = u'\0';
    return true;
}

// `key` of a KeyEntry is "shell\<verb>" (withCommand off) or
// "shell\<verb>\command" (on) for a single verb name.
bool IsVerbKey(const char16_t *key, bool withCommand)
{
    if (!SameNoCase16(key, u"shell\\", 6))
        return false;
    const char16_t *verb = key + 6;
    size_t length = NameLength(verb);
    if (length == 0)
        return false;
    if (!withCommand)
        return verb[length] == u'\0';
    return verb[length] == u'\\' && SameText16(verb + length + 1, u"command");
}

// True when a string value names a file by its absolute path (in quotes or
// not), as a command, an icon or a folder does.
bool NamesAPath(const char16_t *data)
{
    const char16_t *start = data[0] == u'"' ? data + 1 : data;
    bool drive = ((start[0] >= u'A' && start[0] <= u'Z') || (start[0] >= u'a' && start[0] <= u'z')) &&
                 start[1] == u':';
    return drive || (start[0] == u'\\' && start[1] == u'\\');
}

// A class that this installation registered: only "DefaultIcon", "shell"
// and verbs with their commands in it, every command and the icon inside
// the folder, at least one command, and no other value that names a file
// elsewhere.
bool IsOurClass(const KeyTree &tree, const char16_t *folder)
{
    if (!tree.exists || !tree.complete || !folder[0])
        return false;
    int commands = 0;
    for (size_t i = 0; i < tree.count; ++i) {
        const KeyEntry &entry = tree.entries[i];
        const char16_t *key = entry.key;
        bool top = key[0] == u'\0', icon = SameText16(key, u"DefaultIcon"),
             shell = SameText16(key, u"shell"), verb = IsVerbKey(key, false),
             command = IsVerbKey(key, true);
        if (!top && !icon && !shell && !verb && !command)
            return false;
        if (!entry.value)
            continue;
        if (top || shell || verb) {
            if (entry.data && NamesAPath(entry.data) && !NamesInside(entry.data, folder))
                return false;
            continue;
        }
        // A value of the icon or of a command: the default one, naming a
        // file inside the folder.
        if (entry.value[0] || !entry.data || !NamesInside(entry.data, folder))
            return false;
        if (command)
            ++commands;
    }
    return commands > 0;
}

// The string value `name` of the key itself; nullptr when it is absent or
// no string.
const char16_t *TopValue(const KeyTree &tree, const char16_t *name)
{
    for (size_t i = 0; i < tree.count; ++i) {
        const KeyEntry &entry = tree.entries[i];
        if (entry.key[0] == u'\0' && entry.value && SameText16(entry.value, name))
            return entry.data;
    }
    return nullptr;
}

bool HasSubKeys(const KeyTree &tree)
{
    for (size_t i = 0; i < tree.count; ++i) {
        if (tree.entries[i].key[0] != u'\0')
            return true;
    }
    return false;
}

// A key with nothing in it: no value and no key below it. A setup that was
// ended between making one of its keys and writing the key's first value
// leaves one.
bool HoldsNothing(const KeyTree &tree)
{
    for (size_t i = 0; i < tree.count; ++i) {
        if (tree.entries[i].key[0] != u'\0' || tree.entries[i].value)
            return false;
    }
    return true;
}

}  // namespace

bool IsCleanPath(const char16_t *path, bool wildcardName)
{
    if (!path || Length16(path) >= kMaxPath)
        return false;
    size_t root = RootLength(path);
    if (root == 0 || path[root] != u'\\')
        return false;
    const char16_t *name = path + root + 1;
    for (;;) {
        size_t length = NameLength(name);
        bool last = name[length] == u'\0';
        if (!IsCleanName(name, length, wildcardName && last))
            return false;
        if (last)
            return true;
        name += length + 1;
    }
}

bool IsInside(const char16_t *path, const char16_t *folder)
{
    if (!IsCleanPath(path) || !IsCleanPath(folder))
        return false;
    size_t length = Length16(folder);
    return Length16(path) > length && path[length] == u'\\' &&
           SameNoCase16(path, folder, length);
}

bool NamesInside(const char16_t *value, const char16_t *folder)
{
    char16_t path[kMaxPath];
    return value && folder && CommandProgram(value, path) && IsInside(path, folder);
}

bool MatchesPattern(const char16_t *name, const char16_t *pattern)
{
    // The classic walk: on a mismatch, let the last "*" take one more
    // character and try again from there.
    const char16_t *star = nullptr;
    const char16_t *resume = nullptr;
    while (*name) {
        if (*pattern == u'*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == u'?' || (*pattern && SameNoCase16(pattern, name, 1))) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == u'*')
        ++pattern;
    return *pattern == u'\0';
}

void Widen(const Places &places, const char *program, WidePlaces &wide)
{
    auto convert = [](const char *from, char16_t *to) {
        if (!from || !AnsiToUtf16(from, to, kMaxPath))
            to[0] = u'\0';
    };
    convert(places.destination, wide.destination);
    for (int i = 0; i < 2; ++i) {
        convert(places.startMenus[i], wide.startMenus[i]);
        convert(places.desktops[i], wide.desktops[i]);
    }
    convert(program, wide.program);
}

Gate::Gate(const WidePlaces &places, DiskView &disk)
    : places_(places), destination_(places.destination), program_(places.program), disk_(disk)
{
}

Approved Gate::Judge(const char *element, const char *text)
{
    char16_t wide[kMaxPath];
    // A text that does not convert, or is too long for any path, is judged
    // as an empty one: refused.
    if (text && !AnsiToUtf16(text, wide, kMaxPath))
        wide[0] = u'\0';
    return Judge16(element, text ? wide : nullptr);
}

Approved Gate::Judge16(const char *element, const char16_t *text)
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
    Approved verdict;
    if (action == Action::Ignore) {
        verdict.action_ = Action::Ignore;
        return verdict;
    }
    if (!text || Length16(text) >= kMaxPath)
        return verdict;
    return Decide(action, text);
}

Approved Gate::Decide(Action action, const char16_t *text)
{
    Approved verdict;
    const char16_t *place = nullptr;
    switch (action) {
    case Action::RemoveFile:
        if (!IsCleanPath(text))
            break;
        if (IsInside(text, destination_))
            place = destination_;
        // Only shortcuts of the Start menu and the desktop: the user's own
        // files there are never the setup's.
        for (int i = 0; i < 2 && !place && EndsWithLnk(text); ++i) {
            if (IsInside(text, places_.startMenus[i]))
                place = places_.startMenus[i];
            else if (IsInside(text, places_.desktops[i]))
                place = places_.desktops[i];
        }
        break;
    case Action::RemovePattern: {
        if (!IsCleanPath(text, true))
            break;
        size_t slash = Length16(text);
        while (text[slash - 1] != u'\\')
            --slash;
        const char16_t *name = text + slash;
        // "*", "*.*" and the like would take the user's own files as well.
        bool specific = false;
        for (const char16_t *c = name; *c; ++c)
            specific = specific || (*c != u'*' && *c != u'?' && *c != u'.');
        char16_t folder[kMaxPath];
        std::memcpy(folder, text, (slash - 1) * sizeof *folder);
        folder[slash - 1] = u'\0';
        if (specific && (SamePath(folder, destination_) || IsInside(folder, destination_))) {
            place = destination_;
            // The wildcard name is no component of the disk.
            if (!PassesDisk(folder, place))
                place = nullptr;
            else
                verdict.action_ = action;
        }
        if (verdict.action_ == action) {
            std::memcpy(verdict.target_, text, (Length16(text) + 1) * sizeof *text);
            verdict.placeLength_ = Length16(place);
        }
        return verdict;
    }
    case Action::RemoveFolder:
        if (!IsCleanPath(text))
            break;
        if (SamePath(text, destination_) || IsInside(text, destination_))
            place = destination_;
        for (int i = 0; i < 2 && !place; ++i) {
            if (IsInside(text, places_.startMenus[i]))
                place = places_.startMenus[i];
        }
        break;
    case Action::DeleteClassKey:
        if (IsClassName(text))
            verdict.action_ = action;
        break;
    case Action::DeleteAppKey:
    case Action::DeleteUninstallKey:
        if (IsKeyName(text))
            verdict.action_ = action;
        break;
    default:
        break;
    }
    if (place && PassesDisk(text, place, &verdict.absent_)) {
        verdict.action_ = action;
        verdict.placeLength_ = Length16(place);
    }
    if (verdict.action_ == action)
        std::memcpy(verdict.target_, text, (Length16(text) + 1) * sizeof *text);
    return verdict;
}

bool Gate::PassesDisk(const char16_t *path, const char16_t *place, bool *absent)
{
    size_t placeLength = Length16(place);
    size_t length = Length16(path);
    if (length <= placeLength)
        return true;  // the place itself
    // The folder of the path: when it passed for the last path, only the
    // path itself is left to look at.
    size_t folderLength = length;
    while (path[folderLength - 1] != u'\\')
        --folderLength;
    --folderLength;
    size_t from = placeLength + 1;
    if (folderLength > placeLength && Length16(passed_) == folderLength &&
        std::memcmp(passed_, path, folderLength * sizeof *path) == 0) {
        // A folder found missing holds nothing to remove (a folder made
        // since could only keep something from being removed).
        if (passedAbsent_) {
            if (absent)
                *absent = true;
            return true;
        }
        from = folderLength + 1;
    }
    bool folderAbsent = false;
    char16_t prefix[kMaxPath];
    for (size_t end = from; end <= length; ++end) {
        if (path[end] != u'\\' && path[end] != u'\0')
            continue;
        std::memcpy(prefix, path, end * sizeof *path);
        prefix[end] = u'\0';
        DiskView::Kind kind = disk_.Look(prefix);
        if (kind == DiskView::Link || kind == DiskView::Unknown)
            return false;
        // Nothing below a missing name or a file: the removal finds it gone.
        if (kind == DiskView::Absent || (kind == DiskView::File && end < length)) {
            if (absent)
                *absent = true;
            folderAbsent = end < length;
            break;
        }
    }
    if (folderLength > placeLength) {
        std::memcpy(passed_, path, folderLength * sizeof *path);
        passed_[folderLength] = u'\0';
        passedAbsent_ = folderAbsent;
    }
    return true;
}

Approved Gate::JudgeFound(const Approved &pattern, const char16_t *name)
{
    Approved verdict;
    if (pattern.action_ != Action::RemovePattern || !name)
        return verdict;
    const char16_t *text = pattern.target_;
    size_t slash = Length16(text);
    while (text[slash - 1] != u'\\')
        --slash;
    size_t nameLength = Length16(name);
    if (!IsCleanName(name, nameLength, false) || !MatchesPattern(name, text + slash) ||
        slash + nameLength >= kMaxPath)
        return verdict;
    char16_t path[kMaxPath];
    std::memcpy(path, text, slash * sizeof *path);
    std::memcpy(path + slash, name, (nameLength + 1) * sizeof *path);
    return Decide(Action::RemoveFile, path);
}

Approved Gate::JudgeClassName(const char16_t *name) const
{
    Approved verdict;
    if (name && IsClassName(name) && name[0] != u'.') {
        verdict.action_ = Action::DeleteClassKey;
        std::memcpy(verdict.target_, name, (Length16(name) + 1) * sizeof *name);
    }
    return verdict;
}

Approved Gate::ClaimKey(const Approved &key, const KeyTree &tree, const KeyTree *typeClass) const
{
    Approved verdict = key;
    verdict.owned_ = false;
    if (!tree.exists || !tree.complete || !destination_[0])
        return verdict;
    switch (key.action_) {
    // A key of the setup's own name that holds nothing is the setup's too:
    // removing it loses nothing.
    case Action::DeleteAppKey:
        verdict.owned_ = !HasSubKeys(tree) &&
                         (NamesInside(TopValue(tree, u""), destination_) ||
                          (HoldsNothing(tree) && SameText16(key.target_, kAppKeyName)));
        break;
    case Action::DeleteUninstallKey: {
        const char16_t *command = TopValue(tree, u"UninstallString");
        char16_t program[kMaxPath];
        verdict.owned_ = !HasSubKeys(tree) &&
                         ((command && CommandProgram(command, program) && program_[0] &&
                           SamePath(program, program_)) ||
                          (HoldsNothing(tree) && SameText16(key.target_, kUninstallKeyName)));
        break;
    }
    case Action::DeleteClassKey:
        if (key.target_[0] != u'.') {
            verdict.owned_ = IsOurClass(tree, destination_);
        } else {
            // A file type: its default value names a class of this
            // installation, and it holds nothing below it.
            const char16_t *type = TopValue(tree, u"");
            verdict.owned_ = !HasSubKeys(tree) && typeClass &&
                             JudgeClassName(type).action_ == Action::DeleteClassKey &&
                             IsOurClass(*typeClass, destination_);
        }
        break;
    default:
        break;
    }
    return verdict;
}

bool Gate::IsProgram(const Approved &file) const
{
    return file.action_ == Action::RemoveFile && program_[0] && SameText16(file.target_, program_);
}

bool Gate::IsDestination(const Approved &folder) const
{
    return folder.action_ == Action::RemoveFolder && SamePath(folder.target_, destination_);
}

bool IsProductRecord(Vxml &record)
{
    Vxml *name = record.FindFirst("APPNAME");
    return name && name->GetText() && EqualNoCase(name->GetText(), kProductName);
}
