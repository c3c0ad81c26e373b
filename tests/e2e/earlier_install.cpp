// Runs over an earlier installation: the setup finds it through App Paths
// and its version resource, warns about a newer, an old incompatible version
// and another folder, installs into its folder, and tidies a version 2 in
// that folder before the new files arrive, while any other version is left
// as it is.
#include <gtest/gtest.h>

#include <set>

#include "earlier.h"
#include "ids.h"
#include "install_scenario.h"
#include "machine.h"
#include "product/config.h"
#include "setup_run.h"

using namespace install_e2e;
using namespace earlier;

namespace {

std::string ReadFile(const std::string &path)
{
    std::string content;
    driver::ReadWholeFile(path, &content);
    return content;
}

void ExpectVersion2FilesTidied(const std::string &folder)
{
    for (int i = 0; i < kCleanUpCount; ++i) {
        const ManifestEntry &entry = kCleanUpTable[i];
        std::string path = In(folder, entry.name);
        if (entry.flags == CLEANUP_DELETE && std::string(entry.name) != "Velmo.dat" &&
            std::string(entry.name) != "Uninstall.dat") {
            EXPECT_FALSE(driver::FileExists(path)) << path << " was not deleted";
        }
    }
    // The old language files stay under their new names; the new ones take
    // the old names.
    for (const char *name : {"Fran\xe7" "ais", "Deutsch"}) {
        std::string old = std::string(name) + ".qlf";
        EXPECT_EQ(OldContent(old.c_str()), ReadFile(In(folder, std::string(name) + " (v2.1).qlf")))
            << name;
    }
    EXPECT_TRUE(driver::FolderExists(In(folder, "Cardsets"))) << "left to the uninstaller";
}

void ExpectVersion2FilesUntouched(const std::string &folder)
{
    for (int i = 0; i < kCleanUpCount; ++i) {
        const ManifestEntry &entry = kCleanUpTable[i];
        std::string path = In(folder, entry.name);
        if (entry.flags == CLEANUP_DELETE && std::string(entry.name) != "Uninstall.dat") {
            EXPECT_EQ(OldContent(entry.name), ReadFile(path)) << path;
        } else if (entry.flags == CLEANUP_RENAME) {
            EXPECT_FALSE(driver::FileExists(path.substr(0, path.rfind('.')) + " (v2.1).qlf"))
                << path << " was renamed";
        }
    }
    EXPECT_TRUE(driver::FileExists(SharedUninstaller()));
    for (const auto &element : ParseRecord(ReadFile(In(folder, "Uninstall.dat"))))
        EXPECT_NE(In(folder, "Cardsets"), element.second) << element.first;
}

std::string DataFile(const char *number)
{
    return std::string("<?xml version=\"1.0\"?>\r\n<VELMO>\r\n  <VERSION>") + number +
           "</VERSION>\r\n</VELMO>\r\n";
}

// The elements called `name` of a record, less those with a text in `except`.
Elements Named(const Elements &record, const char *name, const std::set<std::string> &except = {})
{
    Elements named;
    for (const auto &element : record) {
        if (element.first == name && !except.count(element.second))
            named.push_back(element);
    }
    return named;
}

// The record after an upgrade over OldRecord(folder) whose clean-up deleted
// the old record, written out: under each name the old elements first, then
// the new ones that the old record does not already hold (VELMO.EXE is
// Velmo.exe), in the order APPNAME, FILE, FOLDER, APPKEY, UNINSTKEY,
// CLASSKEY, FILEPATTERN; the old SHORTCUT, a name this setup does not know,
// is lost.
Elements MergedRecord(const std::string &folder)
{
    const Elements added = ExpectedRecord(ExtractionOrder().size(), Reached::End);
    Elements merged = {{"APPNAME", "Velmo"},
                       {"FILE", In(folder, "Deal.wav")},
                       {"FILE", In(folder, "VELMO.EXE")}};
    auto append = [&merged](const Elements &more) {
        merged.insert(merged.end(), more.begin(), more.end());
    };
    append(Named(added, "FILE", {In(folder, "Velmo.exe")}));
    append({{"FOLDER", folder}, {"FOLDER", In(folder, "Cardsets")}});
    append(Named(added, "FOLDER", {folder, In(folder, "Cardsets")}));
    append(Named(added, "APPKEY"));
    append({{"UNINSTKEY", "Velmo"}, {"CLASSKEY", "Velmo.Game"}});
    append(Named(added, "FILEPATTERN"));
    return merged;
}

// The texts of the warnings in English, with the installed version (and
// folder) found at start-up.
std::string DowngradeText(const std::string &version)
{
    return "Setup found that you have already installed Velmo version " + version +
           " on your computer.\n\nIf you really want to downgrade to version 3.1.51 (the "
           "version Setup will install now), you are strongly advised to uninstall the current "
           "version of Velmo first.\n\nClick Exit Setup to exit Setup now (recommended), or "
           "click Continue to continue with this installation.";
}

std::string IncompatibleText(const std::string &version)
{
    return "Setup found that you have already installed Velmo version " + version +
           " on your computer.\n\nThis new installation of Velmo 3.1.51 will not be fully "
           "compatable with that old version. Therefore you are strongly advised to uninstall "
           "the current version of Velmo first.\n\nClick Exit Setup to exit Setup now "
           "(recommended) so you can uninstall Velmo " +
           version + ". Or click Continue to continue with this installation.";
}

std::string EarlierFolderText(const std::string &version, const std::string &folder)
{
    return "Setup found an earlier installation of Velmo (version " + version +
           ") currently installed in:\n" + folder +
           "\n\nYou are strongly advised to install the new version of Velmo in the same "
           "directory.\n\nClick Reset directory to reset the directory to the advised value, "
           "or click Continue to accept the different directory.";
}

// Presses Next and waits for a warning about the earlier installation;
// nullptr (test failed) when none came.
HWND NextToWarning(const driver::SetupProcess &setup, HWND sheet)
{
    driver::PressWizardButton(sheet, PSBTN_NEXT);
    HWND warning = nullptr;
    driver::WaitUntil([&] { return (warning = e2e::EarlierInstallationWarning(setup.Id())); },
                      driver::kDefaultWait);
    if (!warning)
        ADD_FAILURE() << "no warning on leaving page " << e2e::PageId(driver::CurrentPage(sheet));
    return warning;
}

// Starts the setup with `arguments` and presses Next on its Welcome page:
// the warning that must come then, the one with the text control `textId`.
// nullptr (test failed) when another or none came.
HWND WelcomeWarning(driver::SetupProcess &setup, int textId, HWND *sheet,
                    const std::string &arguments = "")
{
    *sheet = e2e::StartWizard(setup, arguments);
    HWND warning = *sheet ? NextToWarning(setup, *sheet) : nullptr;
    if (warning && !GetDlgItem(warning, textId)) {
        ADD_FAILURE() << "another warning: " << e2e::WarningText(warning);
        return nullptr;
    }
    return warning;
}

void Answer(HWND warning, int answer)
{
    EXPECT_TRUE(driver::ClickAway(warning, answer, 10000)) << "the warning stayed open";
}

void PressEscape(HWND warning)
{
    driver::PressKey(warning, VK_ESCAPE);
    EXPECT_TRUE(driver::WaitUntilClosed(warning, 10000)) << "Escape left the warning open";
}

// Nothing of the new version arrived: no default folder, no record next to
// the earlier installation.
void ExpectNothingInstalled(const std::string &installedFolder)
{
    EXPECT_FALSE(driver::FolderExists(kDestination));
    EXPECT_FALSE(driver::FileExists(In(installedFolder, "Uninstall.dat")));
    EXPECT_FALSE(driver::FileExists(In(installedFolder, "License.txt")));
}

}  // namespace

