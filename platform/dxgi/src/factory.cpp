// The DXGI factory: hands out adapters and makes swap chains.
#include "adapter.h"
#include "factory_defaults.h"
#include "swap_chain.h"

#include <vulkan_runtime/instance.h>

#include <memory>
#include <new>

namespace dxgi
{
namespace
{

class Factory final : public FactoryDefaults
{
public:
    // The factory keeps the process's Vulkan instance, with its list of
    // devices, for as long as it lives: devices made on its adapters, one
    // after another, then share one instance instead of each loading the
    // drivers anew. Where there is no Vulkan at all the factory still exists,
    // as on the real platform; its adapters then make no devices.
    Factory() { vkrt::Instance::Acquire(&mInstance); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        return com::QueryInterfaceOf<IUnknown, IDXGIObject, IDXGIFactory, IDXGIFactory1,
                                     IDXGIFactory2, IDXGIFactory3, IDXGIFactory4>(this, riid,
                                                                                  object);
    }

    // `device` is the command queue the swap chain presents behind, as
    // Direct3D 12 requires.
    HRESULT STDMETHODCALLTYPE CreateSwapChain(IUnknown* device, DXGI_SWAP_CHAIN_DESC* desc,
                                              IDXGISwapChain** swapChain) override
    {
        if (!swapChain)
            return DXGI_ERROR_INVALID_CALL;
        *swapChain = nullptr;
        if (!device || !desc)
            return DXGI_ERROR_INVALID_CALL;
        Microsoft::WRL::ComPtr<ID3D12CommandQueue> queue;
        if (FAILED(device->QueryInterface(IID_PPV_ARGS(&queue))))
            return DXGI_ERROR_INVALID_CALL;
        SwapChain* created = nullptr;
        HRESULT hr = SwapChain::Create(queue.Get(), *desc, &created);
        *swapChain = created;
        return hr;
    }

    // The software adapter stands for the machine's CPU Vulkan device. As on
    // the real platform it always exists; creating a device on it fails where
    // the machine has no such device.
    HRESULT STDMETHODCALLTYPE EnumWarpAdapter(REFIID riid, void** adapter) override
    {
        if (!adapter)
            return E_POINTER;
        *adapter = nullptr;
        auto* created = new (std::nothrow) Adapter(vkrt::AdapterKind::Software);
        if (!created)
            return E_OUTOFMEMORY;
        return com::HandOut(created, riid, adapter);
    }

private:
    std::shared_ptr<vkrt::Instance> mInstance;
};

} // namespace
} // namespace dxgi

extern "C" HRESULT WINAPI CreateDXGIFactory1(REFIID riid, void** ppFactory)
{
    if (!ppFactory)
        return E_POINTER;
    *ppFactory = nullptr;
    auto* factory = new (std::nothrow) dxgi::Factory();
    if (!factory)
        return E_OUTOFMEMORY;
    return com::HandOut(factory, riid, ppFactory);
}

extern "C" HRESULT WINAPI CreateDXGIFactory2(UINT Flags, REFIID riid, void** ppFactory)
{
    if (Flags & ~UINT(DXGI_CREATE_FACTORY_DEBUG))
    {
        if (ppFactory)
            *ppFactory = nullptr;
        return E_INVALIDARG;
    }
    return CreateDXGIFactory1(riid, ppFactory);
}
