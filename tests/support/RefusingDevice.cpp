#include "RefusingDevice.h"

#include <com_object.h>

#include <cstdio>
#include <memory>
#include <mutex>

using Microsoft::WRL::ComPtr;

namespace
{

// Forwards a method of the interface to the wrapped object.
#define FORWARD(Result, Method, Parameters, Arguments)                                             \
    Result STDMETHODCALLTYPE Method Parameters override                                            \
    {                                                                                              \
        return mReal->Method Arguments;                                                            \
    }

// ID3D12Object's methods, which every interface here begins with.
#define FORWARD_OBJECT_METHODS                                                                     \
    FORWARD(HRESULT, GetPrivateData, (REFGUID guid, UINT * pDataSize, void* pData),                \
            (guid, pDataSize, pData))                                                              \
    FORWARD(HRESULT, SetPrivateData, (REFGUID guid, UINT DataSize, const void* pData),             \
            (guid, DataSize, pData))                                                               \
    FORWARD(HRESULT, SetPrivateDataInterface, (REFGUID guid, const IUnknown* pData),               \
            (guid, pData))                                                                         \
    FORWARD(HRESULT, SetName, (LPCWSTR Name), (Name))

constexpr const char* RefusableCalls[] = {
    "ID3D12Device::CreateCommandQueue",
    "ID3D12Device::CheckFeatureSupport",
    "ID3D12Resource::Map",
};

// The calls to refuse and their uses so far, shared by a device and the
// resources it wrapped.
class Refusals
{
public:
    explicit Refusals(std::vector<RefusedCall> calls)
        : mCalls(std::move(calls)), mUses(mCalls.size())
    {
    }

    // Counts a use of `call`: the result to fail it with, or S_OK.
    HRESULT Use(const char* call)
    {
        std::lock_guard lock(mMutex);
        for (size_t i = 0; i < mCalls.size(); ++i)
        {
            if (mCalls[i].Call == call && ++mUses[i] >= mCalls[i].First)
                return mCalls[i].Result;
        }
        return S_OK;
    }

    bool Refuses(const char* call) const
    {
        for (const RefusedCall& refused : mCalls)
        {
            if (refused.Call == call)
                return true;
        }
        return false;
    }

private:
    std::mutex mMutex;
    const std::vector<RefusedCall> mCalls;
    std::vector<unsigned> mUses;
};

class RefusingResource final : public com::Object<ID3D12Resource>
{
public:
    RefusingResource(ComPtr<ID3D12Resource> real, std::shared_ptr<Refusals> refusals)
        : mReal(std::move(real)), mRefusals(std::move(refusals))
    {
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        HRESULT hr = com::QueryInterfaceOf<ID3D12Resource, ID3D12Pageable, ID3D12DeviceChild,
                                           ID3D12Object, IUnknown>(this, riid, object);
        return hr == E_NOINTERFACE ? mReal->QueryInterface(riid, object) : hr;
    }

    HRESULT STDMETHODCALLTYPE Map(UINT Subresource, const D3D12_RANGE* pReadRange,
                                  void** ppData) override
    {
        if (HRESULT refused = mRefusals->Use("ID3D12Resource::Map"))
        {
            if (ppData)
                *ppData = nullptr;
            return refused;
        }
        return mReal->Map(Subresource, pReadRange, ppData);
    }

    FORWARD_OBJECT_METHODS
    FORWARD(HRESULT, GetDevice, (REFIID riid, void** ppvDevice), (riid, ppvDevice))
    FORWARD(void, Unmap, (UINT Subresource, const D3D12_RANGE* pWrittenRange),
            (Subresource, pWrittenRange))
    FORWARD(D3D12_RESOURCE_DESC, GetDesc, (), ())
    FORWARD(D3D12_GPU_VIRTUAL_ADDRESS, GetGPUVirtualAddress, (), ())
    FORWARD(HRESULT, WriteToSubresource,
            (UINT DstSubresource, const D3D12_BOX* pDstBox, const void* pSrcData, UINT SrcRowPitch,
             UINT SrcDepthPitch),
            (DstSubresource, pDstBox, pSrcData, SrcRowPitch, SrcDepthPitch))
    FORWARD(HRESULT, ReadFromSubresource,
            (void* pDstData, UINT DstRowPitch, UINT DstDepthPitch, UINT SrcSubresource,
             const D3D12_BOX* pSrcBox),
            (pDstData, DstRowPitch, DstDepthPitch, SrcSubresource, pSrcBox))
    FORWARD(HRESULT, GetHeapProperties,
            (D3D12_HEAP_PROPERTIES * pHeapProperties, D3D12_HEAP_FLAGS* pHeapFlags),
            (pHeapProperties, pHeapFlags))

private:
    const ComPtr<ID3D12Resource> mReal;
    const std::shared_ptr<Refusals> mRefusals;
};

class RefusingDeviceObject final : public com::Object<ID3D12Device>
{
public:
    RefusingDeviceObject(ComPtr<ID3D12Device> real, std::shared_ptr<Refusals> refusals)
        : mReal(std::move(real)), mRefusals(std::move(refusals))
    {
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        HRESULT hr =
            com::QueryInterfaceOf<ID3D12Device, ID3D12Object, IUnknown>(this, riid, object);
        return hr == E_NOINTERFACE ? mReal->QueryInterface(riid, object) : hr;
    }

