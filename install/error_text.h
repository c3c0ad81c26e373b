// Builds the text of an error box: the formatted message followed by the
// closing sentence, cut so that both always fit the buffer.
#pragma once

#include <cstdarg>
#include <cstddef>

// Formats `format` with `args` printf-style into `buffer` (of `size` bytes,
// at least 1) and appends `appendix`. When the whole does not fit, the
// formatted message is cut so that the appendix still stands complete at
// the end; only an appendix that alone is too long is cut itself. The
// result is always NUL-terminated. Returns the length of the result.
size_t FormatErrorText(char *buffer, size_t size, const char *appendix, const char *format,
                       va_list args);
