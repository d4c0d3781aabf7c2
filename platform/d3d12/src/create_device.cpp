// D3D12CreateDevice: a device on the adapter's Vulkan device. Without an
// adapter, the default one: the first Vulkan device that is not a CPU device.
#include "device.h"

#include <vulkan_runtime/adapter.h>

#include <wrl/client.h>

#include <malloc.h>

#include <mutex>

namespace
{

// A CPU device keeps its resources in this process's memory, allocated with
// malloc. glibc's allocator raises its mapping threshold to the size of each
// large block freed; from then on, blocks of that size come from the heap and
// stay resident once freed, so every rebuild of the window's targets (a
// resize, the multisampling key) would leave memory behind (a storm of fifty
// resizes: 160 MB grew to 250 MB). A fixed threshold keeps large blocks in
// mappings of their own, given back when freed; at 256 KiB the few blocks of
// 160 KiB that the driver takes each frame still come from the heap.
void ReturnFreedResourceMemory()
{
#ifdef __GLIBC__
    static std::once_flag once;
    std::call_once(once, [] { mallopt(M_MMAP_THRESHOLD, 256 * 1024); });
#endif
}

bool IsKnownFeatureLevel(D3D_FEATURE_LEVEL level)
{
    switch (level)
    {
    case D3D_FEATURE_LEVEL_1_0_CORE:
    case D3D_FEATURE_LEVEL_9_1:
    case D3D_FEATURE_LEVEL_9_2:
    case D3D_FEATURE_LEVEL_9_3:
    case D3D_FEATURE_LEVEL_10_0:
    case D3D_FEATURE_LEVEL_10_1:
    case D3D_FEATURE_LEVEL_11_0:
    case D3D_FEATURE_LEVEL_11_1:
    case D3D_FEATURE_LEVEL_12_0:
    case D3D_FEATURE_LEVEL_12_1:
    case D3D_FEATURE_LEVEL_12_2:
        return true;
    default:
        return false;
    }
}

} // namespace

HRESULT WINAPI D3D12CreateDevice(IUnknown* pAdapter, D3D_FEATURE_LEVEL MinimumFeatureLevel,
                                 REFIID riid, void** ppDevice)
{
    if (ppDevice)
        *ppDevice = nullptr;
    if (!IsKnownFeatureLevel(MinimumFeatureLevel))
        return E_INVALIDARG;
    // The runtime offers what feature level 12_1 asks for and no more.
    if (MinimumFeatureLevel > D3D_FEATURE_LEVEL_12_1)
        return DXGI_ERROR_UNSUPPORTED;

    vkrt::AdapterKind kind = vkrt::AdapterKind::DefaultHardware;
    if (pAdapter)
    {
        Microsoft::WRL::ComPtr<IVulkanAdapter> adapter;
        if (FAILED(pAdapter->QueryInterface(IID_PPV_ARGS(&adapter))))
            return E_INVALIDARG; // not an adapter of this platform layer
        kind = adapter->GetAdapterKind();
    }
    std::shared_ptr<vkrt::Instance> instance;
    const vkrt::PhysicalDevice* physicalDevice = nullptr;
    HRESULT hr = vkrt::FindAdapterDevice(kind, &instance, &physicalDevice);
    if (FAILED(hr))
    {
        // The program falls back to the software adapter: say why the
        // machine's GPU was not used.
        if (instance && kind == vkrt::AdapterKind::DefaultHardware)
            instance->ReportRefusedHardware();
        return hr;
    }
    // Without an output slot the call only tells whether a device could be
    // made, as on the real platform.
    if (!ppDevice)
        return S_FALSE;

    if (physicalDevice->IsCpu)
        ReturnFreedResourceMemory();
    d3d12::Device* device = nullptr;
    hr = d3d12::Device::Create(std::move(instance), *physicalDevice, &device);
    if (FAILED(hr))
        return hr;
    return com::HandOut(device, riid, ppDevice);
}
