// Where the system really reached a file: the name of an open file with
// its volume, which no link on the way hides. Windows only.
#pragma once

#include <windows.h>

#include <cstddef>

// Room for a name with its volume: a path of the longest length the
// programs open, behind the volume's device name.
constexpr size_t kVolumeNameSize = MAX_PATH + 64;

// True when the system can tell names with their volume (Windows Vista on).
bool VolumeNamesKnown();

// The name under which the system opened `handle`, behind the device name
// of its volume ("\Device\HarddiskVolume1\Games\Velmo\a.txt"), into `out`
// (kVolumeNameSize code units): the same folder on two volumes has two
// names. False when the system cannot tell (before Windows Vista) or the
// name does not fit.
bool NameOnVolume(HANDLE handle, char16_t *out);

// The same for `path`, opened for no access at all: where it is a link
// itself, as the link, or with `followLink`, as what the link leads to.
bool NameOnVolume(const char16_t *path, char16_t *out, bool followLink = false);

// The name on its volume of one folder at a time, looked up again only when
// asked about another folder (compared without regard to case): the folder
// of many files in a row. Zero initialised, it knows no folder yet.
struct FolderOnVolume {
    // The name on its volume of the folder made of the first `length` code
    // units of `path` (a folder given as a link, with `followLink`, as what
    // the link leads to); nullptr when the system cannot tell.
    const char16_t *Name(const char16_t *path, size_t length, bool followLink);
    // True when `name`, the name of an open file on its volume, is `rest`
    // below that folder: the system reached the file there, not through a
    // link on the way.
    bool Holds(const char16_t *path, size_t length, bool followLink, const char16_t *name,
               const char16_t *rest);

    char16_t folder[kVolumeNameSize];
    char16_t folderName[kVolumeNameSize];
    bool followed;
};

// The attributes of the file open at `handle` and how many names it has,
// asked of the file alone: GetFileInformationByHandle also asks for its
// volume's serial number, which costs Wine a request to its mount manager.
bool AttributesAndNames(HANDLE handle, DWORD &attributes, DWORD &names);

// Marks the file open at `handle` (with DELETE access) for deletion when
// its last handle closes: the file itself, whatever path led to it. False
// when the system cannot (before Windows Vista) or refuses.
bool DeleteOpenFile(HANDLE handle);
