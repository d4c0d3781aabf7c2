// The IDXGIObject methods the program never calls, answered once for every
// DXGI object of the platform through com::NotImplemented.
#pragma once

#include <com_object.h>

#include <dxgi.h>

namespace dxgi
{

template <class Interface> class ObjectDefaults : public com::Object<Interface>
{
public:
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, UINT, const void*) override
    {
        return com::NotImplemented("IDXGIObject", "SetPrivateData");
    }
    HRESULT STDMETHODCALLTYPE SetPrivateDataInterface(REFGUID, const IUnknown*) override
    {
        return com::NotImplemented("IDXGIObject", "SetPrivateDataInterface");
    }
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, UINT*, void*) override
    {
        return com::NotImplemented("IDXGIObject", "GetPrivateData");
    }
    HRESULT STDMETHODCALLTYPE GetParent(REFIID, void** parent) override
    {
        return com::NotImplemented("IDXGIObject", "GetParent", parent);
    }
};

} // namespace dxgi
