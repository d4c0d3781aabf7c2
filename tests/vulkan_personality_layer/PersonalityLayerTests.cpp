// The personality layer over lavapipe listed twice (see CMakeLists.txt): the
// first device wears the personality and enforces it, the second passes
// through. The swapchain cases need an X display.
#define VK_USE_PLATFORM_XCB_KHR
#include "fifo.h"
#include "personalities.h"

#include <gtest/gtest.h>
#include <vulkan/vulkan.h>

#include <cstdlib>
#include <cstring>
#include <thread>

using namespace city_personality;

namespace
{

struct Machine
{
    VkInstance Instance = VK_NULL_HANDLE;
    VkPhysicalDevice Gpu = VK_NULL_HANDLE; // wears the personality
    VkPhysicalDevice Cpu = VK_NULL_HANDLE; // passes through
    VkDevice Device = VK_NULL_HANDLE;

    explicit Machine(const char* personality, bool surface = false)
    {
        setenv("CITY_VK_PERSONALITY", personality, 1);
        const char* extensions[] = {"VK_KHR_surface", "VK_KHR_xcb_surface"};
        VkApplicationInfo app = {};
        app.sType = VK_STRUCTURE_TYPE_APPLICATION_INFO;
        app.apiVersion = VK_API_VERSION_1_3;
        VkInstanceCreateInfo info = {};
        info.sType = VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO;
        info.pApplicationInfo = &app;
        info.enabledExtensionCount = surface ? 2 : 0;
        info.ppEnabledExtensionNames = extensions;
        if (vkCreateInstance(&info, nullptr, &Instance) != VK_SUCCESS)
            return;
        uint32_t count = 2;
        VkPhysicalDevice devices[2] = {};
        vkEnumeratePhysicalDevices(Instance, &count, devices);
        Gpu = devices[0];
        Cpu = devices[1];
    }

    ~Machine()
    {
        if (Device)
            vkDestroyDevice(Device, nullptr);
        if (Instance)
            vkDestroyInstance(Instance, nullptr);
    }

    VkResult CreateDevice(std::vector<uint32_t> families = {0},
                          std::vector<const char*> extensions = {},
                          const VkPhysicalDeviceFeatures* features = nullptr)
    {
        static const float priority = 1;
        std::vector<VkDeviceQueueCreateInfo> queues;
        for (uint32_t family : families)
            queues.push_back(
                {VK_STRUCTURE_TYPE_DEVICE_QUEUE_CREATE_INFO, nullptr, 0, family, 1, &priority});
        VkDeviceCreateInfo info = {};
        info.sType = VK_STRUCTURE_TYPE_DEVICE_CREATE_INFO;
        info.queueCreateInfoCount = uint32_t(queues.size());
        info.pQueueCreateInfos = queues.data();
        info.enabledExtensionCount = uint32_t(extensions.size());
        info.ppEnabledExtensionNames = extensions.data();
        info.pEnabledFeatures = features;
        return vkCreateDevice(Gpu, &info, nullptr, &Device);
    }

