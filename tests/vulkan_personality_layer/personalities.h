// The devices the personality layer can make lavapipe look like: one plain
// record each, in personalities.cpp.
#pragma once

#include <vulkan/vulkan.h>

#include <vector>

namespace city_personality
{

struct MemoryHeap
{
    VkDeviceSize Size;
    VkMemoryHeapFlags Flags;
};

struct MemoryType
{
    VkMemoryPropertyFlags Flags;
    uint32_t Heap;
};

// Which queue family can present to a window surface.
enum class Presentation
{
    Graphics,          // family 0, as lavapipe
    PresentOnlyFamily, // only family 1, which has no other capability
    None,              // no family
};

// Zero, null or empty fields keep lavapipe's own answer.
struct Personality
{
    const char* Name;

    uint32_t ApiVersion = 0;
    VkPhysicalDeviceType DeviceType = VK_PHYSICAL_DEVICE_TYPE_OTHER;
    uint32_t VendorId = 0;
    uint32_t DeviceId = 0;
    const char* DeviceName = nullptr;
    VkDriverId DriverId = VkDriverId(0);
    const char* DriverName = nullptr;

    // A limit is reported only where it is no looser than lavapipe's, so
    // that the layer never promises what the driver below cannot keep.
    VkDeviceSize MinUniformBufferOffsetAlignment = 0;
    VkDeviceSize NonCoherentAtomSize = 0;
    uint32_t MaxBoundDescriptorSets = 0;

    bool NoTextureCompressionBC = false; // also removes every BC format
    std::vector<const char*> HiddenExtensions = {};
    std::vector<VkFormat> RemovedFormats = {};

    // Empty: lavapipe's one heap and type. Otherwise each type is backed by
    // lavapipe's one type, and each heap's size is enforced.
    std::vector<MemoryHeap> Heaps = {};
    std::vector<MemoryType> Types = {};

    Presentation Present = Presentation::Graphics;
    std::vector<VkFormat> SurfaceFormats = {}; // sRGB non-linear colour space, in this order
    std::vector<VkPresentModeKHR> PresentModes = {};
    uint32_t MinImageCount = 0;
    uint32_t MaxImageCount = 0; // 0 with MinImageCount set: no maximum
};

// The personality of that name, or null.
const Personality* FindPersonality(const char* name);

// Whether the personality has no such format: no features, no images.
bool IsRemoved(const Personality& personality, VkFormat format);

} // namespace city_personality
