// The resource methods the program never calls, answered in one place
// through com::NotImplemented.
#pragma once

#include "device_child.h"

namespace d3d12
{

class ResourceDefaults : public DeviceChild<ID3D12Resource>
{
public:
    using DeviceChild::DeviceChild;

    HRESULT STDMETHODCALLTYPE WriteToSubresource(UINT, const D3D12_BOX*, const void*, UINT,
                                                 UINT) override
    {
        return com::NotImplemented("ID3D12Resource", "WriteToSubresource");
    }
    HRESULT STDMETHODCALLTYPE ReadFromSubresource(void*, UINT, UINT, UINT,
                                                  const D3D12_BOX*) override
    {
        return com::NotImplemented("ID3D12Resource", "ReadFromSubresource");
    }
};

} // namespace d3d12
