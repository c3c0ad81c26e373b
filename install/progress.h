// The progress window: a modeless dialog with a status line, a bar and a
// Cancel button, and the message pump of the installation.
#pragma once

#include <windows.h>

#include <cstdint>

class Progress {
public:
    // Creates the dialog (template 131) at the origin of `owner`; it is
    // visible at once. If it cannot be created the installation runs
    // without it.
    explicit Progress(HWND owner);
    // Destroys the dialog.
    ~Progress();

    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;

    // Shows `text` on the status line and pauses 50 ms; pumps nothing.
    void SetStatus(const char *text);
    // Counts bytes written, moves the bar within 0..80 and pumps.
    void AdvanceBytes(int32_t count);
    // Counts one completed later step, moves the bar within 80..100 and pumps.
    void AdvanceStep();
    // Handles every message waiting for this thread's windows and returns
    // as soon as the queue is empty; never waits.
    void PumpMessages();

    int32_t bytesDone = 0;
    int32_t bytesTotal = 1;  // set by the driver after creation
    int32_t stepsDone = 0;
    int32_t stepsTotal = 1;  // set by the driver after creation
    HWND dialog = nullptr;

private:
    void SetBar(int32_t position);
};
