// The DXGI factory arrives with the graphics runtime; until then creating one
// reports that it is not implemented.
#include <dxgi1_4.h>

extern "C" HRESULT WINAPI CreateDXGIFactory1(REFIID riid, void** ppFactory)
{
    (void)riid;
    if (ppFactory)
        *ppFactory = nullptr;
    return E_NOTIMPL;
}

extern "C" HRESULT WINAPI CreateDXGIFactory2(UINT Flags, REFIID riid, void** ppFactory)
{
    (void)Flags;
    return CreateDXGIFactory1(riid, ppFactory);
}