    VkDeviceMemory Allocate(uint32_t type, VkDeviceSize size, VkResult expected = VK_SUCCESS)
    {
        VkMemoryAllocateInfo info = {};
        info.sType = VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO;
        info.allocationSize = size;
        info.memoryTypeIndex = type;
        VkDeviceMemory memory = VK_NULL_HANDLE;
        EXPECT_EQ(vkAllocateMemory(Device, &info, nullptr, &memory), expected);
        return memory;
    }
};

uint32_t FirstType(const Personality& personality, VkMemoryPropertyFlags set,
                   VkMemoryPropertyFlags clear)
{
    uint32_t i = 0;
    while ((personality.Types[i].Flags & (set | clear)) != set)
        ++i;
    return i;
}

TEST(PersonalityLayer, OnlyTheFirstDeviceWearsThePersonality)
{
    for (const char* name : {"amd-like", "nvidia-like", "intel-like", "fifo-only",
                             "present-only-family", "no-present", "no-bc", "pi-like"})
    {
        SCOPED_TRACE(name);
        const Personality& personality = *FindPersonality(name);
        Machine machine(name);
        ASSERT_NE(machine.Cpu, nullptr);
        VkPhysicalDeviceProperties gpu, cpu;
        vkGetPhysicalDeviceProperties(machine.Gpu, &gpu);
        vkGetPhysicalDeviceProperties(machine.Cpu, &cpu);
        EXPECT_STREQ(gpu.deviceName, personality.DeviceName);
        EXPECT_EQ(gpu.deviceType, personality.DeviceType);
        EXPECT_EQ(cpu.deviceType, VK_PHYSICAL_DEVICE_TYPE_CPU);
        VkPhysicalDeviceMemoryProperties memory;
        vkGetPhysicalDeviceMemoryProperties(machine.Gpu, &memory);
        if (!personality.Types.empty())
        {
            EXPECT_EQ(memory.memoryTypeCount, personality.Types.size());
        }
    }
    setenv("CITY_VK_PERSONALITY", "no-such-device", 1);
    VkInstanceCreateInfo info = {};
    info.sType = VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO;
    VkInstance instance;
    EXPECT_EQ(vkCreateInstance(&info, nullptr, &instance), VK_ERROR_INITIALIZATION_FAILED);
}

TEST(PersonalityLayer, DeviceCreationRefusesWhatThePersonalityLacks)
{
    Machine pi("pi-like");
    uint32_t count = 0;
    vkEnumerateDeviceExtensionProperties(pi.Gpu, nullptr, &count, nullptr);
    std::vector<VkExtensionProperties> extensions(count);
    vkEnumerateDeviceExtensionProperties(pi.Gpu, nullptr, &count, extensions.data());
    for (const VkExtensionProperties& extension : extensions)
        EXPECT_STRNE(extension.extensionName, "VK_KHR_push_descriptor");
    EXPECT_EQ(pi.CreateDevice({0}, {"VK_KHR_push_descriptor"}), VK_ERROR_EXTENSION_NOT_PRESENT);

    Machine noBc("no-bc");
    VkPhysicalDeviceFeatures features = {};
    vkGetPhysicalDeviceFeatures(noBc.Gpu, &features);
    EXPECT_FALSE(features.textureCompressionBC);
    features.textureCompressionBC = VK_TRUE;
    EXPECT_EQ(noBc.CreateDevice({0}, {}, &features), VK_ERROR_FEATURE_NOT_PRESENT);
}

TEST(PersonalityLayer, RemovedFormatsHaveNoFeaturesAndMakeNoImages)
{
    const std::pair<const char*, VkFormat> cases[] = {
        {"amd-like", VK_FORMAT_D24_UNORM_S8_UINT},
        {"no-bc", VK_FORMAT_BC1_RGBA_UNORM_BLOCK},
        {"pi-like", VK_FORMAT_BC7_UNORM_BLOCK},
        {"pi-like", VK_FORMAT_D32_SFLOAT_S8_UINT},
    };
    for (const auto& [name, format] : cases)
    {
        SCOPED_TRACE(name);
        Machine machine(name);
        VkFormatProperties gpu, cpu;
        vkGetPhysicalDeviceFormatProperties(machine.Gpu, format, &gpu);
        vkGetPhysicalDeviceFormatProperties(machine.Cpu, format, &cpu);
        EXPECT_EQ(gpu.optimalTilingFeatures, 0u);
        EXPECT_NE(cpu.optimalTilingFeatures, 0u);
        VkImageFormatProperties properties;
        EXPECT_EQ(vkGetPhysicalDeviceImageFormatProperties(
                      machine.Gpu, format, VK_IMAGE_TYPE_2D, VK_IMAGE_TILING_OPTIMAL,
                      VK_IMAGE_USAGE_SAMPLED_BIT, 0, &properties),
                  VK_ERROR_FORMAT_NOT_SUPPORTED);
        ASSERT_EQ(machine.CreateDevice(), VK_SUCCESS);
        VkImageCreateInfo info = {};
        info.sType = VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO;
        info.imageType = VK_IMAGE_TYPE_2D;
        info.format = format;
        info.extent = {16, 16, 1};
        info.mipLevels = info.arrayLayers = 1;
        info.samples = VK_SAMPLE_COUNT_1_BIT;
        info.usage = VK_IMAGE_USAGE_SAMPLED_BIT;
        VkImage image;
        EXPECT_EQ(vkCreateImage(machine.Device, &info, nullptr, &image),
                  VK_ERROR_FORMAT_NOT_SUPPORTED);
    }
}

TEST(PersonalityLayer, MemoryTypesKeepTheirPromises)
{
    // Device-local memory cannot be mapped; the BAR heap is full at 256 MiB.
    const Personality& amd = *FindPersonality("amd-like");
    Machine machine("amd-like");
    ASSERT_EQ(machine.CreateDevice(), VK_SUCCESS);
    const VkDeviceMemory local =
        machine.Allocate(FirstType(amd, 0, VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT), 4096);
    void* data = nullptr;
    EXPECT_EQ(vkMapMemory(machine.Device, local, 0, VK_WHOLE_SIZE, 0, &data),
              VK_ERROR_MEMORY_MAP_FAILED);
    const uint32_t bar = FirstType(
        amd, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT | VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT, 0);
    const VkDeviceSize barSize = amd.Heaps[amd.Types[bar].Heap].Size;
    const VkDeviceMemory most = machine.Allocate(bar, barSize - (1 << 20));
    machine.Allocate(bar, 2 << 20, VK_ERROR_OUT_OF_DEVICE_MEMORY);
    vkFreeMemory(machine.Device, most, nullptr);
    vkFreeMemory(machine.Device, machine.Allocate(bar, 2 << 20), nullptr);
    vkFreeMemory(machine.Device, local, nullptr);
}

TEST(PersonalityLayer, NonCoherentWritesReachMemoryOnlyWhenFlushed)
{
    const Personality& intel = *FindPersonality("intel-like");
    Machine machine("intel-like");
    ASSERT_EQ(machine.CreateDevice(), VK_SUCCESS);
    VkPhysicalDeviceProperties properties;
    vkGetPhysicalDeviceProperties(machine.Gpu, &properties);
    const VkDeviceSize atom = properties.limits.nonCoherentAtomSize;
    const VkDeviceMemory memory = machine.Allocate(
        FirstType(intel, VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT, VK_MEMORY_PROPERTY_HOST_COHERENT_BIT),
        4 * atom);
    const auto mapped = [&]
    {
        void* data = nullptr;
        vkUnmapMemory(machine.Device, memory);
        EXPECT_EQ(vkMapMemory(machine.Device, memory, 0, VK_WHOLE_SIZE, 0, &data), VK_SUCCESS);
        return static_cast<uint8_t*>(data);
    };
    const auto flush = [&](VkDeviceSize offset, VkDeviceSize size)
    {
        const VkMappedMemoryRange range = {VK_STRUCTURE_TYPE_MAPPED_MEMORY_RANGE, nullptr, memory,
                                           offset, size};
        EXPECT_EQ(vkFlushMappedMemoryRanges(machine.Device, 1, &range), VK_SUCCESS);
    };
    void* first = nullptr;
    vkMapMemory(machine.Device, memory, 0, VK_WHOLE_SIZE, 0, &first);
    std::memset(first, 0xAA, 4 * atom);
    flush(0, VK_WHOLE_SIZE);

    uint8_t* data = mapped();
    data[0] = 1;        // flushed by the rounded range below
    data[atom - 1] = 2; // so is the rest of its atom
    data[atom] = 3;     // the next atom is not
    flush(0, 1);
    data = mapped();
    EXPECT_EQ(data[0], 1);
    EXPECT_EQ(data[atom - 1], 2);
    EXPECT_EQ(data[atom], 0xAA);
    data[0] = 4; // unmapping flushes nothing
    EXPECT_EQ(mapped()[0], 1);
    vkFreeMemory(machine.Device, memory, nullptr);
}

TEST(PersonalityLayer, PresentOnlyFamilyRunsNoCommandBuffers)
{
    Machine machine("present-only-family");
    uint32_t count = 0;
    vkGetPhysicalDeviceQueueFamilyProperties(machine.Gpu, &count, nullptr);
    ASSERT_EQ(count, 2u);
    VkQueueFamilyProperties families[2];
    vkGetPhysicalDeviceQueueFamilyProperties(machine.Gpu, &count, families);
    EXPECT_EQ(families[1].queueFlags, 0u);
    ASSERT_EQ(machine.CreateDevice({0, 1}), VK_SUCCESS);
    VkQueue graphics, present;
    vkGetDeviceQueue(machine.Device, 0, 0, &graphics);
    vkGetDeviceQueue(machine.Device, 1, 0, &present);
    EXPECT_NE(graphics, present);

    VkCommandPoolCreateInfo poolInfo = {};
    poolInfo.sType = VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO;
    VkCommandPool pool;
    vkCreateCommandPool(machine.Device, &poolInfo, nullptr, &pool);
    const VkCommandBufferAllocateInfo bufferInfo = {VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO,
                                                    nullptr, pool, VK_COMMAND_BUFFER_LEVEL_PRIMARY,
                                                    1};
    VkCommandBuffer commands;
    vkAllocateCommandBuffers(machine.Device, &bufferInfo, &commands);
    VkCommandBufferBeginInfo begin = {};
    begin.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO;
    vkBeginCommandBuffer(commands, &begin);
    vkEndCommandBuffer(commands);
    VkSubmitInfo submit = {};
    submit.sType = VK_STRUCTURE_TYPE_SUBMIT_INFO;
    submit.commandBufferCount = 1;
    submit.pCommandBuffers = &commands;
    EXPECT_EQ(vkQueueSubmit(present, 1, &submit, VK_NULL_HANDLE), VK_ERROR_UNKNOWN);
    EXPECT_EQ(vkQueueSubmit(graphics, 1, &submit, VK_NULL_HANDLE), VK_SUCCESS);
    submit.commandBufferCount = 0; // semaphores and fences it can handle
    EXPECT_EQ(vkQueueSubmit(present, 1, &submit, VK_NULL_HANDLE), VK_SUCCESS);
    EXPECT_EQ(vkQueueWaitIdle(present), VK_SUCCESS);
    vkDestroyCommandPool(machine.Device, pool, nullptr);
}

TEST(PersonalityLayer, FifoQueueShowsAnImageABlankAndHoldsItUntilTheNextShows)
{
    FifoSwapchain fifo;
    fifo.Program.assign(3, true);
    const Clock::time_point blank = fifo.FirstBlank = Clock::now();
    const Clock::duration moment = BlankPeriod / 10;
    for (uint32_t image : {0u, 1u, 2u})
        fifo.Present(image, blank + moment);
    EXPECT_EQ(fifo.Engine[2].From, blank + 3 * BlankPeriod);
    fifo.Retire(blank + 2 * BlankPeriod - moment);
    EXPECT_TRUE(fifo.EngineHolds(0));
    EXPECT_EQ(fifo.NextRelease(), blank + 2 * BlankPeriod);
    fifo.Retire(blank + 100 * BlankPeriod);
    EXPECT_FALSE(fifo.EngineHolds(1));
    EXPECT_TRUE(fifo.EngineHolds(2)); // on screen until replaced

    // Late, a FIFO present waits for the next blank, a relaxed one does not.
    const Clock::time_point late = blank + 100 * BlankPeriod + moment;
    fifo.Present(0, late);
    EXPECT_EQ(fifo.Engine.back().From, blank + 101 * BlankPeriod);
    fifo.Mode = VK_PRESENT_MODE_FIFO_RELAXED_KHR;
    fifo.Present(1, late + 3 * BlankPeriod);
    EXPECT_EQ(fifo.Engine.back().From, late + 3 * BlankPeriod);
}

// A device of the personality with a swapchain on a small X window.
struct Screen : Machine
{
    xcb_connection_t* Connection = nullptr;
    VkSurfaceKHR Surface = VK_NULL_HANDLE;

