// The root arguments a command list has set for its graphics root signature:
// constant-buffer ranges and descriptor tables, kept as the push-descriptor
// writes of the signature's template, and pushed (with the static samplers)
// before a draw whenever one of them has changed since the last push.
#pragma once

#include "descriptor.h"

#include <windows.h>

#include <vulkan/vulkan.h>

#include <cstdint>
#include <vector>

namespace d3d12
{

class DescriptorHeap;
class ResourceRegistry;
class RootSignature;

class RootArguments
{
public:
    // Starts over with the parameters of `signature` (null: none), none set.
    void Reset(const RootSignature* signature);

    const RootSignature* Signature() const { return mSignature; }
    // One bit per parameter that has been given an argument.
    uint64_t SetParameters() const { return mSet; }

    // False where `parameter` is not a root constant-buffer view.
    bool SetConstantBuffer(UINT parameter, VkBuffer buffer, VkDeviceSize offset,
                           VkDeviceSize range);
    // False where `parameter` is not a table or a descriptor of the table
    // starting at `address` lies outside `heap`.
    bool SetTable(UINT parameter, const DescriptorHeap& heap, uint64_t address);

    // Pushes the arguments set and the static samplers, with `layout`, if
    // anything changed since the last push. The tables' descriptors are read
    // now; false where one is not a view of a live resource.
    bool Push(VkCommandBuffer commands, PFN_vkCmdPushDescriptorSetKHR push, VkPipelineLayout layout,
              const ResourceRegistry& resources);
    // Pushes again at the next draw (a pipeline of another layout was bound).
    void Invalidate() { mDirty = true; }

private:
    const RootSignature* mSignature = nullptr;
    uint64_t mSet = 0;
    bool mDirty = true;
    // Per write of the signature's template.
    std::vector<VkWriteDescriptorSet> mWrites;
    std::vector<VkDescriptorBufferInfo> mBuffers;
    std::vector<VkDescriptorImageInfo> mImages;
    std::vector<const Descriptor*> mRecords; // tables: the descriptor read at each push
    std::vector<VkWriteDescriptorSet> mScratch;
};

} // namespace d3d12
