// The ID3D12Object methods the program never calls, answered once for the
// device and every object it makes through com::NotImplemented.
#pragma once

#include <com_object.h>

#include <d3d12.h>

namespace d3d12
{

template <class Interface> class ObjectDefaults : public com::Object<Interface>
{
public:
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, UINT*, void*) override
    {
        return com::NotImplemented("ID3D12Object", "GetPrivateData");
    }
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, UINT, const void*) override
    {
        return com::NotImplemented("ID3D12Object", "SetPrivateData");
    }
    HRESULT STDMETHODCALLTYPE SetPrivateDataInterface(REFGUID, const IUnknown*) override
    {
        return com::NotImplemented("ID3D12Object", "SetPrivateDataInterface");
    }
    HRESULT STDMETHODCALLTYPE SetName(LPCWSTR) override
    {
        return com::NotImplemented("ID3D12Object", "SetName");
    }
};

} // namespace d3d12
