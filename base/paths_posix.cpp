// Conversion and comparison of paths for the native build: code page 1252
// and the simple upper case of the common alphabets, as the system's tables
// give them.
#include "base/paths.h"

namespace {

// Code page 1252 from 0x80 to 0x9F; 0 where the system keeps the byte's
// own value (a control character).
const char16_t kHigh1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char16_t Upper(char16_t c)
{
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ||
        (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) || (c >= 0x430 && c <= 0x44F) ||
        (c >= 0xFF41 && c <= 0xFF5A))
        return static_cast<char16_t>(c - 0x20);
    if (c == 0xFF)
        return 0x178;
    if (c >= 0x450 && c <= 0x45F)
        return static_cast<char16_t>(c - 0x50);
    // Latin Extended-A: capital and small letters take turns.
    if (c >= 0x100 && c <= 0x12F && (c & 1))
        return static_cast<char16_t>(c - 1);
    if (c >= 0x132 && c <= 0x137 && (c & 1))
        return static_cast<char16_t>(c - 1);
    if (c >= 0x139 && c <= 0x148 && !(c & 1))
        return static_cast<char16_t>(c - 1);
    if (c >= 0x14A && c <= 0x177 && (c & 1))
        return static_cast<char16_t>(c - 1);
    if (c >= 0x179 && c <= 0x17E && !(c & 1))
        return static_cast<char16_t>(c - 1);
    return c;
}

}  // namespace

bool AnsiToUtf16(const char *text, char16_t *out, size_t size)
{
    size_t i = 0;
    for (;; ++i) {
        if (i >= size) {
            out[0] = u'\0';
            return false;
        }
        unsigned char c = static_cast<unsigned char>(text[i]);
        char16_t wide = c >= 0x80 && c <= 0x9F ? kHigh1252[c - 0x80] : 0;
        out[i] = wide ? wide : c;
        if (c == '\0')
            return true;
    }
}

bool SameNoCase16(const char16_t *a, const char16_t *b, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        if (a[i] != b[i] && Upper(a[i]) != Upper(b[i]))
            return false;
    }
    return true;
}