    explicit Screen(const char* personality) : Machine(personality, true)
    {
        Connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(Connection))
            return;
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(Connection)).data;
        const xcb_window_t window = xcb_generate_id(Connection);
        xcb_create_window(Connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 32, 32, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_map_window(Connection, window);
        xcb_flush(Connection);
        const VkXcbSurfaceCreateInfoKHR info = {VK_STRUCTURE_TYPE_XCB_SURFACE_CREATE_INFO_KHR,
                                                nullptr, 0, Connection, window};
        vkCreateXcbSurfaceKHR(Instance, &info, nullptr, &Surface);
    }

    ~Screen()
    {
        if (Surface)
            vkDestroySurfaceKHR(Instance, Surface, nullptr);
        xcb_disconnect(Connection);
    }

    VkResult CreateSwapchain(VkPresentModeKHR mode, VkSwapchainKHR* swapchain)
    {
        VkSurfaceCapabilitiesKHR capabilities;
        vkGetPhysicalDeviceSurfaceCapabilitiesKHR(Gpu, Surface, &capabilities);
        VkSwapchainCreateInfoKHR info = {};
        info.sType = VK_STRUCTURE_TYPE_SWAPCHAIN_CREATE_INFO_KHR;
        info.surface = Surface;
        info.minImageCount = capabilities.minImageCount;
        info.imageFormat = VK_FORMAT_B8G8R8A8_UNORM;
        info.imageColorSpace = VK_COLOR_SPACE_SRGB_NONLINEAR_KHR;
        info.imageExtent = capabilities.currentExtent;
        info.imageArrayLayers = 1;
        info.imageUsage = VK_IMAGE_USAGE_TRANSFER_DST_BIT;
        info.preTransform = capabilities.currentTransform;
        info.compositeAlpha = VK_COMPOSITE_ALPHA_OPAQUE_BIT_KHR;
        info.presentMode = mode;
        return vkCreateSwapchainKHR(Device, &info, nullptr, swapchain);
    }
};

