// VelmoReport.exe of the payload: the game's error-report helper. It only
// tells the user where to send a report.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    MessageBoxA(nullptr,
                "Velmo error report\n\nIf Velmo stopped unexpectedly, please describe what "
                "you were doing and send it to Kestrin Software.",
                "Velmo Error Report", MB_OK | MB_ICONINFORMATION);
    return 0;
}
