// The registry entries and the shortcuts of a run, read back the way the
// system reads them; the system's own tools finding the program; a registry
// that refuses to be written; a link that cannot be saved.
#include <gtest/gtest.h>

#include <algorithm>

#include "ids.h"
#include "install_scenario.h"
#include "machine.h"
#include "setup_run.h"
#include "system_entries.h"

using namespace install_e2e;

namespace {


void ExpectRegistered()
{
    std::vector<RegistryValue> values;
    ASSERT_TRUE(ReadKeyValues(kProgramKey, &values)) << kProgramKey << " is missing";
    EXPECT_EQ((std::vector<RegistryValue>{TextValue("", Installed("Velmo.exe")),
                                          TextValue("Path", kDestination)}),
              values);
    // The entry's further values are checked by the unattended scenarios.
    ASSERT_TRUE(ReadKeyValues(kProductKey, &values)) << kProductKey << " is missing";
    for (const RegistryValue &expected :
         {TextValue("DisplayName", "Velmo"),
          TextValue("UninstallString", "\"" + Installed("Uninstall.exe") + "\""),
          TextValue("InstallLocation", kDestination)})
        EXPECT_NE(values.end(), std::find(values.begin(), values.end(), expected))
            << expected.name;
    EXPECT_EQ(14u, values.size());
}

void ExpectLink(const LinkMade &made)
{
    LinkSeen seen = LoadLink(made.path);
    ASSERT_TRUE(seen.loaded) << made.path << " cannot be loaded";
    EXPECT_EQ(made.target, seen.target) << made.path;
    EXPECT_EQ(made.folder, seen.folder) << made.path;
    EXPECT_EQ(made.caption, seen.description) << made.path;
    EXPECT_EQ("", seen.arguments) << made.path;
}

// Exactly the program group's links, each as the shell loads it.
void ExpectGroupLinks()
{
    std::vector<std::string> names;
    for (const LinkMade &made : GroupLinks()) {
        ExpectLink(made);
        names.push_back(made.caption + ".lnk");
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, FilesIn(GroupFolder(), "*"));
}

// Waits for the error box of the run and returns the status line and the
// bar as they stand while it is shown.
void ExpectBoxOver(driver::SetupProcess &setup, HWND progress, const std::string &status,
                   int bar)
{
    HWND box = driver::WaitForMessageBox(setup.Id(), "", 120000);
    ASSERT_NE(nullptr, box) << "no error box";
    EXPECT_EQ(status, driver::ControlText(progress, ids::kProgressStatus));
    EXPECT_EQ(bar, BarPosition(progress));
}

}  // namespace

// After a full run the registry, the Start menu and the desktop hold what
// the run made, and the system's own tools find the product there.
TEST(InstallEntries, full_run_is_registered_and_linked_as_the_system_sees_it)
{
    driver::SetupProcess setup;
    ASSERT_NE(nullptr, e2e::StartInstallation(setup, WithoutGame()));
    ExpectSuccessfulRun(setup, kDestination, Started::Nothing);

    ExpectRegistered();
    ExpectGroupLinks();
    ExpectLink(DesktopLink());
    EXPECT_EQ(RecordText(ExpectedRecord(ExtractionOrder().size(), Reached::End)), ReadRecord());

    bool ended = false;
    std::string list = RunSystemTool("uninstaller.exe", "--list", 60000, &ended);
    EXPECT_TRUE(ended) << "the list of installed programs did not end";
    // Key name, then the name shown; a product without its uninstaller's
    // command is not listed.
    EXPECT_NE(std::string::npos, list.find("Velmo|||Velmo")) << list;

    // The list starts the uninstall command as it stands, for an
    // administrator: a program at C:\Program.exe, where an unquoted
    // "C:\Program Files\..." would lead, is not what starts.
    ASSERT_TRUE(CopyFileA(Installed("Velmo.exe").c_str(), "C:\\Program.exe", FALSE));
    {
        driver::SetupProcess removal;
        ASSERT_TRUE(removal.StartCommand(ReadMachineValue(kProductKey, "UninstallString")));
        MessageBoxSeen question;
        EXPECT_TRUE(AnswerMessageBox(removal, &question, 60000, IDNO));
        // The uninstaller's question, in either language; No ends it.
        EXPECT_NE(std::string::npos, question.text.find("Velmo")) << question.text;
        DWORD code = 0;
        EXPECT_TRUE(removal.WaitForExit(30000, &code));
        EXPECT_EQ(2u, code) << "declined";
        EXPECT_EQ(nullptr, FindWindowA("VelmoGame", nullptr)) << "C:\\Program.exe was started";
    }
    ASSERT_TRUE(DeleteFileA("C:\\Program.exe"));

    // Started by its name alone, from a folder where it is not, the program
    // is found through its App Paths entry.
    RunSystemTool("start.exe", "Velmo.exe", 60000, &ended);
    EXPECT_TRUE(ended) << "start did not end";
    ExpectGameRunning(Installed("Velmo.exe"));
}

