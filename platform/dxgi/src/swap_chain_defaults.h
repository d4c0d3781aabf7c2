// The swap-chain methods the program never calls, answered in one place, so
// the swap chain class shows only what it implements.
#pragma once

#include <com_object.h>

#include <dxgi1_4.h>

namespace dxgi
{

class SwapChainDefaults : public com::Object<IDXGISwapChain>
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

    // IDXGIDeviceSubObject
    HRESULT STDMETHODCALLTYPE GetDevice(REFIID, void** device) override { return Refuse(device); }

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
    HRESULT STDMETHODCALLTYPE ResizeTarget(const DXGI_MODE_DESC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainingOutput(IDXGIOutput** output) override
    {
        return Refuse(output);
    }
    HRESULT STDMETHODCALLTYPE GetFrameStatistics(DXGI_FRAME_STATISTICS*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetLastPresentCount(UINT*) override { return E_NOTIMPL; }

protected:
    template <class T> static HRESULT Refuse(T** result)
    {
        if (result)
            *result = nullptr;
        return E_NOTIMPL;
    }
};

} // namespace dxgi
