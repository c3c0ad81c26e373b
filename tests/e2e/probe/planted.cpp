// A library that someone put beside a program under a system library's name
// ("uxtheme.dll"): loaded, it leaves C:\planted-<its name>.txt behind and
// does nothing else. It exports nothing, so a program that really needs the
// library it stands for may fail; that it was loaded at all is the fault.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char path[MAX_PATH], marker[MAX_PATH + 16];
    DWORD length = GetModuleFileNameA(instance, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return TRUE;
    const char *name = path;
    for (const char *p = path; *p; ++p) {
        if (*p == '\\')
            name = p + 1;
    }
    wsprintfA(marker, "C:\\planted-%s.txt", name);
    HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return TRUE;
}
