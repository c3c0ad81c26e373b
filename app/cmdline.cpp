// The command-line scan.
#include "app/cmdline.h"

#include <climits>
#include <cstring>

#include "base/text.h"

namespace {

const char kDiskFull[] = "/DISKFULL";
const char kOldVersion[] = "/OLDVERSION";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads a number the way atoi does: leading white space, an optional sign,
// then decimal digits up to the first other character; 0 without digits.
// Values beyond the 32-bit range are clamped instead of overflowing.
int32_t ReadNumber(const char *p)
{
    while (IsBlank(*p))
        p++;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    int64_t value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + (*p++ - '0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1)
            value = static_cast<int64_t>(INT32_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        value = INT32_MAX;
    return static_cast<int32_t>(value);
}

}  // namespace

CommandLineSwitches ScanCommandLine(const char *commandLine)
{
    CommandLineSwitches result;
    const char *p = commandLine ? commandLine : "";
    while ((p = std::strchr(p, '/')) != nullptr) {
        if (EqualNoCase(p, kDiskFull, sizeof kDiskFull - 1)) {
            result.diskFull = true;
            p += sizeof kDiskFull - 1;
        } else if (EqualNoCase(p, kOldVersion, sizeof kOldVersion - 1)) {
            p += sizeof kOldVersion - 1;
            result.oldVersion = ReadNumber(p);
        } else {
            p++;
        }
    }
    return result;
}
