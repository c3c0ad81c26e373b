// The progress window: a modeless dialog with a status line, a bar and a
// Cancel button, and the message pump of the installation.
#pragma once

#include <windows.h>

#include <cstdint>

class Progress {
public:
    // Creates the dialog (template 131) at the origin of `owner`; it is
    // visible at once. A very silent run creates none. Without the dialog
    // the installation runs on, without the status pauses.
    explicit Progress(HWND owner);
    // Destroys the dialog.
    ~Progress();

    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;

    // Shows `text` on the status line and holds the run 50 ms, counted from
    // the call. Within that time the bar is brought up to date and
    // messages are pumped, which paints both, and input that comes is
    // handled at once, and pauseWork is done.
    void SetStatus(const char *text);
    // Counts bytes written and moves the bar within 0..80. The bar is
    // painted and messages are pumped at most every kPumpIntervalMs; the
    // next SetStatus, pump or ShowBar brings the bar up to date.
    void AdvanceBytes(int32_t count);
    // Counts one completed later step and pumps. The bar's move within
    // 80..100 is painted by the next SetStatus, or here after the last step.
    void AdvanceStep();
    // Brings the bar up to date, handles every message waiting for this
    // thread's windows and returns as soon as the queue is empty; never
    // waits.
    void PumpMessages();
    // Moves the bar to where the counters put it, for anything that holds
    // the run (an error box) or names the next entry.
    void ShowBar();

    // Work that a status line's pause takes in, so that it costs the run
    // nothing (the driver writes the record there), done before the line
    // changes; null for none.
    void (*pauseWork)() = nullptr;

    int32_t bytesDone = 0;
    int32_t bytesTotal = 1;  // set by the driver after creation
    int32_t stepsDone = 0;
    int32_t stepsTotal = 1;  // set by the driver after creation
    HWND dialog = nullptr;

private:
    // PumpMessages without bringing the bar up to date.
    void HandleMessages();
    // Holds the run until kStatusPauseMs have passed since `start`, a
    // performance-counter reading, and handles messages meanwhile.
    void Pause(const LARGE_INTEGER &start);
    // Milliseconds left of the pause begun at `start`; 0 or less once over.
    double PauseLeft(const LARGE_INTEGER &start) const;

    static constexpr DWORD kPumpIntervalMs = 10;
    static constexpr DWORD kStatusPauseMs = 50;

    HWND status_ = nullptr;    // the status line, control 301
    HWND bar_ = nullptr;       // the bar, control 302
    int32_t barWanted_ = 0;    // where the counters put the bar
    int32_t barShown_ = 0;     // what the bar shows; a new bar shows 0
    DWORD lastPump_ = 0;       // tick count of the last pump
    double msPerCount_ = 0;    // milliseconds per performance-counter count
};
