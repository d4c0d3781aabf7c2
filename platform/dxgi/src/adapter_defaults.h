// The adapter methods the program never calls, answered with E_NOTIMPL in
// one place, so the adapter class shows only what it implements.
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
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetPrivateDataInterface(REFGUID, const IUnknown*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, UINT*, void*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetParent(REFIID, void** parent) override
    {
        if (parent)
            *parent = nullptr;
        return E_NOTIMPL;
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
