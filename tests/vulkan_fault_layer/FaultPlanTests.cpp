// The fault layer's plan: the text it reads and which uses it fails.
#include "fault_plan.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

using namespace fault_layer;

struct PlanCase
{
    const char* Text;
    std::vector<std::string> Calls; // made in this order
    const char* Failed;             // per call: 'x' failed with `Result`, '.' went ahead
    VkResult Result;
    bool Readable = true; // false: text of another form, which injects nothing
};

TEST(FaultPlan, FailsTheChosenUsesOfTheChosenCall)
{
    const std::string image = "vkCreateImage", buffer = "vkCreateBuffer", submit = "vkQueueSubmit2",
                      present = "vkQueuePresentKHR";
    const PlanCase cases[] = {
        {"vkCreateImage 2 VK_ERROR_OUT_OF_DEVICE_MEMORY",
         {image, buffer, buffer, image, image},
         "...x.",
         VK_ERROR_OUT_OF_DEVICE_MEMORY},
        // A number for the result; 0 times: every use from the N-th on.
        {"vkCreateImage 2 -4 0", {image, image, image, buffer}, ".xx.", VK_ERROR_DEVICE_LOST},
        // Counted after the first present, which itself is not counted.
        {"vkQueueSubmit2 +2 VK_ERROR_DEVICE_LOST 2",
         {submit, submit, present, submit, submit, submit, submit},
         "....xx.",
         VK_ERROR_DEVICE_LOST},
        {"vkQueuePresentKHR +1 VK_ERROR_OUT_OF_DATE_KHR",
         {present, submit, present, present},
         "..x.",
         VK_ERROR_OUT_OF_DATE_KHR},
        {"", {image, submit}, "..", VK_SUCCESS},
        {"vkCreateImage", {image, image}, "..", VK_SUCCESS, false},
        {"vkCreateImage 2", {image, image}, "..", VK_SUCCESS, false},
    };
    for (const PlanCase& plan : cases)
    {
        bool readable = !plan.Readable;
        UseCounter counter(ParseInjection(plan.Text, &readable));
        EXPECT_EQ(readable, plan.Readable) << plan.Text;
        std::string failed;
        for (const std::string& call : plan.Calls)
        {
            const VkResult result = counter.Count(call).Injected;
            failed += result == VK_SUCCESS ? '.' : result == plan.Result ? 'x' : '?';
        }
        EXPECT_EQ(failed, plan.Failed) << plan.Text;
    }
}

} // namespace
