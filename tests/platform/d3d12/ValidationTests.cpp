// The validation layer really watches these tests: a deliberate misuse of
// Vulkan reaches the log that every GPU test checks.
#include "GpuTest.h"

#include <d3d12_vulkan.h>
#include <vulkan_runtime/validation.h>

#include <cstdlib>
#include <cstring>

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

// With synchronisation validation asked for (VK_LAYER_ENABLES), the layer also
// reports hazards: two clears of one image with no barrier between them.
TEST_F(ValidationLayer, ReportsAHazardWhenSynchronisationValidationIsOn)
{
    const char* enables = std::getenv("VK_LAYER_ENABLES");
    if (!enables || !std::strstr(enables, "SYNCHRONIZATION_VALIDATION"))
        GTEST_SKIP() << "synchronisation validation is not asked for in VK_LAYER_ENABLES";

    auto texture =
        CreateTexture(CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, 8, 8, 1, 1),
                      D3D12_RESOURCE_STATE_COPY_DEST);
    d3d12::QueueVulkan queue;
    ASSERT_TRUE(d3d12::VulkanQueueOf(mQueue.Get(), &queue));
    const VkImage image = d3d12::VulkanImageOf(texture.Get());
    ASSERT_NE(image, VK_NULL_HANDLE);

    VkCommandPoolCreateInfo poolInfo{};
    poolInfo.sType = VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO;
    poolInfo.queueFamilyIndex = queue.QueueFamily;
    VkCommandPool pool = VK_NULL_HANDLE;
    ASSERT_EQ(vkCreateCommandPool(queue.Device, &poolInfo, nullptr, &pool), VK_SUCCESS);
    VkCommandBufferAllocateInfo allocateInfo{};
    allocateInfo.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO;
    allocateInfo.commandPool = pool;
    allocateInfo.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    allocateInfo.commandBufferCount = 1;
    VkCommandBuffer commands = VK_NULL_HANDLE;
    ASSERT_EQ(vkAllocateCommandBuffers(queue.Device, &allocateInfo, &commands), VK_SUCCESS);
    VkCommandBufferBeginInfo begin{};
    begin.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO;
    vkBeginCommandBuffer(commands, &begin);

    const size_t before = vkrt::ValidationMessageCount();
    const VkClearColorValue black{};
    const VkImageSubresourceRange all{VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
    const VkImageLayout layout = d3d12::VulkanLayoutOf(D3D12_RESOURCE_STATE_COPY_DEST);
    vkCmdClearColorImage(commands, image, layout, &black, 1, &all);
    vkCmdClearColorImage(commands, image, layout, &black, 1, &all);
    const size_t after = vkrt::ValidationMessageCount();

    vkEndCommandBuffer(commands);
    vkDestroyCommandPool(queue.Device, pool, nullptr);
    EXPECT_GT(after, before) << "no hazard reported: synchronisation validation is not active";
    vkrt::ClearValidationMessages();
}

} // namespace
