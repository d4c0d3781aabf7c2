// The factory methods the program never calls (or that arrive with later
// parts of the platform layer, such as the swap chain), answered with
// E_NOTIMPL in one place, so the factory class shows only what it implements.
#pragma once

#include <com_object.h>

#include <dxgi1_4.h>

namespace dxgi
{

class FactoryDefaults : public com::Object<IDXGIFactory4>
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
    HRESULT STDMETHODCALLTYPE GetParent(REFIID, void** parent) override { return Refuse(parent); }

    // IDXGIFactory
    HRESULT STDMETHODCALLTYPE EnumAdapters(UINT, IDXGIAdapter** adapter) override
    {
        return Refuse(adapter);
    }
    HRESULT STDMETHODCALLTYPE MakeWindowAssociation(HWND, UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetWindowAssociation(HWND*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateSwapChain(IUnknown*, DXGI_SWAP_CHAIN_DESC*,
                                              IDXGISwapChain** swapChain) override
    {
        return Refuse(swapChain);
    }
    HRESULT STDMETHODCALLTYPE CreateSoftwareAdapter(HMODULE, IDXGIAdapter** adapter) override
    {
        return Refuse(adapter);
    }

    // IDXGIFactory1
    HRESULT STDMETHODCALLTYPE EnumAdapters1(UINT, IDXGIAdapter1** adapter) override
    {
        return Refuse(adapter);
    }
    BOOL STDMETHODCALLTYPE IsCurrent() override { return TRUE; }

    // IDXGIFactory2
    BOOL STDMETHODCALLTYPE IsWindowedStereoEnabled() override { return FALSE; }
    HRESULT STDMETHODCALLTYPE CreateSwapChainForHwnd(IUnknown*, HWND, const DXGI_SWAP_CHAIN_DESC1*,
                                                     const DXGI_SWAP_CHAIN_FULLSCREEN_DESC*,
                                                     IDXGIOutput*,
                                                     IDXGISwapChain1** swapChain) override
    {
        return Refuse(swapChain);
    }
    HRESULT STDMETHODCALLTYPE CreateSwapChainForCoreWindow(IUnknown*, IUnknown*,
                                                           const DXGI_SWAP_CHAIN_DESC1*,
                                                           IDXGIOutput*,
                                                           IDXGISwapChain1** swapChain) override
    {
        return Refuse(swapChain);
    }
    HRESULT STDMETHODCALLTYPE GetSharedResourceAdapterLuid(HANDLE, LUID*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RegisterStereoStatusWindow(HWND, UINT, DWORD*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RegisterStereoStatusEvent(HANDLE, DWORD*) override
    {
        return E_NOTIMPL;
    }
    void STDMETHODCALLTYPE UnregisterStereoStatus(DWORD) override {}
    HRESULT STDMETHODCALLTYPE RegisterOcclusionStatusWindow(HWND, UINT, DWORD*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RegisterOcclusionStatusEvent(HANDLE, DWORD*) override
    {
        return E_NOTIMPL;
    }
    void STDMETHODCALLTYPE UnregisterOcclusionStatus(DWORD) override {}
    HRESULT STDMETHODCALLTYPE CreateSwapChainForComposition(IUnknown*, const DXGI_SWAP_CHAIN_DESC1*,
                                                            IDXGIOutput*,
                                                            IDXGISwapChain1** swapChain) override
    {
        return Refuse(swapChain);
    }

    // IDXGIFactory3
    UINT STDMETHODCALLTYPE GetCreationFlags() override { return 0; }

    // IDXGIFactory4
    HRESULT STDMETHODCALLTYPE EnumAdapterByLuid(LUID, REFIID, void** adapter) override
    {
        return Refuse(adapter);
    }
    HRESULT STDMETHODCALLTYPE EnumWarpAdapter(REFIID, void** adapter) override
    {
        return Refuse(adapter);
    }

private:
    // Clears the caller's output slot, so it never holds a stale pointer.
    template <class T> static HRESULT Refuse(T** slot)
    {
        if (slot)
            *slot = nullptr;
        return E_NOTIMPL;
    }
};

} // namespace dxgi
