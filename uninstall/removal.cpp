// The removal through the file system and the registry, in UTF-16, acting
// only on what the gate approved.
#include "uninstall/removal.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "base/format.h"
#include "base/holders.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/volume_names.h"
#include "product/registry_keys.h"
#include "uninstall/leftovers.h"
#include "xml/vxml.h"

namespace {

const WCHAR *Wide(const char16_t *text)
{
    return reinterpret_cast<const WCHAR *>(text);
}

// A UTF-16 text in the ANSI code page for the final message; characters
// the code page lacks become "?", never a look-alike.
void Narrow(const char16_t *text, char *out, int size)
{
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, Wide(text), -1, out, size, "?",
                            nullptr) <= 0)
        CopyText(out, size, "?");
}

// True when the system opens the file `path` somewhere else than in its
// folder: a link that its attributes do not show (a Unix symbolic link to a
// file under Wine, say). The folder itself may lie anywhere: the gate looks
// at every component from its place down, and a folder that is a link shows
// as a reparse point.
bool ResolvesElsewhere(const char16_t *path)
{
    static FolderOnVolume lastFolder;
    char16_t self[kVolumeNameSize];
    size_t length = Length16(path), cut = length;
    while (cut > 0 && path[cut - 1] != u'\\')
        --cut;
    return cut >= 2 && length < kMaxPath && NameOnVolume(path, self) &&
           !lastFolder.Holds(path, cut - 1, false, self, path + cut);
}

// What the registry holds in and below one key, read for the gate: at most
// kEntries keys and values, kDepth levels down; strings longer than a path
// count as no strings.
class KeyReader {
public:
    static const size_t kEntries = 64;
    static const int kDepth = 4;

    ~KeyReader()
    {
        for (size_t i = 0; i < count_; ++i) {
            std::free(stored_[i].key);
            std::free(stored_[i].value);
            std::free(stored_[i].data);
        }
    }

    // Reads `name` below `root`.
    const KeyTree &Read(HKEY root, const char16_t *name)
    {
        RegKey key;
        LONG result = key.OpenWide(root, Wide(name), KEY_READ);
        tree_.exists = result != ERROR_FILE_NOT_FOUND;
        tree_.complete = result == ERROR_SUCCESS && Walk(key.get(), u"", 0);
        tree_.entries = entries_;
        tree_.count = count_;
        return tree_;
    }

private:
    bool Add(const char16_t *key, const char16_t *value, const char16_t *data)
    {
        if (count_ >= kEntries)
            return false;
        Stored &slot = stored_[count_];
        slot.key = Copy(key);
        slot.value = value ? Copy(value) : nullptr;
        slot.data = data ? Copy(data) : nullptr;
        if (!slot.key || (value && !slot.value) || (data && !slot.data))
            return false;
        entries_[count_++] = {slot.key, slot.value, slot.data};
        return true;
    }

    static char16_t *Copy(const char16_t *text)
    {
        size_t size = (Length16(text) + 1) * sizeof *text;
        char16_t *copy = static_cast<char16_t *>(std::malloc(size));
        if (copy)
            std::memcpy(copy, text, size);
        return copy;
    }

    // The key at `path` (below the named one), its values and its sub-keys.
    bool Walk(HKEY key, const char16_t *path, int depth)
    {
        if (!Add(path, nullptr, nullptr))
            return false;
        for (DWORD i = 0;; ++i) {
            WCHAR name[kMaxPath];
            WCHAR data[kMaxPath];
            DWORD nameLength = kMaxPath, size = sizeof data - sizeof *data, type = 0;
            LONG result = RegEnumValueW(key, i, name, &nameLength, nullptr, &type,
                                        reinterpret_cast<BYTE *>(data), &size);
            bool tooLong = result == ERROR_MORE_DATA;
            if (tooLong) {
                nameLength = kMaxPath;
                result = RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, nullptr);
            }
            if (result == ERROR_NO_MORE_ITEMS)
                break;
            if (result != ERROR_SUCCESS)
                return false;
            // A value too long for `data` has no text here; `size` holds the
            // size it would need.
            data[tooLong ? 0 : size / sizeof *data] = L'\0';
            bool text = !tooLong && (type == REG_SZ || type == REG_EXPAND_SZ);
            if (!Add(path, reinterpret_cast<char16_t *>(name),
                     text ? reinterpret_cast<char16_t *>(data) : nullptr))
                return false;
        }
        for (DWORD i = 0;; ++i) {
            WCHAR name[kMaxPath];
            DWORD nameLength = kMaxPath;
            LONG result =
                RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
            if (result == ERROR_NO_MORE_ITEMS)
                break;
            if (result != ERROR_SUCCESS || depth + 1 >= kDepth)
                return false;
            char16_t subPath[kMaxPath * 2];
            size_t pathLength = Length16(path);
            size_t nameSize = (nameLength + 1) * sizeof(char16_t);
            if (pathLength + nameLength + 2 >= kMaxPath)
                return false;
            std::memcpy(subPath, path, pathLength * sizeof *subPath);
            if (pathLength)
                subPath[pathLength++] = u'\\';
            std::memcpy(subPath + pathLength, name, nameSize);
            RegKey sub;
            if (sub.OpenWide(key, name, KEY_READ) != ERROR_SUCCESS ||
                !Walk(sub.get(), subPath, depth + 1))
                return false;
        }
        return true;
    }

    struct Stored {
        char16_t *key;
        char16_t *value;
        char16_t *data;
    };
    Stored stored_[kEntries] = {};
    KeyEntry entries_[kEntries] = {};
    size_t count_ = 0;
    KeyTree tree_;
};

