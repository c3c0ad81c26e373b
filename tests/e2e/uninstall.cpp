// The uninstaller end to end: an installation removed again the way the
// system's list of installed programs starts it, the quiet run and its exit
// codes, hostile and missing records, and files that cannot be deleted.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
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

constexpr int kRemoved = 0, kNothingRemoved = 1, kLeftSome = 3;

bool WriteKey(HKEY root, const std::string &key, const char *value, const std::string &data)
{
    HKEY handle;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr,
                        &handle, nullptr) != ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExA(handle, value, 0, REG_SZ,
                                 reinterpret_cast<const BYTE *>(data.c_str()),
                                 static_cast<DWORD>(data.size() + 1));
    RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

void Install()
{
    driver::SetupProcess setup;
    ASSERT_NE(nullptr, e2e::StartInstallation(setup));
    ASSERT_NO_FATAL_FAILURE(ExpectSuccessfulRun(setup));
    ASSERT_TRUE(driver::FileExists(Installed("Uninstall.dat")));
}

// Waits for the uninstaller to end and checks its exit code.
void ExpectExitCode(driver::SetupProcess &uninstaller, int expected)
{
    DWORD code = 0;
    ASSERT_TRUE(uninstaller.WaitForExit(30000, &code)) << "the uninstaller did not end";
    EXPECT_EQ(expected, static_cast<int>(code));
}

std::string Caption()
{
    return DutchUser() ? "Velmo verwijderen" : "Velmo Uninstall";
}

}  // namespace

TEST(Uninstall, removes_the_installation_but_a_file_of_the_user)
{
    // The shell notes where its folders are the first time a program asks
    // for them: ask before the picture is taken.
    SpecialFolder(CSIDL_PROGRAMS);
    SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    const Snapshot before = TakeSnapshot();
    ASSERT_NO_FATAL_FAILURE(Install());
    // The run made links in the program group and on the desktop and
    // registered the game.
    const std::string group = SpecialFolder(CSIDL_PROGRAMS) + "\\" + kSetupConfig.defaultGroup;
    EXPECT_TRUE(driver::FileExists(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\Velmo.lnk"));
    EXPECT_TRUE(driver::FileExists(group + "\\Velmo.lnk")) << group;
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kAppPathsKey) + "\\Velmo.exe"));
    ASSERT_TRUE(WriteWholeFile(Installed("My notes.txt"), "mine"));
    const std::string program = UninstallProgram();

    driver::SetupProcess uninstaller;
    ASSERT_TRUE(uninstaller.StartProgram(program)) << program;
    MessageBoxSeen question, outcome;
    ASSERT_TRUE(AnswerMessageBox(uninstaller, &question, 60000, IDYES)) << "no question";
    EXPECT_EQ(Caption(), question.caption);
    EXPECT_EQ(DutchUser() ? "Wilt u Velmo en alle onderdelen ervan van uw computer verwijderen?"
                          : "Do you want to remove Velmo and all of its components from your "
                            "computer?",
              question.text);
    HWND box = driver::WaitForMessageBox(uninstaller.Id(), "", 60000);
    ASSERT_NE(nullptr, box) << "no final message";
    driver::Screenshot(std::string("uninstalled-") + (DutchUser() ? "nl" : "en"));
    ASSERT_TRUE(AnswerMessageBox(uninstaller, &outcome, 60000));
    EXPECT_EQ(Caption(), outcome.caption);
    EXPECT_EQ(DutchUser() ? "Velmo is van uw computer verwijderd, behalve deze onderdelen:\n\n"
                            "Mappen die nog andere bestanden bevatten:\n  C:\\Program Files\\Velmo\n"
                          : "Velmo was removed from your computer, except for these items:\n\n"
                            "Folders that still hold other files:\n  C:\\Program Files\\Velmo\n",
              outcome.text);
    ExpectExitCode(uninstaller, kLeftSome);
    ExpectUninstallerGone(program);
    ASSERT_NO_FATAL_FAILURE(Restart());

    const Snapshot after = TakeSnapshot();
    EXPECT_EQ(std::vector<std::string>(), Minus(before, after)) << "taken from the machine";
    EXPECT_EQ(std::vector<std::string>({"file C:\\Program Files\\Velmo\\My notes.txt (4)",
                                        "folder C:\\Program Files\\Velmo"}),
              Minus(after, before))
        << "left on the machine";
}

