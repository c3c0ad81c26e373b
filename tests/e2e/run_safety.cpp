// A run that nothing can break: the setup ended by force at points spread
// over its run and cleaned up after by the registered uninstaller or by a
// second run; files in use found before anything changes; one setup or
// uninstall at a time.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "earlier.h"
#include "ids.h"
#include "install_scenario.h"
#include "machine.h"
#include "product/config.h"
#include "product/registry_keys.h"
#include "setup_run.h"

using namespace install_e2e;

namespace {

constexpr int kRemoved = 0;

// A moment of the run at which the setup is ended as the Task Manager ends
// it; `reached` tells from the progress window or the disk that the run got
// there (or further: a poll may come late on a busy machine).
struct KillPoint {
    const char *name;
    std::function<bool(HWND progress)> reached;
};

// Where the status line stands among the extracted entries; -1 when it
// names none of them.
int StatusPosition(HWND progress, const std::vector<int> &order)
{
    std::string status = StatusText(progress);
    for (size_t i = 0; i < order.size(); ++i) {
        if (status == CopyingStatus(kInstallTable[order[i]]))
            return static_cast<int>(i);
    }
    return -1;
}

// The run is past its files: at the registry, the links or its end.
bool PastTheFiles(HWND progress)
{
    std::string status = StatusText(progress);
    return status == "Updating Registry..." || status == "Creating icons..." ||
           !IsWindowVisible(progress);
}

std::vector<KillPoint> KillPoints()
{
    std::vector<int> order = ExtractionOrder();
    // Past the files a status line names no entry any more: the run is past
    // the point as well.
    auto copying = [order](size_t position) {
        return [order, position](HWND progress) {
            return StatusPosition(progress, order) >= static_cast<int>(position) ||
                   PastTheFiles(progress);
        };
    };
    size_t files = order.size() - 1;  // the files before the uninstaller
    // The uninstaller and its entry are made before the first file; in its
    // own place after the files it is written again over itself.
    return {
        {"the first file", copying(0)},
        {"a third of the files", copying(files / 3)},
        {"two thirds of the files", copying(2 * files / 3)},
        {"the last file before the uninstaller", copying(files - 1)},
        {"the uninstaller in its place", copying(files)},
        {"the registry", PastTheFiles},
        {"the links", [](HWND) { return driver::FileExists(GroupLinks()[0].path); }},
        {"the record's save", [](HWND progress) { return !IsWindowVisible(progress); }},
    };
}

// Starts the setup and ends its process by force once the run has reached
// `point`. Without wizard choices the setup runs silently: the same run of
// the same choices under the same progress window, without the wizard's
// pages before it.
void KillAt(const KillPoint &point, const e2e::Choices *wizard = nullptr)
{
    driver::SetupProcess setup;
    HWND progress = nullptr;
    if (wizard) {
        progress = e2e::StartInstallation(setup, *wizard);
    } else {
        ASSERT_TRUE(setup.Start("/SILENT"));
        progress = driver::WaitForDialogWithControl(setup.Id(), ids::kProgressBar);
    }
    ASSERT_NE(nullptr, progress);
    // A status line stands for about 50 ms: a look every 10 ms sees each
    // one without keeping the setup busy answering.
    DWORD start = GetTickCount();
    while (!point.reached(progress)) {
        ASSERT_TRUE(setup.Running()) << "the run ended before " << point.name;
        ASSERT_LT(GetTickCount() - start, 180000u) << point.name << " never came";
        Sleep(10);
    }
    setup.Kill();
    ASSERT_FALSE(setup.Running()) << "the setup did not end";
}

// Every file and folder below `folder`, as full paths, outer before inner.
void ListBelow(const std::string &folder, std::vector<std::string> &paths)
{
    ForEachBelow(folder, [&](const std::string &path, const WIN32_FIND_DATAA &) {
        paths.push_back(path);
        return true;
    });
}

// The record on disk after the end by force names everything that the run
// made: each file and folder in the destination, the program group and its
// links, the desktop link, and the two keys.
void ExpectRecordNamesWhatIsThere(const std::string &point,
                                  const std::vector<std::string> &unnamed = {})
{
    std::set<std::string> named;
    for (const auto &element : ParseRecord(ReadRecord()))
        named.insert(element.first + "=" + Lower(element.second));
    std::vector<std::string> files, folders;
    std::vector<std::string> paths = {kDestination};
    ListBelow(kDestination, paths);
    if (driver::FolderExists(GroupFolder())) {
        paths.push_back(GroupFolder());
        ListBelow(GroupFolder(), paths);
    }
    if (driver::FileExists(DesktopLink().path))
        paths.push_back(DesktopLink().path);
    for (const std::string &path : paths) {
        // The record itself is the uninstaller's last deletion.
        if (Lower(path) == Lower(Installed("Uninstall.dat")) ||
            std::find(unnamed.begin(), unnamed.end(), path) != unnamed.end() ||
            (!driver::FileExists(path) && !driver::FolderExists(path)))
            continue;
        const char *element = driver::FolderExists(path) ? "FOLDER=" : "FILE=";
        EXPECT_TRUE(named.count(element + Lower(path))) << path << " made before " << point
                                                        << " is not in the record";
    }
    if (KeyExists(HKEY_LOCAL_MACHINE, kProductKey)) {
        EXPECT_TRUE(named.count("UNINSTKEY=velmo")) << "the Uninstall entry is not in the record";
    }
    if (KeyExists(HKEY_LOCAL_MACHINE, kProgramKey)) {
        EXPECT_TRUE(named.count("APPKEY=velmo.exe")) << "the App Paths entry is not in the record";
    }
}

// Runs the registered uninstaller quietly and expects `exitCode`.
void UninstallQuietly(int exitCode = kRemoved)
{
    const std::string program = UninstallProgram();
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(exitCode, QuietRun(program));
    ExpectUninstallerGone(program);
}

// The machine as before, but for what `allowed` left (lines of Minus).
void ExpectMachineAsBefore(const Snapshot &before, const std::vector<std::string> &allowed = {})
{
    ASSERT_NO_FATAL_FAILURE(Restart());
    const Snapshot after = TakeSnapshot();
    EXPECT_EQ(std::vector<std::string>(), Minus(before, after)) << "taken from the machine";
    EXPECT_EQ(allowed, Minus(after, before)) << "left on the machine";
}

// A second run to its end completes the installation: every file as
// packed, and one record that names everything once.
void ExpectSecondRunCompletes()
{
    driver::SetupProcess again;
    ASSERT_NE(nullptr, e2e::StartInstallation(again, WithoutGame()));
    ASSERT_NO_FATAL_FAILURE(ExpectSuccessfulRun(again, kDestination, Started::Nothing));
    ExpectEveryFileInstalled();
    std::vector<std::string> written;
    for (const auto &element : ParseRecord(ReadRecord()))
        written.push_back(element.first + "=" + Lower(element.second));
    for (const auto &element : ExpectedRecord(ExtractionOrder().size(), Reached::End))
        EXPECT_EQ(1, std::count(written.begin(), written.end(),
                                element.first + "=" + Lower(element.second)))
            << element.first << " " << element.second;
}

void AskForSpecialFolders()
{
    // The shell notes where its folders are the first time a program asks
    // for them: ask before the picture is taken.
    SpecialFolder(CSIDL_PROGRAMS);
    SpecialFolder(CSIDL_DESKTOPDIRECTORY);
}

// Ends the setup at each of the points from `first` to `last` in turn; the
// registered uninstaller then leaves the machine as it was before.
void ExpectUninstallerCleansUp(size_t first, size_t last)
{
    AskForSpecialFolders();
    const Snapshot before = TakeSnapshot();
    std::vector<KillPoint> points = KillPoints();
    for (size_t i = first; i <= last; ++i) {
        const KillPoint &point = points[i];
        SCOPED_TRACE(std::string("ended at ") + point.name);
        ASSERT_NO_FATAL_FAILURE(KillAt(point));
        ExpectRecordNamesWhatIsThere(point.name);
        ASSERT_NO_FATAL_FAILURE(UninstallQuietly());
        ASSERT_NO_FATAL_FAILURE(ExpectMachineAsBefore(before));
        // The next point must start from the machine as it was.
        if (::testing::Test::HasFailure())
            return;
    }
}

}  // namespace

