// Cancelling a running installation: "Exit Setup" undoes the run, "Resume",
// Escape in the confirmation and keys on the progress window change nothing.
#include <gtest/gtest.h>

#include <cstring>

#include "ids.h"
#include "install_scenario.h"
#include "machine.h"
#include "setup_run.h"
#include "system_entries.h"

using namespace install_e2e;

namespace {


// Clicks Cancel and returns the Cancel confirmation after checking its
// texts.
HWND AskToCancel(driver::SetupProcess &setup, HWND progress)
{
    driver::Click(progress, ids::kProgressCancel);
    HWND confirmation = WaitForCancelConfirmation(setup);
    if (!confirmation) {
        ADD_FAILURE() << "Cancel asked nothing";
        return nullptr;
    }
    EXPECT_EQ("Velmo Installation", driver::WindowText(confirmation));
    EXPECT_EQ(0u, driver::ControlText(confirmation, ids::kCancelText).find(
                      "Installation is not yet complete. If you quit the setup program now, Velmo "
                      "will not be installed."));
    EXPECT_EQ("Resume", driver::ControlText(confirmation, ids::kAnswer7));
    EXPECT_EQ("Exit Setup", driver::ControlText(confirmation, ids::kAnswer6));
    EXPECT_TRUE(driver::HasStyle(GetDlgItem(confirmation, ids::kAnswer7), BS_DEFPUSHBUTTON))
        << "\"Resume\" is not the default answer";
    return confirmation;
}

// Clicks Cancel while `entry` is on the status line; see AskToCancel.
HWND AskToCancelDuring(driver::SetupProcess &setup, HWND progress, const ManifestEntry &entry)
{
    if (!WaitForStatus(progress, entry)) {
        ADD_FAILURE() << "the status line never showed " << CopyingStatus(entry);
        return nullptr;
    }
    return AskToCancel(setup, progress);
}

}  // namespace

TEST(InstallCancel, exit_setup_removes_what_the_run_made)
{
    std::vector<int> order = ExtractionOrder();
    driver::SetupProcess setup;
    HWND progress = e2e::StartInstallation(setup);
    ASSERT_NE(nullptr, progress);
    // A file in a sub-folder, so that the run has made folders too.
    size_t during = 20;
    ASSERT_NE(nullptr, std::strchr(kInstallTable[order[during]].name, '\\'));
    // The click comes once the file is on disk; the run answers it within
    // the file or as it names the next one, and waits while the user
    // decides.
    const std::string file = Installed(kInstallTable[order[during]].name);
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::FileExists(file); }, 60000))
        << file << " never came";
    HWND confirmation = AskToCancel(setup, progress);
    ASSERT_NE(nullptr, confirmation);
    EXPECT_TRUE(driver::FileExists(Installed(kInstallTable[order[during - 1]].name)));
    EXPECT_FALSE(driver::FileExists(Installed(kInstallTable[order[during + 1]].name)))
        << "the run went on while the user decided";
    driver::Screenshot("cancel-confirmation");
    ASSERT_TRUE(driver::ClickAway(confirmation, ids::kAnswer6));

    ExpectEndsWithoutMessage(setup);
    // Everything the run made is gone, the file it was writing included,
    // and so is every folder it made, and the entry of the uninstaller that
    // it made ahead of the files; no record is written.
    EXPECT_FALSE(driver::FolderExists(kDestination)) << kDestination << " is still there";
    EXPECT_FALSE(KeyExists(kProductKey)) << "the product stayed in the list of installed programs";
    EXPECT_FALSE(driver::FileExists(Installed("Uninstall.dat")));
    EXPECT_EQ(0u, FindChildProcess(setup.Id())) << "the game was started";
}

TEST(InstallCancel, exit_setup_spares_what_was_there_before)
{
    std::vector<int> order = ExtractionOrder();
    // An earlier installation left the first file and a file of its own,
    // and its record names its entry in the list of installed programs,
    // into which this run writes.
    CreateDirectoryA(kDestination, nullptr);
    const std::string first = Installed(kInstallTable[order[0]].name);
    const std::string own = Installed("Highscores.txt");
    ASSERT_TRUE(WriteWholeFile(first, "the old game"));
    ASSERT_TRUE(WriteWholeFile(own, "Ann 120\r\nBob 95\r\n"));
    const std::string record = RecordText(
        {{"APPNAME", "Velmo"}, {"FILE", first}, {"FOLDER", kDestination}, {"UNINSTKEY", "Velmo"}});
    ASSERT_TRUE(WriteWholeFile(Installed("Uninstall.dat"), record));
    // And its entry in the list of installed programs.
    const std::vector<RegistryValue> product = {
        TextValue("DisplayName", "Velmo 2"),
        TextValue("UninstallString", "C:\\Games\\Velmo\\Uninstall.exe")};
    ASSERT_TRUE(WriteKeyValues(kProductKey, product));

    driver::SetupProcess setup;
    HWND progress = e2e::StartInstallation(setup);
    ASSERT_NE(nullptr, progress);
    HWND confirmation = AskToCancelDuring(setup, progress, kInstallTable[order[10]]);
    ASSERT_NE(nullptr, confirmation);
    ASSERT_TRUE(driver::ClickAway(confirmation, ids::kAnswer6));
    ExpectEndsWithoutMessage(setup);

    // The file the old record lists stays (overwritten by this run), and so
    // do the folder and what the setup never knew; the rest is gone.
    EXPECT_TRUE(driver::FileExists(first));
    EXPECT_TRUE(driver::FileExists(own));
    EXPECT_FALSE(driver::FileExists(Installed(kInstallTable[order[1]].name)));
    EXPECT_FALSE(driver::FileExists(Installed("Uninstall.exe")));
    EXPECT_EQ(record, ReadRecord()) << "the old record was changed";
    std::vector<RegistryValue> values;
    EXPECT_TRUE(ReadKeyValues(kProductKey, &values));
    EXPECT_EQ(product, values) << "the entry did not get its values back";
}

