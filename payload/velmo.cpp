// Velmo.exe of the payload: a small stand-in for the game that opens one
// window titled with the product and version, so that an installed game
// can be started and recognised.
#include <windows.h>

namespace {

const char kClassName[] = "VelmoGame";
const char kTitle[] = "Velmo 3.1.51";
const char kGreeting[] =
    "Velmo 3.1.51\n\nThe card game by Kestrin Software.\nShuffle up and deal!";

void Paint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT area;
    GetClientRect(window, &area);
    HBRUSH felt = CreateSolidBrush(RGB(20, 110, 50));
    FillRect(dc, &area, felt);
    DeleteObject(felt);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(250, 230, 140));
    InflateRect(&area, -16, -16);
    DrawTextA(dc, kGreeting, -1, &area, DT_CENTER | DT_WORDBREAK);
    EndPaint(window, &paint);
}

LRESULT CALLBACK GameWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = GameWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassA(&windowClass))
        return 1;
    HWND window = CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 420, 260, nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
        return 1;
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
