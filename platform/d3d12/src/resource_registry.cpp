#include "resource_registry.h"

#include "resource.h"

namespace d3d12
{
namespace
{
constexpr uint32_t SlotCount = uint32_t(1) << (64 - ResourceRegistry::AddressShift);
}

bool ResourceRegistry::Add(Resource* resource, ResourceId* id)
{
    std::lock_guard lock(mMutex);
    uint32_t slot;
    if (!mFree.empty())
    {
        slot = mFree.back();
        mFree.pop_back();
    }
    else if (mSlots.size() < SlotCount)
    {
        slot = uint32_t(mSlots.size());
        mSlots.emplace_back();
    }
    else
    {
        return false;
    }
    mSlots[slot].Object = resource;
    *id = {slot, ++mSlots[slot].Generation};
    return true;
}

void ResourceRegistry::Remove(ResourceId id)
{
    std::lock_guard lock(mMutex);
    if (id.Slot == 0 || id.Slot >= mSlots.size() || mSlots[id.Slot].Generation != id.Generation)
        return;
    mSlots[id.Slot].Object = nullptr;
    mFree.push_back(id.Slot);
}

Resource* ResourceRegistry::Find(ResourceId id) const
{
    std::lock_guard lock(mMutex);
    if (id.Slot == 0 || id.Slot >= mSlots.size() || mSlots[id.Slot].Generation != id.Generation)
        return nullptr;
    return mSlots[id.Slot].Object;
}

Resource* ResourceRegistry::ResolveAddress(D3D12_GPU_VIRTUAL_ADDRESS address,
                                           uint64_t* offset) const
{
    const uint64_t slot = address >> AddressShift;
    const uint64_t within = address & ((uint64_t(1) << AddressShift) - 1);
    std::lock_guard lock(mMutex);
    if (slot == 0 || slot >= mSlots.size())
        return nullptr;
    Resource* resource = mSlots[slot].Object;
    if (!resource || !resource->IsBuffer() || within >= resource->Width())
        return nullptr;
    *offset = within;
    return resource;
}

} // namespace d3d12
