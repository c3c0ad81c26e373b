// Unattended runs: "/SILENT" and "/VERYSILENT" with the folder, group,
// desktop icon and log of the command line, their exit codes, the complete
// entry in the list of installed programs and its quiet uninstall; the
// same switches as start values of the wizard; and runs into destinations
// whose links lead elsewhere.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "earlier.h"
#include "ids.h"
#include "install_scenario.h"
#include "product/config.h"
#include "setup_run.h"
#include "machine.h"
#include "system_entries.h"

using namespace install_e2e;

namespace {

std::string ReadLog(const std::string &path)
{
    std::string text;
    EXPECT_TRUE(driver::ReadWholeFile(path, &text)) << "no log " << path;
    return text;
}

// Fails unless the log holds every one of the lines' texts.
void ExpectLogHas(const std::string &log, const std::vector<std::string> &texts)
{
    for (const std::string &text : texts)
        EXPECT_NE(std::string::npos, log.find(text)) << "the log lacks \"" << text << "\":\n"
                                                     << log;
}

size_t Count(const std::string &text, const std::string &what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

RegistryValue NumberValue(const std::string &name, DWORD number)
{
    RegistryValue value;
    value.name = name;
    value.type = REG_DWORD;
    value.data.assign(reinterpret_cast<const char *>(&number), sizeof number);
    return value;
}

std::string Today()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[16];
    std::snprintf(date, sizeof date, "%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    return date;
}

// The lines of a snapshot difference that are not the given log files.
std::vector<std::string> WithoutLogs(const std::vector<std::string> &lines,
                                     const std::vector<std::string> &logs)
{
    std::vector<std::string> rest;
    for (const std::string &line : lines) {
        bool log = false;
        for (const std::string &path : logs)
            log = log || line.rfind("file " + path + " (", 0) == 0;
        if (!log)
            rest.push_back(line);
    }
    return rest;
}

}  // namespace

// One very silent run with every value of the command line, read back in the
// installation, the log and the list of installed programs; then removed by
// the quiet command that the list holds, which leaves the machine as it was.
TEST(Quiet, very_silent_run_installs_as_told_and_its_quiet_uninstall_leaves_nothing)
{
    const std::string folder = "C:\\Program Files\\Card Games Velmo";
    const std::string setupLog = "C:\\setup log.txt", uninstallLog = "C:\\uninstall log.txt";
    SpecialFolder(CSIDL_PROGRAMS);
    SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    const install_e2e::Snapshot before = install_e2e::TakeSnapshot();

    // The folder is quoted as a whole argument, as deployment tools write it.
    ASSERT_EQ(0, RunUnattended("/VERYSILENT \"/DIR=" + folder + "\" /group=\"Games\\Cards\" "
                          "/NODESKTOP /LOG=\"" + setupLog + "\""));
    ExpectEveryFileInstalled(folder);
    const std::string group = SpecialFolder(CSIDL_PROGRAMS) + "\\Games\\Cards";
    EXPECT_TRUE(driver::FileExists(group + "\\Velmo.lnk")) << group;
    EXPECT_FALSE(driver::FileExists(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\Velmo.lnk"));
    EXPECT_TRUE(driver::TopLevelWindows(0).empty()) << "the game or the read-me was started";

    // The entry as the list of installed programs reads it.
    const std::string uninstaller = folder + "\\Uninstall.exe";
    const std::string quietCommand = "\"" + uninstaller + "\" /S";
    const DWORD sizeKb = static_cast<DWORD>((TotalSize(ExtractionOrder()) + 1023) / 1024);
    std::vector<RegistryValue> values;
    ASSERT_TRUE(ReadKeyValues(kProductKey, &values));
    EXPECT_EQ(std::vector<RegistryValue>({
                  TextValue("DisplayIcon", folder + "\\Velmo.exe,0"),
                  TextValue("DisplayName", "Velmo"),
                  TextValue("DisplayVersion", "3.1.51"),
                  NumberValue("EstimatedSize", sizeKb),
                  TextValue("InstallDate", Today()),
                  TextValue("InstallLocation", folder),
                  NumberValue("NoModify", 1),
                  NumberValue("NoRepair", 1),
                  TextValue("Publisher", "Kestrin Software"),
                  TextValue("QuietUninstallString", quietCommand),
                  TextValue("URLInfoAbout", "http://www.kestrin-software.example/velmo"),
                  TextValue("UninstallString", "\"" + uninstaller + "\""),
                  NumberValue("VersionMajor", 3),
                  NumberValue("VersionMinor", 1),
              }),
              values);
    EXPECT_GT(sizeKb, 3000u);
    bool ended = false;
    std::string list = RunSystemTool("uninstaller.exe", "--list", 60000, &ended);
    EXPECT_TRUE(ended) << "the list of installed programs did not end";
    EXPECT_NE(std::string::npos, list.find("Velmo|||Velmo")) << list;

    const std::string log = ReadLog(setupLog);
    ExpectLogHas(log, {"Mode: very silent", "Destination folder: " + folder,
                       "Program group: Games\\Cards", "Desktop icon: no",
                       "Licence: accepted by starting an unattended run",
                       "Folder: " + folder + "\r\n", "File: " + folder + "\\Velmo.exe\r\n",
                       "File: " + uninstaller + "\r\n", "Key: HKLM\\" + kProductKey + "\r\n",
                       "Key: HKLM\\" + kProgramKey + "\r\n", "Folder: " + group + "\r\n",
                       "Link: " + group + "\\Velmo.lnk\r\n",
                       "Message: The Velmo software is successfully installed on your computer.",
                       "End: installed; exit code 0\r\n"});
    EXPECT_EQ(ExtractionOrder().size(), Count(log, " File: "));
    EXPECT_EQ(0u, Count(log, "Error: ")) << log;

    // The quiet command as the list holds it, with a log of its own.
    ASSERT_EQ('"', quietCommand[0]);
    size_t close = quietCommand.find('"', 1);
    EXPECT_EQ(0, RunUnattended(quietCommand.substr(close + 2) + " \"/LOG=" + uninstallLog + "\"",
                          quietCommand.substr(1, close - 1)));
    EXPECT_TRUE(driver::WaitUntil([&] { return !driver::FolderExists(folder); }, 30000))
        << folder << " is still there";
    ExpectLogHas(ReadLog(uninstallLog), {"Record: " + folder + "\\Uninstall.dat",
                                         "End: exit code 0\r\n"});
    ASSERT_NO_FATAL_FAILURE(Restart());

    const install_e2e::Snapshot after = install_e2e::TakeSnapshot();
    EXPECT_EQ(std::vector<std::string>(), install_e2e::Minus(before, after)) << "taken";
    EXPECT_EQ(std::vector<std::string>(),
              WithoutLogs(install_e2e::Minus(after, before), {setupLog, uninstallLog}))
        << "left on the machine";
}

// A silent run over an earlier installation in another folder installs
// there; it shows its progress window and nothing else, and its Cancel
// button, once the run has written the registry, ends the run without a
// question, rolls it back and gives the earlier entry every value back.
TEST(Quiet, silent_run_uses_the_installed_folder_and_cancel_rolls_back_with_7)
{
    earlier::PlaceEarlierVersion("3.1.51", earlier::kGames);
    const std::vector<RegistryValue> written = {
        TextValue("DisplayName", "Velmo"), TextValue("DisplayVersion", "3.1.51"),
        TextValue("InstallDate", "20200101"), TextValue("Publisher", "Someone"),
        TextValue("UninstallString", "C:\\Games\\Velmo\\Uninstall.exe"),
        NumberValue("VersionMajor", 3)};
    ASSERT_TRUE(WriteKeyValues(kProductKey, written));
    std::vector<RegistryValue> program, product;
    ASSERT_TRUE(ReadKeyValues(kProgramKey, &program));
    ASSERT_TRUE(ReadKeyValues(kProductKey, &product));
    const std::string log = "C:\\silent.log";
    std::vector<int> order = ExtractionOrder();

    driver::SetupProcess setup;
    ASSERT_TRUE(setup.Start("/SILENT /LOG=" + log));
    HWND progress = driver::WaitForDialogWithControl(setup.Id(), ids::kProgressCancel, 60000);
    ASSERT_NE(nullptr, progress) << "no progress window";
    EXPECT_EQ(std::vector<HWND>({progress}), driver::TopLevelWindows(setup.Id()))
        << "a wizard or another window shows";
    const std::string file = earlier::In(earlier::kGames, kInstallTable[order[20]].name);
    // The click is answered at the run's next pump, before the last link.
    const std::string firstLink = GroupLinks().front().path;
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::FileExists(firstLink); }, 120000))
        << firstLink << " never came";
    std::vector<RegistryValue> values;
    ASSERT_TRUE(ReadKeyValues(kProductKey, &values));
    EXPECT_EQ(14u, values.size()) << "the run has not written its entry yet";
    driver::Click(progress, ids::kProgressCancel);
    DWORD code = 0;
    DWORD start = GetTickCount();
    while (!setup.WaitForExit(50, &code)) {
        ASSERT_EQ(nullptr, driver::WaitForMessageBox(setup.Id(), "", 0)) << "a question showed";
        ASSERT_LT(GetTickCount() - start, 60000u) << "the run did not end";
    }
    EXPECT_EQ(7u, code);

