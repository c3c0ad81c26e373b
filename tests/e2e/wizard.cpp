// The wizard as the user meets it: its pages in order with their buttons
// and texts, the licence, Cancel on every page, the disk-space question,
// the folder browsers and the choices that reach the installation.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "earlier.h"
#include "install_scenario.h"
#include "system_entries.h"

using namespace install_e2e;

namespace {

// The texts of one language that the scenarios look for.
struct Texts {
    const char *sheetTitle;
    const char *welcome;
    const char *destination;
    const char *group;
    const char *desktop;
    const char *ready;
};

const Texts kEnglish = {
    "Velmo Installation",   "Welcome",      "Select Destination Folder",
    "Select Program Group", "Desktop Icon", "Ready to start",
};
const Texts kDutch = {
    "Velmo Installatie",    "Welkom", "Kies doelmap", "Kies programmagroep",
    "Bureaublad pictogram", "Klaar om te beginnen",
};

const Texts &UserTexts()
{
    return DutchUser() ? kDutch : kEnglish;
}

std::string Language()
{
    return DutchUser() ? "nl" : "en";
}

// The licence the user's language gets, and the file it is installed as.
const ManifestEntry &UserLicence()
{
    for (const ManifestEntry &entry : kInstallTable) {
        if ((entry.flags & ENTRY_LICENSE) && (entry.extra != nullptr) == DutchUser())
            return entry;
    }
    ADD_FAILURE() << "no licence entry for the user's language";
    return kInstallTable[0];
}

// The sheet keeps its title on every page.
void ExpectTitle(HWND sheet)
{
    std::string title;
    EXPECT_TRUE(driver::WaitUntil(
        [&] { return (title = driver::WindowText(sheet)) == UserTexts().sheetTitle; }, 5000))
        << "the wizard's title is \"" << title << "\"";
}

// Presses Cancel and returns the confirmation, checked to be the sheet's.
HWND AskToCancel(driver::SetupProcess &setup, HWND sheet)
{
    driver::PressWizardButton(sheet, PSBTN_CANCEL);
    HWND confirmation = WaitForCancelConfirmation(setup);
    if (!confirmation) {
        ADD_FAILURE() << "Cancel asked nothing";
        return nullptr;
    }
    EXPECT_EQ(sheet, GetWindow(confirmation, GW_OWNER)) << "the sheet does not own the question";
    EXPECT_TRUE(driver::HasStyle(GetDlgItem(confirmation, ids::kAnswer7), BS_DEFPUSHBUTTON))
        << "Resume is not the default answer";
    return confirmation;
}

void ExitSetup(driver::SetupProcess &setup, HWND sheet)
{
    HWND confirmation = AskToCancel(setup, sheet);
    ASSERT_NE(nullptr, confirmation);
    ASSERT_TRUE(driver::ClickAway(confirmation, ids::kAnswer6));
    ExpectEndsWithoutMessage(setup);
}

}  // namespace