    HRESULT STDMETHODCALLTYPE CreateCommandQueue(const D3D12_COMMAND_QUEUE_DESC* pDesc, REFIID riid,
                                                 void** ppCommandQueue) override
    {
        if (HRESULT refused = mRefusals->Use("ID3D12Device::CreateCommandQueue"))
        {
            if (ppCommandQueue)
                *ppCommandQueue = nullptr;
            return refused;
        }
        return mReal->CreateCommandQueue(pDesc, riid, ppCommandQueue);
    }

    HRESULT STDMETHODCALLTYPE CheckFeatureSupport(D3D12_FEATURE Feature, void* pFeatureSupportData,
                                                  UINT FeatureSupportDataSize) override
    {
        if (HRESULT refused = mRefusals->Use("ID3D12Device::CheckFeatureSupport"))
            return refused;
        return mReal->CheckFeatureSupport(Feature, pFeatureSupportData, FeatureSupportDataSize);
    }

    HRESULT STDMETHODCALLTYPE CreateCommittedResource(const D3D12_HEAP_PROPERTIES* pHeapProperties,
                                                      D3D12_HEAP_FLAGS HeapFlags,
                                                      const D3D12_RESOURCE_DESC* pDesc,
                                                      D3D12_RESOURCE_STATES InitialResourceState,
                                                      const D3D12_CLEAR_VALUE* pOptimizedClearValue,
                                                      REFIID riidResource,
                                                      void** ppvResource) override
    {
        const bool mapped = pHeapProperties && (pHeapProperties->Type == D3D12_HEAP_TYPE_UPLOAD ||
                                                pHeapProperties->Type == D3D12_HEAP_TYPE_READBACK);
        if (!mapped || !mRefusals->Refuses("ID3D12Resource::Map") || !ppvResource)
            return mReal->CreateCommittedResource(pHeapProperties, HeapFlags, pDesc,
                                                  InitialResourceState, pOptimizedClearValue,
                                                  riidResource, ppvResource);
        ComPtr<ID3D12Resource> real;
        HRESULT hr =
            mReal->CreateCommittedResource(pHeapProperties, HeapFlags, pDesc, InitialResourceState,
                                           pOptimizedClearValue, IID_PPV_ARGS(&real));
        if (FAILED(hr))
        {
            *ppvResource = nullptr;
            return hr;
        }
        return com::HandOut(new RefusingResource(std::move(real), mRefusals), riidResource,
                            ppvResource);
    }

