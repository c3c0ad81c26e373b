// What the installation scenarios share: the destination, the payload
// sources to compare with, the record a run must write, and the windows of
// the installation (progress window, Cancel confirmation, message boxes).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "driver.h"
#include "ids.h"
#include "product/manifest.h"
#include "setup_run.h"

namespace install_e2e {

// The default destination, which every scenario installs into.
extern const char kDestination[];
// The run's keys below HKEY_LOCAL_MACHINE: the game's App Paths entry and
// the product's entry in the list of installed programs.
extern const std::string kProgramKey;
extern const std::string kProductKey;

// `text` with its ASCII letters in lower case.
std::string Lower(std::string text);

// folder + "\" + name; the default destination unless a folder is given.
std::string Installed(const char *name, const std::string &folder = kDestination);
// Index of every entry the run extracts, in the order it extracts them:
// pass 1 (ENTRY_EXTRACT), then the uninstaller pass.
std::vector<int> ExtractionOrder();

// The bytes of the payload file an entry was packed from.
std::string PayloadSource(const ManifestEntry &entry);
// Fails the test unless the installed file equals its payload source.
void ExpectInstalledLikeSource(const ManifestEntry &entry,
                               const std::string &folder = kDestination);

// "Uninstall.dat" as the writer lays it out, for the given elements
// ("NAME", "text") in order.
using Elements = std::vector<std::pair<std::string, std::string>>;
std::string RecordText(const Elements &elements);
// How far a run came after its files: it stopped during them; it stopped
// at the App Paths entry, after the uninstaller's entry and the later files
// and patterns; it made every link but the desktop's; it went to its end.
enum class Reached { Files, AppPaths, GroupLinks, End };
// The record of a run into the default destination whose extraction wrote
// the first `extracted` entries of ExtractionOrder() and that came as far as
// `reached`. A run that stopped among the files made the uninstaller and its
// entry ahead of them: they follow the files it wrote.
Elements ExpectedRecord(size_t extracted, Reached reached);

// A link the run makes: where, its caption (file name and description),
// its target and working folder as the shell keeps them.
struct LinkMade {
    std::string path;
    std::string caption;
    std::string target;
    std::string folder;
};
// The program group's folder in the Start menu.
std::string GroupFolder();
// The program group's links in the order the run makes them, captions in
// the user's language.
std::vector<LinkMade> GroupLinks();
LinkMade DesktopLink();
std::string ReadRecord();
// The elements of a record file, in file order.
Elements ParseRecord(const std::string &text);
// The sum of unpackedSize over the given entries.
int64_t TotalSize(const std::vector<int> &entries);

// The Cancel confirmation; nullptr on timeout.
HWND WaitForCancelConfirmation(const driver::SetupProcess &setup,
                               DWORD timeoutMs = driver::kDefaultWait);
// The bar's position, -1 when the window does not answer.
int BarPosition(HWND progress);

// The text of the status line while `entry` is extracted.
std::string CopyingStatus(const ManifestEntry &entry);
// Waits until the status line shows `entry`; false on timeout.
bool WaitForStatus(HWND progress, const ManifestEntry &entry, DWORD timeoutMs = 60000);
// The progress window's status line.
std::string StatusText(HWND progress);

// Reads the bar while entry order[position] is extracted and checks that it
// stands where the bytes of that entry put it. Returns the position, or -1
// when the entry was no longer on the status line and the reading lies
// outside its bytes (nothing checked).
int ExpectBarWithin(HWND progress, const std::vector<int> &order, size_t position);

// A message box's caption, text, owner and icon.
struct MessageBoxSeen {
    std::string caption;
    std::string text;
    bool owned = false;
    bool icon = false;
};
// Waits for the next message box of the process, reads it and presses the
// button (OK unless told). False when none came in time.
bool AnswerMessageBox(const driver::SetupProcess &setup, MessageBoxSeen *seen,
                      DWORD timeoutMs = driver::kDefaultWait, int button = IDOK);
// Waits for the setup to end; fails the test on timeout or a non-zero exit
// code. Any message box that shows up meanwhile fails the test too.
void ExpectEndsWithoutMessage(driver::SetupProcess &setup, DWORD timeoutMs = driver::kDefaultWait);

// Waits for the one error box of the run and checks its text, caption, icon
// and owner.
void ExpectErrorBox(driver::SetupProcess &setup, const std::string &message);
// After the error box, or after the success message of a run whose launch
// box was cleared: the setup ends with nothing more to say, and the game is
// not started.
void ExpectRunEnded(driver::SetupProcess &setup);

// Waits for the game's window, checks that its process runs `program`,
// closes it and waits for the game to end. Returns the game's process id,
// 0 when no window came.
DWORD ExpectGameRunning(const std::string &program);

// Fails the test unless `seen` is the success message of a run.
void ExpectSuccessMessage(const MessageBoxSeen &seen);
// What a successful run starts at its end: the game, as the launch box of
// the Ready page is at first, or nothing when a scenario cleared the box.
enum class Started { Game, Nothing };
// Lets a started setup run to its end and checks the success message, the
// start of the game from `folder` (waiting for its window, then closing it)
// or that nothing was started, and the end of the setup.
void ExpectSuccessfulRun(driver::SetupProcess &setup, const std::string &folder = kDestination,
                         Started started = Started::Game);
// `choices` with the launch box cleared, for scenarios about what comes
// before the end of the run: the game started at the end costs a process
// and its window, and a few scenarios see to it.
e2e::Choices WithoutGame(e2e::Choices choices = e2e::Choices());
// Fails the test unless every extracted file in `folder` equals its payload
// source.
void ExpectEveryFileInstalled(const std::string &folder = kDestination);
// Every file in place and the record of a complete run.
void ExpectCompleteInstallation();

// The id of a process that `parent` started and that is still running, 0
// when there is none.
DWORD FindChildProcess(DWORD parent);

// Writes a whole file; false when it cannot be written.
bool WriteWholeFile(const std::string &path, const std::string &content);

// True when the user's language is the Dutch one of the setup.
bool DutchUser();
// An error box's full text: the message and the closing sentence.
std::string ErrorText(const std::string &message);

}  // namespace install_e2e