TEST(Wizard, pages_come_in_order_with_their_buttons_texts_and_the_licence)
{
    const Texts &texts = UserTexts();
    driver::SetupProcess setup;
    HWND sheet = e2e::StartWizard(setup);
    ASSERT_NE(nullptr, sheet);
    ExpectTitle(sheet);

    HWND page = driver::CurrentPage(sheet);
    EXPECT_EQ(texts.welcome, driver::ControlText(page, ids::kWelcomeTitle));
    EXPECT_TRUE(e2e::WaitForButtons(sheet, "Next"));
    driver::Screenshot("wizard-1-welcome-" + Language());

    // The licence: nothing chosen, no Next until it is accepted.
    ASSERT_NE(nullptr, page = e2e::Next(sheet, ids::kLicencePage));
    EXPECT_TRUE(e2e::WaitForButtons(sheet, "Back"));
    EXPECT_FALSE(e2e::IsChecked(page, ids::kLicenceAccept));
    EXPECT_FALSE(e2e::IsChecked(page, ids::kLicenceDecline));
    const ManifestEntry &licence = UserLicence();
    std::string shown = driver::ControlText(page, ids::kLicenceText);
    EXPECT_EQ(licence.unpackedSize, shown.size());
    EXPECT_TRUE(PayloadSource(licence) == shown) << "the page does not show " << licence.name;
    ASSERT_TRUE(e2e::SetCheck(page, ids::kLicenceDecline, true));
    EXPECT_TRUE(e2e::WaitForButtons(sheet, "Back"));
    ASSERT_TRUE(e2e::SetCheck(page, ids::kLicenceAccept, true));
    EXPECT_TRUE(e2e::WaitForButtons(sheet, "Back Next"));
    ExpectTitle(sheet);
    driver::Screenshot("wizard-2-licence-" + Language());
    // Back and Next again: the choice and its Next are still there.
    driver::PressWizardButton(sheet, PSBTN_BACK);
    ASSERT_NE(nullptr, e2e::WaitForPage(sheet, ids::kWelcomePage));
    EXPECT_TRUE(e2e::WaitForButtons(sheet, "Next"));
    ASSERT_NE(nullptr, page = e2e::Next(sheet, ids::kLicencePage));
    EXPECT_TRUE(e2e::IsChecked(page, ids::kLicenceAccept));
    EXPECT_TRUE(e2e::WaitForButtons(sheet, "Back Next"));

    ASSERT_NE(nullptr, page = e2e::Next(sheet, ids::kDestinationPage));
    EXPECT_EQ(texts.destination, driver::ControlText(page, ids::kDestinationTitle));
    EXPECT_EQ(kDestination, driver::ControlText(page, ids::kDestinationFolder));
    EXPECT_TRUE(e2e::WaitForButtons(sheet, "Back Next"));
    ExpectTitle(sheet);
    driver::Screenshot("wizard-3-destination-" + Language());

    ASSERT_NE(nullptr, page = e2e::Next(sheet, ids::kGroupPage));
    EXPECT_EQ(texts.group, driver::ControlText(page, ids::kGroupTitle));
    EXPECT_EQ("Velmo", driver::ControlText(page, ids::kGroupEdit));
    EXPECT_TRUE(e2e::WaitForButtons(sheet, "Back Next"));
    ExpectTitle(sheet);
    driver::Screenshot("wizard-4-group-" + Language());

    ASSERT_NE(nullptr, page = e2e::Next(sheet, ids::kDesktopPage));
    EXPECT_EQ(texts.desktop, driver::ControlText(page, ids::kDesktopTitle));
    EXPECT_TRUE(e2e::IsChecked(page, ids::kDesktopCheck));
    EXPECT_TRUE(e2e::WaitForButtons(sheet, "Back Next"));
    ExpectTitle(sheet);
    driver::Screenshot("wizard-5-desktop-" + Language());

    ASSERT_NE(nullptr, page = e2e::Next(sheet, ids::kReadyPage));
    EXPECT_EQ(texts.ready, driver::ControlText(page, ids::kReadyTitle));
    // The product has no read-me: its box is not shown.
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, ids::kReadyReadMe)));
    EXPECT_TRUE(e2e::IsChecked(page, ids::kReadyLaunch));
    EXPECT_TRUE(e2e::WaitForButtons(sheet, "Back Finish"));
    ExpectTitle(sheet);
    driver::Screenshot("wizard-6-ready-" + Language());

    ExitSetup(setup, sheet);
    EXPECT_FALSE(driver::FolderExists(kDestination)) << "Cancel installed something";
}

TEST(Wizard, cancel_on_every_page_stays_after_escape_and_resume)
{
    driver::SetupProcess setup;
    HWND sheet = e2e::StartWizard(setup);
    ASSERT_NE(nullptr, sheet);
    const int pages[] = {ids::kWelcomePage, ids::kLicencePage, ids::kDestinationPage,
                         ids::kGroupPage,   ids::kDesktopPage, ids::kReadyPage};
    for (int pageId : pages) {
        SCOPED_TRACE("page " + std::to_string(pageId));
        HWND page = e2e::WaitForPage(sheet, pageId);
        ASSERT_NE(nullptr, page);
        HWND confirmation = AskToCancel(setup, sheet);
        ASSERT_NE(nullptr, confirmation);
        if (pageId == ids::kWelcomePage)
            driver::Screenshot("wizard-cancel-" + Language());
        driver::PressKey(confirmation, VK_ESCAPE);
        EXPECT_TRUE(driver::WaitUntilClosed(confirmation, 10000)) << "the dialog stayed open";
        confirmation = AskToCancel(setup, sheet);
        ASSERT_NE(nullptr, confirmation);
        EXPECT_TRUE(driver::ClickAway(confirmation, ids::kAnswer7, 10000))
            << "the dialog stayed open";
        EXPECT_EQ(page, driver::CurrentPage(sheet)) << "the wizard left its page";
        if (pageId == ids::kLicencePage) {
            ASSERT_TRUE(e2e::SetCheck(page, ids::kLicenceAccept, true));
        }
        if (pageId != ids::kReadyPage)
            driver::PressWizardButton(sheet, PSBTN_NEXT);
    }
    ExitSetup(setup, sheet);
    EXPECT_FALSE(driver::FolderExists(kDestination)) << "Cancel installed something";
}

