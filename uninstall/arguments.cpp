// The command line of the uninstaller: "/S" and the finish run of the copy.
#include "uninstall/arguments.h"

#include <cstdlib>
#include <cstring>

#include "base/text.h"

bool NextArgument(const char *&cursor, char *out, size_t size)
{
    while (*cursor == ' ' || *cursor == '\t')
        ++cursor;
    if (*cursor == '\0')
        return false;
    size_t length = 0;
    bool quoted = false, fits = true;
    for (; *cursor && (quoted || (*cursor != ' ' && *cursor != '\t')); ++cursor) {
        if (*cursor == '"') {
            quoted = !quoted;
            continue;
        }
        if (length + 1 < size)
            out[length++] = *cursor;
        else
            fits = false;
    }
    if (size > 0)
        out[length] = '\0';
    return fits && size > 0;
}

UninstallArguments ParseArguments(const char *commandLine)
{
    UninstallArguments arguments;
    const char *cursor = commandLine ? commandLine : "";
    char word[260];
    while (*cursor) {
        // A word too long for a switch is none.
        if (!NextArgument(cursor, word, sizeof word))
            continue;
        if (EqualNoCase(word, "/LOG=", 5)) {
            CopyText(arguments.log, sizeof arguments.log, word + 5);
        } else if (EqualNoCase(word, "/S")) {
            arguments.quiet = true;
        } else if (EqualNoCase(word, "/FINISH")) {
            char handles[3][32], folder[4];
            if (!NextArgument(cursor, handles[0], sizeof handles[0]) ||
                !NextArgument(cursor, folder, sizeof folder) ||
                !NextArgument(cursor, handles[1], sizeof handles[1]) ||
                !NextArgument(cursor, handles[2], sizeof handles[2]) ||
                !NextArgument(cursor, arguments.program, sizeof arguments.program))
                return UninstallArguments();
            uintptr_t *values[3] = {&arguments.waitHandle, &arguments.fileHandle,
                                    &arguments.folderHandle};
            for (int i = 0; i < 3; ++i) {
                char *end = nullptr;
                *values[i] = std::strtoul(handles[i], &end, 10);
                if (handles[i][0] == '\0' || *end != '\0')
                    return UninstallArguments();
            }
            if (arguments.waitHandle == 0 || arguments.program[0] == '\0')
                return UninstallArguments();
            arguments.removeFolder = std::strcmp(folder, "1") == 0;
            arguments.finish = true;
        }
    }
    return arguments;
}