TEST(EarlierInstallation, upgrade_over_2_1_in_its_folder_tidies_it_and_records_201)
{
    PlaceEarlierVersion("2.1", kDestination);
    PlaceVersion2Files(kDestination);
    ASSERT_TRUE(WriteWholeFile(Installed("Uninstall.dat"), RecordText(OldRecord(kDestination))));

    driver::SetupProcess setup;
    ASSERT_NE(nullptr, e2e::StartInstallation(setup, WithoutGame()));
    ExpectSuccessfulRun(setup, kDestination, Started::Nothing);

    ExpectVersion2FilesTidied(kDestination);
    EXPECT_FALSE(driver::FileExists(SharedUninstaller()));
    EXPECT_FALSE(driver::FolderExists(std::string(kCommon) + "\\Uninstall"));
    EXPECT_FALSE(driver::FolderExists(kCommon));
    EXPECT_EQ(DataFile("201"), ReadFile(Installed("Velmo.dat")));
    ExpectEveryFileInstalled();
    EXPECT_EQ(RecordText(MergedRecord(kDestination)), ReadRecord());
}

// Version 2 in the folder, and a record there that the file system refuses
// to change: the clean-up, which cannot be undone, must not start.
TEST(EarlierInstallation, an_unwritable_record_stops_the_run_before_the_clean_up)
{
    const std::string locked = ReadRecord();
    ASSERT_NE("", locked) << "the machine was not prepared";
    PlaceEarlierVersion("2.1", kDestination);
    PlaceVersion2Files(kDestination, true);

    driver::SetupProcess setup;
    ASSERT_NE(nullptr, e2e::StartInstallation(setup));
    ASSERT_NO_FATAL_FAILURE(
        ExpectErrorBox(setup, "Can't create file " + Installed("Uninstall.dat")));
    ExpectRunEnded(setup);
    // Every file of version 2 as it was, none renamed, no product data.
    for (int i = 0; i < kCleanUpCount; ++i) {
        const ManifestEntry &entry = kCleanUpTable[i];
        if ((entry.flags == CLEANUP_DELETE || entry.flags == CLEANUP_RENAME) &&
            std::string(entry.name) != "Uninstall.dat") {
            EXPECT_EQ(OldContent(entry.name), ReadFile(Installed(entry.name))) << entry.name;
        }
    }
    EXPECT_TRUE(driver::FileExists(SharedUninstaller()));
    EXPECT_EQ(locked, ReadRecord());
}

