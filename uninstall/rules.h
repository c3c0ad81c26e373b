// What the uninstaller may act on, and the one gate through which it acts.
//
// The record, the names a folder listing returns and the registry are input
// that a user may have written, while the uninstaller runs as an
// administrator. The approach:
// - UTF-16 throughout. Each record text is converted from the ANSI code page
//   once, when it is judged, and the removal uses the system's wide
//   functions only: a name that a listing returns never passes through a
//   code page (whose best-fit table turns full-width characters into "\",
//   "/", "." or ":"), and the second byte of a double-byte character is
//   never taken for a separator or folded as a letter.
// - Paths compare as the file system compares them (base/paths.h), the
//   comparison that the setup uses for its folders too.
// - Every operation passes the Gate, which judges the final path it will act
//   on: a name that a listing returned is joined to its folder and the whole
//   is judged again. Before approving, the gate asks the disk about every
//   component below the place that allows the path, the path itself
//   included: a link of any kind (a junction, a symbolic link, a mount
//   point, or a component that the system resolves elsewhere) refuses it,
//   so nothing is followed out of the places.
// - The removal can act only on an Approved, which only the Gate makes; a
//   registry key only once the Gate has seen, in the key itself, a value
//   that names this installation (ClaimKey), never because a value deep
//   inside it does.
#pragma once

#include <cstddef>

class Vxml;

// The longest path the uninstaller acts on, the terminating NUL included,
// in UTF-16 code units.
const size_t kMaxPath = 260;

// The places a setup run writes to, as absolute paths without a trailing
// backslash in the ANSI code page; nullptr where a place is unknown. A
// place that is not a clean path below a drive or share (a drive root, say)
// allows nothing.
struct Places {
    const char *destination = nullptr;              // the uninstaller's own folder
    const char *startMenus[2] = {nullptr, nullptr}; // Start-menu Programs folders
    const char *desktops[2] = {nullptr, nullptr};   // desktop folders
};

// The same places and the running uninstaller in UTF-16; empty where
// unknown.
struct WidePlaces {
    char16_t destination[kMaxPath] = {};
    char16_t startMenus[2][kMaxPath] = {};
    char16_t desktops[2][kMaxPath] = {};
    char16_t program[kMaxPath] = {};
};

// The places converted once from the ANSI code page; a place that does not
// convert stays empty and allows nothing.
void Widen(const Places &places, const char *program, WidePlaces &wide);

enum class Action {
    Ignore,             // not a removal (APPNAME, unknown element names)
    RemoveFile,
    RemovePattern,      // the files of the folder whose names match
    RemoveFolder,       // only when empty
    DeleteAppKey,       // sub-key of App Paths below HKEY_LOCAL_MACHINE
    DeleteUninstallKey, // sub-key of Uninstall below HKEY_LOCAL_MACHINE
    DeleteClassKey,     // key directly below HKEY_CLASSES_ROOT
    Refuse,             // a removal the record may not ask for
};

// What the gate asks of the disk.
class DiskView {
public:
    enum Kind {
        Absent,   // nothing of that name (nor anything below it)
        File,
        Folder,
        Link,     // a reparse point, or a name the system resolves elsewhere
        Unknown,  // could not be looked at
    };
    virtual ~DiskView() = default;
    virtual Kind Look(const char16_t *path) = 0;
};

// What the registry holds in and below a key that the record names, as far
// as the removal read it: one entry per key (value nullptr) and one per
// value. `key` is the path of the key below the named one ("" for the named
// key itself, "shell\open\command"), `value` the value's name ("" for the
// default value), `data` a string value's text (nullptr for other types).
struct KeyEntry {
    const char16_t *key;
    const char16_t *value;
    const char16_t *data;
};
struct KeyTree {
    bool exists = false;
    bool complete = true;   // false when the walk stopped at its bounds
    const KeyEntry *entries = nullptr;
    size_t count = 0;
};

