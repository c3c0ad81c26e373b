// Queries over the manifest tables.
#include "product/queries.h"

#include <cstdint>

namespace {

// Upper case to lower case in the ANSI code page 1252: ASCII, the accented
// letters 0xC0..0xDE (but not the multiplication sign 0xD7) and the four
// letters of 0x80..0x9F that have a small form.
unsigned char FoldCase(unsigned char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return static_cast<unsigned char>(c + 0x20);
    switch (c) {
    case 0x8A: return 0x9A;  // S caron
    case 0x8C: return 0x9C;  // OE
    case 0x8E: return 0x9E;  // Z caron
    case 0x9F: return 0xFF;  // Y diaeresis
    default: return c;
    }
}

bool SameIgnoringCase(const char *a, const char *b)
{
    for (;; a++, b++) {
        unsigned char ca = FoldCase(static_cast<unsigned char>(*a));
        unsigned char cb = FoldCase(static_cast<unsigned char>(*b));
        if (ca != cb)
            return false;
        if (ca == '\0')
            return true;
    }
}

}  // namespace

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
        else if (haveName && SameIgnoringCase(entry.extra, languageName))
            return index;
    }
    return chosen;
}

int32_t ComputeRequiredSpace(const ManifestEntry *table, int count)
{
    int64_t total = 0;
    ForEachEntry(table, count, ENTRY_EXTRACT | ENTRY_UNINSTALLER,
                 [&](int, const ManifestEntry &entry) {
                     total += static_cast<int64_t>(entry.unpackedSize) * 12 / 10;
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