TEST(EarlierInstallation, version_1_5_is_installed_over_in_its_folder_and_not_tidied)
{
    PlaceEarlierVersion("1.5", kGames);
    PlaceVersion2Files(kGames);

    driver::SetupProcess setup;
    e2e::Choices choices;
    choices.continueWarnings = true;  // the incompatible-version warning
    ASSERT_NE(nullptr, e2e::StartInstallation(setup, choices));
    ExpectSuccessfulRun(setup, kGames);

    ExpectEveryFileInstalled(kGames);
    ExpectVersion2FilesUntouched(kGames);
    EXPECT_FALSE(driver::FolderExists(kDestination)) << "the default folder was used";
}

TEST(EarlierInstallation, forced_version_2_tidies_any_installation_but_a_shared_uninstaller_in_use)
{
    PlaceEarlierVersion("3.2", kGames);
    PlaceVersion2Files(kGames);
    // Another product of the maker still needs the shared uninstaller.
    SetRegistryText((kUninstall + std::string(kSetupConfig.otherProducts[1])).c_str(),
                    "DisplayName", kSetupConfig.otherProducts[1]);

    driver::SetupProcess setup;
    e2e::Choices choices;
    choices.arguments = "/OLDVERSION 2";
    ASSERT_NE(nullptr, e2e::StartInstallation(setup, choices));
    ExpectSuccessfulRun(setup, kGames);

    ExpectVersion2FilesTidied(kGames);
    EXPECT_TRUE(driver::FileExists(SharedUninstaller()));
    // Major 2 forced, minor 0.
    EXPECT_EQ(DataFile("200"), ReadFile(In(kGames, "Velmo.dat")));
    ExpectEveryFileInstalled(kGames);
}

TEST(EarlierInstallation, program_without_version_resource_is_no_installation)
{
    PlaceEarlierVersion("none", kGames);
    PlaceVersion2Files(kGames);

    driver::SetupProcess setup;
    ASSERT_NE(nullptr, e2e::StartInstallation(setup, WithoutGame()));
    ExpectSuccessfulRun(setup, kDestination, Started::Nothing);

    ExpectEveryFileInstalled();
    ExpectVersion2FilesUntouched(kGames);
}

