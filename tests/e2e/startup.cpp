// Start-up: the setup runs its sequence to the end with exit code 0, with
// and without the test switches.
#include <gtest/gtest.h>

#include "driver.h"
#include "setup_run.h"

namespace {

// Lets the setup run to its end, confirming every message box it shows on
// the way (the success message of an installation). Fails the test when the
// setup has not ended within the time limit.
void ExpectRunsToEnd(driver::SetupProcess &setup, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    DWORD exitCode = 1;
    while (!setup.WaitForExit(200, &exitCode)) {
        ASSERT_LT(GetTickCount() - start, timeoutMs) << "the setup did not end in time";
        HWND box = driver::WaitForMessageBox(setup.Id(), "", 0);
        if (box)
            driver::Click(box, IDOK);
    }
    EXPECT_EQ(0u, exitCode);
}

DWORD StartTimeout()
{
    // The product build runs through a slow emulated 32-bit loader.
    std::string slow = driver::Env("VELMO_SLOW_START");
    return slow.empty() ? 60000 : 360000;
}

}  // namespace

TEST(Startup, runs_to_its_end_without_switches)
{
    driver::SetupProcess setup;
    ASSERT_NE(nullptr, e2e::StartInstallation(setup));
    ExpectRunsToEnd(setup, StartTimeout());
}

TEST(Startup, runs_to_its_end_with_switches_in_any_case)
{
    driver::SetupProcess setup;
    e2e::Choices choices;
    choices.arguments = "/diskFULL /OldVersion=7 /oldversion  2 /unknown / /DISKFULLER";
    ASSERT_NE(nullptr, e2e::StartInstallation(setup, choices));
    ExpectRunsToEnd(setup, StartTimeout());
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
    ExpectRunsToEnd(setup, StartTimeout());
}
