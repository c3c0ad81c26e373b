// Test driver: processes, window search, clicks, screenshots.
#include "driver.h"

#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace driver {

namespace {

constexpr DWORD kPollMs = 20;

struct EnumContext {
    DWORD pid;
    std::vector<HWND> *windows;
    bool hiddenToo;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param)
{
    auto *context = reinterpret_cast<EnumContext *>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if ((context->pid == 0 || pid == context->pid) &&
        (context->hiddenToo || IsWindowVisible(window)))
        context->windows->push_back(window);
    return TRUE;
}

}  // namespace

SetupProcess::~SetupProcess()
{
    Kill();
    if (process_)
        CloseHandle(process_);
}

bool SetupProcess::Start(const std::string &arguments)
{
    return StartProgram(WindowsPath(Env("VELMO_SETUP")), arguments);
}

bool SetupProcess::StartProgram(const std::string &program, const std::string &arguments)
{
    if (program.empty())
        return false;
    std::string commandLine = "\"" + program + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    return Launch(program.c_str(), commandLine);
}

bool SetupProcess::StartCommand(const std::string &commandLine)
{
    return !commandLine.empty() && Launch(nullptr, commandLine);
}

bool SetupProcess::Launch(const char *program, const std::string &commandLine)
{
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    // Wine starts the desktop's process for the first program that needs
    // the desktop. Asked for here, the desktop is up before the program
    // starts: otherwise both ask while it is on its way, and each starts a
    // desktop process of its own.
    GetDesktopWindow();
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(program, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    std::printf("driver: started %s (process %lu)\n", commandLine.c_str(),
                static_cast<unsigned long>(id_));
    std::fflush(stdout);
    return true;
}

bool SetupProcess::WaitForExit(DWORD timeoutMs, DWORD *exitCode)
{
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    if (exitCode)
        *exitCode = code;
    return true;
}

bool SetupProcess::Running() const
{
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

void SetupProcess::Kill()
{
    if (Running()) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
}

std::string Env(const char *name)
{
    char buffer[4096];
    DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer)
        return "";
    return buffer;
}

std::string BesideTheTests(const char *name)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return "";
    std::string folder(path, length);
    return folder.substr(0, folder.rfind('\\') + 1) + name;
}

std::string WindowsPath(const std::string &path)
{
    if (path.empty() || path[0] != '/')
        return path;
    std::string result = "Z:" + path;
    std::replace(result.begin(), result.end(), '/', '\\');
    return result;
}

bool WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(kPollMs);
    }
}

std::vector<HWND> TopLevelWindows(DWORD pid, bool hiddenToo)
{
    std::vector<HWND> windows;
    EnumContext context = {pid, &windows, hiddenToo};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&context));
    return windows;
}

std::string ClassName(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string WindowText(HWND window)
{
    // GetWindowTextA reads what the system stored for a window of another
    // process without waiting for that process, which matters while it is
    // busy installing. An edit control keeps its text itself: only WM_GETTEXT
    // asks it.
    if (lstrcmpiA(ClassName(window).c_str(), "Edit") != 0) {
        int length = GetWindowTextLengthA(window);
        std::string text(static_cast<size_t>(length) + 1, '\0');
        int got = GetWindowTextA(window, &text[0], length + 1);
        text.resize(static_cast<size_t>(std::max(got, 0)));
        return text;
    }
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        return "";
    std::string text(static_cast<size_t>(length) + 1, '\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, static_cast<WPARAM>(length + 1),
                             reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG, 5000, &got))
        return "";
    text.resize(std::min(static_cast<size_t>(got), static_cast<size_t>(length)));
    return text;
}

std::string ControlText(HWND dialog, int controlId)
{
    HWND control = GetDlgItem(dialog, controlId);
    return control ? WindowText(control) : std::string();
}

bool HasStyle(HWND window, LONG style)
{
    return (GetWindowLongA(window, GWL_STYLE) & style) == style;
}

HWND WaitForDialog(DWORD pid, const std::function<bool(HWND)> &match, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopLevelWindows(pid)) {
                if (ClassName(window) == "#32770" && match(window)) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

HWND WaitForDialogWithControl(DWORD pid, int controlId, DWORD timeoutMs)
{
    return WaitForDialog(
        pid, [controlId](HWND dialog) { return GetDlgItem(dialog, controlId) != nullptr; },
        timeoutMs);
}

std::string MessageBoxText(HWND box)
{
    // A message box shows its text in a static with the id 0xFFFF.
    return ControlText(box, 0xFFFF);
}

HWND WaitForMessageBox(DWORD pid, const std::string &needle, DWORD timeoutMs)
{
    return WaitForDialog(
        pid,
        [&needle](HWND dialog) {
            HWND text = GetDlgItem(dialog, 0xFFFF);
            return text && ClassName(text) == "Static" &&
                   WindowText(text).find(needle) != std::string::npos;
        },
        timeoutMs);
}

void Click(HWND dialog, int controlId)
{
    HWND button = GetDlgItem(dialog, controlId);
    if (button)
        PostMessageA(button, BM_CLICK, 0, 0);
}

bool WaitUntilClosed(HWND window, DWORD timeoutMs)
{
    return WaitUntil([window] { return !IsWindow(window); }, timeoutMs);
}

bool ClickAway(HWND dialog, int controlId, DWORD timeoutMs)
{
    Click(dialog, controlId);
    return WaitUntilClosed(dialog, timeoutMs);
}

void PressWizardButton(HWND sheet, int button)
{
    PostMessageA(sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
}

HWND CurrentPage(HWND sheet)
{
    DWORD_PTR page = 0;
    if (!SendMessageTimeoutA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, 5000, &page))
        return nullptr;
    return reinterpret_cast<HWND>(page);
}

void PressKey(HWND window, WPARAM key)
{
    PostMessageA(window, WM_KEYDOWN, key, 1);
    PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

std::string Screenshot(const std::string &name)
{
    std::string folder = WindowsPath(Env("VELMO_ARTIFACTS"));
    if (folder.empty())
        return "";
    // A window that has just appeared may not have painted yet.
    Sleep(500);
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    int stride = (width * 3 + 3) & ~3;
    std::vector<char> pixels(static_cast<size_t>(stride) * height);
    int lines = GetDIBits(memory, bitmap, 0, height, pixels.data(),
                          reinterpret_cast<BITMAPINFO *>(&header), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (lines != height)
        return "";

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::string path = folder + "\\" + name + ".bmp";
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(&file), sizeof file);
    out.write(reinterpret_cast<const char *>(&header), sizeof header);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return out ? path : "";
}

bool ReadWholeFile(const std::string &path, std::string *content)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    *content = buffer.str();
    return true;
}

bool FileExists(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace driver
