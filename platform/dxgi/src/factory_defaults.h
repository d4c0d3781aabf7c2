// The factory methods the program never calls, answered in one place
// (through com::NotImplemented where they have no answer of their own), so
// the factory class shows only what it implements.
#pragma once

#include "object_defaults.h"

#include <dxgi1_4.h>

namespace dxgi
{

class FactoryDefaults : public ObjectDefaults<IDXGIFactory4>
{
public:
    // IDXGIFactory
    HRESULT STDMETHODCALLTYPE EnumAdapters(UINT, IDXGIAdapter** adapter) override
    {
        return com::NotImplemented("IDXGIFactory", "EnumAdapters", adapter);
    }
    HRESULT STDMETHODCALLTYPE MakeWindowAssociation(HWND, UINT) override
    {
        return com::NotImplemented("IDXGIFactory", "MakeWindowAssociation");
    }
    HRESULT STDMETHODCALLTYPE GetWindowAssociation(HWND*) override
    {
        return com::NotImplemented("IDXGIFactory", "GetWindowAssociation");
    }
    HRESULT STDMETHODCALLTYPE CreateSwapChain(IUnknown*, DXGI_SWAP_CHAIN_DESC*,
                                              IDXGISwapChain** swapChain) override
    {
        return com::NotImplemented("IDXGIFactory", "CreateSwapChain", swapChain);
    }
    HRESULT STDMETHODCALLTYPE CreateSoftwareAdapter(HMODULE, IDXGIAdapter** adapter) override
    {
        return com::NotImplemented("IDXGIFactory", "CreateSoftwareAdapter", adapter);
    }

    // IDXGIFactory1
    HRESULT STDMETHODCALLTYPE EnumAdapters1(UINT, IDXGIAdapter1** adapter) override
    {
        return com::NotImplemented("IDXGIFactory1", "EnumAdapters1", adapter);
    }
    BOOL STDMETHODCALLTYPE IsCurrent() override { return TRUE; }

    // IDXGIFactory2
    BOOL STDMETHODCALLTYPE IsWindowedStereoEnabled() override { return FALSE; }
    HRESULT STDMETHODCALLTYPE CreateSwapChainForHwnd(IUnknown*, HWND, const DXGI_SWAP_CHAIN_DESC1*,
                                                     const DXGI_SWAP_CHAIN_FULLSCREEN_DESC*,
                                                     IDXGIOutput*,
                                                     IDXGISwapChain1** swapChain) override
    {
        return com::NotImplemented("IDXGIFactory2", "CreateSwapChainForHwnd", swapChain);
    }
    HRESULT STDMETHODCALLTYPE CreateSwapChainForCoreWindow(IUnknown*, IUnknown*,
                                                           const DXGI_SWAP_CHAIN_DESC1*,
                                                           IDXGIOutput*,
                                                           IDXGISwapChain1** swapChain) override
    {
        return com::NotImplemented("IDXGIFactory2", "CreateSwapChainForCoreWindow", swapChain);
    }
    HRESULT STDMETHODCALLTYPE GetSharedResourceAdapterLuid(HANDLE, LUID*) override
    {
        return com::NotImplemented("IDXGIFactory2", "GetSharedResourceAdapterLuid");
    }
    HRESULT STDMETHODCALLTYPE RegisterStereoStatusWindow(HWND, UINT, DWORD*) override
    {
        return com::NotImplemented("IDXGIFactory2", "RegisterStereoStatusWindow");
    }
    HRESULT STDMETHODCALLTYPE RegisterStereoStatusEvent(HANDLE, DWORD*) override
    {
        return com::NotImplemented("IDXGIFactory2", "RegisterStereoStatusEvent");
    }
    void STDMETHODCALLTYPE UnregisterStereoStatus(DWORD) override {}
    HRESULT STDMETHODCALLTYPE RegisterOcclusionStatusWindow(HWND, UINT, DWORD*) override
    {
        return com::NotImplemented("IDXGIFactory2", "RegisterOcclusionStatusWindow");
    }
    HRESULT STDMETHODCALLTYPE RegisterOcclusionStatusEvent(HANDLE, DWORD*) override
    {
        return com::NotImplemented("IDXGIFactory2", "RegisterOcclusionStatusEvent");
    }
    void STDMETHODCALLTYPE UnregisterOcclusionStatus(DWORD) override {}
    HRESULT STDMETHODCALLTYPE CreateSwapChainForComposition(IUnknown*, const DXGI_SWAP_CHAIN_DESC1*,
                                                            IDXGIOutput*,
                                                            IDXGISwapChain1** swapChain) override
    {
        return com::NotImplemented("IDXGIFactory2", "CreateSwapChainForComposition", swapChain);
    }

    // IDXGIFactory3
    UINT STDMETHODCALLTYPE GetCreationFlags() override { return 0; }

    // IDXGIFactory4
    HRESULT STDMETHODCALLTYPE EnumAdapterByLuid(LUID, REFIID, void** adapter) override
    {
        return com::NotImplemented("IDXGIFactory4", "EnumAdapterByLuid", adapter);
    }
    HRESULT STDMETHODCALLTYPE EnumWarpAdapter(REFIID, void** adapter) override
    {
        return com::NotImplemented("IDXGIFactory4", "EnumWarpAdapter", adapter);
    }
};

} // namespace dxgi
