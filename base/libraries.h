// System libraries that a program loads itself, and their functions.
// (Windows only.)
#pragma once

#include <windows.h>

// The function `name` of `library` as a pointer of type F; null when the
// library is null or lacks the function.
template <typename F>
F LibraryFunction(HMODULE library, const char *name)
{
    return library ? reinterpret_cast<F>(reinterpret_cast<void *>(GetProcAddress(library, name)))
                   : nullptr;
}

// Loads the system library `name` ("version.dll") by its full path in the
// system folder, never from the program's own folder, which Windows would
// search first for a library that it does not always take from its own
// folder. The programs run as administrators, from a download folder or
// an installation folder that users may be able to write to. Null when it
// cannot be loaded.
HMODULE LoadSystemLibrary(const char *name);