namespace {

// Puts the game's program, version 3.1.51, into `folder` and registers it
// there, as an installation of this version leaves it: the setup proposes
// that folder and warns about nothing.
void PlaceInstalledGame(const std::string &folder)
{
    const ManifestEntry *program = nullptr;
    for (const ManifestEntry &entry : kInstallTable) {
        if (std::string(entry.name) == "Velmo.exe")
            program = &entry;
    }
    ASSERT_NE(nullptr, program) << "no Velmo.exe in the manifest";
    ASSERT_TRUE(earlier::MakeFolders(folder)) << folder;
    ASSERT_TRUE(WriteWholeFile(folder + "\\Velmo.exe", PayloadSource(*program))) << folder;
    earlier::SetRegistryText(earlier::kAppPaths, nullptr, folder + "\\Velmo.exe");
}

// Walks a new setup, started with `arguments`, to its Destination page;
// nullptr (test failed) when it did not get there.
HWND WalkToDestination(driver::SetupProcess &setup, HWND *sheet, const std::string &arguments = "")
{
    *sheet = e2e::StartWizard(setup, arguments);
    HWND page = *sheet ? e2e::Next(*sheet, ids::kLicencePage) : nullptr;
    if (!page || !e2e::SetCheck(page, ids::kLicenceAccept, true))
        return nullptr;
    return e2e::Next(*sheet, ids::kDestinationPage);
}

// Presses Next on the Destination page twice, against the question about
// the disk space: No keeps the page, Yes goes on to the Group page. The
// question is the sheet's, with its title, and has Yes and No. A given
// `screenshot` names the picture taken of the question.
void AnswerDiskSpaceNoThenYes(driver::SetupProcess &setup, HWND sheet, HWND page,
                              const std::string &screenshot = "")
{
    for (int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDNO ? "No" : "Yes");
        driver::PressWizardButton(sheet, PSBTN_NEXT);
        HWND question = driver::WaitForMessageBox(setup.Id(), "");
        ASSERT_NE(nullptr, question) << "no question about the disk space";
        EXPECT_EQ(e2e::DiskSpaceQuestion(), driver::MessageBoxText(question));
        EXPECT_EQ(UserTexts().sheetTitle, driver::WindowText(question));
        EXPECT_EQ(sheet, GetWindow(question, GW_OWNER));
        EXPECT_NE(nullptr, GetDlgItem(question, IDYES));
        EXPECT_NE(nullptr, GetDlgItem(question, IDNO));
        if (answer == IDNO && !screenshot.empty())
            driver::Screenshot(screenshot);
        EXPECT_TRUE(driver::ClickAway(question, answer, 10000)) << "the dialog stayed open";
        if (answer == IDNO) {
            EXPECT_EQ(page, driver::CurrentPage(sheet)) << "No left the Destination page";
        }
    }
    EXPECT_NE(nullptr, e2e::WaitForPage(sheet, ids::kGroupPage));
}

}  // namespace

TEST(Wizard, full_disk_question_no_stays_and_yes_goes_on)
{
    driver::SetupProcess setup;
    HWND sheet = nullptr;
    HWND page = WalkToDestination(setup, &sheet, "/DISKFULL");
    ASSERT_NE(nullptr, page);
    ASSERT_NO_FATAL_FAILURE(
        AnswerDiskSpaceNoThenYes(setup, sheet, page, "wizard-disk-space-" + Language()));
    ExitSetup(setup, sheet);
}

// Without /DISKFULL: D: is a drive of its own with less free space than the
// installation needs (small_drive.sh); C: has room.
TEST(Wizard, a_drive_without_room_draws_the_question_and_one_with_room_does_not)
{
    ASSERT_NO_FATAL_FAILURE(PlaceInstalledGame("D:\\Velmo"));
    {
        driver::SetupProcess setup;
        HWND sheet = nullptr;
        HWND page = WalkToDestination(setup, &sheet);
        ASSERT_NE(nullptr, page);
        ASSERT_EQ("D:\\Velmo", driver::ControlText(page, ids::kDestinationFolder));
        // The question of a real drive is the one /DISKFULL draws.
        ASSERT_NO_FATAL_FAILURE(AnswerDiskSpaceNoThenYes(setup, sheet, page));
        ExitSetup(setup, sheet);
    }

    // The same installation on C:. Any message box on the way to the next
    // page fails the walk.
    ASSERT_NO_FATAL_FAILURE(PlaceInstalledGame(kDestination));
    driver::SetupProcess setup;
    HWND sheet = nullptr;
    HWND page = WalkToDestination(setup, &sheet);
    ASSERT_NE(nullptr, page);
    ASSERT_EQ(kDestination, driver::ControlText(page, ids::kDestinationFolder));
    EXPECT_NE(nullptr, e2e::NextAnswering(setup, sheet, ids::kGroupPage));
    ExitSetup(setup, sheet);
}