TEST(KilledRun, the_registered_uninstaller_removes_a_run_ended_during_its_files)
{
    ExpectUninstallerCleansUp(0, 3);
    if (::testing::Test::HasFailure())
        return;

    // A very silent run shows no status line, and keeps its record all the
    // same: ended among its files, it is removed as the others are.
    SCOPED_TRACE("a very silent run ended among its files");
    const Snapshot before = TakeSnapshot();
    driver::SetupProcess setup;
    ASSERT_TRUE(setup.Start("/VERYSILENT"));
    auto filesMade = [] {
        int files = 0;
        ForEachBelow(kDestination, [&](const std::string &, const WIN32_FIND_DATAA &found) {
            files += !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
            return true;
        });
        return files;
    };
    const int third = static_cast<int>(ExtractionOrder().size()) / 3;
    DWORD start = GetTickCount();
    while (filesMade() < third) {
        ASSERT_TRUE(setup.Running()) << "the run ended before a third of its files";
        ASSERT_LT(GetTickCount() - start, 120000u) << "a third of the files never came";
        Sleep(5);
    }
    setup.Kill();
    ExpectRecordNamesWhatIsThere("a third of a very silent run's files");
    ASSERT_NO_FATAL_FAILURE(UninstallQuietly());
    ExpectMachineAsBefore(before);
}