    EXPECT_FALSE(driver::FileExists(file));
    EXPECT_FALSE(driver::FileExists(firstLink));
    EXPECT_FALSE(driver::FolderExists(kDestination)) << "the default folder was used";
    EXPECT_TRUE(ReadKeyValues(kProgramKey, &values));
    EXPECT_EQ(program, values);
    EXPECT_TRUE(ReadKeyValues(kProductKey, &values));
    EXPECT_EQ(product, values);
    ExpectLogHas(ReadLog(log), {"Mode: silent", "Installed: version 3.1.51 in C:\\Games\\Velmo",
                                "Destination folder: C:\\Games\\Velmo",
                                "Cancelled in the progress window",
                                "Rolled back what this run made",
                                "End: cancelled and rolled back; exit code 7"});
}

// Runs that cannot or must not install end before anything changes, each
// with its exit code and its reason in the log; a run that fails ends with
// 6 and the system's reason.
TEST(Quiet, runs_that_cannot_install_end_with_their_exit_code_and_change_nothing)
{
    const install_e2e::Snapshot before = install_e2e::TakeSnapshot();
    struct Run {
        std::string arguments;
        int code;
        std::vector<std::string> logged;
    };
    const std::vector<Run> runs = {
        {"/VERYSILENT /DIR", 1, {"Error: the command line cannot be used: /DIR: its value is "
                                 "missing"}},
        {"/SILENT /DIR=\"Games\\Velmo\"", 1, {"/DIR: its value cannot be a folder"}},
        {"/VERYSILENT /GROUP=\"..\\..\\Startup\"", 1, {"/GROUP: its value cannot be a folder"}},
        {"/VERYSILENT /OLDVERSION4", 3,
         {"Warning: Setup found that you have already installed Velmo version 4"}},
        {"/SILENT /OLDVERSION1", 3,
         {"Warning: Setup found that you have already installed Velmo version 1"}},
        {"/VERYSILENT /DISKFULL", 4, {"Warning: There will be not enough free disk space"}},
        {"/SILENT /LOG=\"C:\\no such folder\\setup.log\"", 1, {}},
    };
    std::vector<std::string> logs;
    for (size_t i = 0; i < runs.size(); ++i) {
        const Run &run = runs[i];
        std::string log = "C:\\run" + std::to_string(i) + ".log";
        bool ownLog = run.logged.size() > 0;
        std::string arguments = run.arguments + (ownLog ? " /LOG=\"" + log + "\"" : "");
        EXPECT_EQ(run.code, RunUnattended(arguments)) << arguments;
        if (!ownLog)
            continue;
        logs.push_back(log);
        std::vector<std::string> logged = run.logged;
        logged.push_back("End: ");
        logged.push_back("exit code " + std::to_string(run.code) + "\r\n");
        ExpectLogHas(ReadLog(log), logged);
    }
    EXPECT_EQ(std::vector<std::string>(), install_e2e::Minus(before, install_e2e::TakeSnapshot()));
    EXPECT_EQ(std::vector<std::string>(), WithoutLogs(install_e2e::Minus(install_e2e::TakeSnapshot(), before),
                                                      logs));

    // A folder that cannot be made: a file stands where a folder must go.
    ASSERT_TRUE(WriteWholeFile("C:\\blocked", "a file"));
    EXPECT_EQ(6, RunUnattended("/VERYSILENT /DIR=C:\\blocked\\Velmo /LOG=C:\\failed.log"));
    const std::string log = ReadLog("C:\\failed.log");
    ExpectLogHas(log, {"Error: Can't create file C:\\blocked\\Velmo\\",
                       "Installation will be terminated.: ", "(error 3)",
                       "End: the installation failed; exit code 6"});
    EXPECT_EQ(1u, Count(log, "Error: ")) << log;
}

