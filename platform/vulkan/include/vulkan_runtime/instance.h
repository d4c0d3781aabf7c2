// The process's Vulkan instance and what it knows about the physical devices.
// Factories, adapters and devices share one instance; it lives while any of
// them holds it and is created again when needed after that.
#pragma once

#include <windows.h>

#include <vulkan/vulkan.h>

#include <memory>
#include <string>
#include <vector>

namespace vkrt
{

struct PhysicalDevice
{
    VkPhysicalDevice Handle = VK_NULL_HANDLE;
    VkPhysicalDeviceProperties Properties{};
    bool IsCpu = false;
    // Vulkan 1.3 with timeline semaphores, dynamic rendering, synchronization2
    // and push descriptors, a graphics queue and block-compressed formats:
    // what the Direct3D 12 runtime is built on.
    bool IsUsable = false;
    std::string Refusal; // why the device is not usable, in words
};

class Instance
{
public:
    // The shared instance, created on first use. Fails with the translated
    // Vulkan result where no Vulkan driver can make one.
    static HRESULT Acquire(std::shared_ptr<Instance>* instance);

    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;
    ~Instance();

    VkInstance Handle() const { return mInstance; }
    const std::vector<PhysicalDevice>& PhysicalDevices() const { return mPhysicalDevices; }

    // The first usable device that is not a CPU device, or null.
    const PhysicalDevice* DefaultHardwareDevice() const;
    // The first usable CPU (software) device, or null.
    const PhysicalDevice* CpuDevice() const;
    // Writes to the debugger output which devices other than CPU devices were
    // refused, and why.
    void ReportRefusedHardware() const;

    bool HasExtension(const char* name) const;

private:
    Instance() = default;
    HRESULT Create();
    void FindPhysicalDevices();

    VkInstance mInstance = VK_NULL_HANDLE;
    VkDebugUtilsMessengerEXT mMessenger = VK_NULL_HANDLE;
    std::vector<std::string> mExtensions;
    std::vector<PhysicalDevice> mPhysicalDevices;
};

// Device extensions the runtime enables on every device it creates.
const std::vector<const char*>& RequiredDeviceExtensions();

} // namespace vkrt