TEST(KilledRun, the_registered_uninstaller_removes_a_run_ended_after_its_files)
{
    ExpectUninstallerCleansUp(4, 7);
}

namespace {

// Takes away what the runs made, from inside the machine, so that the next
// point starts from a machine without the game.
void RemoveInstallation()
{
    std::vector<std::string> paths = {kDestination};
    ListBelow(kDestination, paths);
    paths.push_back(GroupFolder());
    ListBelow(GroupFolder(), paths);
    paths.push_back(DesktopLink().path);
    // Inner paths come last in the list: they go first.
    for (auto path = paths.rbegin(); path != paths.rend(); ++path) {
        if (driver::FolderExists(*path)) {
            EXPECT_TRUE(RemoveDirectoryA(path->c_str())) << *path;
        } else if (driver::FileExists(*path)) {
            EXPECT_TRUE(DeleteFileA(path->c_str())) << *path;
        }
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProgramKey.c_str());
}

// Ends the setup at each of the points from `first` to `last` in turn; a
// second run completes the installation, which is then taken away for the
// next point. The registered uninstaller removes what the last two runs
// made, leaving the machine as before.
void ExpectSecondRunsComplete(size_t first, size_t last)
{
    AskForSpecialFolders();
    const Snapshot before = TakeSnapshot();
    std::vector<KillPoint> points = KillPoints();
    for (size_t i = first; i <= last; ++i) {
        SCOPED_TRACE(std::string("ended at ") + points[i].name);
        ASSERT_NO_FATAL_FAILURE(KillAt(points[i]));
        ExpectRecordNamesWhatIsThere(points[i].name);
        ASSERT_NO_FATAL_FAILURE(ExpectSecondRunCompletes());
        if (::testing::Test::HasFailure())
            return;
        if (i < last)
            RemoveInstallation();
    }
    ASSERT_NO_FATAL_FAILURE(UninstallQuietly());
    ExpectMachineAsBefore(before);
}

}  // namespace