// The interactive setup takes the switches as the start values of its
// pages, keeps exit code 0 and writes its log; a command line it cannot use
// is reported in a message box.
TEST(Quiet, switches_set_the_wizards_start_values_and_the_interactive_setup_ends_with_0)
{
    driver::SetupProcess setup;
    HWND sheet = e2e::StartWizard(setup, "/DIR=\"C:\\Program Files\\Card Games\" "
                                         "/GROUP=\"Games\\Cards\" /NODESKTOP /LOG=C:\\wizard.log");
    ASSERT_NE(nullptr, sheet);
    HWND page = e2e::Next(sheet, ids::kLicencePage);
    ASSERT_NE(nullptr, page);
    ASSERT_TRUE(e2e::SetCheck(page, ids::kLicenceAccept, true));
    page = e2e::Next(sheet, ids::kDestinationPage);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ("C:\\Program Files\\Card Games", driver::ControlText(page, ids::kDestinationFolder));
    page = e2e::Next(sheet, ids::kGroupPage);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ("Games\\Cards", driver::ControlText(page, ids::kGroupEdit));
    page = e2e::Next(sheet, ids::kDesktopPage);
    ASSERT_NE(nullptr, page);
    EXPECT_FALSE(e2e::IsChecked(page, ids::kDesktopCheck));
    driver::PressWizardButton(sheet, PSBTN_CANCEL);
    HWND confirmation = WaitForCancelConfirmation(setup);
    ASSERT_NE(nullptr, confirmation);
    driver::Click(confirmation, ids::kAnswer6);
    DWORD code = 1;
    ASSERT_TRUE(setup.WaitForExit(30000, &code));
    EXPECT_EQ(0u, code);
    ExpectLogHas(ReadLog("C:\\wizard.log"),
                 {"Mode: interactive", "End: the wizard was left; exit code 0"});

    driver::SetupProcess unusable;
    ASSERT_TRUE(unusable.Start("/DIR=Velmo"));
    MessageBoxSeen box;
    ASSERT_TRUE(AnswerMessageBox(unusable, &box));
    EXPECT_EQ("The command line cannot be used: the value of /DIR is missing, too long or cannot "
              "be used.",
              box.text);
    EXPECT_TRUE(unusable.WaitForExit(30000, &code));
    EXPECT_EQ(0u, code);
}