TEST(Wizard, browsers_append_the_product_folder_and_make_the_group_relative)
{
    ASSERT_TRUE(CreateDirectoryA("C:\\Games", nullptr));
    const std::string programs = ProgramsFolder();
    ASSERT_FALSE(programs.empty());
    CreateDirectoryA((programs + "\\Games").c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryA((programs + "\\Games\\Cards").c_str(), nullptr));

    driver::SetupProcess setup;
    HWND sheet = e2e::StartWizard(setup);
    ASSERT_NE(nullptr, sheet);
    HWND page = e2e::Next(sheet, ids::kLicencePage);
    ASSERT_NE(nullptr, page);
    ASSERT_TRUE(e2e::SetCheck(page, ids::kLicenceAccept, true));
    ASSERT_NE(nullptr, page = e2e::Next(sheet, ids::kDestinationPage));
    ASSERT_TRUE(e2e::PickFolder(setup, page, ids::kDestinationBrowse, {"C:", "Games"}));
    EXPECT_EQ("C:\\Games\\Velmo", driver::ControlText(page, ids::kDestinationFolder));

    ASSERT_NE(nullptr, page = e2e::Next(sheet, ids::kGroupPage));
    ASSERT_TRUE(e2e::PickFolder(setup, page, ids::kGroupBrowse, {"Games", "Cards"}));
    EXPECT_EQ("Games\\Cards", driver::ControlText(page, ids::kGroupEdit));
    ASSERT_TRUE(e2e::PickFolder(setup, page, ids::kGroupBrowse, {}));
    EXPECT_EQ("", driver::ControlText(page, ids::kGroupEdit));
    ExitSetup(setup, sheet);
}

TEST(Wizard, chosen_folder_and_choices_reach_the_installation)
{
    ASSERT_TRUE(CreateDirectoryA("C:\\Games", nullptr));
    e2e::Choices choices;
    choices.browseDestination = std::vector<std::string>{"C:", "Games"};
    choices.group = "Games\\Cards";
    choices.desktopIcon = false;
    choices.launch = false;
    driver::SetupProcess setup;
    ASSERT_NE(nullptr, e2e::StartInstallation(setup, choices));

    const std::string folder = "C:\\Games\\Velmo";
    ASSERT_NO_FATAL_FAILURE(ExpectSuccessfulRun(setup, folder, Started::Nothing));
    for (int index : ExtractionOrder()) {
        EXPECT_TRUE(driver::FileExists(folder + "\\" + kInstallTable[index].name))
            << kInstallTable[index].name;
    }
    EXPECT_FALSE(driver::FolderExists(kDestination)) << "the default folder was used";

    // The typed group holds the links, which start the programs of the
    // chosen folder; the desktop holds none.
    const std::string group = ProgramsFolder() + "\\Games\\Cards";
    for (const LinkMade &made : GroupLinks()) {
        const std::string path = group + "\\" + made.caption + ".lnk";
        LinkSeen link = LoadLink(path);
        EXPECT_TRUE(link.loaded) << path << " cannot be loaded";
        if (made.folder.empty())
            continue;  // the web address
        EXPECT_EQ(folder + made.target.substr(made.target.rfind('\\')), link.target) << path;
        EXPECT_EQ(folder, link.folder) << path;
    }
    EXPECT_FALSE(driver::FolderExists(GroupFolder())) << "the default group was made";
    EXPECT_FALSE(driver::FileExists(DesktopLink().path)) << "a link was put on the desktop";
    std::string record;
    EXPECT_TRUE(driver::ReadWholeFile(folder + "\\Uninstall.dat", &record)) << "no record";
    const Elements elements = ParseRecord(record);
    auto recorded = [&elements](const char *name, const std::string &text) {
        return std::find(elements.begin(), elements.end(), std::make_pair(std::string(name), text)) !=
               elements.end();
    };
    EXPECT_TRUE(recorded("FOLDER", group)) << "the group was not recorded";
    EXPECT_FALSE(recorded("FILE", DesktopLink().path)) << "a desktop link was recorded";
}
