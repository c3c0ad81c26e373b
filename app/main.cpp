// Entry point, anchor window and the top-level sequence of the setup.
#include <windows.h>
#include <shlobj.h>

#include <new>

#include "app/app_ids.h"
#include "app/cmdline.h"
#include "app/detect.h"
#include "base/holders.h"
#include "install/install.h"
#include "locale/vlocale.h"
#include "product/config.h"
#include "product/queries.h"
#include "product/run_lock.h"
#include "state/state.h"
#include "wizard/wizard.h"

namespace {

// The anchor window is never shown; it only owns the wizard and the
// installation's windows.
LRESULT CALLBACK AnchorWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

void RegisterAnchorClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = AnchorWndProc;
    windowClass.hInstance = instance;
    // There is no icon of that name: the class stays without one, which is
    // never seen because the window is never shown.
    windowClass.hIcon = LoadIconA(instance, "Setupicon");
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kSetupConfig.setupName;
    RegisterClassExA(&windowClass);
}

HFONT CreateTitleFont()
{
    return CreateFontA(24, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                       "Arial");
}

HWND CreateAnchorWindow(HINSTANCE instance)
{
    int x = GetSystemMetrics(SM_CXFULLSCREEN) / 2 - 220;
    int y = GetSystemMetrics(SM_CYFULLSCREEN) / 2 - 160;
    return CreateWindowExA(0, kSetupConfig.setupName, "", WS_POPUP, x, y, 1, 1, nullptr, nullptr,
                           instance, nullptr);
}

// Runs the phases between the defaults and the shutdown; returns when the
// user is done with the setup, whatever the outcome.
void RunSetup()
{
    SetStateDefaults();

    DetectEarlierInstallation();
    g_state.requiredSpace += ComputeRequiredSpace(kInstallTable, kInstallCount);

    // The language object replaces "%3" and "%4" as it loads, so it comes
    // after the detection of an earlier installation. Without it no text can
    // be shown: the run ends quietly.
    g_state.locale = new (std::nothrow) Vlocale(g_state.installedVersionText,
                                                g_state.installedFolder);
    if (!g_state.locale)
        return;

    // One setup or uninstall at a time, system-wide, held to the end of the
    // setup: a second one says so and ends before the wizard.
    NamedMutex run;
    if (!run.Acquire(kRunMutexName, 0)) {
        MessageBoxA(nullptr, OwnText(IDS_RUN_BUSY), ResolveText("$0010"),
                    MB_OK | MB_ICONWARNING);
        return;
    }

    if (RunWizard(g_state.anchor))
        RunInstallation(g_state.anchor);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    CommandLineSwitches switches = ScanCommandLine(commandLine);
    g_state.fullDiskTest = switches.diskFull;
    g_state.forcedOldVersion = switches.oldVersion;

    RegisterAnchorClass(instance);
    g_state.instance = instance;
    g_state.titleFont = CreateTitleFont();
    g_state.anchor = CreateAnchorWindow(instance);

    // The shell allocator lives until the setup is done with the shell.
    {
        ComPtr<IMalloc> shellMalloc;
        if (SUCCEEDED(SHGetMalloc(shellMalloc.Put()))) {
            g_state.shellMalloc = shellMalloc.get();
            RunSetup();
            g_state.shellMalloc = nullptr;
        }
    }

    // Shutdown: only what is still queued is dispatched.
    PostQuitMessage(0);
    DeleteObject(g_state.titleFont);
    g_state.titleFont = nullptr;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    delete g_state.locale;
    g_state.locale = nullptr;
    // Every quit message of the program carries 0.
    return static_cast<int>(message.wParam);
}
