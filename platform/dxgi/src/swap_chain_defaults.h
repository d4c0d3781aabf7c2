// The swap-chain methods the program never calls, answered in one place
// (through com::NotImplemented where they have no answer of their own), so
// the swap chain class shows only what it implements.
#pragma once

#include "object_defaults.h"

#include <dxgi1_4.h>

namespace dxgi
{

class SwapChainDefaults : public ObjectDefaults<IDXGISwapChain>
{
public:
    // IDXGIDeviceSubObject
    HRESULT STDMETHODCALLTYPE GetDevice(REFIID, void** device) override
    {
        return com::NotImplemented("IDXGIDeviceSubObject", "GetDevice", device);
    }

    // IDXGISwapChain
    // The window is the whole desktop already; exclusive full-screen modes
    // are not offered.
    HRESULT STDMETHODCALLTYPE SetFullscreenState(BOOL fullscreen, IDXGIOutput*) override
    {
        return fullscreen ? DXGI_ERROR_NOT_CURRENTLY_AVAILABLE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetFullscreenState(BOOL* fullscreen, IDXGIOutput** target) override
    {
        if (fullscreen)
            *fullscreen = FALSE;
        if (target)
            *target = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ResizeTarget(const DXGI_MODE_DESC*) override
    {
        return com::NotImplemented("IDXGISwapChain", "ResizeTarget");
    }
    HRESULT STDMETHODCALLTYPE GetContainingOutput(IDXGIOutput** output) override
    {
        return com::NotImplemented("IDXGISwapChain", "GetContainingOutput", output);
    }
    HRESULT STDMETHODCALLTYPE GetFrameStatistics(DXGI_FRAME_STATISTICS*) override
    {
        return com::NotImplemented("IDXGISwapChain", "GetFrameStatistics");
    }
    HRESULT STDMETHODCALLTYPE GetLastPresentCount(UINT*) override
    {
        return com::NotImplemented("IDXGISwapChain", "GetLastPresentCount");
    }
};

} // namespace dxgi
