// The demo on a device that refuses one call, as only the runtime could
// refuse it. REFUSED_CALL="CALL N RESULT" makes the N-th use of CALL, and
// every later one, fail with RESULT (an HRESULT such as 0x8007000E); then the
// demo runs exactly as its own entry runs it. The program is linked with
// --wrap=D3D12CreateDevice, so the framework's device creation comes here.
#include "RefusingDevice.h"
#include "ShapesApp.h"

#include <cstdio>
#include <cstdlib>

extern "C" HRESULT WINAPI __real_D3D12CreateDevice(IUnknown* adapter, D3D_FEATURE_LEVEL level,
                                                   REFIID riid, void** device);

extern "C" HRESULT WINAPI __wrap_D3D12CreateDevice(IUnknown* adapter, D3D_FEATURE_LEVEL level,
                                                   REFIID riid, void** device)
{
    Microsoft::WRL::ComPtr<ID3D12Device> real;
    HRESULT hr = __real_D3D12CreateDevice(adapter, level, IID_PPV_ARGS(&real));
    if (FAILED(hr) || !device)
        return hr;
    RefusedCall refused;
    const char* text = std::getenv("REFUSED_CALL");
    if (!ParseRefusedCall(text, &refused))
    {
        std::fprintf(stderr, "refusing device demo: cannot read REFUSED_CALL=\"%s\"\n",
                     text ? text : "");
        return real->QueryInterface(riid, device);
    }
    return RefusingDevice(real, {refused})->QueryInterface(riid, device);
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    return RunApplication<ShapesApp>(hInstance);
}
