// printf-style formatting into a fixed buffer. Written in C: for C++ the
// Windows toolchain always picks its own complete printf (some 30 KB of
// floating-point and wide-character code), while C code may use the one of
// the system's C runtime, which knows everything the program formats.
#ifdef _WIN32
#define __USE_MINGW_ANSI_STDIO 0
#endif
#include "base/format.h"

#include <limits.h>
#include <stdio.h>

int FormatTextV(char *buffer, size_t size, const char *format, va_list args)
{
#ifdef _WIN32
    /* The system's _vsnprintf tells only that a text did not fit (-1, or
       the whole size with no room left for the NUL); the toolchain's
       vsnprintf, which measures the whole text, would bring its own
       emulation of the runtime's measuring routine along. */
    int length = _vsnprintf(buffer, size, format, args);
    if (size == 0)
        return length;
    if (length < 0 || (size_t)length >= size) {
        buffer[size - 1] = '\0';
        return size > INT_MAX ? INT_MAX : (int)size;
    }
    return length;
#else
    int length = vsnprintf(buffer, size, format, args);
    if (length < 0 && size > 0)
        buffer[0] = '\0';
    return length;
#endif
}

int FormatText(char *buffer, size_t size, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    int length = FormatTextV(buffer, size, format, args);
    va_end(args);
    return length;
}
