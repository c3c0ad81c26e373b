// The comparisons of paths that do not depend on the system.
#include "base/paths.h"

#include <cstring>

namespace {

// Longer than any folder either program keeps (the setup's destination
// holds 324 bytes), short enough to keep the stack frame small.
const size_t kLongest = 330;

}  // namespace

size_t Length16(const char16_t *text)
{
    size_t length = 0;
    while (text[length])
        ++length;
    return length;
}

bool SameText16(const char16_t *a, const char16_t *b)
{
    size_t length = Length16(a);
    return length == Length16(b) && SameNoCase16(a, b, length);
}

bool SameFolder(const char *a, const char *b)
{
    if (!a || !b)
        return a == b;
    char16_t wideA[kLongest], wideB[kLongest];
    if (!AnsiToUtf16(a, wideA, kLongest) || !AnsiToUtf16(b, wideB, kLongest))
        return std::strcmp(a, b) == 0;
    return SameText16(wideA, wideB);
}

bool IsNameBelow(const char16_t *name, const char16_t *folder, const char16_t *rest)
{
    size_t folderLength = Length16(folder);
    // Only the volume's root folder ends with a backslash.
    if (folderLength > 0 && folder[folderLength - 1] == u'\\')
        --folderLength;
    return Length16(name) == folderLength + 1 + Length16(rest) &&
           SameNoCase16(name, folder, folderLength) && name[folderLength] == u'\\' &&
           SameText16(name + folderLength + 1, rest);
}
