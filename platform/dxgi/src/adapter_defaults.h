// The adapter methods the program never calls, answered in one place
// (through com::NotImplemented where they have no answer of their own), so
// the adapter class shows only what it implements.
#pragma once

#include <com_object.h>
#include <vulkan_runtime/adapter.h>

namespace dxgi
{

class AdapterDefaults : public com::Object<IVulkanAdapter>
{
public:
    // IDXGIObject
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
        if (parent)
            *parent = nullptr;
        return com::NotImplemented("IDXGIObject", "GetParent");
    }

    // IDXGIAdapter
    HRESULT STDMETHODCALLTYPE EnumOutputs(UINT, IDXGIOutput** output) override
    {
        if (output)
            *output = nullptr;
        return DXGI_ERROR_NOT_FOUND;
    }
    HRESULT STDMETHODCALLTYPE CheckInterfaceSupport(REFGUID, LARGE_INTEGER*) override
    {
        return DXGI_ERROR_UNSUPPORTED;
    }
};

} // namespace dxgi
