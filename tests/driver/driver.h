// Test driver for the end-to-end scenarios: starts the setup under test,
// finds its windows and works them through window messages only (no screen
// coordinates). Every wait has a deadline and fails the test when it passes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace driver {

constexpr DWORD kDefaultWait = 30000;  // ms

// The setup under test, started with CreateProcess.
class SetupProcess {
public:
    SetupProcess() = default;
    ~SetupProcess();
    SetupProcess(const SetupProcess &) = delete;
    SetupProcess &operator=(const SetupProcess &) = delete;

    // Starts the program named by VELMO_SETUP (a Unix or Windows path) with
    // the given arguments; false when it cannot be started.
    bool Start(const std::string &arguments = "");
    // Starts another program (a Windows path) the same way.
    bool StartProgram(const std::string &program, const std::string &arguments = "");
    // Starts a registered command as the system starts it: CreateProcess
    // finds the program in the command line itself, trying each blank of an
    // unquoted path in turn.
    bool StartCommand(const std::string &commandLine);
    // Waits for the process to end; false on timeout.
    bool WaitForExit(DWORD timeoutMs, DWORD *exitCode);
    DWORD Id() const { return id_; }
    bool Running() const;
    // Ends the process if it still runs (used when a scenario fails).
    void Kill();

private:
    bool Launch(const char *program, const std::string &commandLine);

    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// Windows path of a Unix path (Wine maps "/" to Z:), or the path unchanged
// when it already is a Windows path.
std::string WindowsPath(const std::string &path);
// Environment variable, empty when unset.
std::string Env(const char *name);
// The Windows path of a file beside the test program ("tree_probe.dll").
std::string BesideTheTests(const char *name);

// Repeats `condition` until it holds or the deadline passes, sleeping briefly
// between tries. True when it held.
bool WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs);

// Visible top-level windows of a process (of all processes when pid is 0);
// with hiddenToo the hidden ones as well.
std::vector<HWND> TopLevelWindows(DWORD pid, bool hiddenToo = false);
// Waits for a visible top-level dialog (class "#32770") of the process that
// satisfies `match`; nullptr on timeout.
HWND WaitForDialog(DWORD pid, const std::function<bool(HWND)> &match, DWORD timeoutMs = kDefaultWait);
// Waits for a dialog that has a child control with this id.
HWND WaitForDialogWithControl(DWORD pid, int controlId, DWORD timeoutMs = kDefaultWait);
// Waits for a message box (a dialog with a static text and no control that
// the program's own templates use) whose text contains `needle` ("" = any).
HWND WaitForMessageBox(DWORD pid, const std::string &needle, DWORD timeoutMs = kDefaultWait);

std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int controlId);
std::string ClassName(HWND window);
// The text of a message box: its longest static text.
std::string MessageBoxText(HWND box);
bool HasStyle(HWND window, LONG style);

// Posts a click on a button, so that a modal loop the click opens never
// blocks the driver.
void Click(HWND dialog, int controlId);
// Waits until `window` is gone; false on timeout.
bool WaitUntilClosed(HWND window, DWORD timeoutMs = kDefaultWait);
// Clicks a button that ends `dialog` and waits until the dialog is gone, so
// that a look for the next window does not find this one; false on timeout.
bool ClickAway(HWND dialog, int controlId, DWORD timeoutMs = kDefaultWait);
// Presses a wizard button (PSBTN_NEXT, PSBTN_BACK, PSBTN_FINISH, PSBTN_CANCEL).
void PressWizardButton(HWND sheet, int button);
// The page the property sheet shows now.
HWND CurrentPage(HWND sheet);
// Sends a key press (WM_KEYDOWN/WM_KEYUP) to a window.
void PressKey(HWND window, WPARAM key);

// Saves a picture of the whole screen as VELMO_ARTIFACTS\<name>.bmp; returns
// the path, or "" when no artifacts folder is set or the capture failed.
std::string Screenshot(const std::string &name);

// Reads a whole file; false when it cannot be read.
bool ReadWholeFile(const std::string &path, std::string *content);
bool FileExists(const std::string &path);
bool FolderExists(const std::string &path);

}  // namespace driver