TEST(EarlierWarning, downgrade_warning_holds_the_welcome_page_until_continue_or_exit)
{
    PlaceEarlierVersion("3.2", kGames);
    driver::SetupProcess setup;
    HWND sheet = nullptr;
    HWND warning = WelcomeWarning(setup, ids::kDowngradeText, &sheet);
    ASSERT_NE(nullptr, warning);
    EXPECT_EQ(DowngradeText("3.2"), e2e::WarningText(warning));
    driver::Screenshot("downgrade-warning");
    // Escape stays on the Welcome page, and the warning comes again.
    PressEscape(warning);
    EXPECT_EQ(ids::kWelcomePage, e2e::PageId(driver::CurrentPage(sheet)));
    ASSERT_NE(nullptr, warning = NextToWarning(setup, sheet));
    Answer(warning, ids::kAnswer6);  // Continue
    ASSERT_NE(nullptr, e2e::WaitForPage(sheet, ids::kLicencePage));

    driver::PressWizardButton(sheet, PSBTN_BACK);
    ASSERT_NE(nullptr, e2e::WaitForPage(sheet, ids::kWelcomePage));
    ASSERT_NE(nullptr, warning = NextToWarning(setup, sheet));
    Answer(warning, ids::kAnswer7);  // Exit Setup
    ExpectEndsWithoutMessage(setup);
    ExpectNothingInstalled(kGames);
}

TEST(EarlierWarning, incompatible_warning_for_version_1_and_a_forced_version_1)
{
    PlaceEarlierVersion("1.5", kGames);
    {
        driver::SetupProcess setup;
        HWND sheet = nullptr;
        HWND warning = WelcomeWarning(setup, ids::kIncompatibleText, &sheet);
        ASSERT_NE(nullptr, warning);
        EXPECT_EQ(IncompatibleText("1.5"), e2e::WarningText(warning));
        driver::Screenshot("incompatible-warning");
        Answer(warning, ids::kAnswer7);  // Exit Setup
        ExpectEndsWithoutMessage(setup);
    }
    // Version 1 forced over a newer installation: the incompatible warning
    // instead of the downgrade, with the forced number as the version.
    PlaceEarlierVersion("3.2", kGames);
    driver::SetupProcess setup;
    HWND sheet = nullptr;
    HWND warning = WelcomeWarning(setup, ids::kIncompatibleText, &sheet, "/OLDVERSION 1");
    ASSERT_NE(nullptr, warning);
    EXPECT_EQ(IncompatibleText("1"), e2e::WarningText(warning));
    PressEscape(warning);
    EXPECT_TRUE(setup.Running()) << "Escape ended the setup";
    ASSERT_NE(nullptr, warning = NextToWarning(setup, sheet));
    Answer(warning, ids::kAnswer7);
    ExpectEndsWithoutMessage(setup);
    ExpectNothingInstalled(kGames);
}

