// The command-line scan.
#include "app/cmdline.h"

#include <climits>
#include <cstring>

#include "base/text.h"

namespace {

const char kDiskFull[] = "/DISKFULL";
const char kOldVersion[] = "/OLDVERSION";

// The largest field a value goes to.
constexpr size_t kMaxValueSize = kMaxGroupLength + 1;
static_assert(kMaxDestinationLength < kMaxValueSize && kMaxLogPathLength < kMaxValueSize,
              "every value field fits the gathering buffer");

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

// The switches that count only as whole words. A value switch names the
// field its value goes to and that field's size.
struct WordSwitch {
    const char *name;
    char *value;      // nullptr for a switch without a value
    size_t size;
};

// True when `p` starts with `name` (any case) and the name ends there: at
// the end, a blank, a "/", a quote or, for a switch with a value, "=".
bool StartsWord(const char *p, const char *name, bool hasValue)
{
    size_t length = std::strlen(name);
    if (!EqualNoCase(p, name, static_cast<int>(length)))
        return false;
    char next = p[length];
    return next == '\0' || IsBlank(next) || next == '/' || next == '"' ||
           (hasValue && next == '=');
}

// Reads the value that follows a switch name at `p` into `out` and returns
// where the scan goes on. The value is the rest of the word, as a program's
// arguments are split: quotes group blanks into it and are dropped, wherever
// they stand, so that "/DIR="C:\My Games"" and ""/DIR=C:\My Games"" (the
// form that tools which quote whole arguments write) both give
// C:\My Games. `quoted` tells that a quote before the switch name opened
// the word. A missing "=" or value, an open quote or a value beyond `size`
// sets `problem`.
const char *ReadValue(const char *p, bool quoted, char *out, size_t size,
                      CommandLineProblem &problem)
{
    if (*p != '=') {
        problem = CommandLineProblem::MissingValue;
        return p;
    }
    ++p;
    // Gathered apart, so that a value that is not taken leaves the field as
    // it was.
    char value[kMaxValueSize];
    size_t length = 0;
    bool fits = true;
    for (; *p && (quoted || !IsBlank(*p)); ++p) {
        if (*p == '"')
            quoted = !quoted;
        else if (length + 1 < size)
            value[length++] = *p;
        else
            fits = false;
    }
    if (quoted)
        problem = CommandLineProblem::OpenQuote;
    else if (length == 0)
        problem = CommandLineProblem::MissingValue;
    else if (!fits)
        problem = CommandLineProblem::TooLong;
    else {
        std::memcpy(out, value, length);
        out[length] = '\0';
    }
    return p;
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// True when every part of `path` between backslashes is a name a folder
// can have: not empty, not "." or "..", without the characters that names
// cannot hold, not ending in a blank or a dot.
bool HasUsableParts(const char *path)
{
    const char *part = path;
    for (const char *p = path;; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == '\\' || c == '\0') {
            size_t length = static_cast<size_t>(p - part);
            if (length == 0 || p[-1] == ' ' || p[-1] == '.')
                return false;
            if (c == '\0')
                return true;
            part = p + 1;
        } else if (c < 32 || std::strchr("<>:\"/|?*", c)) {
            return false;
        }
    }
}

// Drops one trailing backslash of a destination that has more than a root.
void DropTrailingBackslash(char *folder)
{
    size_t length = std::strlen(folder);
    if (length > 3 && folder[length - 1] == '\\')
        folder[length - 1] = '\0';
}

}  // namespace

bool IsUsableDestination(const char *folder)
{
    if (!folder)
        return false;
    const char *rest;
    if (IsLetter(folder[0]) && folder[1] == ':' && folder[2] == '\\') {
        rest = folder + 3;
    } else if (folder[0] == '\\' && folder[1] == '\\') {
        // "\\server\share" is the root; the folder lies below it.
        const char *share = std::strchr(folder + 2, '\\');
        if (!share)
            return false;
        rest = std::strchr(share + 1, '\\');
        if (!rest || rest == share + 1 || share == folder + 2)
            return false;
        ++rest;
        char server[kMaxDestinationLength + 1];
        size_t length = static_cast<size_t>(rest - 1 - (folder + 2));
        if (length >= sizeof server)
            return false;
        std::memcpy(server, folder + 2, length);
        server[length] = '\0';
        if (!HasUsableParts(server))
            return false;
    } else {
        return false;
    }
    return *rest != '\0' && std::strlen(folder) <= kMaxDestinationLength && HasUsableParts(rest);
}

bool IsUsableGroup(const char *group)
{
    return group && *group && std::strlen(group) <= kMaxGroupLength && HasUsableParts(group);
}

CommandLineSwitches ScanCommandLine(const char *commandLine)
{
    CommandLineSwitches result;
    bool silent = false, verySilent = false;
    const WordSwitch words[] = {
        {"/SILENT", nullptr, 0},
        {"/VERYSILENT", nullptr, 0},
        {"/NODESKTOP", nullptr, 0},
        {"/DIR", result.dir, sizeof result.dir},
        {"/GROUP", result.group, sizeof result.group},
        {"/LOG", result.log, sizeof result.log},
    };
    bool *flags[] = {&silent, &verySilent, &result.noDesktop};

    const char *line = commandLine ? commandLine : "";
    const char *p = line;
    while ((p = std::strchr(p, '/')) != nullptr) {
        if (EqualNoCase(p, kDiskFull, sizeof kDiskFull - 1)) {
            result.diskFull = true;
            p += sizeof kDiskFull - 1;
            continue;
        }
        if (EqualNoCase(p, kOldVersion, sizeof kOldVersion - 1)) {
            p += sizeof kOldVersion - 1;
            result.oldVersion = ReadNumber(p);
            continue;
        }
        const WordSwitch *found = nullptr;
        for (const WordSwitch &word : words) {
            if (StartsWord(p, word.name, word.value != nullptr))
                found = &word;
        }
        if (!found) {
            p++;
            continue;
        }
        const char *name = p;
        p += std::strlen(found->name);
        if (!found->value) {
            *flags[found - words] = true;
            continue;
        }
        // A quote that begins the word opens it: ""/DIR=C:\My Games"".
        bool quoted = name > line && name[-1] == '"' && (name - 1 == line || IsBlank(name[-2]));
        CommandLineProblem problem = CommandLineProblem::None;
        p = ReadValue(p, quoted, found->value, found->size, problem);
        if (problem != CommandLineProblem::None && result.problem == CommandLineProblem::None) {
            result.problem = problem;
            result.problemSwitch = found->name;
        }
    }

    DropTrailingBackslash(result.dir);
    if (result.problem == CommandLineProblem::None) {
        if (result.dir[0] && !IsUsableDestination(result.dir)) {
            result.problem = CommandLineProblem::NotAFolder;
            result.problemSwitch = "/DIR";
        } else if (result.group[0] && !IsUsableGroup(result.group)) {
            result.problem = CommandLineProblem::NotAFolder;
            result.problemSwitch = "/GROUP";
        }
    }
    result.quiet = verySilent ? QuietMode::VerySilent
                              : silent ? QuietMode::Silent : QuietMode::None;
    return result;
}
