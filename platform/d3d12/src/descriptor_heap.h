// A descriptor heap: an array of descriptor records. Handles are record
// addresses; GPU handles of shader-visible heaps are the same addresses.
#pragma once

#include "descriptor.h"
#include "device_child.h"

#include <memory>

namespace d3d12
{

class DescriptorHeap final : public DeviceChild<ID3D12DescriptorHeap>
{
public:
    static HRESULT Create(Device& device, const D3D12_DESCRIPTOR_HEAP_DESC& desc,
                          DescriptorHeap** heap);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    D3D12_DESCRIPTOR_HEAP_DESC STDMETHODCALLTYPE GetDesc() override { return mDesc; }
    D3D12_CPU_DESCRIPTOR_HANDLE STDMETHODCALLTYPE GetCPUDescriptorHandleForHeapStart() override;
    D3D12_GPU_DESCRIPTOR_HANDLE STDMETHODCALLTYPE GetGPUDescriptorHandleForHeapStart() override;

    D3D12_DESCRIPTOR_HEAP_TYPE Type() const { return mDesc.Type; }
    // The record at `address` if it is one of this heap's, else null.
    Descriptor* RecordAt(uint64_t address) const;
    const Descriptor* Begin() const { return mRecords.get(); }
    const Descriptor* End() const { return mRecords.get() + mDesc.NumDescriptors; }

private:
    DescriptorHeap(Device& device, const D3D12_DESCRIPTOR_HEAP_DESC& desc,
                   std::unique_ptr<Descriptor[]> records);
    ~DescriptorHeap() override;

    const D3D12_DESCRIPTOR_HEAP_DESC mDesc;
    const std::unique_ptr<Descriptor[]> mRecords;
};

} // namespace d3d12