TEST(EarlierWarning, earlier_folder_warning_resets_to_the_installed_folder_which_is_tidied)
{
    PlaceEarlierVersion("2.1", kGames);
    PlaceVersion2Files(kGames);
    driver::SetupProcess setup;
    HWND sheet = e2e::StartWizard(setup);
    ASSERT_NE(nullptr, sheet);

    // Version 2.1 draws no warning on the Welcome page.
    HWND page = e2e::NextAnswering(setup, sheet, ids::kLicencePage);
    ASSERT_NE(nullptr, page);
    e2e::SetCheck(page, ids::kLicenceAccept, true);
    ASSERT_NE(nullptr, page = e2e::Next(sheet, ids::kDestinationPage));
    EXPECT_EQ(kGames, driver::ControlText(page, ids::kDestinationFolder));

    ASSERT_TRUE(e2e::PickFolder(setup, page, ids::kDestinationBrowse, {"C:", "Program Files"}));
    EXPECT_EQ(kDestination, driver::ControlText(page, ids::kDestinationFolder));
    HWND warning = NextToWarning(setup, sheet);
    ASSERT_NE(nullptr, warning);
    EXPECT_NE(nullptr, GetDlgItem(warning, ids::kEarlierFolderText));
    EXPECT_EQ(EarlierFolderText("2.1", kGames), e2e::WarningText(warning));
    driver::Screenshot("earlier-folder-warning");
    // Escape keeps the page and the chosen folder.
    PressEscape(warning);
    EXPECT_EQ(ids::kDestinationPage, e2e::PageId(driver::CurrentPage(sheet)));
    EXPECT_EQ(kDestination, driver::ControlText(page, ids::kDestinationFolder));
    // Reset directory shows the installed folder and keeps the page; then
    // the folders agree and Next goes on without a warning.
    ASSERT_NE(nullptr, warning = NextToWarning(setup, sheet));
    Answer(warning, ids::kAnswer7);
    EXPECT_EQ(ids::kDestinationPage, e2e::PageId(driver::CurrentPage(sheet)));
    EXPECT_EQ(kGames, driver::ControlText(page, ids::kDestinationFolder));
    ASSERT_NE(nullptr, e2e::NextAnswering(setup, sheet, ids::kGroupPage));
    ASSERT_NE(nullptr, e2e::Next(sheet, ids::kDesktopPage));
    ASSERT_NE(nullptr, e2e::Next(sheet, ids::kReadyPage));
    driver::PressWizardButton(sheet, PSBTN_FINISH);

    ExpectSuccessfulRun(setup, kGames);
    ExpectVersion2FilesTidied(kGames);
    EXPECT_EQ(DataFile("201"), ReadFile(In(kGames, "Velmo.dat")));
    EXPECT_FALSE(driver::FolderExists(kDestination));
}

TEST(EarlierInstallation, version_2_1_in_another_folder_is_left_alone)
{
    PlaceEarlierVersion("2.1", kGames);
    PlaceVersion2Files(kGames);
    driver::SetupProcess setup;
    e2e::Choices choices = WithoutGame();
    choices.browseDestination = std::vector<std::string>{"C:", "Program Files"};
    choices.continueWarnings = true;  // the earlier-folder warning
    ASSERT_NE(nullptr, e2e::StartInstallation(setup, choices));
    ExpectSuccessfulRun(setup, kDestination, Started::Nothing);

    ExpectEveryFileInstalled();
    ExpectVersion2FilesUntouched(kGames);
    EXPECT_FALSE(driver::FileExists(Installed("Velmo.dat")));
}

TEST(EarlierInstallation, second_run_finds_3_1_51_and_installs_into_its_folder_without_warning)
{
    // The first installation, in a folder of its own.
    ASSERT_EQ(0, RunUnattended("/VERYSILENT \"/DIR=" + std::string(kGames) + "\""));
    std::string record = ReadFile(In(kGames, "Uninstall.dat"));
    // Which file of the disk a name leads to.
    auto fileIndex = [](const std::string &path) {
        HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                  FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
        BY_HANDLE_FILE_INFORMATION info = {};
        bool known = file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &info);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        return known ? (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow : 0;
    };
    const uint64_t firstUninstaller = fileIndex(In(kGames, "Uninstall.exe"));
    ASSERT_NE(0u, firstUninstaller);

    // No warning on the way (any would fail the walk), and the proposed
    // folder is the installed one.
    driver::SetupProcess second;
    ASSERT_NE(nullptr, e2e::StartInstallation(second));
    ExpectSuccessfulRun(second, kGames);
    // The uninstaller that the list of installed programs offers is never
    // cut short: the new one is written beside it and takes its name.
    EXPECT_NE(firstUninstaller, fileIndex(In(kGames, "Uninstall.exe")))
        << "the uninstaller was written over in its place";
    EXPECT_FALSE(driver::FileExists(In(kGames, "Uninstall.exe.new")));
    EXPECT_FALSE(driver::FolderExists(kDestination));
    EXPECT_FALSE(driver::FileExists(In(kGames, "Velmo.dat"))) << "3.1.51 was cleaned up";
    EXPECT_EQ(record, ReadFile(In(kGames, "Uninstall.dat")));
    ExpectEveryFileInstalled(kGames);
}
