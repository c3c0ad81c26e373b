// Text helpers that every module shares: letter case without the C locale,
// bounded copies and path joins that say whether the whole text fit, and
// heap copies. No Windows API here.
#pragma once

#include <cstddef>

// Upper case of the ASCII letters a-z; every other byte is returned as it is.
inline char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Compares a and b without regard to the case of the ASCII letters, at most
// `limit` characters of them when limit is not below 0. Names of the
// program's own making (XML elements, switches) are compared this way.
bool EqualNoCase(const char *a, const char *b, int limit = -1);

// Lower case in the ANSI code page 1252: the ASCII letters, the accented
// letters 0xC0..0xDE (not the multiplication sign 0xD7) and the four letters
// of 0x80..0x9F that have a small form.
unsigned char FoldAnsiCase(unsigned char c);

// Compares a and b without regard to case in code page 1252, as the user
// sees letters: folders and language names. A null text equals only null.
bool EqualNoCaseAnsi(const char *a, const char *b);

// Copies `text` into `target` (of `size` bytes, at least 1); the result is
// always NUL-terminated. Returns false when the text had to be cut, so that
// the caller never takes a cut text for the whole one. A null text copies as
// empty.
bool CopyText(char *target, size_t size, const char *text);

// Writes folder + "\" + name into `target` (of `size` bytes, at least 1).
// Returns false when the joined path does not fit; the target then holds
// the cut path, good for a message only, never for opening.
bool JoinPath(char *target, size_t size, const char *folder, const char *name);

// True when `path` lies inside `folder` (below it, not the folder itself),
// comparing the folder's part of the path without regard to case.
bool LiesInside(const char *path, const char *folder);

// Cuts a path at its last "\", leaving its folder; a text without "\"
// stays whole.
void CutAtLastBackslash(char *path);

// A copy of `text` on the heap (std::malloc; free it with std::free), or
// nullptr for nullptr or when memory is short.
char *DuplicateText(const char *text);
