// Device creation arrives with the graphics runtime; until then it reports
// that it is not implemented.
#include <windows.h>

#include <d3d12.h>

HRESULT WINAPI D3D12CreateDevice(IUnknown* pAdapter, D3D_FEATURE_LEVEL MinimumFeatureLevel,
                                 REFIID riid, void** ppDevice)
{
    (void)pAdapter;
    (void)MinimumFeatureLevel;
    (void)riid;
    if (ppDevice)
        *ppDevice = nullptr;
    return E_NOTIMPL;
}
