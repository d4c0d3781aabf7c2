// The queue methods the program never calls, answered in one place through
// com::NotImplemented; the debugging markers do nothing, as without a
// debugging tool attached.
#pragma once

#include "device_child.h"

namespace d3d12
{

class CommandQueueDefaults : public DeviceChild<ID3D12CommandQueue>
{
public:
    using DeviceChild::DeviceChild;

    void STDMETHODCALLTYPE UpdateTileMappings(ID3D12Resource*, UINT,
                                              const D3D12_TILED_RESOURCE_COORDINATE*,
                                              const D3D12_TILE_REGION_SIZE*, ID3D12Heap*, UINT,
                                              const D3D12_TILE_RANGE_FLAGS*, const UINT*,
                                              const UINT*, D3D12_TILE_MAPPING_FLAGS) override
    {
        com::NotImplemented("ID3D12CommandQueue", "UpdateTileMappings");
    }
    void STDMETHODCALLTYPE CopyTileMappings(ID3D12Resource*, const D3D12_TILED_RESOURCE_COORDINATE*,
                                            ID3D12Resource*, const D3D12_TILED_RESOURCE_COORDINATE*,
                                            const D3D12_TILE_REGION_SIZE*,
                                            D3D12_TILE_MAPPING_FLAGS) override
    {
        com::NotImplemented("ID3D12CommandQueue", "CopyTileMappings");
    }
    void STDMETHODCALLTYPE SetMarker(UINT, const void*, UINT) override {}
    void STDMETHODCALLTYPE BeginEvent(UINT, const void*, UINT) override {}
    void STDMETHODCALLTYPE EndEvent() override {}
    HRESULT STDMETHODCALLTYPE GetTimestampFrequency(UINT64*) override
    {
        return com::NotImplemented("ID3D12CommandQueue", "GetTimestampFrequency");
    }
    HRESULT STDMETHODCALLTYPE GetClockCalibration(UINT64*, UINT64*) override
    {
        return com::NotImplemented("ID3D12CommandQueue", "GetClockCalibration");
    }
};

} // namespace d3d12