TEST(Uninstall, quiet_run_asks_nothing_and_tells_by_its_exit_code)
{
    ASSERT_NO_FATAL_FAILURE(Install());
    const std::string program = UninstallProgram();
    // A spare copy of the uninstaller, in a folder without a record.
    ASSERT_TRUE(CreateDirectoryA("C:\\Spare", nullptr));
    ASSERT_TRUE(CopyFileA(program.c_str(), "C:\\Spare\\Uninstall.exe", FALSE));

    EXPECT_EQ(kRemoved, QuietRun(program));
    ExpectUninstallerGone(program);
    EXPECT_TRUE(driver::WaitUntil([] { return !driver::FolderExists(kDestination); }, 10000))
        << "the destination folder is still there";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kAppPathsKey) + "\\Velmo.exe"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\Velmo"));

    // Without a record nothing is removed, with or without questions.
    EXPECT_EQ(kNothingRemoved, QuietRun("C:\\Spare\\Uninstall.exe"));
    driver::SetupProcess asking;
    ASSERT_TRUE(asking.StartProgram("C:\\Spare\\Uninstall.exe"));
    MessageBoxSeen missing;
    ASSERT_TRUE(AnswerMessageBox(asking, &missing)) << "no message about the missing record";
    EXPECT_EQ(DutchUser() ? "Het verwijderbestand C:\\Spare\\Uninstall.dat ontbreekt. Er is niets "
                            "verwijderd."
                          : "The uninstall record C:\\Spare\\Uninstall.dat is missing. Nothing was "
                            "removed.",
              missing.text);
    ExpectExitCode(asking, kNothingRemoved);

    // A record that is no record of this product counts as damaged.
    ASSERT_TRUE(WriteWholeFile("C:\\Spare\\Velmo.exe", "game"));
    ASSERT_TRUE(WriteWholeFile("C:\\Spare\\Uninstall.dat",
                               "<UNINSTALL><APPNAME>Other</APPNAME>"
                               "<FILE>C:\\Spare\\Velmo.exe</FILE></UNINSTALL>"));
    EXPECT_EQ(kNothingRemoved, QuietRun("C:\\Spare\\Uninstall.exe"));
    EXPECT_TRUE(driver::FileExists("C:\\Spare\\Velmo.exe"));
    EXPECT_TRUE(driver::FileExists("C:\\Spare\\Uninstall.dat"));
    EXPECT_TRUE(driver::FileExists("C:\\Spare\\Uninstall.exe"));
}

