// Queries over the manifest tables.
#include "product/queries.h"

#include <cstdint>

#include "base/text.h"

int ChooseLanguageEntry(const ManifestEntry *table, int count, uint32_t bit,
                        const char *languageName)
{
    bool haveName = languageName != nullptr && languageName[0] != '\0';
    int chosen = -1;
    for (int index = 0; index < count; index++) {
        const ManifestEntry &entry = table[index];
        if ((entry.flags & bit) == 0)
            continue;
        if (entry.extra == nullptr)
            chosen = index;
        else if (haveName && EqualNoCaseAnsi(entry.extra, languageName))
            return index;
    }
    return chosen;
}

int32_t ComputeRequiredSpace(const ManifestEntry *table, int count)
{
    int64_t total = 0;
    ForEachEntry(table, count, ENTRY_EXTRACT | ENTRY_UNINSTALLER,
                 [&](int, const ManifestEntry &entry) {
                     // size * 12 / 10, truncated, is size + size / 5 exactly;
                     // this way needs no 64-bit division.
                     total += int64_t{entry.unpackedSize} + entry.unpackedSize / 5;
                     if (total > INT32_MAX)
                         total = INT32_MAX;
                 });
    return static_cast<int32_t>(total);
}

bool HasEntryWithFlag(const ManifestEntry *table, int count, uint32_t bit)
{
    bool found = false;
    ForEachEntry(table, count, bit, [&](int, const ManifestEntry &) { found = true; });
    return found;
}
