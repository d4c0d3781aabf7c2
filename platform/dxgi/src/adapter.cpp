#include "adapter.h"

#include <win32_support.h>

#include <cstring>
#include <cwchar>

namespace dxgi
{

HRESULT Adapter::QueryInterface(REFIID riid, void** object)
{
    return com::QueryInterfaceOf<IUnknown, IDXGIObject, IDXGIAdapter, IDXGIAdapter1,
                                 IVulkanAdapter>(this, riid, object);
}

HRESULT Adapter::GetDesc(DXGI_ADAPTER_DESC* desc)
{
    if (!desc)
        return E_INVALIDARG;
    DXGI_ADAPTER_DESC1 full;
    HRESULT hr = GetDesc1(&full);
    if (SUCCEEDED(hr))
        std::memcpy(desc, &full, sizeof(*desc));
    return hr;
}

HRESULT Adapter::GetDesc1(DXGI_ADAPTER_DESC1* desc)
{
    if (!desc)
        return E_INVALIDARG;
    *desc = {};
    desc->Flags = mKind == vkrt::AdapterKind::Software ? DXGI_ADAPTER_FLAG_SOFTWARE : 0;

    std::shared_ptr<vkrt::Instance> instance;
    const vkrt::PhysicalDevice* device = nullptr;
    if (FAILED(vkrt::FindAdapterDevice(mKind, &instance, &device)))
    {
        // The adapter exists as a name; without its device it has no figures.
        std::swprintf(desc->Description, 128, L"%ls",
                      mKind == vkrt::AdapterKind::Software ? L"Software adapter (unavailable)"
                                                           : L"Hardware adapter (unavailable)");
        return S_OK;
    }
    const std::wstring name = win32::WideFromUtf8(device->Properties.deviceName);
    std::swprintf(desc->Description, 128, L"%ls", name.c_str());
    desc->VendorId = device->Properties.vendorID;
    desc->DeviceId = device->Properties.deviceID;
    desc->AdapterLuid = vkrt::AdapterLuid(*instance, *device);
    return S_OK;
}

} // namespace dxgi
