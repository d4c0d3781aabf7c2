// The command-list methods this runtime does not record, in one place.
// A list method returns nothing, so a call that cannot be honoured marks the
// list invalid and its Close returns E_INVALIDARG, as on the real platform;
// one that is not implemented is also named once (com::NotImplemented). The
// debugging markers do nothing, as without a debugging tool attached.
#pragma once

#include "device_child.h"

namespace d3d12
{

class CommandListDefaults : public DeviceChild<ID3D12GraphicsCommandList>
{
public:
    using DeviceChild::DeviceChild;

    void STDMETHODCALLTYPE ClearState(ID3D12PipelineState*) override { NotRecorded("ClearState"); }
    void STDMETHODCALLTYPE Dispatch(UINT, UINT, UINT) override { NotRecorded("Dispatch"); }
    void STDMETHODCALLTYPE CopyResource(ID3D12Resource*, ID3D12Resource*) override
    {
        NotRecorded("CopyResource");
    }
    void STDMETHODCALLTYPE CopyTiles(ID3D12Resource*, const D3D12_TILED_RESOURCE_COORDINATE*,
                                     const D3D12_TILE_REGION_SIZE*, ID3D12Resource*, UINT64,
                                     D3D12_TILE_COPY_FLAGS) override
    {
        NotRecorded("CopyTiles");
    }
    void STDMETHODCALLTYPE ExecuteBundle(ID3D12GraphicsCommandList*) override
    {
        NotRecorded("ExecuteBundle");
    }
    void STDMETHODCALLTYPE SetComputeRootSignature(ID3D12RootSignature*) override
    {
        NotRecorded("SetComputeRootSignature");
    }
    void STDMETHODCALLTYPE SetComputeRootDescriptorTable(UINT, D3D12_GPU_DESCRIPTOR_HANDLE) override
    {
        NotRecorded("SetComputeRootDescriptorTable");
    }
    void STDMETHODCALLTYPE SetComputeRoot32BitConstant(UINT, UINT, UINT) override
    {
        NotRecorded("SetComputeRoot32BitConstant");
    }
    void STDMETHODCALLTYPE SetGraphicsRoot32BitConstant(UINT, UINT, UINT) override
    {
        NotRecorded("SetGraphicsRoot32BitConstant");
    }
    void STDMETHODCALLTYPE SetComputeRoot32BitConstants(UINT, UINT, const void*, UINT) override
    {
        NotRecorded("SetComputeRoot32BitConstants");
    }
    void STDMETHODCALLTYPE SetGraphicsRoot32BitConstants(UINT, UINT, const void*, UINT) override
    {
        NotRecorded("SetGraphicsRoot32BitConstants");
    }
    void STDMETHODCALLTYPE SetComputeRootConstantBufferView(UINT,
                                                            D3D12_GPU_VIRTUAL_ADDRESS) override
    {
        NotRecorded("SetComputeRootConstantBufferView");
    }
    void STDMETHODCALLTYPE SetComputeRootShaderResourceView(UINT,
                                                            D3D12_GPU_VIRTUAL_ADDRESS) override
    {
        NotRecorded("SetComputeRootShaderResourceView");
    }
    void STDMETHODCALLTYPE SetGraphicsRootShaderResourceView(UINT,
                                                             D3D12_GPU_VIRTUAL_ADDRESS) override
    {
        NotRecorded("SetGraphicsRootShaderResourceView");
    }
    void STDMETHODCALLTYPE SetComputeRootUnorderedAccessView(UINT,
                                                             D3D12_GPU_VIRTUAL_ADDRESS) override
    {
        NotRecorded("SetComputeRootUnorderedAccessView");
    }
    void STDMETHODCALLTYPE SetGraphicsRootUnorderedAccessView(UINT,
                                                              D3D12_GPU_VIRTUAL_ADDRESS) override
    {
        NotRecorded("SetGraphicsRootUnorderedAccessView");
    }
    void STDMETHODCALLTYPE SOSetTargets(UINT, UINT, const D3D12_STREAM_OUTPUT_BUFFER_VIEW*) override
    {
        NotRecorded("SOSetTargets");
    }
    void STDMETHODCALLTYPE ClearUnorderedAccessViewUint(D3D12_GPU_DESCRIPTOR_HANDLE,
                                                        D3D12_CPU_DESCRIPTOR_HANDLE,
                                                        ID3D12Resource*, const UINT[4], UINT,
                                                        const D3D12_RECT*) override
    {
        NotRecorded("ClearUnorderedAccessViewUint");
    }
    void STDMETHODCALLTYPE ClearUnorderedAccessViewFloat(D3D12_GPU_DESCRIPTOR_HANDLE,
                                                         D3D12_CPU_DESCRIPTOR_HANDLE,
                                                         ID3D12Resource*, const FLOAT[4], UINT,
                                                         const D3D12_RECT*) override
    {
        NotRecorded("ClearUnorderedAccessViewFloat");
    }
    void STDMETHODCALLTYPE DiscardResource(ID3D12Resource*, const D3D12_DISCARD_REGION*) override
    {
        NotRecorded("DiscardResource");
    }
    void STDMETHODCALLTYPE BeginQuery(ID3D12QueryHeap*, D3D12_QUERY_TYPE, UINT) override
    {
        NotRecorded("BeginQuery");
    }
    void STDMETHODCALLTYPE EndQuery(ID3D12QueryHeap*, D3D12_QUERY_TYPE, UINT) override
    {
        NotRecorded("EndQuery");
    }
    void STDMETHODCALLTYPE ResolveQueryData(ID3D12QueryHeap*, D3D12_QUERY_TYPE, UINT, UINT,
                                            ID3D12Resource*, UINT64) override
    {
        NotRecorded("ResolveQueryData");
    }
    void STDMETHODCALLTYPE SetPredication(ID3D12Resource*, UINT64, D3D12_PREDICATION_OP) override
    {
        NotRecorded("SetPredication");
    }
    void STDMETHODCALLTYPE SetMarker(UINT, const void*, UINT) override {}
    void STDMETHODCALLTYPE BeginEvent(UINT, const void*, UINT) override {}
    void STDMETHODCALLTYPE EndEvent() override {}
    void STDMETHODCALLTYPE ExecuteIndirect(ID3D12CommandSignature*, UINT, ID3D12Resource*, UINT64,
                                           ID3D12Resource*, UINT64) override
    {
        NotRecorded("ExecuteIndirect");
    }

protected:
    // Marks the list invalid: the call named `call` cannot be honoured.
    virtual void Invalidate(const char* call) = 0;

private:
    // A method this runtime does not record: named once, and the list is
    // invalid.
    void NotRecorded(const char* method)
    {
        com::NotImplemented("ID3D12GraphicsCommandList", method);
        Invalidate(method);
    }
};

} // namespace d3d12
