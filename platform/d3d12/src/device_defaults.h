// The device methods the program never calls, answered in one place:
// E_NOTIMPL for methods with a result, nothing for the others. The device
// class overrides what it implements.
#pragma once

#include <com_object.h>

#include <d3d12.h>

namespace d3d12
{

class DeviceDefaults : public com::Object<ID3D12Device>
{
public:
    // ID3D12Object
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, UINT*, void*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, UINT, const void*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetPrivateDataInterface(REFGUID, const IUnknown*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetName(LPCWSTR) override { return E_NOTIMPL; }

    // ID3D12Device
    HRESULT STDMETHODCALLTYPE CreateComputePipelineState(const D3D12_COMPUTE_PIPELINE_STATE_DESC*,
                                                         REFIID, void** state) override
    {
        return Refuse(state);
    }
    void STDMETHODCALLTYPE CreateConstantBufferView(const D3D12_CONSTANT_BUFFER_VIEW_DESC*,
                                                    D3D12_CPU_DESCRIPTOR_HANDLE) override
    {
    }
    void STDMETHODCALLTYPE CreateUnorderedAccessView(ID3D12Resource*, ID3D12Resource*,
                                                     const D3D12_UNORDERED_ACCESS_VIEW_DESC*,
                                                     D3D12_CPU_DESCRIPTOR_HANDLE) override
    {
    }
    void STDMETHODCALLTYPE CreateSampler(const D3D12_SAMPLER_DESC*,
                                         D3D12_CPU_DESCRIPTOR_HANDLE) override
    {
    }
    void STDMETHODCALLTYPE CopyDescriptors(UINT, const D3D12_CPU_DESCRIPTOR_HANDLE*, const UINT*,
                                           UINT, const D3D12_CPU_DESCRIPTOR_HANDLE*, const UINT*,
                                           D3D12_DESCRIPTOR_HEAP_TYPE) override
    {
    }
    void STDMETHODCALLTYPE CopyDescriptorsSimple(UINT, D3D12_CPU_DESCRIPTOR_HANDLE,
                                                 D3D12_CPU_DESCRIPTOR_HANDLE,
                                                 D3D12_DESCRIPTOR_HEAP_TYPE) override
    {
    }
    // As on the real platform, an allocation that cannot be answered has a
    // size of all ones.
    D3D12_RESOURCE_ALLOCATION_INFO STDMETHODCALLTYPE
    GetResourceAllocationInfo(UINT, UINT, const D3D12_RESOURCE_DESC*) override
    {
        return {~UINT64(0), 0};
    }
    D3D12_HEAP_PROPERTIES STDMETHODCALLTYPE GetCustomHeapProperties(UINT, D3D12_HEAP_TYPE) override
    {
        return {};
    }
    HRESULT STDMETHODCALLTYPE CreateHeap(const D3D12_HEAP_DESC*, REFIID, void** heap) override
    {
        return Refuse(heap);
    }
    HRESULT STDMETHODCALLTYPE CreatePlacedResource(ID3D12Heap*, UINT64, const D3D12_RESOURCE_DESC*,
                                                   D3D12_RESOURCE_STATES, const D3D12_CLEAR_VALUE*,
                                                   REFIID, void** resource) override
    {
        return Refuse(resource);
    }
    HRESULT STDMETHODCALLTYPE CreateReservedResource(const D3D12_RESOURCE_DESC*,
                                                     D3D12_RESOURCE_STATES,
                                                     const D3D12_CLEAR_VALUE*, REFIID,
                                                     void** resource) override
    {
        return Refuse(resource);
    }
    HRESULT STDMETHODCALLTYPE CreateSharedHandle(ID3D12DeviceChild*, const SECURITY_ATTRIBUTES*,
                                                 DWORD, LPCWSTR, HANDLE*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE OpenSharedHandle(HANDLE, REFIID, void** object) override
    {
        return Refuse(object);
    }
    HRESULT STDMETHODCALLTYPE OpenSharedHandleByName(LPCWSTR, DWORD, HANDLE*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE MakeResident(UINT, ID3D12Pageable* const*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Evict(UINT, ID3D12Pageable* const*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateQueryHeap(const D3D12_QUERY_HEAP_DESC*, REFIID,
                                              void** heap) override
    {
        return Refuse(heap);
    }
    HRESULT STDMETHODCALLTYPE SetStablePowerState(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateCommandSignature(const D3D12_COMMAND_SIGNATURE_DESC*,
                                                     ID3D12RootSignature*, REFIID,
                                                     void** signature) override
    {
        return Refuse(signature);
    }
    void STDMETHODCALLTYPE GetResourceTiling(ID3D12Resource*, UINT*, D3D12_PACKED_MIP_INFO*,
                                             D3D12_TILE_SHAPE*, UINT*, UINT,
                                             D3D12_SUBRESOURCE_TILING*) override
    {
    }

protected:
    // Clears the caller's output slot, so it never holds a stale pointer.
    static HRESULT Refuse(void** slot)
    {
        if (slot)
            *slot = nullptr;
        return E_NOTIMPL;
    }
};

} // namespace d3d12