TEST(KilledRun, a_second_setup_completes_a_run_ended_during_its_files)
{
    ExpectSecondRunsComplete(0, 3);
}

TEST(KilledRun, a_second_setup_completes_a_run_ended_after_its_files)
{
    ExpectSecondRunsComplete(4, 7);
}

TEST(KilledRun, an_upgrade_over_version_2_ended_by_force_stays_removable)
{
    const std::string kGroups[] = {"APPNAME", "FILE",     "FOLDER",     "APPKEY",
                                   "UNINSTKEY", "CLASSKEY", "FILEPATTERN"};
    AskForSpecialFolders();
    const Snapshot before = TakeSnapshot();
    // What the upgrade keeps under new names, which no record names.
    const std::vector<std::string> renamed = {
        "file " + Installed("Deutsch (v2.1).qlf") + " (15)",
        "file " + Installed("Fran\xe7" "ais (v2.1).qlf") + " (16)",
        "folder " + std::string(kDestination)};
    std::vector<KillPoint> points = KillPoints();
    // Among the files a second run completes the upgrade first; after them
    // the uninstaller removes it at once.
    for (size_t i : {1, 5}) {
        const KillPoint &point = points[i];
        SCOPED_TRACE(std::string("ended at ") + point.name);
        earlier::PlaceEarlierVersion("2.1", kDestination);
        earlier::PlaceVersion2Files(kDestination);
        Elements old = earlier::OldRecord(kDestination);
        old.emplace_back("APPKEY", "Velmo.exe");
        ASSERT_TRUE(WriteWholeFile(Installed("Uninstall.dat"), RecordText(old)));
        e2e::Choices choices;
        choices.continueWarnings = true;
        ASSERT_NO_FATAL_FAILURE(KillAt(point, &choices));

        // The record on disk still names what version 2 left, beside what
        // this run made: every element of the record's own kinds (the
        // others go with the old file, as after a whole upgrade).
        Elements kept = ParseRecord(ReadRecord());
        for (const auto &element : old) {
            if (std::find(std::begin(kGroups), std::end(kGroups), element.first) !=
                std::end(kGroups)) {
                EXPECT_NE(kept.end(), std::find(kept.begin(), kept.end(), element))
                    << element.first << " " << element.second << " is no longer in the record";
            }
        }
        ExpectRecordNamesWhatIsThere(point.name, {Installed("Deutsch (v2.1).qlf"),
                                                  Installed("Fran\xe7" "ais (v2.1).qlf")});
        if (i == 1) {
            ASSERT_NO_FATAL_FAILURE(ExpectSecondRunCompletes());
        }
        // The folder stays for the two renamed files, which no record names:
        // kept for the user, which counts as removed.
        ASSERT_NO_FATAL_FAILURE(UninstallQuietly());
        ASSERT_NO_FATAL_FAILURE(ExpectMachineAsBefore(before, renamed));
        if (::testing::Test::HasFailure())
            return;
        // The next upgrade starts from version 2 again.
        for (const char *name : {"Deutsch (v2.1).qlf", "Fran\xe7" "ais (v2.1).qlf"})
            ASSERT_TRUE(DeleteFileA(Installed(name).c_str())) << name;
    }
}

namespace {

// Every file below the destination with its content, and the product's two
// keys: what a cancelled run must not change.
std::vector<std::string> InstallationState()
{
    std::vector<std::string> paths;
    ListBelow(kDestination, paths);
    std::vector<std::string> state;
    for (const std::string &path : paths) {
        std::string content;
        driver::ReadWholeFile(path, &content);
        state.push_back(path + " " + std::to_string(content.size()) + " " +
                        std::to_string(std::hash<std::string>()(content)));
    }
    for (const std::string &key : {kProductKey, kProgramKey}) {
        state.push_back(key + " " + ReadMachineValue(key, nullptr) + " " +
                        ReadMachineValue(key, "UninstallString"));
    }
    std::sort(state.begin(), state.end());
    return state;
}

// Starts the setup and walks it to Finish; the question about files in use
// comes instead of the progress window.
HWND WaitForInUseQuestion(driver::SetupProcess &setup)
{
    e2e::Choices choices;
    choices.waitForProgress = false;
    if (!e2e::StartInstallation(setup, choices))
        return nullptr;
    return driver::WaitForMessageBox(setup.Id(), "Cardsets\\Cards.png", 60000);
}

}  // namespace

