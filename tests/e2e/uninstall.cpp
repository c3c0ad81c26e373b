// The uninstaller end to end: an installation removed again the way the
// system's list of installed programs starts it, the quiet run and its exit
// codes, hostile and missing records, and files that cannot be deleted.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
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

// An installation with the default choices, as the user makes it through
// the wizard.
void InstallThroughTheWizard()
{
    driver::SetupProcess setup;
    ASSERT_NE(nullptr, e2e::StartInstallation(setup));
    ASSERT_NO_FATAL_FAILURE(ExpectSuccessfulRun(setup));
    ASSERT_TRUE(driver::FileExists(Installed("Uninstall.dat")));
}

// The same installation for the scenarios about what comes after it: a very
// silent run makes the same files, entries, links and record without the
// wizard's pages, the status lines' pauses and the game started at the end.
void Install()
{
    ASSERT_EQ(0, RunUnattended("/VERYSILENT"));
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
    ASSERT_NO_FATAL_FAILURE(InstallThroughTheWizard());
    // The run made links in the program group and on the desktop and
    // registered the game.
    const std::string group = SpecialFolder(CSIDL_PROGRAMS) + "\\" + kSetupConfig.defaultGroup;
    EXPECT_TRUE(driver::FileExists(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\Velmo.lnk"));
    EXPECT_TRUE(driver::FileExists(group + "\\Velmo.lnk")) << group;
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kProgramKey));
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
    // The user's file is no failed removal.
    ExpectExitCode(uninstaller, kRemoved);
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
    // The App Paths entry as a run ended between making the key and writing
    // its first value leaves it, empty: it goes all the same.
    EXPECT_TRUE(DeleteValue(HKEY_LOCAL_MACHINE, kProgramKey, nullptr));
    EXPECT_TRUE(DeleteValue(HKEY_LOCAL_MACHINE, kProgramKey, "Path"));

    EXPECT_EQ(kRemoved, QuietRun(program));
    ExpectUninstallerGone(program);
    EXPECT_TRUE(driver::WaitUntil([] { return !driver::FolderExists(kDestination); }, 10000))
        << "the destination folder is still there";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProgramKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));

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
    // The installed files come first. Where 32-bit programs run through an
    // emulator on a busy machine, they have taken up to 10 s and the 50,000
    // entries after them up to two minutes; the waits end when it gets there.
    const std::string removing = DutchUser() ? "Verwijderen van " : "Removing ";
    EXPECT_TRUE(driver::WaitUntil(
        [&] {
            return driver::ControlText(progress, ids::kRemovalStatus).rfind(removing + Installed("Gone\\"), 0) == 0;
        },
        60000))
        << driver::ControlText(progress, ids::kRemovalStatus);
    driver::Screenshot(std::string("removal-progress-") + (DutchUser() ? "nl" : "en"));
    ASSERT_TRUE(AnswerMessageBox(uninstaller, &outcome, 240000)) << "no final message";
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
    // record names: they stay, with their folder, and that is no failure.
    EXPECT_EQ(kRemoved, QuietRun(program));
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

