// Entry point, anchor window and the top-level sequence of the setup.
#include <windows.h>
#include <shlobj.h>

#include <new>

#include "app/app_ids.h"
#include "app/cmdline.h"
#include "app/detect.h"
#include "base/format.h"
#include "base/holders.h"
#include "base/runlog.h"
#include "base/text.h"
#include "install/in_place.h"
#include "install/in_use.h"
#include "install/install.h"
#include "locale/vlocale.h"
#include "product/config.h"
#include "product/queries.h"
#include "product/run_lock.h"
#include "state/state.h"
#include "wizard/decisions.h"
#include "wizard/folders.h"
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

const char *YesNo(bool value)
{
    return value ? "yes" : "no";
}

// Writes the start of the log: when, the command line and the mode.
void LogStart(const char *commandLine, QuietMode quiet)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    RunLog("%s %s setup started on %04u-%02u-%02u", kSetupConfig.productName,
           kSetupConfig.productVersionText, now.wYear, now.wMonth, now.wDay);
    RunLog("Command line: %s", commandLine);
    RunLog("Mode: %s", quiet == QuietMode::VerySilent ? "very silent"
                       : quiet == QuietMode::Silent   ? "silent"
                                                      : "interactive");
}

// Tells why the command line cannot be used: in the log and, in the
// interactive setup, in a message box.
void ReportUnusableCommandLine(const CommandLineSwitches &switches)
{
    const char *reasons[] = {"", "its value is missing", "its quoted value has no closing quote",
                             "its value is too long", "its value cannot be a folder",
                             "the file cannot be created"};
    RunLog("Error: the command line cannot be used: %s: %s", switches.problemSwitch,
           reasons[static_cast<int>(switches.problem)]);
    if (switches.quiet != QuietMode::None)
        return;
    char text[300];
    FormatText(text, sizeof text, ResolveText("$0337"), switches.problemSwitch);
    MessageBoxA(nullptr, text, ResolveText("$0010"), MB_ICONERROR);
}

// The installation after the wizard or in place of it.
SetupOutcome Install()
{
    RunLog("Destination folder: %s", g_state.destination);
    RunLog("Program group: %s", g_state.programGroup);
    RunLog("Desktop icon: %s", YesNo(g_state.desktopIcon));
    // Nothing is changed while another program holds a file that the run
    // would change: the user closes it, or the setup ends here as if it had
    // not begun.
    if (!AskUntilFilesAreFree(g_state.anchor))
        return SetupOutcome::FilesInUse;
    // Nor does it write where a link on the way would lead it.
    if (!NoLinksOnTheWay(g_state.anchor))
        return SetupOutcome::Failed;
    bool ok = RunInstallation(g_state.anchor);
    return g_state.cancelled ? SetupOutcome::Cancelled
           : ok              ? SetupOutcome::Installed
                             : SetupOutcome::Failed;
}

// What the wizard would have asked, decided without a question: a newer or
// incompatible version and too little space end the run before anything
// changes; an earlier installation elsewhere than "/DIR" says is noted. Each
// warning that the wizard would have shown goes to the log.
SetupOutcome RunQuiet()
{
    InstalledProduct installed;
    installed.newerInstalled = g_state.newerInstalled;
    installed.earlierInstalled = g_state.earlierInstalled;
    installed.versionMs = g_state.installedVersionMs;
    installed.incompatibleLimit = kSetupConfig.incompatibleVersionLimit;
    WelcomeWarning warning = WarningOnLeavingWelcome(installed);
    if (warning != WelcomeWarning::None) {
        RunLog("Warning: %s",
               ResolveText(warning == WelcomeWarning::Downgrade ? "$0220" : "$0230"));
        return SetupOutcome::NewerOrIncompatible;
    }
    if (NeedsEarlierFolderWarning(g_state.earlierInstalled, g_state.destination,
                                  g_state.installedFolder))
        RunLog("Warning: %s", ResolveText("$0210"));
    if (!HasEnoughFreeSpace(g_state.destination, g_state.requiredSpace)) {
        RunLog("Warning: %s", ResolveText("$0250"));
        return SetupOutcome::NotEnoughSpace;
    }
    RunLog("Licence: accepted by starting an unattended run");
    g_state.readMe = false;
    g_state.launch = false;
    return Install();
}

