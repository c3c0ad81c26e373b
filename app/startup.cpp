// The entry point of the shipped programs, in place of the C runtime's
// start-up code. That code prepares what these programs never use (argv and
// the environment, thread-local storage, relocations of imported data, a
// floating-point handler) and costs some 9 KB in every program; what they
// need is the rest of the command line, the constructors of globals and an
// exit through the C runtime, which flushes and closes what is still open.
#include <windows.h>

#include <cstdlib>

#include "base/libraries.h"

// The constructors of globals, as the linker lists them: a -1, the
// constructors in link order, then a null.
extern "C" void (*__CTOR_LIST__[])();

namespace {

// Calls the constructors, the last listed first, as the C runtime would.
// Destructors of globals would need atexit, which the link refuses, so
// there are none.
void ConstructGlobals()
{
    int count = 0;
    while (__CTOR_LIST__[count + 1])
        count++;
    while (count > 0)
        __CTOR_LIST__[count--]();
}

// Libraries loaded by name, by the program or by the system's libraries on
// its behalf, come from the system folder only. Windows would look in the
// program's own folder first: a download folder, or an installation folder
// that users can write to, where a "uxtheme.dll" put beside the program
// would run with the rights of whoever starts it, an administrator for the
// setup and the uninstaller. Where the system cannot be told so (before
// Windows 8, or 7 with its update), the current folder at least drops out
// of the search.
//
// The theme library itself is loaded from the system folder ahead, by its
// full path, and stays: the common controls load it late, when they first
// draw, and that delayed load looks in the program's folder first where
// the system cannot be told otherwise, and under Wine always. Found in
// memory, it is not looked for.
void LoadLibrariesFromSystemFolderOnly()
{
    typedef BOOL(WINAPI * SetDefaultDirectories)(DWORD);
    auto setDefault = LibraryFunction<SetDefaultDirectories>(GetModuleHandleA("kernel32.dll"),
                                                             "SetDefaultDllDirectories");
    if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SetDllDirectoryA("");
    // LoadSystemLibrary's way, without its formatting through the C
    // runtime, which the installed game and report would carry for this
    // alone (a kilobyte of their files).
    static const char kThemeLibrary[] = "\\uxtheme.dll";
    char path[MAX_PATH + sizeof kThemeLibrary];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        lstrcpyA(path + length, kThemeLibrary);
        LoadLibraryA(path);
    }
}

// The command line after the program's name (quoted or not) and the blanks
// that follow it, as WinMain expects it.
char *ArgumentsOf(char *line)
{
    bool quoted = false;
    while (*line > ' ' || (*line && quoted)) {
        if (*line == '"')
            quoted = !quoted;
        line++;
    }
    while (*line && *line <= ' ')
        line++;
    return line;
}

}  // namespace

extern "C" __attribute__((force_align_arg_pointer)) void WinMainCRTStartup()
{
    LoadLibrariesFromSystemFolderOnly();
    ConstructGlobals();
    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    std::exit(WinMain(GetModuleHandleA(nullptr), nullptr, ArgumentsOf(GetCommandLineA()), show));
}
