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

// done * span / total, truncated toward zero; 0 for a total of 0 or less.
// Worked in double, as the 32-bit program would otherwise need the
// compiler's 64-bit division routine: the product is exact (far below
// 2^53), and the correctly rounded quotient truncates to the same whole
// number as the exact one, since a quotient that is not whole lies at least
// 1/total from the next whole number and rounding moves it by less.
int64_t Scale(int32_t done, int32_t total, int32_t span)
{
    if (total <= 0)
        return 0;
    return static_cast<int64_t>(static_cast<double>(done) * span / total);
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
