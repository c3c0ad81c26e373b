// The progress window of the installation.
#include "install/progress.h"

#include <commctrl.h>

#include "install/install_ids.h"
#include "install/progress_bar.h"
#include "base/runlog.h"
#include "locale/vlocale.h"
#include "state/state.h"
#include "wizard/dialogs.h"

namespace {

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        if (g_state.locale)
            g_state.locale->ApplyToWindow(dialog);
        // No control holds the focus, so no key reaches the Cancel button.
        SetFocus(nullptr);
        return FALSE;
    case WM_COMMAND:
        // Escape and Enter arrive as other ids and change nothing; only the
        // button asks, and only "Exit Setup" cancels. A quiet run asks
        // nothing: the button cancels. The answer is read by the step that
        // pumped this message.
        if (LOWORD(wParam) != IDC_PROGRESS_CANCEL)
            return FALSE;
        if (g_state.quiet != QuietMode::None || AskCancel(dialog)) {
            if (!g_state.cancelled)
                RunLog("Cancelled in the progress window");
            g_state.cancelled = true;
        }
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

Progress::Progress(HWND owner)
{
    // A very silent run shows no window and does not wait for a reader.
    if (g_state.quiet == QuietMode::VerySilent)
        return;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    if (auto initialise = reinterpret_cast<BOOL(WINAPI *)(const INITCOMMONCONTROLSEX *)>(
            reinterpret_cast<void *>(CommonControl("InitCommonControlsEx"))))
        initialise(&controls);
    dialog = CreateDialogParamA(g_state.instance, MAKEINTRESOURCEA(IDD_PROGRESS), owner,
                                ProgressDialogProc, 0);
    // Looked up once: under Wine every lookup asks the window server.
    status_ = GetDlgItem(dialog, IDC_PROGRESS_STATUS);
    bar_ = GetDlgItem(dialog, IDC_PROGRESS_BAR);
    // Never fails since Windows XP. If it did, the counts would stay 0, the
    // time left of a pause would not be a number and the pauses would end
    // at once rather than never.
    LARGE_INTEGER frequency = {};
    QueryPerformanceFrequency(&frequency);
    msPerCount_ = 1000.0 / static_cast<double>(frequency.QuadPart);
}

Progress::~Progress()
{
    if (dialog)
        DestroyWindow(dialog);
}

void Progress::SetStatus(const char *text)
{
    // Showing the line, and the bar catching up with what the last entry
    // wrote, take place within the pause instead of adding to it; the pump
    // paints both, so that they are on the screen while the run waits
    // rather than after it.
    LARGE_INTEGER start = {};
    QueryPerformanceCounter(&start);
    // The work comes first, so that a line on the screen tells that what it
    // announces is prepared (the record names it). A very silent run shows
    // no line but needs the record on disk all the same.
    if (pauseWork)
        pauseWork();
    if (!dialog)
        return;
    SetWindowTextA(status_, text);
    PumpMessages();
    Pause(start);
}

void Progress::Pause(const LARGE_INTEGER &start)
{
    // The window answers while the run waits: input ends the wait early,
    // is handled, and the wait goes on for what is left. Waits count whole
    // milliseconds and may end a little early or late; the last fraction
    // of a millisecond is yielded away.
    for (double left = PauseLeft(start); left > 0; left = PauseLeft(start)) {
        DWORD wait = static_cast<DWORD>(left);
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT) == WAIT_OBJECT_0)
            PumpMessages();
        else if (wait == 0)
            SwitchToThread();
    }
    // Everything that came during the pause has been handled: the file
    // that follows need not pump on its first chunk.
    lastPump_ = GetTickCount();
}

double Progress::PauseLeft(const LARGE_INTEGER &start) const
{
    LARGE_INTEGER now = {};
    QueryPerformanceCounter(&now);
    return kStatusPauseMs - static_cast<double>(now.QuadPart - start.QuadPart) * msPerCount_;
}

void Progress::AdvanceBytes(int32_t count)
{
    bytesDone = AddCount(bytesDone, count);
    barWanted_ = BytePhasePosition(bytesDone, bytesTotal);
    // Thousands of chunks pass in a second. Painting the bar and looking
    // for input after each of them would cost more than inflating and
    // writing them; every few milliseconds is as smooth to the eye and as
    // quick for Cancel.
    if (GetTickCount() - lastPump_ >= kPumpIntervalMs)
        PumpMessages();
}

void Progress::AdvanceStep()
{
    stepsDone = AddCount(stepsDone, 1);
    barWanted_ = StepPhasePosition(stepsDone, stepsTotal);
    // A step's move repaints a wide piece of the bar. Every step but the
    // last is followed by the next one's status line, which shows the move
    // within its pause; only the last one is painted here.
    if (stepsDone < stepsTotal)
        HandleMessages();
    else
        PumpMessages();
}

void Progress::ShowBar()
{
    // Every move repaints the bar, so only moves are sent.
    if (barWanted_ == barShown_ || !bar_)
        return;
    barShown_ = barWanted_;
    SendMessageA(bar_, PBM_SETPOS, static_cast<WPARAM>(barShown_), 0);
}

void Progress::PumpMessages()
{
    ShowBar();
    HandleMessages();
}

void Progress::HandleMessages()
{
    lastPump_ = GetTickCount();
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (dialog && IsDialogMessageA(dialog, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