namespace {

// Tells Wine to take `library` from a program's own folder before its own,
// as Windows does with a library that is not one of its known ones, for the
// programs that start while this lives.
class PreferProgramFolder {
public:
    explicit PreferProgramFolder(const char *library) : library_(library)
    {
        EXPECT_TRUE(WriteKey(HKEY_CURRENT_USER, kOverrides, library, "native,builtin"));
    }
    ~PreferProgramFolder() { DeleteValue(HKEY_CURRENT_USER, kOverrides, library_); }

private:
    static constexpr const char *kOverrides = "Software\\Wine\\DllOverrides";
    const char *library_;
};

}  // namespace

// Administrators start the setup from a download folder and the uninstaller
// from the installation folder, and users may be able to write to either.
// A library put there under the name of one that the system loads on the
// programs' behalf (the theme library, when a window is drawn) stays
// unloaded: libraries come from the system folder.
TEST(Quiet, a_library_put_beside_the_setup_or_the_uninstaller_is_never_loaded)
{
    const std::string planted = driver::BesideTheTests("planted.dll");
    const std::string downloads = "C:\\Downloads", setup = downloads + "\\Setup.exe";
    const std::string marker = "C:\\planted-uxtheme.dll.txt";
    ASSERT_TRUE(CreateDirectoryA(downloads.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(driver::WindowsPath(driver::Env("VELMO_SETUP")).c_str(), setup.c_str(),
                          TRUE));
    ASSERT_TRUE(CopyFileA(planted.c_str(), (downloads + "\\uxtheme.dll").c_str(), TRUE)) << planted;
    PreferProgramFolder prefer("uxtheme");

    // The silent run draws its progress window.
    const int exitCode = RunUnattended("/SILENT", setup, true);
    EXPECT_FALSE(driver::FileExists(marker)) << "the setup loaded " << downloads << "\\uxtheme.dll";
    ASSERT_EQ(0, exitCode);
    ExpectEveryFileInstalled();

    // The uninstaller asks, shows its progress and its last message; the
    // folder stays for the library that is not the installation's.
    ASSERT_TRUE(CopyFileA(planted.c_str(), Installed("uxtheme.dll").c_str(), TRUE));
    driver::SetupProcess removal;
    ASSERT_TRUE(removal.StartProgram(UninstallProgram()));
    MessageBoxSeen question, outcome;
    ASSERT_TRUE(AnswerMessageBox(removal, &question, 60000, IDYES)) << "no question";
    ASSERT_TRUE(AnswerMessageBox(removal, &outcome, 120000)) << "no final message";
    DWORD code = 0;
    ASSERT_TRUE(removal.WaitForExit(30000, &code));
    EXPECT_EQ(0u, code) << outcome.text;
    EXPECT_FALSE(driver::FileExists(Installed("Velmo.exe")));
    EXPECT_FALSE(driver::FileExists(marker))
        << "the uninstaller loaded " << Installed("uxtheme.dll");
}

// The harness made destinations that lead elsewhere (setup_links.sh): a
// folder that is a link, a file that is a link, a second name of a file and
// a link to a file that does not exist, each pointing into C:\Outside. No
// run writes there: a folder that is a link stops the run before anything
// changes; a file that is not itself in its place stops it at that file.
// Nor can a link take a folder's place while a run goes.
TEST(SetupTrust, links_in_the_destination_lead_no_file_elsewhere)
{
    const std::string outside[][2] = {{"C:\\Outside\\Cards\\Cards.png", "cards of somebody else"},
                                      {"C:\\Outside\\texts.qlf", "texts of somebody else"},
                                      {"C:\\Outside\\picture.bmp", "a picture of somebody else"}};
    const install_e2e::Snapshot before = install_e2e::TakeSnapshot();
    EXPECT_EQ(6, RunUnattended("/VERYSILENT /DIR=C:\\Games\\Velmo /LOG=C:\\folder.log"));
    std::string log = ReadLog("C:\\folder.log");
    ExpectLogHas(log, {"Refused: C:\\Games\\Velmo\\Cardsets\\Cards.png lies behind a link",
                       "Error: Can't create file C:\\Games\\Velmo\\Cardsets\\Cards.png",
                       "(error 1920)", "End: the installation failed; exit code 6"});
    EXPECT_EQ(std::string::npos, log.find("File: ")) << log;
    EXPECT_EQ(std::vector<std::string>(), install_e2e::Minus(before, install_e2e::TakeSnapshot()));
    EXPECT_EQ(std::vector<std::string>(),
              WithoutLogs(install_e2e::Minus(install_e2e::TakeSnapshot(), before),
                          {"C:\\folder.log"}));

    // A link to nothing is a name all the same: no new file is made in
    // its place, and opened as it stands it leads to no file (error 2).
    const struct {
        const char *folder, *file, *refused, *error;
    } stops[] = {{"C:\\Games\\Linked", "English.qlf", " leads elsewhere", "(error 1920)"},
                 {"C:\\Games\\Twice", "Splash.bmp", " leads elsewhere", "(error 1920)"},
                 {"C:\\Games\\Dangling", "VelmoReport.exe", nullptr, "(error 2)"}};
    for (const auto &stop : stops) {
        const std::string path = std::string(stop.folder) + "\\" + stop.file;
        SCOPED_TRACE(path);
        EXPECT_EQ(6, RunUnattended(std::string("/VERYSILENT /DIR=") + stop.folder +
                                   " /LOG=C:\\file.log"));
        const std::string log = ReadLog("C:\\file.log");
        ExpectLogHas(log, {"Error: Can't create file " + path, stop.error,
                           "End: the installation failed; exit code 6"});
        if (stop.refused) {
            // Refused once: a file that leads elsewhere is not tried again.
            const std::string refusal = "Refused: " + path + stop.refused;
            ExpectLogHas(log, {refusal});
            EXPECT_EQ(log.find(refusal), log.rfind(refusal)) << log;
        }
    }
    for (const auto &file : outside) {
        std::string text;
        EXPECT_TRUE(driver::ReadWholeFile(file[0], &text)) << file[0];
        EXPECT_EQ(file[1], text) << file[0];
    }
    // The open through the link to nothing made no file there.
    EXPECT_FALSE(driver::FileExists("C:\\Outside\\made.exe"));

    // While a run goes, the destination and the folders it made are held:
    // nobody can move one away to put a link in its place. The run lets go
    // of them at its end.
    SCOPED_TRACE("a run into C:\\Games\\Held");
    driver::SetupProcess setup;
    ASSERT_TRUE(setup.Start("/SILENT /DIR=C:\\Games\\Held"));
    // The run holds a folder from just after making it: the first file in
    // it shows that it has it.
    DWORD start = GetTickCount();
    while (!driver::FileExists("C:\\Games\\Held\\Cardsets\\Cards.png")) {
        ASSERT_TRUE(setup.Running()) << "the run ended before its card sets";
        ASSERT_LT(GetTickCount() - start, 120000u) << "the card sets never came";
        Sleep(10);
    }
    EXPECT_FALSE(MoveFileA("C:\\Games\\Held\\Cardsets", "C:\\Games\\Held\\Moved"));
    EXPECT_FALSE(MoveFileA("C:\\Games\\Held", "C:\\Games\\Moved"));
    EXPECT_TRUE(setup.Running()) << "the run ended before the folders were tried";
    DWORD exitCode = 1;
    ASSERT_TRUE(setup.WaitForExit(120000, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_TRUE(MoveFileA("C:\\Games\\Held", "C:\\Games\\Moved")) << GetLastError();
}
