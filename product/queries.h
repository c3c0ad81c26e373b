// Queries over the manifest tables: plain walks in table order that the
// wizard and the installation engine share. No Windows API here.
#pragma once

#include <cstdint>

#include "product/manifest.h"

// Visits the entries of a table in order, optionally only those with `bit`
// (0 visits every entry): visit(int index, const ManifestEntry &entry).
template <class F>
void ForEachEntry(const ManifestEntry *table, int count, uint32_t bit, F &&visit)
{
    for (int index = 0; index < count; index++) {
        if (bit == 0 || (table[index].flags & bit) != 0)
            visit(index, table[index]);
    }
}

// The entry for the user's language among the entries with `bit` (licence
// or read-me): the first whose `extra` equals `languageName` ignoring case,
// when that name is not empty; otherwise the last entry without `extra`;
// otherwise -1. A null `languageName` counts as empty.
int ChooseLanguageEntry(const ManifestEntry *table, int count, uint32_t bit,
                        const char *languageName);

// The disk space the installation needs: for every entry with ENTRY_EXTRACT
// or ENTRY_UNINSTALLER, its unpackedSize * 12 / 10, truncated per entry.
// The result is a signed 32-bit number; a sum beyond its range gives
// INT32_MAX instead of wrapping round to a small or negative number.
int32_t ComputeRequiredSpace(const ManifestEntry *table, int count);

// True when any entry of the table has `bit`.
bool HasEntryWithFlag(const ManifestEntry *table, int count, uint32_t bit);
