// A global memory barrier: what every earlier command wrote becomes visible
// to the later work of `stages`, for the accesses in `accesses`.
#pragma once

#include <vulkan_runtime/structure.h>

namespace vkrt
{

inline void RecordWritesVisible(VkCommandBuffer commands, VkPipelineStageFlags2 stages,
                                VkAccessFlags2 accesses)
{
    auto barrier = Structure<VkMemoryBarrier2>(VK_STRUCTURE_TYPE_MEMORY_BARRIER_2);
    barrier.srcStageMask = VK_PIPELINE_STAGE_2_ALL_COMMANDS_BIT;
    barrier.srcAccessMask = VK_ACCESS_2_MEMORY_WRITE_BIT;
    barrier.dstStageMask = stages;
    barrier.dstAccessMask = accesses;
    auto dependency = Structure<VkDependencyInfo>(VK_STRUCTURE_TYPE_DEPENDENCY_INFO);
    dependency.memoryBarrierCount = 1;
    dependency.pMemoryBarriers = &barrier;
    vkCmdPipelineBarrier2(commands, &dependency);
}

} // namespace vkrt