// The full name of a key for the message.
void FormatKeyName(char *out, size_t size, bool classes, const char *parent, const char *name)
{
    FormatText(out, size, "%s\\%s%s%s", classes ? "HKEY_CLASSES_ROOT" : "HKEY_LOCAL_MACHINE",
               parent ? parent : "", parent ? "\\" : "", name ? name : "");
}

// Deletes the keys of a tree that the gate claimed, the deepest first, and
// the key itself last; a key that gained sub-keys since it was read is not
// deleted. True when the key is gone.

bool DeleteClaimed(HKEY parent, const char16_t *name, const KeyTree &tree)
{
    RegKey key;
    LONG result = key.OpenWide(parent, Wide(name), KEY_READ | KEY_WRITE);
    if (result == ERROR_FILE_NOT_FOUND)
        return true;
    if (result != ERROR_SUCCESS)
        return false;
    for (size_t i = tree.count; i-- > 0;) {
        const KeyEntry &entry = tree.entries[i];
        if (entry.value || entry.key[0] == u'\0')
            continue;
        result = RegDeleteKeyW(key.get(), Wide(entry.key));
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
            return false;
    }
    key.Close();
    result = RegDeleteKeyW(parent, Wide(name));
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

}  // namespace

DiskView::Kind SystemDisk::Look(const char16_t *path)
{
    DWORD attributes = GetFileAttributesW(Wide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return IsGone(GetLastError()) ? Absent : Unknown;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return Link;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return Folder;
    return ResolvesElsewhere(path) ? Link : File;
}

bool IsGone(unsigned long error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

Removal::Removal(Vxml &record, const Places &places, const char *program, const char *recordPath,
                 Leftovers &leftovers, RemovalView *view, DiskView *disk)
    : record_(record), recordPath_(recordPath), gate_(places_, disk ? *disk : disk_),
      leftovers_(leftovers), view_(view)
{
    Widen(places, program, places_);
}

void Removal::Run()
{
    // Every element that asks for a removal is a step; judging one without
    // its text costs nothing.
    for (Vxml *element = record_.FirstChild(); element; element = element->NextSibling()) {
        if (gate_.Judge(element->GetName(), nullptr).action() != Action::Ignore)
            ++total_;
    }
    Walk("FILE", false);
    Walk("FILEPATTERN", false);
    // Folders were recorded parents first: backwards, each one comes after
    // the folders inside it.
    Walk("FOLDER", true);
    Walk("APPKEY", false);
    Walk("UNINSTKEY", false);
    // A file type is judged by the class it names: before that class goes.
    Walk("CLASSKEY", false, 1);
    Walk("CLASSKEY", false, 0);
}

void Removal::Walk(const char *name, bool reverse, int fileTypes)
{
    Vxml *element = reverse ? record_.FindLast(name) : record_.FindFirst(name);
    for (; element; element = reverse ? record_.FindPrev() : record_.FindNext()) {
        const char *text = element->GetText();
        if (fileTypes >= 0 && (text && text[0] == '.') != (fileTypes == 1))
            continue;
        Approved verdict = gate_.Judge(element->GetName(), text);
        Action action = verdict.action();
        bool key = action == Action::DeleteAppKey || action == Action::DeleteUninstallKey ||
                   action == Action::DeleteClassKey;
        if (view_)
            view_->Step(++done_, total_, key ? nullptr : text);
        if (action == Action::Refuse)
            leftovers_.Add(Leftovers::Refused, text);
        else
            Act(verdict, text);
    }
}

void Removal::Act(const Approved &verdict, const char *text)
{
    switch (verdict.action()) {
    case Action::RemoveFile:
        // The record names itself; it goes last.
        if (!SameFolder(text, recordPath_))
            RemoveFile(verdict, text);
        break;
    case Action::RemovePattern:
        RemovePattern(verdict, text);
        break;
    case Action::RemoveFolder:
        RemoveFolder(verdict, text);
        break;
    case Action::DeleteAppKey:
    case Action::DeleteUninstallKey:
    case Action::DeleteClassKey:
        DeleteKey(verdict, text);
        break;
    default:
        break;
    }
}

// The gate looked at every component of the path, and any of them could
// have been replaced by a link since (a folder by a junction to the user's
// own files), so nothing is deleted by its path: the file or folder is
// opened for deletion, as itself where it is a link, and deleted through
// that handle only when the system reached it below its place (or, for the
// place itself, as the place), under the name that the gate approved.
// Whatever happens to the path after the open, the handle holds what was
// checked. INVALID_HANDLE_VALUE with the last error ERROR_CANT_ACCESS_FILE
// when the system reached something else, ERROR_DIRECTORY when a folder is
// a file or the other way round, or the open's own error.
HANDLE Removal::OpenBelowPlace(const Approved &item, bool folder)
{
    const char16_t *target = item.target();
    size_t length = Length16(target), placeLength = item.placeLength();
    HANDLE handle = CreateFileW(Wide(target), DELETE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT |
                                    (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0),
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return handle;
    // The place itself may lie anywhere: where its name leads is where the
    // record's paths below it are. The destination's name is looked up once,
    // at its first item: a folder put in its place later leads nowhere.
    const char16_t *destination = places_.destination;
    FolderOnVolume &place = placeLength == Length16(destination) &&
                                    SameNoCase16(target, destination, placeLength)
                                ? destination_
                                : otherPlace_;
    const char16_t *placeName = place.Name(target, placeLength, true);
    char16_t self[kVolumeNameSize];
    DWORD error = ERROR_SUCCESS;
    if (!placeName || placeLength > length || !NameOnVolume(handle, self) ||
        !(placeLength == length ? SameText16(self, placeName)
                                : IsNameBelow(self, placeName, target + placeLength + 1)))
        error = ERROR_CANT_ACCESS_FILE;
    // A folder element removes a folder only, a file element a file only.
    DWORD attributes, names;
    if (error == ERROR_SUCCESS && (!AttributesAndNames(handle, attributes, names) ||
                                   !(attributes & FILE_ATTRIBUTE_DIRECTORY) != !folder))
        error = ERROR_DIRECTORY;
    if (error == ERROR_SUCCESS)
        return handle;
    CloseHandle(handle);
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

DWORD Removal::Delete(const Approved &item, bool folder)
{
    // Before Windows Vista the system cannot tell where a handle leads.
    if (!VolumeNamesKnown()) {
        BOOL deleted = folder ? RemoveDirectoryW(Wide(item.target()))
                              : DeleteFileW(Wide(item.target()));
        return deleted ? ERROR_SUCCESS : GetLastError();
    }
    HANDLE handle = OpenBelowPlace(item, folder);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD error = DeleteOpenFile(handle) ? ERROR_SUCCESS : GetLastError();
    CloseHandle(handle);
    return error;
}

void Removal::RemoveFile(const Approved &file, const char *shown)
{
    // The running uninstaller goes with the finish run.
    if (file.action() != Action::RemoveFile || file.absent() || gate_.IsProgram(file))
        return;
    DWORD error = Delete(file, false);
    if (error == ERROR_CANT_ACCESS_FILE)
        leftovers_.Add(Leftovers::Refused, shown);
    else if (error != ERROR_SUCCESS && !IsGone(error))
        leftovers_.Add(Leftovers::File, shown);
}

bool Removal::OpenForFinish(bool withFolder, HANDLE &program, HANDLE &folder)
{
    program = folder = nullptr;
    if (!VolumeNamesKnown())
        return true;
    Approved file = gate_.Judge16("FILE", places_.program);
    HANDLE opened = file.action() == Action::RemoveFile ? OpenBelowPlace(file, false)
                                                        : INVALID_HANDLE_VALUE;
    if (opened == INVALID_HANDLE_VALUE)
        return false;
    SetHandleInformation(opened, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    program = opened;
    if (!withFolder)
        return true;
    // The folder is the place itself: opened as itself, under the name the
    // removal found it by.
    Approved own = gate_.Judge16("FOLDER", places_.destination);
    opened = own.action() == Action::RemoveFolder ? OpenBelowPlace(own, true)
                                                  : INVALID_HANDLE_VALUE;
    if (opened != INVALID_HANDLE_VALUE) {
        SetHandleInformation(opened, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        folder = opened;
    }
    return true;
}

void Removal::RemoveRecord()
{
    Approved record = gate_.Judge("FILE", recordPath_);
    if (record.action() == Action::RemoveFile)
        RemoveFile(record, recordPath_);
    else
        leftovers_.Add(Leftovers::Refused, recordPath_);
}

void Removal::RemovePattern(const Approved &pattern, const char *)
{
    if (pattern.action() != Action::RemovePattern)
        return;
    const char16_t *name = pattern.target() + Length16(pattern.target());
    while (name[-1] != u'\\')
        --name;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(pattern.target()), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const char16_t *foundName = reinterpret_cast<const char16_t *>(found.cFileName);
        // The system matches the short names as well; only a file whose
        // own name matches is meant.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !MatchesPattern(foundName, name))
            continue;
        Approved file = gate_.JudgeFound(pattern, foundName);
        // The found name behind the pattern's folder, for the message.
        char16_t joined[2 * kMaxPath];
        size_t folderLength = name - pattern.target();
        size_t nameLength = Length16(foundName);
        std::memcpy(joined, pattern.target(), folderLength * sizeof *joined);
        std::memcpy(joined + folderLength, foundName, (nameLength + 1) * sizeof *joined);
        char full[4 * kMaxPath];
        Narrow(joined, full, sizeof full);
        if (file.action() == Action::RemoveFile)
            RemoveFile(file, full);
        else
            leftovers_.Add(Leftovers::Refused, full);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

void Removal::RemoveFolder(const Approved &folder, const char *shown)
{
    if (folder.action() != Action::RemoveFolder)
        return;
    if (gate_.IsDestination(folder)) {
        removesOwnFolder_ = true;
        return;
    }
    if (folder.absent())
        return;
    DWORD error = Delete(folder, true);
    if (error == ERROR_SUCCESS)
        return;
    if (error == ERROR_CANT_ACCESS_FILE) {
        leftovers_.Add(Leftovers::Refused, shown);
        return;
    }
    // A folder that still holds what the record does not name (the user's
    // own files) stays as it should; one that cannot be removed otherwise
    // is a failure.
    if (error == ERROR_DIR_NOT_EMPTY)
        leftovers_.Add(Leftovers::Folder, shown);
    else if (!IsGone(error))
        leftovers_.Add(Leftovers::Locked, shown);
}

void Removal::DeleteKey(const Approved &key, const char *shown)
{
    HKEY root = HKEY_LOCAL_MACHINE;
    const char *parentName = nullptr;
    if (key.action() == Action::DeleteAppKey)
        parentName = kAppPathsKey;
    else if (key.action() == Action::DeleteUninstallKey)
        parentName = kUninstallKey;
    else
        root = HKEY_CLASSES_ROOT;
    RegKey parent;
    if (parentName) {
        LONG result = parent.Open(root, parentName, KEY_READ | KEY_WRITE);
        if (result == ERROR_FILE_NOT_FOUND)
            return;
        if (result != ERROR_SUCCESS) {
            leftovers_.Add(Leftovers::Key, shown);
            return;
        }
    }
    HKEY base = parentName ? parent.get() : root;
    KeyReader reader, classReader;
    const KeyTree &tree = reader.Read(base, key.target());
    // A file type is judged together with the class it names.
    const KeyTree *typeClass = nullptr;
    const char16_t *type = nullptr;
    for (size_t i = 0; i < tree.count && key.target()[0] == u'.'; ++i) {
        const KeyEntry &entry = tree.entries[i];
        if (entry.key[0] == u'\0' && entry.value && entry.value[0] == u'\0')
            type = entry.data;
    }
    Approved className = gate_.JudgeClassName(type);
    if (className.action() == Action::DeleteClassKey)
        typeClass = &classReader.Read(HKEY_CLASSES_ROOT, className.target());

    Approved claimed = gate_.ClaimKey(key, tree, typeClass);
    if (!tree.exists)
        return;
    // Another program's key, or one that another installation took over,
    // stays as it is, and the message says so.
    if (!claimed.owned()) {
        leftovers_.Add(Leftovers::Foreign, shown);
        return;
    }
    if (!DeleteClaimed(base, claimed.target(), tree)) {
        char full[600];
        FormatKeyName(full, sizeof full, root == HKEY_CLASSES_ROOT, parentName, shown);
        leftovers_.Add(Leftovers::Key, full);
    }
}
