// Velmo.exe of the payload: a small stand-in for the game that opens one
// window titled with the product and version, so that an installed game
// can be started and recognised. Like a real game it keeps its card images
// open while it runs, readable by others but not replaceable.
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

// Opens Cardsets\Cards.png beside the program for as long as the game runs;
// INVALID_HANDLE_VALUE when it is not there.
HANDLE OpenCards()
{
    char path[MAX_PATH + 32];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return INVALID_HANDLE_VALUE;
    char *slash = path + length;
    while (slash > path && *slash != '\\')
        --slash;
    lstrcpyA(slash, "\\Cardsets\\Cards.png");
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
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
    HANDLE cards = OpenCards();
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (cards != INVALID_HANDLE_VALUE)
        CloseHandle(cards);
    return static_cast<int>(message.wParam);
}
