// The live resources of a device, each in a numbered slot. The slot gives a
// buffer its GPU virtual address: slot number × 2^40 plus the byte offset, so
// an address resolves back to (resource, offset) with one look-up, which root
// constant-buffer views need to find (VkBuffer, offset). Descriptors keep the
// slot and its generation, so a view of a released resource is recognised
// instead of used.
#pragma once

#include <windows.h>

#include <d3d12.h>

#include <cstdint>
#include <mutex>
#include <vector>

namespace d3d12
{

class Resource;

struct ResourceId
{
    uint32_t Slot = 0; // 0: no resource
    uint32_t Generation = 0;
};

class ResourceRegistry
{
public:
    static constexpr unsigned AddressShift = 40;

    // Registers `resource`; false where no slot is left.
    bool Add(Resource* resource, ResourceId* id);
    void Remove(ResourceId id);

    // The resource registered under `id`, or null once it has been released.
    Resource* Find(ResourceId id) const;

    // The buffer that holds `address` and the offset of the address in it, or
    // null where no live buffer does.
    Resource* ResolveAddress(D3D12_GPU_VIRTUAL_ADDRESS address, uint64_t* offset) const;

    static D3D12_GPU_VIRTUAL_ADDRESS AddressOf(ResourceId id)
    {
        return D3D12_GPU_VIRTUAL_ADDRESS(id.Slot) << AddressShift;
    }

private:
    struct Slot
    {
        d3d12::Resource* Object = nullptr;
        uint32_t Generation = 0;
    };

    mutable std::mutex mMutex;
    std::vector<Slot> mSlots{1}; // slot 0 is never used: no address is 0
    std::vector<uint32_t> mFree;
};

} // namespace d3d12
