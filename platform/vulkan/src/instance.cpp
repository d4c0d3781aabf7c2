#include <vulkan_runtime/instance.h>

#include <vulkan_runtime/result.h>
#include <vulkan_runtime/validation.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vulkan_runtime/structure.h>

namespace vkrt
{
namespace
{
std::mutex gInstanceMutex;
std::weak_ptr<Instance> gInstance;

// Window-system extensions are enabled where present so that the swap chain
// can make a surface on the same instance; without them rendering still works
// headless.
constexpr const char* WantedExtensions[] = {
    VK_EXT_DEBUG_UTILS_EXTENSION_NAME,
    "VK_KHR_surface",
    "VK_KHR_xlib_surface",
    "VK_KHR_xcb_surface",
    "VK_KHR_wayland_surface",
};

VKAPI_ATTR VkBool32 VKAPI_CALL OnDebugMessage(VkDebugUtilsMessageSeverityFlagBitsEXT severity,
                                              VkDebugUtilsMessageTypeFlagsEXT type,
                                              const VkDebugUtilsMessengerCallbackDataEXT* data,
                                              void* userData)
{
    (void)severity;
    (void)type;
    (void)userData;
    RecordValidationMessage(data && data->pMessage ? data->pMessage : "(no text)");
    return VK_FALSE;
}

VkDebugUtilsMessengerCreateInfoEXT MessengerInfo()
{
    auto info = vkrt::Structure<VkDebugUtilsMessengerCreateInfoEXT>(
        VK_STRUCTURE_TYPE_DEBUG_UTILS_MESSENGER_CREATE_INFO_EXT);
    // Only the validation layer's warnings and errors: the loader's general
    // chatter (drivers that find no device, say) is not a fault of ours.
    info.messageSeverity = VK_DEBUG_UTILS_MESSAGE_SEVERITY_WARNING_BIT_EXT |
                           VK_DEBUG_UTILS_MESSAGE_SEVERITY_ERROR_BIT_EXT;
    info.messageType = VK_DEBUG_UTILS_MESSAGE_TYPE_VALIDATION_BIT_EXT;
    info.pfnUserCallback = OnDebugMessage;
    return info;
}

// Why the runtime cannot run on `device`, or an empty text where it can:
// Vulkan 1.3 with timeline semaphores, dynamic rendering and
// synchronization2, push descriptors, a graphics queue, and the
// block-compressed formats that every Direct3D 12 device has.
std::string RefusalOf(VkPhysicalDevice device, const VkPhysicalDeviceProperties& properties)
{
    if (properties.apiVersion < VK_API_VERSION_1_3)
        return "it offers Vulkan " + std::to_string(VK_API_VERSION_MAJOR(properties.apiVersion)) +
               "." + std::to_string(VK_API_VERSION_MINOR(properties.apiVersion)) +
               ", and the runtime needs 1.3";

    auto features13 = vkrt::Structure<VkPhysicalDeviceVulkan13Features>(
        VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES);
    auto features12 = vkrt::Structure<VkPhysicalDeviceVulkan12Features>(
        VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_2_FEATURES);
    features12.pNext = &features13;
    auto features =
        vkrt::Structure<VkPhysicalDeviceFeatures2>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2);
    features.pNext = &features12;
    vkGetPhysicalDeviceFeatures2(device, &features);
    if (!features12.timelineSemaphore || !features13.dynamicRendering ||
        !features13.synchronization2)
        return "it lacks timeline semaphores, dynamic rendering or synchronization2";
    if (!features.features.textureCompressionBC)
        return "it has no block-compressed texture formats (BC1 to BC7)";

    uint32_t count = 0;
    vkEnumerateDeviceExtensionProperties(device, nullptr, &count, nullptr);
    std::vector<VkExtensionProperties> extensions(count);
    vkEnumerateDeviceExtensionProperties(device, nullptr, &count, extensions.data());
    for (const char* required : RequiredDeviceExtensions())
    {
        auto matches = [&](const VkExtensionProperties& e)
        { return std::strcmp(e.extensionName, required) == 0; };
        if (std::none_of(extensions.begin(), extensions.end(), matches))
            return std::string("it lacks the extension ") + required;
    }

    uint32_t familyCount = 0;
    vkGetPhysicalDeviceQueueFamilyProperties(device, &familyCount, nullptr);
    std::vector<VkQueueFamilyProperties> families(familyCount);
    vkGetPhysicalDeviceQueueFamilyProperties(device, &familyCount, families.data());
    const bool graphics = std::any_of(families.begin(), families.end(),
                                      [](const VkQueueFamilyProperties& f)
                                      { return (f.queueFlags & VK_QUEUE_GRAPHICS_BIT) != 0; });
    return graphics ? std::string() : "it has no graphics queue";
}
} // namespace

const std::vector<const char*>& RequiredDeviceExtensions()
{
    static const std::vector<const char*> extensions = {VK_KHR_PUSH_DESCRIPTOR_EXTENSION_NAME};
    return extensions;
}

