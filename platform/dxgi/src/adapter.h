// A DXGI adapter: a name for one kind of Vulkan device (the default hardware
// device or the CPU device). The device itself is looked up when Direct3D 12
// creates a device on the adapter, so asking for the WARP adapter succeeds
// even on a machine without a CPU device and the device creation reports it.
#pragma once

#include "adapter_defaults.h"

namespace dxgi
{

class Adapter final : public AdapterDefaults
{
public:
    explicit Adapter(vkrt::AdapterKind kind) : mKind(kind) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;

    HRESULT STDMETHODCALLTYPE GetDesc(DXGI_ADAPTER_DESC* desc) override;
    HRESULT STDMETHODCALLTYPE GetDesc1(DXGI_ADAPTER_DESC1* desc) override;
    vkrt::AdapterKind STDMETHODCALLTYPE GetAdapterKind() override { return mKind; }

private:
    const vkrt::AdapterKind mKind;
};

} // namespace dxgi
