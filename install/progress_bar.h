// Positions of the progress bar: 0 to 80 while files are written, 80 to 100
// for the steps after them.
#pragma once

#include <cstdint>

constexpr int32_t kBytePhaseEnd = 80;   // the bar position when every byte is written
constexpr int32_t kStepPhaseSpan = 20;  // the later steps fill the rest up to 100

// done * 80 / total, truncated. The product is formed in 64 bits, so totals
// of any size give the same results as exact integer arithmetic; a total of
// 0 or less (nothing to extract) gives 0.
int32_t BytePhasePosition(int32_t done, int32_t total);
// 80 + done * 20 / total, truncated, formed like BytePhasePosition; a total
// of 0 or less gives 80.
int32_t StepPhasePosition(int32_t done, int32_t total);
// counter + amount, held at the limits of a signed 32-bit number instead of
// wrapping.
int32_t AddCount(int32_t counter, int32_t amount);
