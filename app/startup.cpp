// The entry point of the shipped programs, in place of the C runtime's
// start-up code. That code prepares what these programs never use (argv and
// the environment, thread-local storage, relocations of imported data, a
// floating-point handler) and costs some 9 KB in every program; what they
// need is the rest of the command line, the constructors of globals and an
// exit through the C runtime, which flushes and closes what is still open.
#include <windows.h>

#include <cstdlib>

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
    ConstructGlobals();
    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    std::exit(WinMain(GetModuleHandleA(nullptr), nullptr, ArgumentsOf(GetCommandLineA()), show));
}
