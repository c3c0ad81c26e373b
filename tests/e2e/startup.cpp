// Start-up: the setup runs its whole sequence, with and without the test
// switches, and leaves a complete installation behind.
#include <gtest/gtest.h>

#include "install_scenario.h"
#include "setup_run.h"

using namespace install_e2e;

TEST(Startup, runs_to_its_end_without_switches)
{
    driver::SetupProcess setup;
    ASSERT_NE(nullptr, e2e::StartInstallation(setup));
    ASSERT_NO_FATAL_FAILURE(ExpectSuccessfulRun(setup));
    ExpectCompleteInstallation();
}

TEST(Startup, runs_to_its_end_with_switches_in_any_case)
{
    driver::SetupProcess setup;
    e2e::Choices choices;
    choices.arguments = "/diskFULL /OldVersion=7 /oldversion  2 /unknown / /DISKFULLER";
    ASSERT_NE(nullptr, e2e::StartInstallation(setup, choices));
    ASSERT_NO_FATAL_FAILURE(ExpectSuccessfulRun(setup));
    ExpectCompleteInstallation();
}

TEST(Startup, the_anchor_window_is_a_hidden_popup_that_owns_the_progress_window)
{
    driver::SetupProcess setup;
    HWND progress = e2e::StartInstallation(setup);
    ASSERT_NE(nullptr, progress);
    HWND anchor = GetWindow(progress, GW_OWNER);
    ASSERT_NE(nullptr, anchor) << "the progress window has no owner";
    EXPECT_EQ("VelmoSetup", driver::ClassName(anchor));
    EXPECT_EQ("", driver::WindowText(anchor));
    EXPECT_FALSE(IsWindowVisible(anchor));
    LONG style = GetWindowLongA(anchor, GWL_STYLE);
    EXPECT_EQ(WS_POPUP, style & (WS_POPUP | WS_CHILD | WS_CAPTION | WS_VISIBLE));
    RECT rect;
    ASSERT_TRUE(GetWindowRect(anchor, &rect));
    EXPECT_EQ(1, rect.right - rect.left);
    EXPECT_EQ(1, rect.bottom - rect.top);
    EXPECT_EQ(GetSystemMetrics(SM_CXFULLSCREEN) / 2 - 220, rect.left);
    EXPECT_EQ(GetSystemMetrics(SM_CYFULLSCREEN) / 2 - 160, rect.top);
    ASSERT_NO_FATAL_FAILURE(ExpectSuccessfulRun(setup));
    ExpectCompleteInstallation();
}
