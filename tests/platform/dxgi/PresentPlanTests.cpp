// How the swap chain maps a sync interval onto the present modes that real
// surfaces offer.
#include "swap_chain.h"

#include <gtest/gtest.h>

namespace
{

TEST(PresentPlans, IntervalZeroNeverWaitsNorTearsAndOtherIntervalsWaitInFifo)
{
    constexpr auto Immediate = VK_PRESENT_MODE_IMMEDIATE_KHR;
    constexpr auto Mailbox = VK_PRESENT_MODE_MAILBOX_KHR;
    constexpr auto Fifo = VK_PRESENT_MODE_FIFO_KHR;
    constexpr auto Relaxed = VK_PRESENT_MODE_FIFO_RELAXED_KHR;
    const struct
    {
        const char* Surface;
        std::vector<VkPresentModeKHR> Offered;
        UINT Interval;
        VkPresentModeKHR Mode;
        uint64_t Timeout;
    } rows[] = {
        {"every mode, immediate first", {Immediate, Mailbox, Fifo, Relaxed}, 0, Mailbox, 0},
        {"no mailbox", {Fifo, Relaxed, Immediate}, 0, Fifo, 0},
        {"FIFO only", {Fifo}, 0, Fifo, 0},
        {"every mode, interval 1", {Immediate, Mailbox, Fifo}, 1, Fifo, UINT64_MAX},
        {"every mode, interval 4", {Mailbox, Fifo}, 4, Fifo, UINT64_MAX},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.Surface);
        const dxgi::PresentPlan plan = dxgi::PlanPresent(row.Offered, row.Interval);
        EXPECT_EQ(plan.Mode, row.Mode);
        EXPECT_EQ(plan.AcquireTimeout, row.Timeout);
    }
}

} // namespace
