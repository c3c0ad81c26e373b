// System libraries that a program loads itself.
#include "base/libraries.h"

#include "base/text.h"

HMODULE LoadSystemLibrary(const char *name)
{
    char folder[MAX_PATH], path[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder || !JoinPath(path, sizeof path, folder, name))
        return nullptr;
    return LoadLibraryA(path);
}
