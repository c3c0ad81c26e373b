// The progress bar's positions: 0..80 for the bytes, 80..100 for the steps.
#include <gtest/gtest.h>

#include <climits>

#include "install/progress_bar.h"

namespace {

constexpr int32_t kProductBytes = 3664903;  // the product's byte total

TEST(ProgressBar, byte_phase_follows_the_product_totals)
{
    EXPECT_EQ(0, BytePhasePosition(0, kProductBytes));
    EXPECT_EQ(0, BytePhasePosition(1024, kProductBytes));
    EXPECT_EQ(39, BytePhasePosition(kProductBytes / 2, kProductBytes));
    EXPECT_EQ(79, BytePhasePosition(kProductBytes - 1, kProductBytes));
    EXPECT_EQ(80, BytePhasePosition(kProductBytes, kProductBytes));
}

TEST(ProgressBar, step_phase_fills_the_last_fifth)
{
    const int32_t expected[] = {84, 88, 92, 96, 100};
    for (int32_t step = 1; step <= 5; ++step)
        EXPECT_EQ(expected[step - 1], StepPhasePosition(step, 5)) << "after step " << step;
    EXPECT_EQ(80, StepPhasePosition(0, 5));
    EXPECT_EQ(86, StepPhasePosition(1, 3));
}

TEST(ProgressBar, large_totals_do_not_overflow)
{
    // Beyond 26,843,545 bytes a 32-bit product done * 80 would wrap.
    const int32_t total = 100000000;
    EXPECT_EQ(40, BytePhasePosition(total / 2, total));
    EXPECT_EQ(80, BytePhasePosition(total, total));
    EXPECT_EQ(80, BytePhasePosition(INT32_MAX, INT32_MAX));
    EXPECT_EQ(79, BytePhasePosition(INT32_MAX - 1, INT32_MAX));
    EXPECT_EQ(100, StepPhasePosition(INT32_MAX, INT32_MAX));
}

TEST(ProgressBar, empty_phases_keep_their_start)
{
    // With nothing to extract the driver sets a byte total of 0.
    EXPECT_EQ(0, BytePhasePosition(0, 0));
    EXPECT_EQ(0, BytePhasePosition(1024, 0));
    EXPECT_EQ(80, StepPhasePosition(1, 0));
}

TEST(ProgressBar, counters_stop_at_the_limit_instead_of_wrapping)
{
    EXPECT_EQ(2048, AddCount(1024, 1024));
    EXPECT_EQ(INT32_MAX, AddCount(INT32_MAX - 10, 1024));
    EXPECT_EQ(INT32_MAX, AddCount(INT32_MAX, INT32_MAX));
}

}  // namespace
