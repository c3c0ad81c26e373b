// A tour of the setup with the default choices: every wizard page, the
// installation and its end, each kept as a screenshot. tools/run.sh runs it
// to show the setup on a machine without a display.
#include <gtest/gtest.h>

#include <string>

#include "install_scenario.h"

using namespace install_e2e;

TEST(Tour, default_choices_install_with_a_screenshot_of_every_step)
{
    const std::string language = DutchUser() ? "nl" : "en";
    auto shot = [&](const std::string &name) { driver::Screenshot(name + "-" + language); };
    driver::SetupProcess setup;
    HWND sheet = e2e::StartWizard(setup, driver::Env("VELMO_SETUP_ARGUMENTS"));
    ASSERT_NE(nullptr, sheet);
    shot("1-welcome");
    HWND page = e2e::Next(sheet, ids::kLicencePage);
    ASSERT_NE(nullptr, page);
    ASSERT_TRUE(e2e::SetCheck(page, ids::kLicenceAccept, true));
    ASSERT_TRUE(e2e::WaitForButtons(sheet, "Back Next"));
    shot("2-licence");
    const int later[] = {ids::kDestinationPage, ids::kGroupPage, ids::kDesktopPage,
                         ids::kReadyPage};
    const char *names[] = {"3-destination", "4-group", "5-desktop", "6-ready"};
    for (int i = 0; i < 4; ++i) {
        ASSERT_NE(nullptr, e2e::Next(sheet, later[i]));
        shot(names[i]);
    }
    driver::PressWizardButton(sheet, PSBTN_FINISH);
    HWND progress = driver::WaitForDialogWithControl(setup.Id(), ids::kProgressBar);
    ASSERT_NE(nullptr, progress) << "Finish started no installation";
    shot("7-progress");
    ASSERT_NE(nullptr, driver::WaitForMessageBox(setup.Id(), "", 60000)) << "no message at the end";
    shot("8-finished");
    ExpectSuccessfulRun(setup);
    ExpectEveryFileInstalled();
}