// Runs the phases between the defaults and the shutdown; returns when the
// user is done with the setup, with the outcome.
SetupOutcome RunSetup(const CommandLineSwitches &switches)
{
    SetStateDefaults();
    if (switches.group[0])
        CopyText(g_state.programGroup, sizeof g_state.programGroup, switches.group);
    if (switches.noDesktop)
        g_state.desktopIcon = false;

    DetectEarlierInstallation();
    if (g_state.installedVersionMs || g_state.installedVersionLs)
        RunLog("Installed: version %s in %s", g_state.installedVersionText,
               g_state.installedFolder);
    // The folder of the command line wins over the installed one.
    if (switches.dir[0])
        CopyText(g_state.destination, sizeof g_state.destination, switches.dir);
    g_state.requiredSpace += ComputeRequiredSpace(kInstallTable, kInstallCount);

    // The language object replaces "%3" and "%4" as it loads, so it comes
    // after the detection of an earlier installation. Without it no text can
    // be shown: the run ends quietly.
    g_state.locale = new (std::nothrow) Vlocale(g_state.installedVersionText,
                                                g_state.installedFolder);
    if (!g_state.locale) {
        RunLog("Error: no memory for the texts");
        return SetupOutcome::Failed;
    }

    if (switches.problem != CommandLineProblem::None) {
        ReportUnusableCommandLine(switches);
        return SetupOutcome::UnusableCommandLine;
    }
    // One setup or uninstall at a time, system-wide, held to the end of the
    // setup: a second one says so and ends before the wizard.
    NamedMutex run;
    if (!run.Acquire(kRunMutexName, 0)) {
        RunLog("Error: %s", OwnText(IDS_RUN_BUSY));
        if (g_state.quiet == QuietMode::None)
            MessageBoxA(nullptr, OwnText(IDS_RUN_BUSY), ResolveText("$0010"),
                        MB_OK | MB_ICONWARNING);
        return SetupOutcome::AnotherSetupRunning;
    }
    if (g_state.quiet != QuietMode::None)
        return RunQuiet();
    if (!RunWizard(g_state.anchor))
        return SetupOutcome::WizardLeft;
    return Install();
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    CommandLineSwitches switches = ScanCommandLine(commandLine);
    g_state.fullDiskTest = switches.diskFull;
    g_state.forcedOldVersion = switches.oldVersion;
    g_state.quiet = switches.quiet;
    const bool quiet = switches.quiet != QuietMode::None;
    // A log that cannot be made makes the command line unusable: the run
    // would go unrecorded.
    if (switches.log[0] && !OpenRunLog(switches.log) &&
        switches.problem == CommandLineProblem::None) {
        switches.problem = CommandLineProblem::NotCreated;
        switches.problemSwitch = "/LOG";
    }
    LogStart(commandLine, switches.quiet);
    SetupOutcome outcome = SetupOutcome::Failed;

    g_state.instance = instance;
    g_state.titleFont = CreateTitleFont();
    // A very silent run has no window at all (no wizard, no progress window,
    // no message box), so nothing for the anchor window to own.
    if (g_state.quiet != QuietMode::VerySilent) {
        RegisterAnchorClass(instance);
        g_state.anchor = CreateAnchorWindow(instance);
    }

    // The shell allocator lives until the setup is done with the shell.
    {
        ComPtr<IMalloc> shellMalloc;
        if (SUCCEEDED(SHGetMalloc(shellMalloc.Put()))) {
            g_state.shellMalloc = shellMalloc.get();
            outcome = RunSetup(switches);
            g_state.shellMalloc = nullptr;
        } else {
            RunLog("Error: the shell allocator is not available");
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
    int exitCode = ExitCodeFor(outcome, quiet);
    RunLog("End: %s; exit code %d", OutcomeName(outcome), exitCode);
    CloseRunLog();
    return exitCode;
}