#define SKIP_WITHOUT_DISPLAY(screen)                                                               \
    if (!(screen).Surface)                                                                         \
    GTEST_SKIP() << "no X display"

TEST(PersonalityLayer, SurfaceIsHeldToWhatThePersonalityOffers)
{
    Screen presentOnly("present-only-family");
    SKIP_WITHOUT_DISPLAY(presentOnly);
    VkBool32 graphics = VK_TRUE, present = VK_FALSE;
    vkGetPhysicalDeviceSurfaceSupportKHR(presentOnly.Gpu, 0, presentOnly.Surface, &graphics);
    vkGetPhysicalDeviceSurfaceSupportKHR(presentOnly.Gpu, 1, presentOnly.Surface, &present);
    EXPECT_FALSE(graphics);
    EXPECT_TRUE(present);

    Screen fifoOnly("fifo-only");
    ASSERT_EQ(fifoOnly.CreateDevice({0}, {"VK_KHR_swapchain"}), VK_SUCCESS);
    VkSwapchainKHR swapchain;
    EXPECT_EQ(fifoOnly.CreateSwapchain(VK_PRESENT_MODE_IMMEDIATE_KHR, &swapchain),
              VK_ERROR_INITIALIZATION_FAILED);
    Screen noPresent("no-present");
    ASSERT_EQ(noPresent.CreateDevice({0}, {"VK_KHR_swapchain"}), VK_SUCCESS);
    EXPECT_EQ(noPresent.CreateSwapchain(VK_PRESENT_MODE_FIFO_KHR, &swapchain),
              VK_ERROR_INITIALIZATION_FAILED);
}

