// The adapter methods the program never calls, answered in one place
// (through com::NotImplemented where they have no answer of their own), so
// the adapter class shows only what it implements.
#pragma once

#include "object_defaults.h"

#include <vulkan_runtime/adapter.h>

namespace dxgi
{

class AdapterDefaults : public ObjectDefaults<IVulkanAdapter>
{
public:
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
