// The validation layer really watches these tests: a deliberate misuse of
// Vulkan reaches the log that every GPU test checks.
#include "GpuTest.h"

#include <d3d12_vulkan.h>
#include <vulkan_runtime/validation.h>

namespace
{

class ValidationLayer : public GpuTest
{
};

TEST_F(ValidationLayer, ReportsADeliberateMisuse)
{
    VkDevice vulkan = d3d12::VulkanDeviceOf(Device());
    ASSERT_NE(vulkan, VK_NULL_HANDLE);

    const size_t before = vkrt::ValidationMessageCount();
    // A buffer of no bytes is invalid usage; the layer refuses the call.
    VkBufferCreateInfo info{};
    info.sType = VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO;
    info.size = 0;
    info.usage = VK_BUFFER_USAGE_TRANSFER_SRC_BIT;
    VkBuffer buffer = VK_NULL_HANDLE;
    vkCreateBuffer(vulkan, &info, nullptr, &buffer);
    if (buffer != VK_NULL_HANDLE)
        vkDestroyBuffer(vulkan, buffer, nullptr);

    EXPECT_GT(vkrt::ValidationMessageCount(), before)
        << "the validation layer is not active: run with "
           "VK_INSTANCE_LAYERS=VK_LAYER_KHRONOS_validation";
    // The message was wanted: it must not fail this test's own check.
    vkrt::ClearValidationMessages();
}

} // namespace
