// Start-up: the setup runs its whole sequence, with and without the test
// switches, and leaves a complete installation behind; the switches show
// their effects.
#include <gtest/gtest.h>

#include "earlier.h"
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
    // A program registered in the destination, a folder without a program
    // of any version: no installation, unless a version is forced.
    ASSERT_TRUE(earlier::MakeFolders(kDestination));
    earlier::SetRegistryText(earlier::kAppPaths, nullptr, Installed("Velmo.exe"));
    driver::SetupProcess setup;
    e2e::Choices choices = WithoutGame();
    choices.arguments = "/diskFULL /OldVersion=7 /oldversion  2 /unknown / /DISKFULLER";
    // "/diskFULL" makes the free-space check fail.
    choices.diskSpaceQuestion = true;
    ASSERT_NE(nullptr, e2e::StartInstallation(setup, choices));
    ASSERT_NO_FATAL_FAILURE(ExpectSuccessfulRun(setup, kDestination, Started::Nothing));
    ExpectEveryFileInstalled();
    // The last "/OLDVERSION" counts: version 2.0 is forced (a 7 would have
    // drawn the downgrade warning), so the registered folder is tidied as a
    // version 2: the record names its card-set folder first among the
    // folders, and its data file takes that version's number.
    Elements folders;
    for (const auto &element : ParseRecord(ReadRecord())) {
        if (element.first == "FOLDER")
            folders.push_back(element);
    }
    ASSERT_FALSE(folders.empty());
    EXPECT_EQ(Installed("Cardsets"), folders[0].second);
    std::string data;
    EXPECT_TRUE(driver::ReadWholeFile(Installed("Velmo.dat"), &data)) << "no clean-up ran";
    EXPECT_EQ("<?xml version=\"1.0\"?>\r\n<VELMO>\r\n  <VERSION>200</VERSION>\r\n</VELMO>\r\n", data);
}

TEST(Startup, the_anchor_window_is_a_hidden_popup_that_owns_the_progress_window)
{
    driver::SetupProcess setup;
    HWND progress = e2e::StartInstallation(setup, WithoutGame());
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
    ASSERT_NO_FATAL_FAILURE(ExpectSuccessfulRun(setup, kDestination, Started::Nothing));
    ExpectCompleteInstallation();
}
