// What the uninstaller may act on. The record is a text file that a user or
// a broken disk can change, so every element is judged before anything is
// removed: files and folders only in the places a setup run writes to,
// registry keys only as single sub-key names below the product's parents.
#pragma once

class Vxml;

// The places a setup run writes to, as absolute paths without a trailing
// backslash; nullptr where a place is unknown. A place that is not a clean
// path below a drive or share (a drive root, say) allows nothing.
struct Places {
    const char *destination = nullptr;              // the uninstaller's own folder
    const char *startMenus[2] = {nullptr, nullptr}; // Start-menu Programs folders
    const char *desktops[2] = {nullptr, nullptr};   // desktop folders
};

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

// The action for one record element. Files: strictly inside the
// destination, or ".lnk" files strictly inside a Start-menu or desktop
// folder. Patterns: a wildcard name (with at least one character that is
// not a wildcard or a dot) in the destination or below it. Folders: the
// destination or below it, or strictly inside a Start-menu folder. Keys: one
// sub-key name, no wildcards, not a shared system class. Element names
// compare without regard to case.
Action Judge(const char *element, const char *text, const Places &places);

// True when the record was written for this product: its first APPNAME
// names it.
bool IsProductRecord(Vxml &record);

// True when path is a clean absolute path: a drive ("C:\") or a share
// ("\\server\share\") and then names separated by single backslashes, each
// a valid file name (no "." or "..", no trailing dot or space, no device
// name, none of the characters <>:"/\|?* or control characters), shorter
// than the system's path limit, without a trailing backslash. With
// wildcardName the last name may hold "*" and "?".
bool IsCleanPath(const char *path, bool wildcardName = false);

// True when path lies strictly inside folder (compared without regard to
// case); both must be clean paths and folder more than a drive or share.
bool IsInside(const char *path, const char *folder);

// True when a registry value that names a program (optionally in quotes,
// optionally followed by arguments) names the folder or something in it:
// how the uninstaller tells its own keys from those of another installation.
bool NamesInside(const char *value, const char *folder);

// True when name matches pattern, "*" standing for any run of characters and
// "?" for any one, without regard to case. Names only, no folders.
bool MatchesPattern(const char *name, const char *pattern);
