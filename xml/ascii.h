// Letter-case helpers that ignore the C locale: only the ASCII letters A-Z
// and a-z have a case, bytes above 0x7F have none. The XML code, the
// language tables and the command line compare names with them.
#pragma once

inline char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Compares a and b without regard to case, at most limit characters of
// them when limit is not below 0.
inline bool EqualNoCase(const char *a, const char *b, int limit = -1)
{
    for (int i = 0; limit < 0 || i < limit; i++) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
        if (a[i] == '\0')
            return true;
    }
    return true;
}
