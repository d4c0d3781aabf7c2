// The resource methods the program never calls, answered with E_NOTIMPL in
// one place.
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
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ReadFromSubresource(void*, UINT, UINT, UINT,
                                                  const D3D12_BOX*) override
    {
        return E_NOTIMPL;
    }
};

} // namespace d3d12