TEST(FilesInUse, the_running_game_is_named_and_retry_installs_once_it_is_closed)
{
    ASSERT_EQ(0, RunUnattended("/VERYSILENT"));
    // The game runs and holds its card images open.
    driver::SetupProcess game;
    ASSERT_TRUE(game.StartProgram(Installed("Velmo.exe")));
    HWND window = nullptr;
    ASSERT_TRUE(driver::WaitUntil(
        [&] { return (window = FindWindowA("VelmoGame", nullptr)) != nullptr; }, 60000));
    const std::vector<std::string> installed = InstallationState();
    // The installed files are written again: let a second run's writes show.
    ASSERT_TRUE(WriteWholeFile(Installed("Velmo.hlp"), "mine"));
    const std::vector<std::string> before = InstallationState();

    // Cancel: the setup ends and nothing changed.
    {
        driver::SetupProcess setup;
        HWND question = WaitForInUseQuestion(setup);
        ASSERT_NE(nullptr, question) << "no question about files in use";
        const std::string text = driver::MessageBoxText(question);
        EXPECT_NE(std::string::npos, text.find(Installed("Cardsets\\Cards.png"))) << text;
        // The running program's own file is in use too.
        EXPECT_NE(std::string::npos, text.find(Installed("Velmo.exe") + "\n")) << text;
        EXPECT_NE(std::string::npos, text.find("Close Velmo.exe, then")) << text;
        EXPECT_EQ(std::string::npos, text.find(Installed("Velmo.hlp")))
            << "a file that nobody holds is named: " << text;
        EXPECT_EQ("Velmo Installation", driver::WindowText(question));
        ASSERT_TRUE(driver::ClickAway(question, IDCANCEL));
        ExpectEndsWithoutMessage(setup);
    }
    EXPECT_EQ(before, InstallationState()) << "the cancelled setup changed the installation";

    // An unattended run asks nobody: it ends with exit code 5 before it
    // changes anything, and its log names what is held.
    const std::string log = "C:\\in-use.log";
    EXPECT_EQ(5, RunUnattended("/VERYSILENT /LOG=\"" + log + "\""));
    EXPECT_EQ(before, InstallationState()) << "the unattended setup changed the installation";
    std::string logText;
    EXPECT_TRUE(driver::ReadWholeFile(log, &logText));
    EXPECT_NE(std::string::npos, logText.find(Installed("Cardsets\\Cards.png"))) << logText;
    EXPECT_NE(std::string::npos, logText.find("exit code 5")) << logText;

    // Retry while the game still runs asks again; Retry once it is closed
    // installs.
    driver::SetupProcess setup;
    HWND question = WaitForInUseQuestion(setup);
    ASSERT_NE(nullptr, question) << "no question about files in use";
    ASSERT_TRUE(driver::ClickAway(question, IDRETRY, 30000));
    question = driver::WaitForMessageBox(setup.Id(), "Cardsets\\Cards.png", 60000);
    ASSERT_NE(nullptr, question) << "Retry with the game still running did not ask again";
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD code = 0;
    ASSERT_TRUE(game.WaitForExit(30000, &code)) << "the game did not end";
    driver::Click(question, IDRETRY);
    ASSERT_NE(nullptr, driver::WaitForDialogWithControl(setup.Id(), ids::kProgressBar))
        << "no installation after Retry";
    ASSERT_NO_FATAL_FAILURE(ExpectSuccessfulRun(setup));
    EXPECT_EQ(installed, InstallationState());
}