// What the uninstaller may touch, shown with an uninstaller placed by hand
// in a folder of its own with a record written for the case: nothing
// outside its places goes, whatever the folder or the record holds, and the
// final message and exit code say what stayed.
namespace {

const char kGame[] = "C:\\Games\\Velmo";

std::string InGame(const char *name)
{
    return std::string(kGame) + "\\" + name;
}

std::string Element(const char *name, const std::string &text)
{
    return std::string("  <") + name + ">" + text + "</" + name + ">\r\n";
}

// The uninstaller of the payload in `folder`, with a record of this product
// holding `elements`; returns the uninstaller's path.
std::string PlaceUninstaller(const std::string &folder, const std::string &elements)
{
    CreateDirectoryA(folder.substr(0, folder.rfind('\\')).c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string program = folder + "\\Uninstall.exe";
    for (int i = 0; i < kInstallCount; ++i) {
        if (kInstallTable[i].flags & ENTRY_UNINSTALLER) {
            EXPECT_TRUE(WriteWholeFile(program, PayloadSource(kInstallTable[i]))) << program;
        }
    }
    EXPECT_TRUE(WriteWholeFile(folder + "\\Uninstall.dat",
                               "<?xml version=\"1.0\"?>\r\n<UNINSTALL>\r\n" +
                                   Element("APPNAME", "Velmo") + elements + "</UNINSTALL>\r\n"));
    return program;
}

// Runs the uninstaller as a user does: answers its question with Yes and
// reads its final message. Returns the exit code (-1 when it did not end).
int AskingRun(const std::string &program, MessageBoxSeen *outcome)
{
    driver::SetupProcess uninstaller;
    if (!uninstaller.StartProgram(program)) {
        ADD_FAILURE() << "cannot start " << program;
        return -1;
    }
    MessageBoxSeen question;
    if (!AnswerMessageBox(uninstaller, &question, 60000, IDYES) ||
        !AnswerMessageBox(uninstaller, outcome, 120000)) {
        ADD_FAILURE() << "no question or no final message";
        return -1;
    }
    DWORD code = 0;
    if (!uninstaller.WaitForExit(30000, &code)) {
        ADD_FAILURE() << "the uninstaller did not end";
        return -1;
    }
    return static_cast<int>(code);
}

std::string FileText(const std::string &path)
{
    std::string content;
    return driver::ReadWholeFile(path, &content) ? content : "(missing)";
}

std::string Heading(const char *english, const char *dutch)
{
    return std::string(DutchUser() ? dutch : english) + "\n";
}

std::string Success()
{
    return DutchUser() ? "Velmo is met succes van uw computer verwijderd."
                       : "Velmo was successfully removed from your computer.";
}

std::string Refused()
{
    return Heading("Entries of the uninstall record that point outside the installation (left "
                   "untouched):",
                   "Regels van het verwijderbestand die buiten de installatie wijzen (niet "
                   "aangeraakt):");
}

}  // namespace

TEST(UninstallTrust, a_name_that_the_code_page_turns_into_separators_is_removed_as_itself)
{
    // The code page's best-fit table turns the full-width reverse solidus
    // into "\": in the code page, this file of the game folder is
    // "Velmolog-\..\..\Other\a.txt", the other program's file.
    ASSERT_TRUE(CreateDirectoryA("C:\\Games", nullptr));
    ASSERT_TRUE(CreateDirectoryA("C:\\Games\\Other", nullptr));
    ASSERT_TRUE(WriteWholeFile("C:\\Games\\Other\\a.txt", "keep"));
    const std::string program =
        PlaceUninstaller(kGame, Element("FILE", InGame("Velmo.exe")) +
                                    Element("FILEPATTERN", InGame("Velmolog-*.txt")) +
                                    Element("FOLDER", kGame));
    ASSERT_TRUE(WriteWholeFile(InGame("Velmo.exe"), "game"));
    const wchar_t *odd = L"C:\\Games\\Velmo\\Velmolog-\xFF3C..\xFF3C..\xFF3COther\xFF3C" L"a.txt";
    HANDLE file = CreateFileW(odd, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    char narrow[MAX_PATH];
    WideCharToMultiByte(CP_ACP, 0, odd, -1, narrow, sizeof narrow, nullptr, nullptr);
    ASSERT_EQ(std::string("C:\\Games\\Velmo\\Velmolog-\\..\\..\\Other\\a.txt"), narrow)
        << "the code page no longer maps the full-width character to a separator";

    MessageBoxSeen outcome;
    EXPECT_EQ(kRemoved, AskingRun(program, &outcome));
    EXPECT_EQ(Success(), outcome.text);
    EXPECT_EQ("keep", FileText("C:\\Games\\Other\\a.txt"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(odd)) << "the odd file itself stays";
    ExpectUninstallerGone(program);
    EXPECT_TRUE(driver::WaitUntil([] { return !driver::FolderExists(kGame); }, 10000));
}

TEST(UninstallTrust, the_copy_that_ends_a_removal_takes_no_name_that_somebody_took)
{
    const std::string program =
        PlaceUninstaller(kGame, Element("FILE", InGame("Velmo.exe")) + Element("FOLDER", kGame));
    ASSERT_TRUE(WriteWholeFile(InGame("Velmo.exe"), "game"));
    driver::SetupProcess uninstaller;
    ASSERT_TRUE(uninstaller.StartProgram(program)) << program;
    ASSERT_NE(nullptr, driver::WaitForMessageBox(uninstaller.Id(), "", 60000)) << "no question";

    // While the question waits, somebody else takes the names in the
    // temporary folder that this run's copy could use: a program of that
    // name, and a folder of that name with a program in it.
    char temp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(sizeof temp, temp));
    const std::string folder(temp, std::strlen(temp) - 1);  // without its "\\"
    const std::string prefix = folder + "\\Velmo-uninstall-" + std::to_string(uninstaller.Id());
    ASSERT_TRUE(CreateDirectoryA((prefix + "-0").c_str(), nullptr));
    const std::string taken[] = {prefix + ".exe", prefix + "-0\\Uninstall.exe"};
    for (const std::string &path : taken)
        ASSERT_TRUE(WriteWholeFile(path, "somebody's"));

    MessageBoxSeen question, outcome;
    ASSERT_TRUE(AnswerMessageBox(uninstaller, &question, 60000, IDYES));
    ASSERT_TRUE(AnswerMessageBox(uninstaller, &outcome, 120000)) << "no final message";
    ExpectExitCode(uninstaller, kRemoved);
    ExpectUninstallerGone(program);
    EXPECT_TRUE(driver::WaitUntil([] { return !driver::FolderExists(kGame); }, 10000));
    for (const std::string &path : taken)
        EXPECT_TRUE(FileText(path) == "somebody's") << path << " was written over";

    // The copy ran from a folder that it made itself. (Who may use that
    // folder cannot be seen here: Wine keeps no access lists of files.)
    std::vector<std::string> own;
    ForEachBelow(folder, [&](const std::string &path, const WIN32_FIND_DATAA &found) {
        if (Lower(path).rfind(Lower(prefix) + "-", 0) == 0 && path != prefix + "-0" &&
            (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            own.push_back(path);
        return false;
    });
    ASSERT_EQ(1u, own.size());
    EXPECT_TRUE(driver::FileExists(own[0] + "\\Uninstall.exe"));

    // The restart takes the copy and its folder away, and nothing else.
    ASSERT_NO_FATAL_FAILURE(Restart());
    EXPECT_FALSE(driver::FolderExists(own[0]));
    for (const std::string &path : taken)
        EXPECT_TRUE(driver::FileExists(path)) << path;
}

TEST(UninstallTrust, links_in_the_game_folder_are_not_followed)
{
    // The harness made C:\Games\Velmo\Saves a link to C:\Outside and
    // C:\Games\Velmo\notes.txt a link to C:\Outside\notes.txt (Unix
    // symbolic links, which Wine shows as a reparse point for a folder and
    // as a plain file that resolves elsewhere for a file).
    const std::string saves = InGame("Saves");
    DWORD attributes = GetFileAttributesA(saves.c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes) << "the harness made no link";
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_REPARSE_POINT) << "attributes " << attributes;
    const std::string inside[] = {InGame("Saves\\keep.txt"), InGame("notes.txt"),
                                  InGame("Saves\\Velmolog-*.txt"), InGame("Saves\\Empty"),
                                  saves};
    const std::string program = PlaceUninstaller(
        kGame, Element("FILE", InGame("Velmo.exe")) + Element("FILE", inside[0]) +
                   Element("FILE", inside[1]) + Element("FILEPATTERN", inside[2]) +
                   Element("FOLDER", kGame) + Element("FOLDER", saves) +
                   Element("FOLDER", inside[3]));
    ASSERT_TRUE(WriteWholeFile(InGame("Velmo.exe"), "game"));

    MessageBoxSeen outcome;
    EXPECT_EQ(kLeftSome, AskingRun(program, &outcome));
    for (const char *name : {"keep.txt", "notes.txt", "Velmolog-1.txt"})
        EXPECT_EQ(name, FileText(std::string("C:\\Outside\\") + name)) << name;
    EXPECT_TRUE(driver::FolderExists("C:\\Outside\\Empty"));
    EXPECT_FALSE(driver::FileExists(InGame("Velmo.exe")));
    // Each element that would go through a link is named as refused, and
    // the folder stays for the links in it.
    std::string refused = Refused();
    for (const std::string &path : inside)
        refused += "  " + path + "\n";
    EXPECT_NE(std::string::npos, outcome.text.find(refused)) << outcome.text;
    EXPECT_NE(std::string::npos,
              outcome.text.find(Heading("Folders that still hold other files:",
                                        "Mappen die nog andere bestanden bevatten:") +
                                "  " + kGame + "\n"))
        << outcome.text;
}

TEST(UninstallTrust, keys_of_another_program_named_in_the_record_stay)
{
    // Another program's entries: without the value that would show whose
    // they are, or naming the game folder only deep inside.
    const std::string appPaths = kAppPathsKey, uninstall = kUninstallKey;
    ASSERT_TRUE(WriteKey(HKEY_LOCAL_MACHINE, appPaths + "\\Other.exe", "Path", kGame));
    ASSERT_TRUE(WriteKey(HKEY_LOCAL_MACHINE, uninstall + "\\Other", "DisplayName", "Other"));
    ASSERT_TRUE(WriteKey(HKEY_CLASSES_ROOT, "Other.Document\\shell\\open\\command", nullptr,
                         "\"C:\\Other\\Other.exe\" \"%1\""));
    ASSERT_TRUE(WriteKey(HKEY_CLASSES_ROOT, "Other.Document\\shell\\play\\command", nullptr,
                         "\"" + InGame("Velmo.exe") + "\" \"%1\""));
    ASSERT_TRUE(WriteKey(HKEY_CLASSES_ROOT, ".odoc", nullptr, "Other.Document"));
    // This installation's, as a value in each shows.
    ASSERT_TRUE(WriteKey(HKEY_LOCAL_MACHINE, kProgramKey, nullptr, InGame("Velmo.exe")));
    ASSERT_TRUE(WriteKey(HKEY_LOCAL_MACHINE, kProductKey, "UninstallString",
                         InGame("Uninstall.exe")));
    ASSERT_TRUE(WriteKey(HKEY_CLASSES_ROOT, "Velmo.Savegame\\shell\\open\\command", nullptr,
                         "\"" + InGame("Velmo.exe") + "\" \"%1\""));
    ASSERT_TRUE(WriteKey(HKEY_CLASSES_ROOT, ".vsav", nullptr, "Velmo.Savegame"));
    std::string elements = Element("FILE", InGame("Velmo.exe")) + Element("FOLDER", kGame);
    for (const char *key : {"Other.exe", "Velmo.exe"})
        elements += Element("APPKEY", key);
    for (const char *key : {"Other", "Velmo"})
        elements += Element("UNINSTKEY", key);
    for (const char *key : {"Other.Document", ".odoc", "Velmo.Savegame", ".vsav"})
        elements += Element("CLASSKEY", key);
    const std::string program = PlaceUninstaller(kGame, elements);
    ASSERT_TRUE(WriteWholeFile(InGame("Velmo.exe"), "game"));

    MessageBoxSeen outcome;
    EXPECT_EQ(kRemoved, AskingRun(program, &outcome));
    EXPECT_EQ(kGame, ReadMachineValue(appPaths + "\\Other.exe", "Path"));
    EXPECT_EQ("Other", ReadMachineValue(uninstall + "\\Other", "DisplayName"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "Other.Document\\shell\\open\\command"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "Other.Document\\shell\\play\\command"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, ".odoc"));
    for (const std::string &key : {kProgramKey, kProductKey})
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key)) << key;
    for (const char *key : {"Velmo.Savegame", ".vsav"})
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
    EXPECT_EQ((DutchUser() ? "Velmo is van uw computer verwijderd, behalve deze onderdelen:\n\n"
                           : "Velmo was removed from your computer, except for these items:\n\n") +
                  Heading("Registry keys that belong to another installation or program (left "
                          "untouched):",
                          "Registersleutels van een andere installatie of een ander programma "
                          "(niet aangeraakt):") +
                  "  Other.exe\n  Other\n  .odoc\n  Other.Document\n",
              outcome.text);
}

TEST(UninstallTrust, a_huge_record_is_refused_and_a_huge_element_shown_cut)
{
    // Larger than any setup writes: nothing is removed.
    const std::string huge = "C:\\Windows\\" + std::string(9 << 20, 'x');
    const std::string program = PlaceUninstaller(
        kGame, Element("FILE", InGame("Velmo.exe")) + Element("FILE", huge));
    ASSERT_TRUE(WriteWholeFile(InGame("Velmo.exe"), "game"));
    driver::SetupProcess refused;
    ASSERT_TRUE(refused.StartProgram(program));
    MessageBoxSeen error;
    ASSERT_TRUE(AnswerMessageBox(refused, &error, 60000)) << "no message about the record";
    EXPECT_EQ(DutchUser() ? "Het verwijderbestand C:\\Games\\Velmo\\Uninstall.dat is groter dan "
                            "een installatie ooit schrijft. Er is niets verwijderd."
                          : "The uninstall record C:\\Games\\Velmo\\Uninstall.dat is larger than "
                            "any setup writes. Nothing was removed.",
              error.text);
    ExpectExitCode(refused, kNothingRemoved);
    EXPECT_EQ("game", FileText(InGame("Velmo.exe")));

    // One element of 2 MB with line breaks: named cut and escaped, on one line.
    std::string lines;
    for (int i = 0; lines.size() < (2 << 20); ++i)
        lines += "C:\\Windows\\line" + std::to_string(i) + "\r\n";
    PlaceUninstaller(kGame, Element("FILE", InGame("Velmo.exe")) + Element("FILE", lines));
    MessageBoxSeen outcome;
    EXPECT_EQ(kLeftSome, AskingRun(program, &outcome));
    EXPECT_FALSE(driver::FileExists(InGame("Velmo.exe")));
    EXPECT_LT(outcome.text.size(), 2000u) << outcome.text.substr(0, 2000);
    EXPECT_NE(std::string::npos,
              outcome.text.find(Refused() + "  C:\\Windows\\line0\\x0AC:\\Windows\\line1\\x0A"))
        << outcome.text.substr(0, 2000);
    EXPECT_NE(std::string::npos, outcome.text.find("...\n")) << outcome.text.substr(0, 2000);
}

TEST(UninstallTrust, paths_compare_as_the_system_compares_them)
{
    // The record names the folder in other letters than the disk: upper
    // case of letters beyond ASCII as well.
    const std::string folder = "C:\\Spi\xeble\\Velmo";
    const std::string recorded = "C:\\SPI\xcbLE\\VELMO";
    const std::string program =
        PlaceUninstaller(folder, Element("FILE", recorded + "\\Velmo.exe") +
                                     Element("FOLDER", recorded + "\\Saves") +
                                     Element("FOLDER", recorded));
    ASSERT_TRUE(WriteWholeFile(folder + "\\Velmo.exe", "game"));
    ASSERT_TRUE(CreateDirectoryA((folder + "\\Saves").c_str(), nullptr));

    MessageBoxSeen outcome;
    EXPECT_EQ(kRemoved, AskingRun(program, &outcome));
    EXPECT_EQ(Success(), outcome.text);
    ExpectUninstallerGone(program);
    EXPECT_TRUE(driver::WaitUntil([&] { return !driver::FolderExists(folder); }, 10000));
}
