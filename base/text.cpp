// Shared text helpers.
#include "base/text.h"

#include "base/format.h"

#include <cstdlib>
#include <cstring>

bool EqualNoCase(const char *a, const char *b, int limit)
{
    for (int i = 0; limit < 0 || i < limit; i++) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
        if (a[i] == '\0')
            return true;
    }
    return true;
}

unsigned char FoldAnsiCase(unsigned char c)
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

bool EqualNoCaseAnsi(const char *a, const char *b)
{
    if (!a || !b)
        return a == b;
    for (;; a++, b++) {
        unsigned char ca = FoldAnsiCase(static_cast<unsigned char>(*a));
        unsigned char cb = FoldAnsiCase(static_cast<unsigned char>(*b));
        if (ca != cb)
            return false;
        if (ca == '\0')
            return true;
    }
}

bool CopyText(char *target, size_t size, const char *text)
{
    if (!text)
        text = "";
    size_t length = std::strlen(text);
    bool fits = length < size;
    if (!fits)
        length = size - 1;
    std::memcpy(target, text, length);
    target[length] = '\0';
    return fits;
}

bool LiesInside(const char *path, const char *folder)
{
    char start[260];
    size_t length = std::strlen(folder);
    if (length == 0 || length >= sizeof start || std::strlen(path) <= length ||
        path[length] != '\\')
        return false;
    std::memcpy(start, path, length);
    start[length] = '\0';
    return EqualNoCaseAnsi(start, folder);
}

bool JoinPath(char *target, size_t size, const char *folder, const char *name)
{
    int length = FormatText(target, size, "%s\\%s", folder ? folder : "", name ? name : "");
    return length >= 0 && static_cast<size_t>(length) < size;
}

void CutAtLastBackslash(char *path)
{
    char *slash = std::strrchr(path, '\\');
    if (slash)
        *slash = '\0';
}

char *DuplicateText(const char *text)
{
    if (!text)
        return nullptr;
    size_t size = std::strlen(text) + 1;
    char *copy = static_cast<char *>(std::malloc(size));
    if (copy)
        std::memcpy(copy, text, size);
    return copy;
}
