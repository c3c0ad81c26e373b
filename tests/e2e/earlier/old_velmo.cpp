// A stand-in for an earlier installed version of the game. It does nothing
// when started; what matters is the version resource that the setup reads.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