TEST(Uninstall, a_hostile_record_removes_nothing_outside_the_installation)
{
    ASSERT_NO_FATAL_FAILURE(Install());
    const std::string program = UninstallProgram();
    const std::string desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    const std::string programs = SpecialFolder(CSIDL_PROGRAMS);
    // Things of the machine and of another program that the record names.
    ASSERT_TRUE(CreateDirectoryA("C:\\Program Files\\Other", nullptr));
    ASSERT_TRUE(CreateDirectoryA("C:\\Empty", nullptr));
    for (const std::string &file : {std::string("C:\\canary.txt"), desktop + "\\notes.txt",
                                    std::string("C:\\Program Files\\Other\\Other.exe"),
                                    programs + "\\Other.lnk.txt"})
        ASSERT_TRUE(WriteWholeFile(file, "keep")) << file;
    ASSERT_TRUE(WriteKey(HKEY_LOCAL_MACHINE, std::string(kAppPathsKey) + "\\Other.exe", nullptr,
                         "C:\\Program Files\\Other\\Other.exe"));
    ASSERT_TRUE(WriteKey(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\Other",
                         "UninstallString", "C:\\Program Files\\Other\\Other.exe"));
    ASSERT_TRUE(WriteKey(HKEY_CLASSES_ROOT, "Other.Document\\shell\\open\\command", nullptr,
                         "\"C:\\Program Files\\Other\\Other.exe\" \"%1\""));
    // Classes of this installation that a record of an older version names.
    ASSERT_TRUE(WriteKey(HKEY_CLASSES_ROOT, "Velmo.Savegame\\shell\\open\\command", nullptr,
                         "\"C:\\Program Files\\Velmo\\Velmo.exe\" \"%1\""));
    ASSERT_TRUE(WriteKey(HKEY_CLASSES_ROOT, ".vsav", nullptr, "Velmo.Savegame"));

    std::string record = "<?xml version=\"1.0\"?>\r\n<UNINSTALL>\r\n<APPNAME>Velmo</APPNAME>\r\n";
    auto add = [&record](const char *element, const std::string &text) {
        record += std::string("  <") + element + ">" + text + "</" + element + ">\r\n";
    };
    add("FILE", Installed("Velmo.exe"));
    for (const std::string &file :
         {std::string("C:\\canary.txt"), std::string("C:\\Program Files\\Velmo\\..\\Other\\Other.exe"),
          std::string("C:\\Program Files\\Other\\Other.exe"), desktop + "\\notes.txt",
          programs + "\\Other.lnk.txt", std::string("\\\\?\\C:\\canary.txt"), std::string("canary.txt"),
          std::string("C:\\Program Files\\Velmo\\sub\\..\\..\\Other\\Other.exe"), std::string("")})
        add("FILE", file);
    add("FILEPATTERN", "C:\\*.txt");
    add("FILEPATTERN", Installed("*"));
    add("FILEPATTERN", "C:\\Program Files\\*\\Other.exe");
    add("FOLDER", "C:\\Empty");
    add("FOLDER", "C:\\Program Files\\Velmo\\..\\..\\Empty");
    for (const char *key : {"Other.exe", "..\\Other.exe", "", "*"})
        add("APPKEY", key);
    for (const char *key : {"Other", "..", "Velmo\\..\\Other"})
        add("UNINSTKEY", key);
    for (const char *key : {"Other.Document", "exefile", "*", ".txt", "Velmo.Savegame", ".vsav"})
        add("CLASSKEY", key);
    for (int i = 0; i < 100000; ++i)
        add(i % 2 ? "FILE" : "FOLDER", "C:\\windows\\..\\canary" + std::to_string(i));
    ASSERT_TRUE(WriteWholeFile(Installed("Uninstall.dat"), record + "</UNINSTALL>\r\n"));

    const Snapshot before = TakeSnapshot();
    EXPECT_EQ(kLeftSome, QuietRun(program));
    ExpectUninstallerGone(program);
    ASSERT_NO_FATAL_FAILURE(Restart());
    const Snapshot after = TakeSnapshot();
    // Only the game, the record, the uninstaller and this installation's
    // classes are gone.
    EXPECT_EQ(std::vector<std::string>(), Minus(after, before));
    for (const std::string &line : Minus(before, after)) {
        bool ours = line.find("Velmo.Savegame") != std::string::npos ||
                    line.find("\\.vsav") != std::string::npos ||
                    line.rfind("file " + Installed("Velmo.exe"), 0) == 0 ||
                    line.rfind("file " + Installed("Uninstall."), 0) == 0;
        EXPECT_TRUE(ours) << "taken from the machine: " << line;
    }
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Velmo.Savegame"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".vsav"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "Other.Document\\shell\\open\\command"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kAppPathsKey) + "\\Other.exe"));
}

TEST(Uninstall, files_that_cannot_be_deleted_are_named_at_the_end)
{
    ASSERT_NO_FATAL_FAILURE(Install());
    const std::string program = UninstallProgram();
    std::vector<int> order = ExtractionOrder();
    const std::string readOnly = Installed(kInstallTable[order[1]].name);
    const std::string inUse = Installed(kInstallTable[order[2]].name);
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE held = CreateFileA(inUse.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);

    driver::SetupProcess uninstaller;
    ASSERT_TRUE(uninstaller.StartProgram(program));
    MessageBoxSeen question, outcome;
    ASSERT_TRUE(AnswerMessageBox(uninstaller, &question, 60000, IDYES));
    ASSERT_TRUE(AnswerMessageBox(uninstaller, &outcome, 60000)) << "no final message";
    CloseHandle(held);
    ExpectExitCode(uninstaller, kLeftSome);
    std::string heading = DutchUser()
                              ? "Bestanden die niet verwijderd konden worden (in gebruik of alleen-lezen):\n"
                              : "Files that could not be deleted (in use or read-only):\n";
    // In the order of the record.
    std::string files = "  " + readOnly + "\n  " + inUse + "\n";
    EXPECT_NE(std::string::npos, outcome.text.find(heading + files)) << outcome.text;
    EXPECT_TRUE(driver::FileExists(readOnly));
    EXPECT_TRUE(driver::FileExists(inUse));
    // The rest went.
    ExpectUninstallerGone(program);
    EXPECT_FALSE(driver::FileExists(Installed(kInstallTable[order[0]].name)));
    EXPECT_FALSE(driver::FileExists(Installed("Uninstall.dat")));
}

