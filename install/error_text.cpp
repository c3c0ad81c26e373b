// Builds the text of an error box within a fixed buffer.
#include "install/error_text.h"

#include <cstring>

#include "base/format.h"

size_t FormatErrorText(char *buffer, size_t size, const char *appendix, const char *format,
                       va_list args)
{
    if (size == 0)
        return 0;
    buffer[0] = '\0';
    if (!appendix)
        appendix = "";
    size_t appendixLength = std::strlen(appendix);
    if (appendixLength >= size) {
        std::memcpy(buffer, appendix, size - 1);
        buffer[size - 1] = '\0';
        return size - 1;
    }
    // Room for the message: whatever the appendix and the NUL leave.
    size_t room = size - appendixLength;
    size_t length = 0;
    if (format) {
        int written = FormatTextV(buffer, room, format, args);
        if (written < 0)
            buffer[0] = '\0';
        length = std::strlen(buffer);
    }
    std::memcpy(buffer + length, appendix, appendixLength + 1);
    return length + appendixLength;
}
