// Uninstall.exe of the payload: for now it only says what it is; the
// setup installs and registers it as the product's uninstaller.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    MessageBoxA(nullptr, "This is the Velmo uninstaller.", "Velmo Uninstall",
                MB_OK | MB_ICONINFORMATION);
    return 0;
}