// A decision of the gate: what may be done to which path or key. Only the
// Gate makes one; the removal acts on nothing else.
class Approved {
public:
    Action action() const { return action_; }
    // The path or key name in UTF-16 (empty when refused).
    const char16_t *target() const { return target_; }
    // For keys: whether ClaimKey found the key to be this installation's.
    bool owned() const { return owned_; }
    // For files and folders: the disk holds nothing of that name, so there
    // is nothing to remove.
    bool absent() const { return absent_; }
    // For files, patterns and folders: how many code units at the start of
    // the target are the place that allows it (the destination, a Start-menu
    // or desktop folder); the rest lies below the place.
    size_t placeLength() const { return placeLength_; }

private:
    friend class Gate;
    Approved() = default;
    Action action_ = Action::Refuse;
    bool owned_ = false;
    bool absent_ = false;
    size_t placeLength_ = 0;
    char16_t target_[kMaxPath] = {};
};

class Gate {
public:
    // `disk` is asked about every component of a path before it is
    // approved.
    Gate(const WidePlaces &places, DiskView &disk);

    // A record element: its name and its text in the ANSI code page.
    Approved Judge(const char *element, const char *text);
    // The same for a text already in UTF-16.
    Approved Judge16(const char *element, const char16_t *text);
    // A name that a listing of the folder of an approved pattern returned:
    // approved for RemoveFile when the name itself matches the pattern and
    // the joined path passes like any record file.
    Approved JudgeFound(const Approved &pattern, const char16_t *name);
    // A key name approved by Judge, with what the registry holds there:
    // owned only when a value in the key positively names this installation
    // (App Paths: its program lies in this folder; Uninstall: its uninstall
    // command is this uninstaller; a class: each of its commands and its
    // icon lie in this folder and it holds nothing else; a file type: it
    // names such a class, whose tree is `typeClass`, and holds no sub-key).
    Approved ClaimKey(const Approved &key, const KeyTree &tree,
                      const KeyTree *typeClass = nullptr) const;
    // A class that a file type names: judged like a CLASSKEY element.
    Approved JudgeClassName(const char16_t *name) const;

    // True when path is the running uninstaller, which the finish run
    // deletes.
    bool IsProgram(const Approved &file) const;
    // True when path is the destination folder itself.
    bool IsDestination(const Approved &folder) const;

private:
    Approved Decide(Action action, const char16_t *text);
    // Every component of path below place is no link; *absent tells
    // whether the path is not there at all.
    bool PassesDisk(const char16_t *path, const char16_t *place, bool *absent = nullptr);

    const WidePlaces &places_;
    const char16_t *destination_;
    const char16_t *program_;
    DiskView &disk_;
    // The folder whose components passed last, so that a long record of
    // files in one folder asks the disk about that folder once.
    char16_t passed_[kMaxPath] = {};
    bool passedAbsent_ = false;  // that folder, or one above it, is missing
};

// True when the record was written for this product: its first APPNAME
// names it.
bool IsProductRecord(Vxml &record);

// True when path (UTF-16) is a clean absolute path: a drive ("C:\") or a
// share ("\\server\share\") and then names separated by single
// backslashes, each a valid file name (no "." or "..", no trailing dot or
// space, no device name, none of the characters <>:"/\|?* or control
// characters), shorter than kMaxPath, without a trailing backslash. With
// wildcardName the last name may hold "*" and "?".
bool IsCleanPath(const char16_t *path, bool wildcardName = false);

// True when path lies strictly inside folder (compared as the file system
// compares); both must be clean paths and folder more than a drive or share.
bool IsInside(const char16_t *path, const char16_t *folder);

// True when a registry value that names a program (optionally in quotes,
// optionally followed by arguments) names something inside the folder.
bool NamesInside(const char16_t *value, const char16_t *folder);

// True when name matches pattern, "*" standing for any run of characters and
// "?" for any one, compared as the file system compares. Names only.
bool MatchesPattern(const char16_t *name, const char16_t *pattern);