TEST(InstallCancel, escape_enter_and_resume_let_the_run_finish)
{
    std::vector<int> order = ExtractionOrder();
    driver::SetupProcess setup;
    HWND progress = e2e::StartInstallation(setup, WithoutGame());
    ASSERT_NE(nullptr, progress);

    // Escape and Enter on the progress window ask nothing.
    ASSERT_TRUE(WaitForStatus(progress, kInstallTable[order[1]]));
    driver::PressKey(progress, VK_ESCAPE);
    driver::PressKey(progress, VK_RETURN);
    ASSERT_TRUE(WaitForStatus(progress, kInstallTable[order[5]]));
    EXPECT_EQ(nullptr, WaitForCancelConfirmation(setup, 0)) << "a key asked to cancel";

    // Escape in the confirmation resumes.
    HWND confirmation = AskToCancelDuring(setup, progress, kInstallTable[order[10]]);
    ASSERT_NE(nullptr, confirmation);
    EXPECT_NE(-1, ExpectBarWithin(progress, order, 10));
    driver::PressKey(confirmation, VK_ESCAPE);
    EXPECT_TRUE(driver::WaitUntilClosed(confirmation, 10000)) << "the dialog stayed open";

    // So does "Resume".
    confirmation = AskToCancelDuring(setup, progress, kInstallTable[order[30]]);
    ASSERT_NE(nullptr, confirmation);
    EXPECT_TRUE(driver::ClickAway(confirmation, ids::kAnswer7, 10000)) << "the dialog stayed open";

    ExpectSuccessfulRun(setup, kDestination, Started::Nothing);
    ExpectCompleteInstallation();
}

namespace {

// Clicks Cancel once the program group's first link is on disk, when the
// run has registered the program, and answers "Exit Setup". The click is
// answered at the run's next pump, which comes before the last link.
void ExitAfterTheRegistry(driver::SetupProcess &setup, HWND progress)
{
    const std::string firstLink = GroupLinks().front().path;
    DWORD start = GetTickCount();
    while (!driver::FileExists(firstLink)) {
        ASSERT_LT(GetTickCount() - start, 120000u) << "the first link was never made";
        Sleep(1);
    }
    driver::Click(progress, ids::kProgressCancel);
    HWND confirmation = WaitForCancelConfirmation(setup);
    ASSERT_NE(nullptr, confirmation) << "the run ended before Cancel was answered";
    std::vector<RegistryValue> values;
    EXPECT_TRUE(ReadKeyValues(kProgramKey, &values));
    EXPECT_EQ(TextValue("", Installed("Velmo.exe")), values.at(0));
    EXPECT_TRUE(KeyExists(kProductKey));
    ASSERT_TRUE(driver::ClickAway(confirmation, ids::kAnswer6));
    ExpectEndsWithoutMessage(setup);
}

}  // namespace

TEST(InstallCancel, exit_setup_after_the_registry_removes_keys_and_links)
{
    driver::SetupProcess setup;
    HWND progress = e2e::StartInstallation(setup);
    ASSERT_NE(nullptr, progress);
    ASSERT_NO_FATAL_FAILURE(ExitAfterTheRegistry(setup, progress));

    EXPECT_FALSE(KeyExists(kProgramKey)) << "the App Paths entry stayed";
    EXPECT_FALSE(KeyExists(kProductKey)) << "the product stayed in the list of installed programs";
    EXPECT_FALSE(driver::FolderExists(GroupFolder())) << "the program group stayed";
    EXPECT_FALSE(driver::FileExists(DesktopLink().path));
    EXPECT_FALSE(driver::FolderExists(kDestination)) << kDestination << " is still there";
}

// The keys of an earlier installation whose record this run never saw are
// that installation's: the cancel gives them back. So are the scores its
// game wrote, which this run names for the uninstaller but never made.
TEST(InstallCancel, exit_setup_gives_an_earlier_installation_its_keys_and_scores_back)
{
    const std::vector<RegistryValue> program = {TextValue("", "C:\\Games\\Velmo\\Velmo.exe")};
    const std::vector<RegistryValue> product = {
        TextValue("DisplayName", "Velmo 2"), TextValue("DisplayVersion", "2.1"),
        TextValue("UninstallString", "C:\\Games\\Velmo\\Uninstall.exe")};
    ASSERT_TRUE(WriteKeyValues(kProgramKey, program));
    ASSERT_TRUE(WriteKeyValues(kProductKey, product));
    CreateDirectoryA(kDestination, nullptr);
    const std::string scores = Installed("Scores.dat");
    ASSERT_TRUE(WriteWholeFile(scores, "Ann 120"));

    driver::SetupProcess setup;
    HWND progress = e2e::StartInstallation(setup);
    ASSERT_NE(nullptr, progress);
    ASSERT_NO_FATAL_FAILURE(ExitAfterTheRegistry(setup, progress));

    std::vector<RegistryValue> values;
    EXPECT_TRUE(ReadKeyValues(kProgramKey, &values));
    EXPECT_EQ(program, values);
    EXPECT_TRUE(ReadKeyValues(kProductKey, &values));
    EXPECT_EQ(product, values);
    std::vector<std::string> left;
    ForEachBelow(kDestination, [&](const std::string &path, const WIN32_FIND_DATAA &) {
        left.push_back(path);
        return true;
    });
    EXPECT_EQ(std::vector<std::string>{scores}, left);
    std::string text;
    EXPECT_TRUE(driver::ReadWholeFile(scores, &text));
    EXPECT_EQ("Ann 120", text);
}