// A program group that is there already is used as it is and recorded all
// the same, so that the uninstaller tries to remove it once it is empty.
TEST(InstallEntries, existing_group_is_used_and_recorded)
{
    ASSERT_TRUE(CreateDirectoryA(GroupFolder().c_str(), nullptr));
    const std::string notes = GroupFolder() + "\\Notes.txt";
    ASSERT_TRUE(WriteWholeFile(notes, "the user's own"));
    driver::SetupProcess setup;
    ASSERT_NE(nullptr, e2e::StartInstallation(setup, WithoutGame()));
    ExpectSuccessfulRun(setup, kDestination, Started::Nothing);

    for (const LinkMade &made : GroupLinks())
        ExpectLink(made);
    EXPECT_TRUE(driver::FileExists(notes));
    EXPECT_EQ(RecordText(ExpectedRecord(ExtractionOrder().size(), Reached::End)), ReadRecord());
}

TEST(InstallEntries, unwritable_registry_stops_after_all_files)
{
    ASSERT_TRUE(MakeKeyReadOnly(kUninstallKey));
    ASSERT_TRUE(MakeKeyReadOnly(kAppPathsKey));
    driver::SetupProcess setup;
    HWND progress = e2e::StartInstallation(setup);
    ASSERT_NE(nullptr, progress);
    // The uninstaller's entry is the first to fail, when every byte is in.
    ASSERT_NO_FATAL_FAILURE(ExpectBoxOver(
        setup, progress, CopyingStatus(kInstallTable[ExtractionOrder().back()]), 80));
    ASSERT_NO_FATAL_FAILURE(ExpectErrorBox(setup, "Error while updating the Registry"));
    ExpectRunEnded(setup);

    ExpectEveryFileInstalled();
    EXPECT_FALSE(KeyExists(kProductKey));
    EXPECT_FALSE(KeyExists(kProgramKey));
    EXPECT_FALSE(driver::FolderExists(GroupFolder())) << "links were made";
    EXPECT_EQ(RecordText(ExpectedRecord(ExtractionOrder().size(), Reached::Files)), ReadRecord());
}

TEST(InstallEntries, unwritable_app_paths_keeps_the_uninstall_entry)
{
    ASSERT_TRUE(MakeKeyReadOnly(kAppPathsKey));
    driver::SetupProcess setup;
    HWND progress = e2e::StartInstallation(setup);
    ASSERT_NE(nullptr, progress);
    ASSERT_NO_FATAL_FAILURE(ExpectBoxOver(setup, progress, "Updating Registry...", 80));
    ASSERT_NO_FATAL_FAILURE(ExpectErrorBox(setup, "Error while updating the Registry"));
    ExpectRunEnded(setup);

    ExpectEveryFileInstalled();
    std::vector<RegistryValue> values;
    EXPECT_TRUE(ReadKeyValues(kProductKey, &values));
    EXPECT_EQ(14u, values.size());
    EXPECT_FALSE(KeyExists(kProgramKey));
    EXPECT_FALSE(driver::FolderExists(GroupFolder())) << "links were made";
    EXPECT_EQ(RecordText(ExpectedRecord(ExtractionOrder().size(), Reached::AppPaths)),
              ReadRecord());
}

// A folder in the place of the desktop link: the link cannot be saved. The
// last step has counted, so the bar is full while the error is shown.
TEST(InstallEntries, unsaveable_desktop_link_reports_with_the_bar_full)
{
    LinkMade desktop = DesktopLink();
    ASSERT_TRUE(CreateDirectoryA(desktop.path.c_str(), nullptr));
    driver::SetupProcess setup;
    HWND progress = e2e::StartInstallation(setup);
    ASSERT_NE(nullptr, progress);
    ASSERT_NO_FATAL_FAILURE(ExpectBoxOver(setup, progress, "Creating icons...", 100));
    driver::Screenshot("desktop-link-failed");
    ASSERT_NO_FATAL_FAILURE(ExpectErrorBox(setup, "Failed to create shortcut icon"));
    ExpectRunEnded(setup);

    ExpectRegistered();
    ExpectGroupLinks();
    EXPECT_TRUE(driver::FolderExists(desktop.path));
    EXPECT_EQ(RecordText(ExpectedRecord(ExtractionOrder().size(), Reached::GroupLinks)),
              ReadRecord());
}

// A program group two levels deep whose first level is new: both folders
// are made and recorded, the outer one first. Without the desktop icon no
// link goes to the desktop.
TEST(InstallEntries, new_two_level_group_without_desktop_icon)
{
    e2e::Choices choices = WithoutGame();
    choices.group = "Games\\Velmo";
    choices.desktopIcon = false;
    driver::SetupProcess setup;
    ASSERT_NE(nullptr, e2e::StartInstallation(setup, choices));
    ExpectSuccessfulRun(setup, kDestination, Started::Nothing);

    const std::string outer = ProgramsFolder() + "\\Games";
    for (const LinkMade &made : GroupLinks()) {
        LinkMade moved = made;
        moved.path = outer + "\\Velmo\\" + made.caption + ".lnk";
        ExpectLink(moved);
    }
    EXPECT_FALSE(driver::FileExists(DesktopLink().path)) << "a link was put on the desktop";
    Elements record = ParseRecord(ReadRecord());
    auto position = [&record](const char *name, const std::string &text) {
        return std::find(record.begin(), record.end(), std::make_pair(std::string(name), text)) -
               record.begin();
    };
    const auto end = static_cast<std::ptrdiff_t>(record.size());
    EXPECT_LT(position("FOLDER", outer), position("FOLDER", outer + "\\Velmo"));
    EXPECT_LT(position("FOLDER", outer + "\\Velmo"), end);
    EXPECT_EQ(end, position("FILE", DesktopLink().path)) << "the desktop link was recorded";
}
