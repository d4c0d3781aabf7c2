#include "descriptor_heap.h"

#include <new>

namespace d3d12
{
namespace
{
// The largest heaps the real platform allows (resource binding tier 1 for
// shader-visible view heaps, 2048 samplers); CPU-only heaps are bounded by
// memory alone, here by the same million.
constexpr UINT MaxViews = 1000000;
constexpr UINT MaxSamplers = 2048;
} // namespace

HRESULT DescriptorHeap::Create(Device& device, const D3D12_DESCRIPTOR_HEAP_DESC& desc,
                               DescriptorHeap** heap)
{
    *heap = nullptr;
    const bool shaderVisible = (desc.Flags & D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE) != 0;
    const bool viewsOrSamplers = desc.Type == D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV ||
                                 desc.Type == D3D12_DESCRIPTOR_HEAP_TYPE_SAMPLER;
    if (desc.Type < D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV ||
        desc.Type >= D3D12_DESCRIPTOR_HEAP_TYPE_NUM_TYPES || desc.NumDescriptors == 0 ||
        (desc.Flags & ~D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE) || desc.NodeMask > 1 ||
        (shaderVisible && !viewsOrSamplers))
        return E_INVALIDARG;
    const UINT limit = desc.Type == D3D12_DESCRIPTOR_HEAP_TYPE_SAMPLER ? MaxSamplers : MaxViews;
    if (desc.NumDescriptors > limit)
        return E_OUTOFMEMORY;

    std::unique_ptr<Descriptor[]> records(new (std::nothrow) Descriptor[desc.NumDescriptors]);
    if (!records)
        return E_OUTOFMEMORY;
    auto* created = new (std::nothrow) DescriptorHeap(device, desc, std::move(records));
    if (!created)
        return E_OUTOFMEMORY;
    *heap = created;
    return S_OK;
}

DescriptorHeap::DescriptorHeap(Device& device, const D3D12_DESCRIPTOR_HEAP_DESC& desc,
                               std::unique_ptr<Descriptor[]> records)
    : DeviceChild(device), mDesc(desc), mRecords(std::move(records))
{
    Owner().AddHeap(this);
}

DescriptorHeap::~DescriptorHeap()
{
    Owner().RemoveHeap(this);
}

HRESULT DescriptorHeap::QueryInterface(REFIID riid, void** object)
{
    return com::QueryInterfaceOf<IUnknown, ID3D12Object, ID3D12DeviceChild, ID3D12Pageable,
                                 ID3D12DescriptorHeap>(this, riid, object);
}

D3D12_CPU_DESCRIPTOR_HANDLE DescriptorHeap::GetCPUDescriptorHandleForHeapStart()
{
    return {reinterpret_cast<SIZE_T>(mRecords.get())};
}

D3D12_GPU_DESCRIPTOR_HANDLE DescriptorHeap::GetGPUDescriptorHandleForHeapStart()
{
    // Only shader-visible heaps have GPU handles; others answer 0, as on the
    // real platform.
    if (!(mDesc.Flags & D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE))
        return {0};
    return {reinterpret_cast<UINT64>(mRecords.get())};
}

Descriptor* DescriptorHeap::RecordAt(uint64_t address) const
{
    const auto begin = reinterpret_cast<uint64_t>(mRecords.get());
    if (address < begin || (address - begin) % sizeof(Descriptor) != 0)
        return nullptr;
    const uint64_t index = (address - begin) / sizeof(Descriptor);
    return index < mDesc.NumDescriptors ? &mRecords[index] : nullptr;
}

} // namespace d3d12
