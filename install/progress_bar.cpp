// Arithmetic of the progress bar's two phases.
#include "install/progress_bar.h"

#include <limits>

namespace {

int32_t Clamp(int64_t value)
{
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

// done * span / total in 64 bits; 0 for a total of 0 or less.
int64_t Scale(int32_t done, int32_t total, int32_t span)
{
    if (total <= 0)
        return 0;
    return static_cast<int64_t>(done) * span / total;
}

}  // namespace

int32_t BytePhasePosition(int32_t done, int32_t total)
{
    return Clamp(Scale(done, total, kBytePhaseEnd));
}

int32_t StepPhasePosition(int32_t done, int32_t total)
{
    return Clamp(kBytePhaseEnd + Scale(done, total, kStepPhaseSpan));
}

int32_t AddCount(int32_t counter, int32_t amount)
{
    return Clamp(static_cast<int64_t>(counter) + amount);
}