namespace {

const char kBusyText[] = "A setup or uninstall of Velmo is running. Wait until it has ended, then";

// Starts `program` (the setup when empty) while another run holds the
// system; it says so in a message box and ends with `exitCode` without
// doing anything. `meanwhile` runs while the message stands.
void ExpectTurnedAway(const std::string &program, const std::string &caption, int exitCode,
                      const std::function<void()> &meanwhile = nullptr)
{
    driver::SetupProcess second;
    ASSERT_TRUE(program.empty() ? second.Start() : second.StartProgram(program));
    HWND box = driver::WaitForMessageBox(second.Id(), "", 60000);
    ASSERT_NE(nullptr, box) << "no message from the second run";
    const std::string text = driver::MessageBoxText(box);
    EXPECT_EQ(0u, text.find(kBusyText)) << text;
    EXPECT_EQ(caption, driver::WindowText(box));
    if (meanwhile)
        ASSERT_NO_FATAL_FAILURE(meanwhile());
    ASSERT_TRUE(driver::ClickAway(box, IDOK, 10000)) << "the message stayed";
    DWORD code = 0;
    ASSERT_TRUE(second.WaitForExit(30000, &code)) << "the second run did not end";
    EXPECT_EQ(exitCode, static_cast<int>(code));
}

}  // namespace

TEST(OneAtATime, a_second_setup_or_uninstall_says_so_and_ends)
{
    // A second setup while the first waits in its wizard.
    driver::SetupProcess first;
    HWND sheet = e2e::StartWizard(first);
    ASSERT_NE(nullptr, sheet);
    ASSERT_NO_FATAL_FAILURE(ExpectTurnedAway("", "Velmo Installation", 0));
    // An unattended one ends without a window, with exit code 2.
    EXPECT_EQ(2, RunUnattended("/VERYSILENT"));
    EXPECT_FALSE(driver::FileExists(Installed("Velmo.exe")));
    ASSERT_TRUE(first.Running()) << "the first setup ended";

    // A setup that was ended by force leaves the way free.
    first.Kill();

    // The uninstaller while the setup runs, which goes on to its end while
    // the uninstaller's message stands: the setup made that program before
    // its files and comes to it again after them.
    driver::SetupProcess installing;
    ASSERT_NE(nullptr, e2e::StartInstallation(installing, WithoutGame()));
    // Once the uninstaller is whole and registered; the setup is then
    // making its files, entries and links, or shows its success message.
    ASSERT_TRUE(driver::WaitUntil(
        [&] { return !ReadMachineValue(kProductKey, "UninstallString").empty(); }, 120000));
    ASSERT_NO_FATAL_FAILURE(ExpectTurnedAway(Installed("Uninstall.exe"), "Velmo Uninstall", 4, [&] {
        ASSERT_NO_FATAL_FAILURE(ExpectSuccessfulRun(installing, kDestination, Started::Nothing));
        ExpectCompleteInstallation();
    }));

    // The setup while the uninstaller waits for its confirmation; the
    // uninstaller then still removes the installation.
    driver::SetupProcess removing;
    ASSERT_TRUE(removing.StartProgram(UninstallProgram()));
    ASSERT_NE(nullptr, driver::WaitForMessageBox(removing.Id(), "Do you want to remove", 60000));
    ASSERT_NO_FATAL_FAILURE(ExpectTurnedAway("", "Velmo Installation", 0));
    MessageBoxSeen question;
    ASSERT_TRUE(AnswerMessageBox(removing, &question, 60000, IDYES));
    MessageBoxSeen outcome;
    ASSERT_TRUE(AnswerMessageBox(removing, &outcome, 120000)) << "no final message";
    DWORD code = 0;
    ASSERT_TRUE(removing.WaitForExit(30000, &code));
    EXPECT_EQ(0u, code) << outcome.text;
    EXPECT_FALSE(driver::FileExists(Installed("Velmo.exe")));
}
