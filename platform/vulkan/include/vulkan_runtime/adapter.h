// How a DXGI adapter tells Direct3D 12 which Vulkan device it stands for.
// DXGI's adapter objects implement IVulkanAdapter, an extension of the
// adapter interface private to the platform layer; D3D12CreateDevice asks an
// adapter for it through QueryInterface, so an object that is not one of ours
// is refused rather than trusted.
#pragma once

#include <vulkan_runtime/instance.h>

#include <windows.h>

#include <dxgi.h>

#include <memory>

namespace vkrt
{

enum class AdapterKind
{
    DefaultHardware, // the first usable Vulkan device that is not a CPU device
    Software,        // the first usable CPU device (WARP)
};

// The instance and physical device an adapter of this kind stands for.
// DXGI_ERROR_UNSUPPORTED where the machine has no such device; the
// translated Vulkan result where no instance can be made at all.
HRESULT FindAdapterDevice(AdapterKind kind, std::shared_ptr<Instance>* instance,
                          const PhysicalDevice** device);

// An identifier for the adapter's device that stays the same while the
// process runs: Vulkan's LUID where the driver has one, else one made from the
// device's position among the physical devices.
LUID AdapterLuid(const Instance& instance, const PhysicalDevice& device);

} // namespace vkrt

MIDL_INTERFACE("5d3c7e2a-8b41-4f6e-9a0d-3c2b1e4f7a95")
IVulkanAdapter : public IDXGIAdapter1
{
    virtual vkrt::AdapterKind STDMETHODCALLTYPE GetAdapterKind() = 0;
};

WINADAPTER_IID(IVulkanAdapter, 0x5d3c7e2a, 0x8b41, 0x4f6e, 0x9a, 0x0d, 0x3c, 0x2b, 0x1e, 0x4f, 0x7a,
               0x95);
