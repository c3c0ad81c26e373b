// Paths as the file system compares them, for both programs alike: texts of
// the ANSI code page are converted to UTF-16 once, and UTF-16 texts are
// compared code unit by code unit after the system's upper-casing, the way
// the file system matches names. Windows asks the system for both; the
// native build stands in with code page 1252 and a table of the common
// letters, so that portable code and its tests see the same rules. No
// Windows API here.
#pragma once

#include <cstddef>

// Converts `text` (ANSI code page, NUL-terminated) into `out` (`size` code
// units, at least 1), NUL-terminated. False, with `out` empty, when the text
// is not valid in the code page or does not fit.
bool AnsiToUtf16(const char *text, char16_t *out, size_t size);

// True when the `count` code units at a and at b are equal without regard to
// case, as the file system compares names.
bool SameNoCase16(const char16_t *a, const char16_t *b, size_t count);

// Length of a NUL-terminated UTF-16 text.
size_t Length16(const char16_t *text);

// True when the two NUL-terminated UTF-16 texts are equal without regard to
// case, as the file system compares names.
bool SameText16(const char16_t *a, const char16_t *b);

// True when the two ANSI paths name the same folder as the system sees it:
// both converted to UTF-16 and compared without regard to case, character
// for character (a trailing backslash counts as one). Two texts that do not
// convert are equal only when their bytes are.
bool SameFolder(const char *a, const char *b);

// True when `name` (a name on a volume, "\Device\HarddiskVolume1\Games\a.txt")
// is the name of `rest` (a relative path, "a.txt" or "Sub\a.txt") inside the
// folder of the name `folder` ("\Device\HarddiskVolume1\Games", or with a
// trailing backslash for the volume's root), without regard to case.
bool IsNameBelow(const char16_t *name, const char16_t *folder, const char16_t *rest);