TEST(Uninstall, a_long_removal_shows_its_progress)
{
    ASSERT_NO_FATAL_FAILURE(Install());
    const std::string program = UninstallProgram();
    // A record grown large by many files that are gone already.
    std::string record = ReadRecord();
    size_t end = record.rfind("</UNINSTALL>");
    ASSERT_NE(std::string::npos, end);
    std::string gone;
    for (int i = 0; i < 50000; ++i)
        gone += "  <FILE>" + Installed(("Gone\\" + std::to_string(i) + ".dat").c_str()) + "</FILE>\r\n";
    ASSERT_TRUE(WriteWholeFile(Installed("Uninstall.dat"), record.insert(end, gone)));

    driver::SetupProcess uninstaller;
    ASSERT_TRUE(uninstaller.StartProgram(program));
    MessageBoxSeen question, outcome;
    ASSERT_TRUE(AnswerMessageBox(uninstaller, &question, 60000, IDYES));
    HWND progress = driver::WaitForDialogWithControl(uninstaller.Id(), ids::kRemovalBar, 60000);
    ASSERT_NE(nullptr, progress) << "no progress window";
    EXPECT_EQ(Caption(), driver::WindowText(progress));
    const std::string removing = DutchUser() ? "Verwijderen van " : "Removing ";
    EXPECT_TRUE(driver::WaitUntil(
        [&] {
            return driver::ControlText(progress, ids::kRemovalStatus).rfind(removing + Installed("Gone\\"), 0) == 0;
        },
        10000))
        << driver::ControlText(progress, ids::kRemovalStatus);
    driver::Screenshot(std::string("removal-progress-") + (DutchUser() ? "nl" : "en"));
    ASSERT_TRUE(AnswerMessageBox(uninstaller, &outcome, 120000)) << "no final message";
    EXPECT_EQ(DutchUser() ? "Velmo is met succes van uw computer verwijderd."
                          : "Velmo was successfully removed from your computer.",
              outcome.text);
    ExpectExitCode(uninstaller, kRemoved);
    ExpectUninstallerGone(program);
    EXPECT_TRUE(driver::WaitUntil([] { return !driver::FolderExists(kDestination); }, 10000))
        << "the destination folder is still there";
}

TEST(Uninstall, removes_an_upgrade_over_version_2_with_what_version_2_left)
{
    SpecialFolder(CSIDL_PROGRAMS);
    SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    const Snapshot before = TakeSnapshot();
    // Version 2.1 as its setup left it: the game registered under App Paths,
    // its files, the shared uninstaller, a class of its own and its record,
    // which names the App Paths key too.
    earlier::PlaceEarlierVersion("2.1", kDestination);
    earlier::PlaceVersion2Files(kDestination);
    ASSERT_TRUE(WriteKey(HKEY_CLASSES_ROOT, "Velmo.Game\\shell\\open\\command", nullptr,
                         "\"" + Installed("Velmo.exe") + "\" \"%1\""));
    Elements old = earlier::OldRecord(kDestination);
    old.emplace_back("APPKEY", "Velmo.exe");
    ASSERT_TRUE(WriteWholeFile(Installed("Uninstall.dat"), RecordText(old)));
    ASSERT_NO_FATAL_FAILURE(Install());
    const std::string program = UninstallProgram();

    // The upgrade kept the old language files under new names, which no
    // record names: they stay, with their folder.
    EXPECT_EQ(kLeftSome, QuietRun(program));
    ExpectUninstallerGone(program);
    ASSERT_NO_FATAL_FAILURE(Restart());
    const Snapshot after = TakeSnapshot();
    EXPECT_EQ(std::vector<std::string>(), Minus(before, after)) << "taken from the machine";
    EXPECT_EQ(std::vector<std::string>(
                  {"file " + Installed("Deutsch (v2.1).qlf") + " (15)",
                   "file " + Installed("Fran\xe7" "ais (v2.1).qlf") + " (16)",
                   "folder " + std::string(kDestination)}),
              Minus(after, before))
        << "left on the machine";
}
