// The progress window of the installation.
#include "install/progress.h"

#include <commctrl.h>

#include "install/install_ids.h"
#include "install/progress_bar.h"
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
        // button asks, and only "Exit Setup" cancels. The answer is read by
        // the step that pumped this message.
        if (LOWORD(wParam) != IDC_PROGRESS_CANCEL)
            return FALSE;
        if (AskCancel(dialog))
            g_state.cancelled = true;
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

Progress::Progress(HWND owner)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    dialog = CreateDialogParamA(g_state.instance, MAKEINTRESOURCEA(IDD_PROGRESS), owner,
                                ProgressDialogProc, 0);
    // Looked up once: under Wine every lookup asks the window server.
    status_ = GetDlgItem(dialog, IDC_PROGRESS_STATUS);
    bar_ = GetDlgItem(dialog, IDC_PROGRESS_BAR);
    pause_ = CreateWaitableTimerA(nullptr, TRUE, nullptr);
}

Progress::~Progress()
{
    if (pause_)
        CloseHandle(pause_);
    if (dialog)
        DestroyWindow(dialog);
}

void Progress::SetStatus(const char *text)
{
    // Showing the line, and the bar catching up with what the last entry
    // wrote, take place within the pause instead of adding to it; the pump
    // paints both, so that they are on the screen while the run waits
    // rather than after it.
    LARGE_INTEGER due;
    due.QuadPart = -10000LL * kStatusPauseMs;  // relative, in 100 ns units
    bool timed = pause_ && SetWaitableTimer(pause_, &due, 0, nullptr, nullptr, FALSE);
    SetWindowTextA(status_, text);
    PumpMessages();
    if (timed)
        WaitForSingleObject(pause_, kStatusPauseMs);  // the time-out only bounds the wait
    else
        Sleep(kStatusPauseMs);
    // Counted from the end of the pause, so that not every file's first
    // chunk pumps: input that came during the pause waits at most
    // kPumpIntervalMs more, or until the next line.
    lastPump_ = GetTickCount();
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
    PumpMessages();
}

void Progress::ShowBar()
{
    // Every move repaints the bar, so only moves are sent.
    if (barWanted_ == barShown_)
        return;
    barShown_ = barWanted_;
    SendMessageA(bar_, PBM_SETPOS, static_cast<WPARAM>(barShown_), 0);
}

void Progress::PumpMessages()
{
    ShowBar();
    lastPump_ = GetTickCount();
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (dialog && IsDialogMessageA(dialog, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
