// Conversion and comparison of paths by the system's own tables.
#include "base/paths.h"

#include <windows.h>

#include "base/libraries.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 is the system's wide text");

namespace {

typedef int(WINAPI *CompareOrdinal)(const WCHAR *, int, const WCHAR *, int, BOOL);

// CompareStringOrdinal, the comparison of names, where the system has it
// (from Windows Vista on); null where it does not.
CompareOrdinal OrdinalComparison()
{
    static bool looked = false;
    static CompareOrdinal compare = nullptr;
    if (!looked) {
        looked = true;
        compare = LibraryFunction<CompareOrdinal>(GetModuleHandleA("kernel32.dll"),
                                                  "CompareStringOrdinal");
    }
    return compare;
}

}  // namespace

bool AnsiToUtf16(const char *text, char16_t *out, size_t size)
{
    int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1,
                                     reinterpret_cast<WCHAR *>(out), static_cast<int>(size));
    if (length <= 0) {
        out[0] = u'\0';
        return false;
    }
    return true;
}

bool SameNoCase16(const char16_t *a, const char16_t *b, size_t count)
{
    const WCHAR *wideA = reinterpret_cast<const WCHAR *>(a);
    const WCHAR *wideB = reinterpret_cast<const WCHAR *>(b);
    if (CompareOrdinal compare = OrdinalComparison())
        return compare(wideA, static_cast<int>(count), wideB, static_cast<int>(count), TRUE) ==
               CSTR_EQUAL;
    // Older systems: the upper case of each code unit by the system's table.
    for (size_t i = 0; i < count; ++i) {
        WCHAR x = wideA[i], y = wideB[i];
        if (x == y)
            continue;
        CharUpperBuffW(&x, 1);
        CharUpperBuffW(&y, 1);
        if (x != y)
            return false;
    }
    return true;
}