HRESULT Instance::Acquire(std::shared_ptr<Instance>* instance)
{
    std::lock_guard lock(gInstanceMutex);
    *instance = gInstance.lock();
    if (*instance)
        return S_OK;

    std::shared_ptr<Instance> created(new Instance());
    HRESULT hr = created->Create();
    if (FAILED(hr))
        return hr;
    gInstance = created;
    *instance = std::move(created);
    return S_OK;
}

HRESULT Instance::Create()
{
    uint32_t available = 0;
    vkEnumerateInstanceExtensionProperties(nullptr, &available, nullptr);
    std::vector<VkExtensionProperties> properties(available);
    vkEnumerateInstanceExtensionProperties(nullptr, &available, properties.data());
    std::vector<const char*> enabled;
    for (const char* wanted : WantedExtensions)
    {
        for (const VkExtensionProperties& p : properties)
        {
            if (std::strcmp(p.extensionName, wanted) == 0)
            {
                enabled.push_back(wanted);
                mExtensions.emplace_back(wanted);
            }
        }
    }

    auto app = vkrt::Structure<VkApplicationInfo>(VK_STRUCTURE_TYPE_APPLICATION_INFO);
    app.pApplicationName = "CityDemo";
    app.pEngineName = "d3d12-on-vulkan";
    app.apiVersion = VK_API_VERSION_1_3;

    const bool debugUtils = HasExtension(VK_EXT_DEBUG_UTILS_EXTENSION_NAME);
    VkDebugUtilsMessengerCreateInfoEXT messenger = MessengerInfo();
    auto info = vkrt::Structure<VkInstanceCreateInfo>(VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO);
    // Chained here, the messenger also hears about instance creation itself.
    info.pNext = debugUtils ? &messenger : nullptr;
    info.pApplicationInfo = &app;
    info.enabledExtensionCount = uint32_t(enabled.size());
    info.ppEnabledExtensionNames = enabled.data();
    VkResult result = vkCreateInstance(&info, nullptr, &mInstance);
    if (result != VK_SUCCESS)
    {
        mInstance = VK_NULL_HANDLE;
        return HResultFromVk(result);
    }

    if (debugUtils)
    {
        auto create = reinterpret_cast<PFN_vkCreateDebugUtilsMessengerEXT>(
            vkGetInstanceProcAddr(mInstance, "vkCreateDebugUtilsMessengerEXT"));
        if (create)
            create(mInstance, &messenger, nullptr, &mMessenger);
    }
    FindPhysicalDevices();
    return S_OK;
}

void Instance::FindPhysicalDevices()
{
    uint32_t count = 0;
    if (vkEnumeratePhysicalDevices(mInstance, &count, nullptr) != VK_SUCCESS)
        return;
    std::vector<VkPhysicalDevice> handles(count);
    if (vkEnumeratePhysicalDevices(mInstance, &count, handles.data()) < 0)
        return;
    handles.resize(count);
    for (VkPhysicalDevice handle : handles)
    {
        PhysicalDevice device;
        device.Handle = handle;
        vkGetPhysicalDeviceProperties(handle, &device.Properties);
        device.IsCpu = device.Properties.deviceType == VK_PHYSICAL_DEVICE_TYPE_CPU;
        device.Refusal = RefusalOf(handle, device.Properties);
        device.IsUsable = device.Refusal.empty();
        mPhysicalDevices.push_back(device);
    }
}

Instance::~Instance()
{
    if (mMessenger != VK_NULL_HANDLE)
    {
        auto destroy = reinterpret_cast<PFN_vkDestroyDebugUtilsMessengerEXT>(
            vkGetInstanceProcAddr(mInstance, "vkDestroyDebugUtilsMessengerEXT"));
        if (destroy)
            destroy(mInstance, mMessenger, nullptr);
    }
    if (mInstance != VK_NULL_HANDLE)
        vkDestroyInstance(mInstance, nullptr);
}

const PhysicalDevice* Instance::DefaultHardwareDevice() const
{
    for (const PhysicalDevice& device : mPhysicalDevices)
    {
        if (device.IsUsable && !device.IsCpu)
            return &device;
    }
    return nullptr;
}

const PhysicalDevice* Instance::CpuDevice() const
{
    for (const PhysicalDevice& device : mPhysicalDevices)
    {
        if (device.IsUsable && device.IsCpu)
            return &device;
    }
    return nullptr;
}

void Instance::ReportRefusedHardware() const
{
    for (const PhysicalDevice& device : mPhysicalDevices)
    {
        if (device.IsUsable || device.IsCpu)
            continue;
        const std::string message =
            std::string("D3D12CreateDevice: the GPU \"") + device.Properties.deviceName +
            "\" cannot run the Direct3D 12 runtime: " + device.Refusal + "\n";
        OutputDebugStringA(message.c_str());
    }
}

bool Instance::HasExtension(const char* name) const
{
    return std::find(mExtensions.begin(), mExtensions.end(), name) != mExtensions.end();
}

} // namespace vkrt