    FORWARD_OBJECT_METHODS
    FORWARD(UINT, GetNodeCount, (), ())
    FORWARD(HRESULT, CreateCommandAllocator,
            (D3D12_COMMAND_LIST_TYPE type, REFIID riid, void** ppCommandAllocator),
            (type, riid, ppCommandAllocator))
    FORWARD(HRESULT, CreateGraphicsPipelineState,
            (const D3D12_GRAPHICS_PIPELINE_STATE_DESC* pDesc, REFIID riid, void** ppPipelineState),
            (pDesc, riid, ppPipelineState))
    FORWARD(HRESULT, CreateComputePipelineState,
            (const D3D12_COMPUTE_PIPELINE_STATE_DESC* pDesc, REFIID riid, void** ppPipelineState),
            (pDesc, riid, ppPipelineState))
    FORWARD(HRESULT, CreateCommandList,
            (UINT nodeMask, D3D12_COMMAND_LIST_TYPE type, ID3D12CommandAllocator* pCommandAllocator,
             ID3D12PipelineState* pInitialState, REFIID riid, void** ppCommandList),
            (nodeMask, type, pCommandAllocator, pInitialState, riid, ppCommandList))
    FORWARD(HRESULT, CreateDescriptorHeap,
            (const D3D12_DESCRIPTOR_HEAP_DESC* pDescriptorHeapDesc, REFIID riid, void** ppvHeap),
            (pDescriptorHeapDesc, riid, ppvHeap))
    FORWARD(UINT, GetDescriptorHandleIncrementSize, (D3D12_DESCRIPTOR_HEAP_TYPE DescriptorHeapType),
            (DescriptorHeapType))
    FORWARD(HRESULT, CreateRootSignature,
            (UINT nodeMask, const void* pBlobWithRootSignature, SIZE_T blobLengthInBytes,
             REFIID riid, void** ppvRootSignature),
            (nodeMask, pBlobWithRootSignature, blobLengthInBytes, riid, ppvRootSignature))
    FORWARD(void, CreateConstantBufferView,
            (const D3D12_CONSTANT_BUFFER_VIEW_DESC* pDesc,
             D3D12_CPU_DESCRIPTOR_HANDLE DestDescriptor),
            (pDesc, DestDescriptor))
    FORWARD(void, CreateShaderResourceView,
            (ID3D12Resource * pResource, const D3D12_SHADER_RESOURCE_VIEW_DESC* pDesc,
             D3D12_CPU_DESCRIPTOR_HANDLE DestDescriptor),
            (pResource, pDesc, DestDescriptor))
    FORWARD(void, CreateUnorderedAccessView,
            (ID3D12Resource * pResource, ID3D12Resource* pCounterResource,
             const D3D12_UNORDERED_ACCESS_VIEW_DESC* pDesc,
             D3D12_CPU_DESCRIPTOR_HANDLE DestDescriptor),
            (pResource, pCounterResource, pDesc, DestDescriptor))
    FORWARD(void, CreateRenderTargetView,
            (ID3D12Resource * pResource, const D3D12_RENDER_TARGET_VIEW_DESC* pDesc,
             D3D12_CPU_DESCRIPTOR_HANDLE DestDescriptor),
            (pResource, pDesc, DestDescriptor))
    FORWARD(void, CreateDepthStencilView,
            (ID3D12Resource * pResource, const D3D12_DEPTH_STENCIL_VIEW_DESC* pDesc,
             D3D12_CPU_DESCRIPTOR_HANDLE DestDescriptor),
            (pResource, pDesc, DestDescriptor))
    FORWARD(void, CreateSampler,
            (const D3D12_SAMPLER_DESC* pDesc, D3D12_CPU_DESCRIPTOR_HANDLE DestDescriptor),
            (pDesc, DestDescriptor))
    FORWARD(void, CopyDescriptors,
            (UINT NumDestDescriptorRanges,
             const D3D12_CPU_DESCRIPTOR_HANDLE* pDestDescriptorRangeStarts,
             const UINT* pDestDescriptorRangeSizes, UINT NumSrcDescriptorRanges,
             const D3D12_CPU_DESCRIPTOR_HANDLE* pSrcDescriptorRangeStarts,
             const UINT* pSrcDescriptorRangeSizes, D3D12_DESCRIPTOR_HEAP_TYPE DescriptorHeapsType),
            (NumDestDescriptorRanges, pDestDescriptorRangeStarts, pDestDescriptorRangeSizes,
             NumSrcDescriptorRanges, pSrcDescriptorRangeStarts, pSrcDescriptorRangeSizes,
             DescriptorHeapsType))
    FORWARD(void, CopyDescriptorsSimple,
            (UINT NumDescriptors, D3D12_CPU_DESCRIPTOR_HANDLE DestDescriptorRangeStart,
             D3D12_CPU_DESCRIPTOR_HANDLE SrcDescriptorRangeStart,
             D3D12_DESCRIPTOR_HEAP_TYPE DescriptorHeapsType),
            (NumDescriptors, DestDescriptorRangeStart, SrcDescriptorRangeStart,
             DescriptorHeapsType))
    FORWARD(D3D12_RESOURCE_ALLOCATION_INFO, GetResourceAllocationInfo,
            (UINT visibleMask, UINT numResourceDescs, const D3D12_RESOURCE_DESC* pResourceDescs),
            (visibleMask, numResourceDescs, pResourceDescs))
    FORWARD(D3D12_HEAP_PROPERTIES, GetCustomHeapProperties,
            (UINT nodeMask, D3D12_HEAP_TYPE heapType), (nodeMask, heapType))
    FORWARD(HRESULT, CreateHeap, (const D3D12_HEAP_DESC* pDesc, REFIID riid, void** ppvHeap),
            (pDesc, riid, ppvHeap))
    FORWARD(HRESULT, CreatePlacedResource,
            (ID3D12Heap * pHeap, UINT64 HeapOffset, const D3D12_RESOURCE_DESC* pDesc,
             D3D12_RESOURCE_STATES InitialState, const D3D12_CLEAR_VALUE* pOptimizedClearValue,
             REFIID riid, void** ppvResource),
            (pHeap, HeapOffset, pDesc, InitialState, pOptimizedClearValue, riid, ppvResource))
    FORWARD(HRESULT, CreateReservedResource,
            (const D3D12_RESOURCE_DESC* pDesc, D3D12_RESOURCE_STATES InitialState,
             const D3D12_CLEAR_VALUE* pOptimizedClearValue, REFIID riid, void** ppvResource),
            (pDesc, InitialState, pOptimizedClearValue, riid, ppvResource))
    FORWARD(HRESULT, CreateSharedHandle,
            (ID3D12DeviceChild * pObject, const SECURITY_ATTRIBUTES* pAttributes, DWORD Access,
             LPCWSTR Name, HANDLE* pHandle),
            (pObject, pAttributes, Access, Name, pHandle))
    FORWARD(HRESULT, OpenSharedHandle, (HANDLE NTHandle, REFIID riid, void** ppvObj),
            (NTHandle, riid, ppvObj))
    FORWARD(HRESULT, OpenSharedHandleByName, (LPCWSTR Name, DWORD Access, HANDLE* pNTHandle),
            (Name, Access, pNTHandle))
    FORWARD(HRESULT, MakeResident, (UINT NumObjects, ID3D12Pageable* const* ppObjects),
            (NumObjects, ppObjects))
    FORWARD(HRESULT, Evict, (UINT NumObjects, ID3D12Pageable* const* ppObjects),
            (NumObjects, ppObjects))
    FORWARD(HRESULT, CreateFence,
            (UINT64 InitialValue, D3D12_FENCE_FLAGS Flags, REFIID riid, void** ppFence),
            (InitialValue, Flags, riid, ppFence))
    FORWARD(HRESULT, GetDeviceRemovedReason, (), ())
    FORWARD(void, GetCopyableFootprints,
            (const D3D12_RESOURCE_DESC* pResourceDesc, UINT FirstSubresource, UINT NumSubresources,
             UINT64 BaseOffset, D3D12_PLACED_SUBRESOURCE_FOOTPRINT* pLayouts, UINT* pNumRows,
             UINT64* pRowSizeInBytes, UINT64* pTotalBytes),
            (pResourceDesc, FirstSubresource, NumSubresources, BaseOffset, pLayouts, pNumRows,
             pRowSizeInBytes, pTotalBytes))
    FORWARD(HRESULT, CreateQueryHeap,
            (const D3D12_QUERY_HEAP_DESC* pDesc, REFIID riid, void** ppvHeap),
            (pDesc, riid, ppvHeap))
    FORWARD(HRESULT, SetStablePowerState, (BOOL Enable), (Enable))
    FORWARD(HRESULT, CreateCommandSignature,
            (const D3D12_COMMAND_SIGNATURE_DESC* pDesc, ID3D12RootSignature* pRootSignature,
             REFIID riid, void** ppvCommandSignature),
            (pDesc, pRootSignature, riid, ppvCommandSignature))
    FORWARD(void, GetResourceTiling,
            (ID3D12Resource * pTiledResource, UINT* pNumTilesForEntireResource,
             D3D12_PACKED_MIP_INFO* pPackedMipDesc,
             D3D12_TILE_SHAPE* pStandardTileShapeForNonPackedMips, UINT* pNumSubresourceTilings,
             UINT FirstSubresourceTilingToGet,
             D3D12_SUBRESOURCE_TILING* pSubresourceTilingsForNonPackedMips),
            (pTiledResource, pNumTilesForEntireResource, pPackedMipDesc,
             pStandardTileShapeForNonPackedMips, pNumSubresourceTilings,
             FirstSubresourceTilingToGet, pSubresourceTilingsForNonPackedMips))
    FORWARD(LUID, GetAdapterLuid, (), ())

private:
    const ComPtr<ID3D12Device> mReal;
    const std::shared_ptr<Refusals> mRefusals;
};

} // namespace

bool ParseRefusedCall(const char* text, RefusedCall* call)
{
    char name[64] = {};
    unsigned first = 0;
    long long result = 0;
    if (!text || std::sscanf(text, "%63s %u %lli", name, &first, &result) != 3 || first == 0)
        return false;
    for (const char* refusable : RefusableCalls)
    {
        if (name == std::string(refusable))
        {
            *call = {name, first, HRESULT(result)};
            return true;
        }
    }
    return false;
}

ComPtr<ID3D12Device> RefusingDevice(ComPtr<ID3D12Device> device, std::vector<RefusedCall> calls)
{
    ComPtr<ID3D12Device> wrapped;
    wrapped.Attach(
        new RefusingDeviceObject(std::move(device), std::make_shared<Refusals>(std::move(calls))));
    return wrapped;
}
