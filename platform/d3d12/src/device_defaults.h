// The device methods the program never calls, answered in one place through
// com::NotImplemented: named once in the debugger output, with the documented
// failure where the method has a result. The device class overrides what it
// implements.
#pragma once

#include "object_defaults.h"

#include <d3d12.h>

namespace d3d12
{

class DeviceDefaults : public ObjectDefaults<ID3D12Device>
{
public:
    // ID3D12Device
    HRESULT STDMETHODCALLTYPE CreateComputePipelineState(const D3D12_COMPUTE_PIPELINE_STATE_DESC*,
                                                         REFIID, void** state) override
    {
        return com::NotImplemented("ID3D12Device", "CreateComputePipelineState", state);
    }
    void STDMETHODCALLTYPE CreateConstantBufferView(const D3D12_CONSTANT_BUFFER_VIEW_DESC*,
                                                    D3D12_CPU_DESCRIPTOR_HANDLE) override
    {
        com::NotImplemented("ID3D12Device", "CreateConstantBufferView");
    }
    void STDMETHODCALLTYPE CreateUnorderedAccessView(ID3D12Resource*, ID3D12Resource*,
                                                     const D3D12_UNORDERED_ACCESS_VIEW_DESC*,
                                                     D3D12_CPU_DESCRIPTOR_HANDLE) override
    {
        com::NotImplemented("ID3D12Device", "CreateUnorderedAccessView");
    }
    void STDMETHODCALLTYPE CreateSampler(const D3D12_SAMPLER_DESC*,
                                         D3D12_CPU_DESCRIPTOR_HANDLE) override
    {
        com::NotImplemented("ID3D12Device", "CreateSampler");
    }
    void STDMETHODCALLTYPE CopyDescriptors(UINT, const D3D12_CPU_DESCRIPTOR_HANDLE*, const UINT*,
                                           UINT, const D3D12_CPU_DESCRIPTOR_HANDLE*, const UINT*,
                                           D3D12_DESCRIPTOR_HEAP_TYPE) override
    {
        com::NotImplemented("ID3D12Device", "CopyDescriptors");
    }
    void STDMETHODCALLTYPE CopyDescriptorsSimple(UINT, D3D12_CPU_DESCRIPTOR_HANDLE,
                                                 D3D12_CPU_DESCRIPTOR_HANDLE,
                                                 D3D12_DESCRIPTOR_HEAP_TYPE) override
    {
        com::NotImplemented("ID3D12Device", "CopyDescriptorsSimple");
    }
    // As on the real platform, an allocation that cannot be answered has a
    // size of all ones.
    D3D12_RESOURCE_ALLOCATION_INFO STDMETHODCALLTYPE
    GetResourceAllocationInfo(UINT, UINT, const D3D12_RESOURCE_DESC*) override
    {
        com::NotImplemented("ID3D12Device", "GetResourceAllocationInfo");
        return {~UINT64(0), 0};
    }
    D3D12_HEAP_PROPERTIES STDMETHODCALLTYPE GetCustomHeapProperties(UINT, D3D12_HEAP_TYPE) override
    {
        com::NotImplemented("ID3D12Device", "GetCustomHeapProperties");
        return {};
    }
    HRESULT STDMETHODCALLTYPE CreateHeap(const D3D12_HEAP_DESC*, REFIID, void** heap) override
    {
        return com::NotImplemented("ID3D12Device", "CreateHeap", heap);
    }
    HRESULT STDMETHODCALLTYPE CreatePlacedResource(ID3D12Heap*, UINT64, const D3D12_RESOURCE_DESC*,
                                                   D3D12_RESOURCE_STATES, const D3D12_CLEAR_VALUE*,
                                                   REFIID, void** resource) override
    {
        return com::NotImplemented("ID3D12Device", "CreatePlacedResource", resource);
    }
    HRESULT STDMETHODCALLTYPE CreateReservedResource(const D3D12_RESOURCE_DESC*,
                                                     D3D12_RESOURCE_STATES,
                                                     const D3D12_CLEAR_VALUE*, REFIID,
                                                     void** resource) override
    {
        return com::NotImplemented("ID3D12Device", "CreateReservedResource", resource);
    }
    HRESULT STDMETHODCALLTYPE CreateSharedHandle(ID3D12DeviceChild*, const SECURITY_ATTRIBUTES*,
                                                 DWORD, LPCWSTR, HANDLE*) override
    {
        return com::NotImplemented("ID3D12Device", "CreateSharedHandle");
    }
    HRESULT STDMETHODCALLTYPE OpenSharedHandle(HANDLE, REFIID, void** object) override
    {
        return com::NotImplemented("ID3D12Device", "OpenSharedHandle", object);
    }
    HRESULT STDMETHODCALLTYPE OpenSharedHandleByName(LPCWSTR, DWORD, HANDLE*) override
    {
        return com::NotImplemented("ID3D12Device", "OpenSharedHandleByName");
    }
    HRESULT STDMETHODCALLTYPE MakeResident(UINT, ID3D12Pageable* const*) override
    {
        return com::NotImplemented("ID3D12Device", "MakeResident");
    }
    HRESULT STDMETHODCALLTYPE Evict(UINT, ID3D12Pageable* const*) override
    {
        return com::NotImplemented("ID3D12Device", "Evict");
    }
    HRESULT STDMETHODCALLTYPE CreateQueryHeap(const D3D12_QUERY_HEAP_DESC*, REFIID,
                                              void** heap) override
    {
        return com::NotImplemented("ID3D12Device", "CreateQueryHeap", heap);
    }
    HRESULT STDMETHODCALLTYPE SetStablePowerState(BOOL) override
    {
        return com::NotImplemented("ID3D12Device", "SetStablePowerState");
    }
    HRESULT STDMETHODCALLTYPE CreateCommandSignature(const D3D12_COMMAND_SIGNATURE_DESC*,
                                                     ID3D12RootSignature*, REFIID,
                                                     void** signature) override
    {
        return com::NotImplemented("ID3D12Device", "CreateCommandSignature", signature);
    }
    void STDMETHODCALLTYPE GetResourceTiling(ID3D12Resource*, UINT*, D3D12_PACKED_MIP_INFO*,
                                             D3D12_TILE_SHAPE*, UINT*, UINT,
                                             D3D12_SUBRESOURCE_TILING*) override
    {
        com::NotImplemented("ID3D12Device", "GetResourceTiling");
    }
};

} // namespace d3d12
