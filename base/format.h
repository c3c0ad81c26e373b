// printf-style formatting into a fixed buffer, the one way the program
// formats texts.
#pragma once

#include <stdarg.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

// Formats into buffer (size bytes, size > 0) and always ends it with a NUL;
// a text that does not fit is cut. Returns the text's length when it fit,
// a number >= size when it was cut (on Windows that is size itself, not the
// length the whole text would need), or a negative number when the format
// cannot be used.
int FormatText(char *buffer, size_t size, const char *format, ...);
int FormatTextV(char *buffer, size_t size, const char *format, va_list args);

#ifdef __cplusplus
}
#endif
