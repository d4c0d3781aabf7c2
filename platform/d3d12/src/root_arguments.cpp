#include "root_arguments.h"

#include "descriptor_heap.h"
#include "resource_registry.h"
#include "resource_state.h"
#include "root_signature.h"

namespace d3d12
{

void RootArguments::Reset(const RootSignature* signature)
{
    mSignature = signature;
    mSet = 0;
    mDirty = true;
    mWrites.clear();
    if (!signature)
        return;
    mWrites = signature->WriteTemplate();
    const size_t count = mWrites.size();
    mBuffers.assign(count, VkDescriptorBufferInfo{});
    mImages.assign(count, VkDescriptorImageInfo{});
    mRecords.assign(count, nullptr);
    mScratch.reserve(count);
    // The samplers' writes come last and never change.
    const std::vector<VkDescriptorImageInfo>& samplers = signature->SamplerInfos();
    const size_t firstSampler = count - samplers.size();
    for (size_t i = 0; i < count; ++i)
    {
        if (i >= firstSampler)
            mImages[i] = samplers[i - firstSampler];
        if (mWrites[i].descriptorType == VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER)
            mWrites[i].pBufferInfo = &mBuffers[i];
        else
            mWrites[i].pImageInfo = &mImages[i];
    }
}

bool RootArguments::SetConstantBuffer(UINT parameter, VkBuffer buffer, VkDeviceSize offset,
                                      VkDeviceSize range)
{
    if (!mSignature || parameter >= mSignature->Slots().size())
        return false;
    const RootSlot& slot = mSignature->Slots()[parameter];
    if (slot.Type != D3D12_ROOT_PARAMETER_TYPE_CBV)
        return false;
    mBuffers[slot.FirstWrite] = {buffer, offset, range};
    mSet |= uint64_t(1) << parameter;
    mDirty = true;
    return true;
}

bool RootArguments::SetTable(UINT parameter, const DescriptorHeap& heap, uint64_t address)
{
    if (!mSignature || parameter >= mSignature->Slots().size())
        return false;
    const RootSlot& slot = mSignature->Slots()[parameter];
    if (slot.Type != D3D12_ROOT_PARAMETER_TYPE_DESCRIPTOR_TABLE)
        return false;
    for (uint32_t i = 0; i < slot.WriteCount; ++i)
    {
        const Descriptor* record =
            heap.RecordAt(address + uint64_t(slot.TableOffsets[i]) * sizeof(Descriptor));
        if (!record)
            return false;
        mRecords[slot.FirstWrite + i] = record;
    }
    mSet |= uint64_t(1) << parameter;
    mDirty = true;
    return true;
}

bool RootArguments::Push(VkCommandBuffer commands, PFN_vkCmdPushDescriptorSetKHR push,
                         VkPipelineLayout layout, const ResourceRegistry& resources)
{
    if (!mDirty || !mSignature)
        return true;
    for (size_t i = 0; i < mRecords.size(); ++i)
    {
        const Descriptor* record = mRecords[i];
        if (!record)
            continue;
        if (record->Kind != DescriptorKind::ShaderResource || !resources.Find(record->Resource))
            return false;
        // The layout the image will have when the draw runs: that of the
        // shader-resource states, which the translation keeps the same as the
        // common state's, since a texture may be promoted from it.
        mImages[i] = {VK_NULL_HANDLE, record->View,
                      LayoutOfState(D3D12_RESOURCE_STATE_ALL_SHADER_RESOURCE)};
    }

    const std::vector<RootSlot>& slots = mSignature->Slots();
    const uint64_t all = slots.size() == 64 ? ~uint64_t(0) : (uint64_t(1) << slots.size()) - 1;
    const std::vector<VkWriteDescriptorSet>* writes = &mWrites;
    if (mSet != all)
    {
        // Only what has been set: the shaders may leave other parameters unread.
        mScratch.clear();
        for (size_t p = 0; p < slots.size(); ++p)
        {
            if (mSet & (uint64_t(1) << p))
                mScratch.insert(mScratch.end(), mWrites.begin() + slots[p].FirstWrite,
                                mWrites.begin() + slots[p].FirstWrite + slots[p].WriteCount);
        }
        const size_t samplers = mSignature->SamplerInfos().size();
        mScratch.insert(mScratch.end(), mWrites.end() - samplers, mWrites.end());
        writes = &mScratch;
    }
    if (!writes->empty())
        push(commands, VK_PIPELINE_BIND_POINT_GRAPHICS, layout, 0, uint32_t(writes->size()),
             writes->data());
    mDirty = false;
    return true;
}

} // namespace d3d12
