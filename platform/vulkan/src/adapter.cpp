#include <vulkan_runtime/adapter.h>

#include <cstring>
#include <vulkan_runtime/structure.h>

namespace vkrt
{

HRESULT FindAdapterDevice(AdapterKind kind, std::shared_ptr<Instance>* instance,
                          const PhysicalDevice** device)
{
    *device = nullptr;
    HRESULT hr = Instance::Acquire(instance);
    if (FAILED(hr))
        return hr;
    *device = kind == AdapterKind::Software ? (*instance)->CpuDevice()
                                            : (*instance)->DefaultHardwareDevice();
    return *device ? S_OK : DXGI_ERROR_UNSUPPORTED;
}

LUID AdapterLuid(const Instance& instance, const PhysicalDevice& device)
{
    auto ids = vkrt::Structure<VkPhysicalDeviceIDProperties>(
        VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_ID_PROPERTIES);
    auto properties = vkrt::Structure<VkPhysicalDeviceProperties2>(
        VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_PROPERTIES_2);
    properties.pNext = &ids;
    vkGetPhysicalDeviceProperties2(device.Handle, &properties);

    LUID luid{};
    if (ids.deviceLUIDValid)
    {
        static_assert(sizeof(luid) == VK_LUID_SIZE);
        std::memcpy(&luid, ids.deviceLUID, sizeof(luid));
        return luid;
    }
    const auto& devices = instance.PhysicalDevices();
    for (size_t i = 0; i < devices.size(); ++i)
    {
        if (devices[i].Handle == device.Handle)
            luid.LowPart = DWORD(i + 1);
    }
    return luid;
}

} // namespace vkrt