TEST(PersonalityLayer, FifoAcquireWaitsForTheNextBlank)
{
    Screen screen("fifo-only");
    SKIP_WITHOUT_DISPLAY(screen);
    ASSERT_EQ(screen.CreateDevice({0}, {"VK_KHR_swapchain"}), VK_SUCCESS);
    VkQueue queue;
    vkGetDeviceQueue(screen.Device, 0, 0, &queue);
    VkFence fence;
    VkFenceCreateInfo fenceInfo = {};
    fenceInfo.sType = VK_STRUCTURE_TYPE_FENCE_CREATE_INFO;
    vkCreateFence(screen.Device, &fenceInfo, nullptr, &fence);
    const auto acquire = [&](VkSwapchainKHR swapchain, uint64_t timeout, uint32_t* image)
    {
        vkResetFences(screen.Device, 1, &fence);
        const VkResult result =
            vkAcquireNextImageKHR(screen.Device, swapchain, timeout, nullptr, fence, image);
        if (result == VK_SUCCESS)
            vkWaitForFences(screen.Device, 1, &fence, VK_TRUE, UINT64_MAX);
        return result;
    };
    // Presents are queued within a blank, unless the machine is too busy:
    // then the engine may have let one go already, and the case runs again.
    for (int attempt = 0; attempt < 5; ++attempt)
    {
        VkSwapchainKHR swapchain;
        ASSERT_EQ(screen.CreateSwapchain(VK_PRESENT_MODE_FIFO_KHR, &swapchain), VK_SUCCESS);
        uint32_t count = 0, image = 0;
        vkGetSwapchainImagesKHR(screen.Device, swapchain, &count, nullptr);
        const Clock::time_point start = Clock::now();
        for (uint32_t i = 0; i < count; ++i)
        {
            ASSERT_EQ(acquire(swapchain, UINT64_MAX, &image), VK_SUCCESS);
            const VkPresentInfoKHR present = {VK_STRUCTURE_TYPE_PRESENT_INFO_KHR,
                                              nullptr,
                                              0,
                                              nullptr,
                                              1,
                                              &swapchain,
                                              &image,
                                              nullptr};
            ASSERT_EQ(vkQueuePresentKHR(queue, &present), VK_SUCCESS);
        }
        const VkResult ready = acquire(swapchain, 0, &image);
        const VkResult timedOut = acquire(swapchain, 1'000'000, &image);
        const bool queuedInTime = Clock::now() - start < BlankPeriod;
        EXPECT_EQ(acquire(swapchain, 1'000'000'000, &image), VK_SUCCESS);
        vkDestroySwapchainKHR(screen.Device, swapchain, nullptr);
        if (!queuedInTime)
            continue;
        EXPECT_EQ(ready, VK_NOT_READY);
        EXPECT_EQ(timedOut, VK_TIMEOUT);
        break;
    }
    vkDestroyFence(screen.Device, fence, nullptr);
}

} // namespace
