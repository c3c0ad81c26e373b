// Installation runs that go to their end: every payload file in place, the
// record written, the success message, the progress window on the way.
#include <gtest/gtest.h>

#include "install_scenario.h"
#include "machine.h"

using namespace install_e2e;

TEST(InstallRun, installs_every_file_and_writes_the_record)
{
    driver::SetupProcess setup;
    HWND progress = e2e::StartInstallation(setup);
    ASSERT_NE(nullptr, progress);
    DWORD started = GetTickCount();
    EXPECT_EQ(DutchUser() ? "Velmo Installatie" : "Velmo Installation",
              driver::WindowText(progress));
    EXPECT_FALSE(driver::HasStyle(progress, WS_SYSMENU)) << "the progress window has a close box";
    // The largest file stays long enough on the status line to be watched.
    std::vector<int> order = ExtractionOrder();
    size_t largest = 0;
    for (size_t i = 1; i < order.size(); ++i) {
        if (kInstallTable[order[i]].unpackedSize > kInstallTable[order[largest]].unpackedSize)
            largest = i;
    }
    ASSERT_TRUE(WaitForStatus(progress, kInstallTable[order[largest]]))
        << "the status line never showed " << CopyingStatus(kInstallTable[order[largest]]);
    EXPECT_NE(-1, ExpectBarWithin(progress, order, largest)) << "the file went by too fast";
    driver::Screenshot("progress-" + std::string(DutchUser() ? "nl" : "en"));
    // Each file's line holds the run 50 ms, and so does each later step's:
    // the files' pauses alone are a floor that leaves room for seeing the
    // window late.
    ASSERT_NE(nullptr, driver::WaitForMessageBox(setup.Id(), "", 60000));
    EXPECT_GE(GetTickCount() - started, order.size() * 50) << "the status lines did not pause";
    ExpectSuccessfulRun(setup);

    EXPECT_EQ(94u, order.size());
    ExpectCompleteInstallation();
}

TEST(InstallRun, second_run_leaves_the_record_unchanged)
{
    ASSERT_EQ(0, RunUnattended("/VERYSILENT"));
    std::string record = ReadRecord();
    ASSERT_EQ(RecordText(ExpectedRecord(ExtractionOrder().size(), Reached::End)), record);

    driver::SetupProcess second;
    ASSERT_NE(nullptr, e2e::StartInstallation(second, WithoutGame()));
    ExpectSuccessfulRun(second, kDestination, Started::Nothing);
    EXPECT_EQ(record, ReadRecord());
    ExpectEveryFileInstalled();
}
