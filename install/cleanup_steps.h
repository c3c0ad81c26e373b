// The clean-up of a version-2 installation that the new version replaces in
// the same folder: the walk over the clean-up table and the product data
// file. No Windows API here; the file system and the registry are reached
// through CleanUpTarget.
#pragma once

#include <cstddef>
#include <cstdint>

class Log;
struct ManifestEntry;

// What the clean-up does to the machine. The Windows build acts through the
// system and ignores every failure; the tests watch the calls.
class CleanUpTarget {
public:
    virtual ~CleanUpTarget() = default;
    virtual void RemoveFile(const char *path) = 0;
    virtual void Rename(const char *from, const char *to) = 0;
    // Removes a folder if it is empty.
    virtual void RemoveFolder(const char *path) = 0;
    // True when any of the products (a list ended by nullptr) has its sub-key
    // under the Uninstall key of the machine.
    virtual bool AnyProductRegistered(const char *const *products) = 0;
};

// Where the clean-up works and what it was given.
struct CleanUpPlace {
    const char *folder;         // the installed folder
    const char *destination;    // the same folder; the product data file goes here
    uint32_t installedVersionMs;
    const char *commonFolder;   // the maker's shared folder
    const char *const *otherProducts;
};

// The new name of an old language file into `target` (of `size` bytes): the
// path with everything from the last "." of its file name on replaced by
// `suffix`. A file name without "." keeps its path (a "." in a folder name
// does not count). False when the new path does not fit.
bool RenamedPath(char *target, size_t size, const char *path, const char *suffix);

// The clean-up runs when an earlier version of the upgrade major version is
// installed in the destination folder (compared without regard to case).
// Without a known installed folder nothing is cleaned up.
bool CleanUpApplies(bool earlierInstalled, uint32_t installedVersionMs, const char *installedFolder,
                    const char *destination);

// The number the product data file records: major * 100 + minor.
int32_t ProductDataNumber(uint32_t installedVersionMs);

// Applies the table's action codes (compared for equality; any other value
// does nothing) in table order: deletes old files, renames the old language
// files, adds the old folders to the record as FOLDER elements and removes
// the shared uninstaller from the common folder unless another product of
// the maker is still registered. Then writes the product data file, whose
// root holds one VERSION element. A path too long to be formed is left
// alone rather than acted on cut short. Nothing is reported.
void ApplyCleanUpTable(const ManifestEntry *table, int count, const CleanUpPlace &place,
                       Log &record, CleanUpTarget &target);
