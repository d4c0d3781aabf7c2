// The floor under the demo's frame times: the simplest frame there is on the
// same Vulkan driver and display path, without the Direct3D 12 layer. Each
// frame draws one triangle covering the window, sampling a 256 x 256 texture
// repeated across it, and presents it as fast as the swap chain takes frames
// (mailbox, else immediate, else FIFO), two frames in flight.
//   raw_face WIDTHxHEIGHT [SECONDS]     (SECONDS: 15 by default)
// It prints the present mode, the drawn size and the device, then the mean
// frame time from 5 s to 15 s of running time with the slowest and fastest
// whole second, "ms per frame: mean (slowest-fastest)", the figures that
// benchmarks/display_figures.sh takes from the demo's title. The title shows
// the frames per second as the demo's does.
#include <SDL.h>
#include <SDL_vulkan.h>
#include <shaderc/shaderc.h>
#include <vulkan/vulkan.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
constexpr uint32_t kFramesInFlight = 2;
constexpr uint32_t kTextureSize = 256;

// One triangle whose corners are (-1,-1), (3,-1) and (-1,3) covers the
// window; the texture repeats four times across it and three times down, and
// scrolls so that no two frames are the same.
const char* const kVertexShader = R"(#version 450
layout(push_constant) uniform Scroll { vec2 offset; };
layout(location = 0) out vec2 uv;
void main()
{
    vec2 corner = vec2((gl_VertexIndex << 1) & 2, gl_VertexIndex & 2);
    gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);
    uv = corner * vec2(4.0, 3.0) + offset;
}
)";

const char* const kFragmentShader = R"(#version 450
layout(set = 0, binding = 0) uniform sampler2D picture;
layout(location = 0) in vec2 uv;
layout(location = 0) out vec4 color;
void main()
{
    color = texture(picture, uv);
}
)";

// A Vulkan structure of the given type, every other member zero.
template <class T> T Structure(VkStructureType type)
{
    T value{};
    value.sType = type;
    return value;
}

[[noreturn]] void Fail(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "raw_face: %s: %s\n", what, detail.c_str());
    std::exit(1);
}

void Check(VkResult result, const char* what)
{
    if (result != VK_SUCCESS)
        Fail(what, "VkResult " + std::to_string(int(result)));
}

std::vector<uint32_t> CompileGlsl(const char* source, shaderc_shader_kind kind, const char* name)
{
    shaderc_compiler_t compiler = shaderc_compiler_initialize();
    shaderc_compilation_result_t result = shaderc_compile_into_spv(
        compiler, source, std::strlen(source), kind, name, "main", nullptr);
    if (shaderc_result_get_compilation_status(result) != shaderc_compilation_status_success)
        Fail(name, shaderc_result_get_error_message(result));
    const auto* words = reinterpret_cast<const uint32_t*>(shaderc_result_get_bytes(result));
    std::vector<uint32_t> code(words, words + shaderc_result_get_length(result) / 4);
    shaderc_result_release(result);
    shaderc_compiler_release(compiler);
    return code;
}

const char* PresentModeName(VkPresentModeKHR mode)
{
    switch (mode)
    {
    case VK_PRESENT_MODE_MAILBOX_KHR:
        return "mailbox";
    case VK_PRESENT_MODE_IMMEDIATE_KHR:
        return "immediate";
    default:
        return "fifo";
    }
}

struct Frame
{
    VkCommandBuffer Commands = VK_NULL_HANDLE;
    VkSemaphore Acquired = VK_NULL_HANDLE;
    VkFence Done = VK_NULL_HANDLE;
};

class RawFace
{
public:
    explicit RawFace(SDL_Window* window) : mWindow(window) {}

    void Create()
    {
        CreateInstance();
        if (!SDL_Vulkan_CreateSurface(mWindow, mInstance, &mSurface))
            Fail("SDL_Vulkan_CreateSurface", SDL_GetError());
        PickDevice();
        CreateDevice();
        ChoosePresentation();
        CreateTexture();
        CreatePipeline();
        CreateFrames();
        CreateSwapchain();
    }

    // Draws and presents one frame; false where the swap chain had to be
    // made again first and nothing was drawn.
    bool DrawFrame(float seconds);
    void Resized() { mResized = true; }
    void Destroy();

    VkPresentModeKHR PresentMode() const { return mPresentMode; }
    VkExtent2D Extent() const { return mExtent; }
    const char* DeviceName() const { return mDeviceProperties.deviceName; }

private:
    void CreateInstance();
    void PickDevice();
    void CreateDevice();
    void ChoosePresentation();
    uint32_t MemoryType(uint32_t allowed, VkMemoryPropertyFlags wanted) const;
    void CreateTexture();
    VkShaderModule CreateShader(const char* source, shaderc_shader_kind kind, const char* name);
    void CreatePipeline();
    void CreateFrames();
    void CreateSwapchain();
    void DestroySwapchain();
    void RecreateSwapchain();

    SDL_Window* mWindow;
    VkInstance mInstance = VK_NULL_HANDLE;
    VkSurfaceKHR mSurface = VK_NULL_HANDLE;
    VkPhysicalDevice mGpu = VK_NULL_HANDLE;
    VkPhysicalDeviceProperties mDeviceProperties = {};
    uint32_t mQueueFamily = 0;
    VkDevice mDevice = VK_NULL_HANDLE;
    VkQueue mQueue = VK_NULL_HANDLE;
    VkSurfaceFormatKHR mFormat = {};
    VkPresentModeKHR mPresentMode = VK_PRESENT_MODE_FIFO_KHR;
    VkCommandPool mCommandPool = VK_NULL_HANDLE;

    VkImage mTexture = VK_NULL_HANDLE;
    VkDeviceMemory mTextureMemory = VK_NULL_HANDLE;
    VkImageView mTextureView = VK_NULL_HANDLE;
    VkSampler mSampler = VK_NULL_HANDLE;
    VkDescriptorSetLayout mSetLayout = VK_NULL_HANDLE;
    VkDescriptorPool mDescriptorPool = VK_NULL_HANDLE;
    VkDescriptorSet mSet = VK_NULL_HANDLE;
    VkRenderPass mRenderPass = VK_NULL_HANDLE;
    VkPipelineLayout mPipelineLayout = VK_NULL_HANDLE;
    VkPipeline mPipeline = VK_NULL_HANDLE;

    Frame mFrames[kFramesInFlight];
    uint32_t mFrameIndex = 0;

    VkSwapchainKHR mSwapchain = VK_NULL_HANDLE;
    VkExtent2D mExtent = {};
    std::vector<VkImageView> mViews;
    std::vector<VkFramebuffer> mFramebuffers;
    // One per swap chain image: presentation waits on the one of its image,
    // which is free again once that image is acquired again.
    std::vector<VkSemaphore> mRendered;
    bool mResized = false;
};

void RawFace::CreateInstance()
{
    unsigned count = 0;
    if (!SDL_Vulkan_GetInstanceExtensions(mWindow, &count, nullptr))
        Fail("SDL_Vulkan_GetInstanceExtensions", SDL_GetError());
    std::vector<const char*> extensions(count);
    SDL_Vulkan_GetInstanceExtensions(mWindow, &count, extensions.data());

    auto application = Structure<VkApplicationInfo>(VK_STRUCTURE_TYPE_APPLICATION_INFO);
    application.pApplicationName = "raw_face";
    application.apiVersion = VK_API_VERSION_1_0;
    auto info = Structure<VkInstanceCreateInfo>(VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO);
    info.pApplicationInfo = &application;
    info.enabledExtensionCount = count;
    info.ppEnabledExtensionNames = extensions.data();
    Check(vkCreateInstance(&info, nullptr, &mInstance), "vkCreateInstance");
}

// The first device with a queue family that draws and presents to the window.
void RawFace::PickDevice()
{
    uint32_t count = 0;
    vkEnumeratePhysicalDevices(mInstance, &count, nullptr);
    std::vector<VkPhysicalDevice> gpus(count);
    vkEnumeratePhysicalDevices(mInstance, &count, gpus.data());
    for (VkPhysicalDevice gpu : gpus)
    {
        uint32_t families = 0;
        vkGetPhysicalDeviceQueueFamilyProperties(gpu, &families, nullptr);
        std::vector<VkQueueFamilyProperties> properties(families);
        vkGetPhysicalDeviceQueueFamilyProperties(gpu, &families, properties.data());
        for (uint32_t family = 0; family < families; ++family)
        {
            VkBool32 presents = VK_FALSE;
            vkGetPhysicalDeviceSurfaceSupportKHR(gpu, family, mSurface, &presents);
            if ((properties[family].queueFlags & VK_QUEUE_GRAPHICS_BIT) && presents)
            {
                mGpu = gpu;
                mQueueFamily = family;
                vkGetPhysicalDeviceProperties(gpu, &mDeviceProperties);
                return;
            }
        }
    }
    Fail("devices", "none draws and presents to the window");
}

void RawFace::CreateDevice()
{
    const float priority = 1.0f;
    auto queue = Structure<VkDeviceQueueCreateInfo>(VK_STRUCTURE_TYPE_DEVICE_QUEUE_CREATE_INFO);
    queue.queueFamilyIndex = mQueueFamily;
    queue.queueCount = 1;
    queue.pQueuePriorities = &priority;
    const char* const extension = VK_KHR_SWAPCHAIN_EXTENSION_NAME;
    auto info = Structure<VkDeviceCreateInfo>(VK_STRUCTURE_TYPE_DEVICE_CREATE_INFO);
    info.queueCreateInfoCount = 1;
    info.pQueueCreateInfos = &queue;
    info.enabledExtensionCount = 1;
    info.ppEnabledExtensionNames = &extension;
    Check(vkCreateDevice(mGpu, &info, nullptr, &mDevice), "vkCreateDevice");
    vkGetDeviceQueue(mDevice, mQueueFamily, 0, &mQueue);

    auto pool = Structure<VkCommandPoolCreateInfo>(VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO);
    pool.flags = VK_COMMAND_POOL_CREATE_RESET_COMMAND_BUFFER_BIT;
    pool.queueFamilyIndex = mQueueFamily;
    Check(vkCreateCommandPool(mDevice, &pool, nullptr, &mCommandPool), "vkCreateCommandPool");
}

// 8-bit BGRA where the surface offers it, and the present mode that does not
// wait for the display: mailbox, else immediate, else FIFO.
void RawFace::ChoosePresentation()
{
    uint32_t count = 0;
    vkGetPhysicalDeviceSurfaceFormatsKHR(mGpu, mSurface, &count, nullptr);
    std::vector<VkSurfaceFormatKHR> formats(count);
    vkGetPhysicalDeviceSurfaceFormatsKHR(mGpu, mSurface, &count, formats.data());
    if (formats.empty())
        Fail("surface", "no formats");
    mFormat = formats[0];
    for (const VkSurfaceFormatKHR& format : formats)
        if (format.format == VK_FORMAT_B8G8R8A8_UNORM &&
            format.colorSpace == VK_COLOR_SPACE_SRGB_NONLINEAR_KHR)
            mFormat = format;

    vkGetPhysicalDeviceSurfacePresentModesKHR(mGpu, mSurface, &count, nullptr);
    std::vector<VkPresentModeKHR> modes(count);
    vkGetPhysicalDeviceSurfacePresentModesKHR(mGpu, mSurface, &count, modes.data());
    for (VkPresentModeKHR wanted : {VK_PRESENT_MODE_MAILBOX_KHR, VK_PRESENT_MODE_IMMEDIATE_KHR})
        if (std::find(modes.begin(), modes.end(), wanted) != modes.end())
        {
            mPresentMode = wanted;
            return;
        }
    mPresentMode = VK_PRESENT_MODE_FIFO_KHR;
}

uint32_t RawFace::MemoryType(uint32_t allowed, VkMemoryPropertyFlags wanted) const
{
    VkPhysicalDeviceMemoryProperties memory;
    vkGetPhysicalDeviceMemoryProperties(mGpu, &memory);
    for (uint32_t type = 0; type < memory.memoryTypeCount; ++type)
        if ((allowed & (1u << type)) && (memory.memoryTypes[type].propertyFlags & wanted) == wanted)
            return type;
    Fail("memory", "no type with the properties wanted");
}

// A checkerboard of 32-texel squares over a red-green gradient, uploaded once
// through a staging buffer, sampled with linear filtering and repeated.
void RawFace::CreateTexture()
{
    const VkDeviceSize bytes = VkDeviceSize(kTextureSize) * kTextureSize * 4;
    auto bufferInfo = Structure<VkBufferCreateInfo>(VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO);
    bufferInfo.size = bytes;
    bufferInfo.usage = VK_BUFFER_USAGE_TRANSFER_SRC_BIT;
    VkBuffer staging;
    Check(vkCreateBuffer(mDevice, &bufferInfo, nullptr, &staging), "vkCreateBuffer");
    VkMemoryRequirements needs;
    vkGetBufferMemoryRequirements(mDevice, staging, &needs);
    auto allocation = Structure<VkMemoryAllocateInfo>(VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO);
    allocation.allocationSize = needs.size;
    allocation.memoryTypeIndex =
        MemoryType(needs.memoryTypeBits,
                   VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT);
    VkDeviceMemory stagingMemory;
    Check(vkAllocateMemory(mDevice, &allocation, nullptr, &stagingMemory), "vkAllocateMemory");
    Check(vkBindBufferMemory(mDevice, staging, stagingMemory, 0), "vkBindBufferMemory");
    void* mapped = nullptr;
    Check(vkMapMemory(mDevice, stagingMemory, 0, bytes, 0, &mapped), "vkMapMemory");
    auto* texels = static_cast<uint8_t*>(mapped);
    for (uint32_t y = 0; y < kTextureSize; ++y)
        for (uint32_t x = 0; x < kTextureSize; ++x)
        {
            const bool light = ((x / 32) + (y / 32)) % 2 == 0;
            uint8_t* texel = texels + (size_t(y) * kTextureSize + x) * 4;
            texel[0] = uint8_t(light ? x : x / 4);
            texel[1] = uint8_t(light ? y : y / 4);
            texel[2] = light ? 160 : 40;
            texel[3] = 255;
        }
    vkUnmapMemory(mDevice, stagingMemory);

    auto imageInfo = Structure<VkImageCreateInfo>(VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO);
    imageInfo.imageType = VK_IMAGE_TYPE_2D;
    imageInfo.format = VK_FORMAT_R8G8B8A8_UNORM;
    imageInfo.extent = {kTextureSize, kTextureSize, 1};
    imageInfo.mipLevels = 1;
    imageInfo.arrayLayers = 1;
    imageInfo.samples = VK_SAMPLE_COUNT_1_BIT;
    imageInfo.tiling = VK_IMAGE_TILING_OPTIMAL;
    imageInfo.usage = VK_IMAGE_USAGE_TRANSFER_DST_BIT | VK_IMAGE_USAGE_SAMPLED_BIT;
    Check(vkCreateImage(mDevice, &imageInfo, nullptr, &mTexture), "vkCreateImage");
    vkGetImageMemoryRequirements(mDevice, mTexture, &needs);
    allocation.allocationSize = needs.size;
    allocation.memoryTypeIndex =
        MemoryType(needs.memoryTypeBits, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT);
    Check(vkAllocateMemory(mDevice, &allocation, nullptr, &mTextureMemory), "vkAllocateMemory");
    Check(vkBindImageMemory(mDevice, mTexture, mTextureMemory, 0), "vkBindImageMemory");

    auto commandsInfo =
        Structure<VkCommandBufferAllocateInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO);
    commandsInfo.commandPool = mCommandPool;
    commandsInfo.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    commandsInfo.commandBufferCount = 1;
    VkCommandBuffer commands;
    Check(vkAllocateCommandBuffers(mDevice, &commandsInfo, &commands), "vkAllocateCommandBuffers");
    auto begin = Structure<VkCommandBufferBeginInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO);
    begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
    Check(vkBeginCommandBuffer(commands, &begin), "vkBeginCommandBuffer");
    auto barrier = Structure<VkImageMemoryBarrier>(VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER);
    barrier.dstAccessMask = VK_ACCESS_TRANSFER_WRITE_BIT;
    barrier.oldLayout = VK_IMAGE_LAYOUT_UNDEFINED;
    barrier.newLayout = VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL;
    barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.image = mTexture;
    barrier.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
    vkCmdPipelineBarrier(commands, VK_PIPELINE_STAGE_TOP_OF_PIPE_BIT,
                         VK_PIPELINE_STAGE_TRANSFER_BIT, 0, 0, nullptr, 0, nullptr, 1, &barrier);
    VkBufferImageCopy copy = {};
    copy.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
    copy.imageExtent = imageInfo.extent;
    vkCmdCopyBufferToImage(commands, staging, mTexture, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1,
                           &copy);
    barrier.srcAccessMask = VK_ACCESS_TRANSFER_WRITE_BIT;
    barrier.dstAccessMask = VK_ACCESS_SHADER_READ_BIT;
    barrier.oldLayout = VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL;
    barrier.newLayout = VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL;
    vkCmdPipelineBarrier(commands, VK_PIPELINE_STAGE_TRANSFER_BIT,
                         VK_PIPELINE_STAGE_FRAGMENT_SHADER_BIT, 0, 0, nullptr, 0, nullptr, 1,
                         &barrier);
    Check(vkEndCommandBuffer(commands), "vkEndCommandBuffer");
    auto submit = Structure<VkSubmitInfo>(VK_STRUCTURE_TYPE_SUBMIT_INFO);
    submit.commandBufferCount = 1;
    submit.pCommandBuffers = &commands;
    Check(vkQueueSubmit(mQueue, 1, &submit, VK_NULL_HANDLE), "vkQueueSubmit");
    Check(vkQueueWaitIdle(mQueue), "vkQueueWaitIdle");
    vkFreeCommandBuffers(mDevice, mCommandPool, 1, &commands);
    vkDestroyBuffer(mDevice, staging, nullptr);
    vkFreeMemory(mDevice, stagingMemory, nullptr);

    auto view = Structure<VkImageViewCreateInfo>(VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO);
    view.image = mTexture;
    view.viewType = VK_IMAGE_VIEW_TYPE_2D;
    view.format = imageInfo.format;
    view.subresourceRange = barrier.subresourceRange;
    Check(vkCreateImageView(mDevice, &view, nullptr, &mTextureView), "vkCreateImageView");

    auto sampler = Structure<VkSamplerCreateInfo>(VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO);
    sampler.magFilter = VK_FILTER_LINEAR;
    sampler.minFilter = VK_FILTER_LINEAR;
    sampler.mipmapMode = VK_SAMPLER_MIPMAP_MODE_NEAREST;
    sampler.addressModeU = VK_SAMPLER_ADDRESS_MODE_REPEAT;
    sampler.addressModeV = VK_SAMPLER_ADDRESS_MODE_REPEAT;
    sampler.addressModeW = VK_SAMPLER_ADDRESS_MODE_REPEAT;
    Check(vkCreateSampler(mDevice, &sampler, nullptr, &mSampler), "vkCreateSampler");
}

VkShaderModule RawFace::CreateShader(const char* source, shaderc_shader_kind kind, const char* name)
{
    const std::vector<uint32_t> code = CompileGlsl(source, kind, name);
    auto info = Structure<VkShaderModuleCreateInfo>(VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO);
    info.codeSize = code.size() * sizeof(uint32_t);
    info.pCode = code.data();
    VkShaderModule module;
    Check(vkCreateShaderModule(mDevice, &info, nullptr, &module), "vkCreateShaderModule");
    return module;
}

void RawFace::CreatePipeline()
{
    VkDescriptorSetLayoutBinding binding = {};
    binding.descriptorType = VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER;
    binding.descriptorCount = 1;
    binding.stageFlags = VK_SHADER_STAGE_FRAGMENT_BIT;
    auto setLayout = Structure<VkDescriptorSetLayoutCreateInfo>(
        VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO);
    setLayout.bindingCount = 1;
    setLayout.pBindings = &binding;
    Check(vkCreateDescriptorSetLayout(mDevice, &setLayout, nullptr, &mSetLayout),
          "vkCreateDescriptorSetLayout");
    VkDescriptorPoolSize size = {VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER, 1};
    auto pool =
        Structure<VkDescriptorPoolCreateInfo>(VK_STRUCTURE_TYPE_DESCRIPTOR_POOL_CREATE_INFO);
    pool.maxSets = 1;
    pool.poolSizeCount = 1;
    pool.pPoolSizes = &size;
    Check(vkCreateDescriptorPool(mDevice, &pool, nullptr, &mDescriptorPool),
          "vkCreateDescriptorPool");
    auto allocation =
        Structure<VkDescriptorSetAllocateInfo>(VK_STRUCTURE_TYPE_DESCRIPTOR_SET_ALLOCATE_INFO);
    allocation.descriptorPool = mDescriptorPool;
    allocation.descriptorSetCount = 1;
    allocation.pSetLayouts = &mSetLayout;
    Check(vkAllocateDescriptorSets(mDevice, &allocation, &mSet), "vkAllocateDescriptorSets");
    VkDescriptorImageInfo image = {mSampler, mTextureView,
                                   VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL};
    auto write = Structure<VkWriteDescriptorSet>(VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET);
    write.dstSet = mSet;
    write.descriptorCount = 1;
    write.descriptorType = VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER;
    write.pImageInfo = &image;
    vkUpdateDescriptorSets(mDevice, 1, &write, 0, nullptr);

    VkPushConstantRange scroll = {VK_SHADER_STAGE_VERTEX_BIT, 0, 2 * sizeof(float)};
    auto layout =
        Structure<VkPipelineLayoutCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO);
    layout.setLayoutCount = 1;
    layout.pSetLayouts = &mSetLayout;
    layout.pushConstantRangeCount = 1;
    layout.pPushConstantRanges = &scroll;
    Check(vkCreatePipelineLayout(mDevice, &layout, nullptr, &mPipelineLayout),
          "vkCreatePipelineLayout");

    // The triangle covers every pixel, so the image's earlier contents are
    // not loaded and no clear is needed.
    VkAttachmentDescription attachment = {};
    attachment.format = mFormat.format;
    attachment.samples = VK_SAMPLE_COUNT_1_BIT;
    attachment.loadOp = VK_ATTACHMENT_LOAD_OP_DONT_CARE;
    attachment.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
    attachment.stencilLoadOp = VK_ATTACHMENT_LOAD_OP_DONT_CARE;
    attachment.stencilStoreOp = VK_ATTACHMENT_STORE_OP_DONT_CARE;
    attachment.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
    attachment.finalLayout = VK_IMAGE_LAYOUT_PRESENT_SRC_KHR;
    VkAttachmentReference color = {0, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL};
    VkSubpassDescription subpass = {};
    subpass.pipelineBindPoint = VK_PIPELINE_BIND_POINT_GRAPHICS;
    subpass.colorAttachmentCount = 1;
    subpass.pColorAttachments = &color;
    // The layout transition waits for the acquisition's semaphore, which the
    // submission waits for at the colour output stage.
    VkSubpassDependency dependency = {};
    dependency.srcSubpass = VK_SUBPASS_EXTERNAL;
    dependency.dstSubpass = 0;
    dependency.srcStageMask = VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT;
    dependency.dstStageMask = VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT;
    dependency.dstAccessMask = VK_ACCESS_COLOR_ATTACHMENT_WRITE_BIT;
    auto pass = Structure<VkRenderPassCreateInfo>(VK_STRUCTURE_TYPE_RENDER_PASS_CREATE_INFO);
    pass.attachmentCount = 1;
    pass.pAttachments = &attachment;
    pass.subpassCount = 1;
    pass.pSubpasses = &subpass;
    pass.dependencyCount = 1;
    pass.pDependencies = &dependency;
    Check(vkCreateRenderPass(mDevice, &pass, nullptr, &mRenderPass), "vkCreateRenderPass");

    VkShaderModule vertex = CreateShader(kVertexShader, shaderc_vertex_shader, "vertex shader");
    VkShaderModule fragment =
        CreateShader(kFragmentShader, shaderc_fragment_shader, "fragment shader");
    VkPipelineShaderStageCreateInfo stages[2] = {
        Structure<VkPipelineShaderStageCreateInfo>(
            VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO),
        Structure<VkPipelineShaderStageCreateInfo>(
            VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO)};
    stages[0].stage = VK_SHADER_STAGE_VERTEX_BIT;
    stages[0].module = vertex;
    stages[0].pName = "main";
    stages[1].stage = VK_SHADER_STAGE_FRAGMENT_BIT;
    stages[1].module = fragment;
    stages[1].pName = "main";
    auto input = Structure<VkPipelineVertexInputStateCreateInfo>(
        VK_STRUCTURE_TYPE_PIPELINE_VERTEX_INPUT_STATE_CREATE_INFO);
    auto assembly = Structure<VkPipelineInputAssemblyStateCreateInfo>(
        VK_STRUCTURE_TYPE_PIPELINE_INPUT_ASSEMBLY_STATE_CREATE_INFO);
    assembly.topology = VK_PRIMITIVE_TOPOLOGY_TRIANGLE_LIST;
    auto viewport = Structure<VkPipelineViewportStateCreateInfo>(
        VK_STRUCTURE_TYPE_PIPELINE_VIEWPORT_STATE_CREATE_INFO);
    viewport.viewportCount = 1;
    viewport.scissorCount = 1;
    auto raster = Structure<VkPipelineRasterizationStateCreateInfo>(
        VK_STRUCTURE_TYPE_PIPELINE_RASTERIZATION_STATE_CREATE_INFO);
    raster.polygonMode = VK_POLYGON_MODE_FILL;
    raster.cullMode = VK_CULL_MODE_NONE;
    raster.lineWidth = 1.0f;
    auto multisample = Structure<VkPipelineMultisampleStateCreateInfo>(
        VK_STRUCTURE_TYPE_PIPELINE_MULTISAMPLE_STATE_CREATE_INFO);
    multisample.rasterizationSamples = VK_SAMPLE_COUNT_1_BIT;
    VkPipelineColorBlendAttachmentState blendAttachment = {};
    blendAttachment.colorWriteMask = VK_COLOR_COMPONENT_R_BIT | VK_COLOR_COMPONENT_G_BIT |
                                     VK_COLOR_COMPONENT_B_BIT | VK_COLOR_COMPONENT_A_BIT;
    auto blend = Structure<VkPipelineColorBlendStateCreateInfo>(
        VK_STRUCTURE_TYPE_PIPELINE_COLOR_BLEND_STATE_CREATE_INFO);
    blend.attachmentCount = 1;
    blend.pAttachments = &blendAttachment;
    // The viewport and scissor follow the swap chain, which is made again on
    // resizing, without a new pipeline.
    const VkDynamicState dynamicStates[2] = {VK_DYNAMIC_STATE_VIEWPORT, VK_DYNAMIC_STATE_SCISSOR};
    auto dynamic = Structure<VkPipelineDynamicStateCreateInfo>(
        VK_STRUCTURE_TYPE_PIPELINE_DYNAMIC_STATE_CREATE_INFO);
    dynamic.dynamicStateCount = 2;
    dynamic.pDynamicStates = dynamicStates;
    auto info =
        Structure<VkGraphicsPipelineCreateInfo>(VK_STRUCTURE_TYPE_GRAPHICS_PIPELINE_CREATE_INFO);
    info.stageCount = 2;
    info.pStages = stages;
    info.pVertexInputState = &input;
    info.pInputAssemblyState = &assembly;
    info.pViewportState = &viewport;
    info.pRasterizationState = &raster;
    info.pMultisampleState = &multisample;
    info.pColorBlendState = &blend;
    info.pDynamicState = &dynamic;
    info.layout = mPipelineLayout;
    info.renderPass = mRenderPass;
    Check(vkCreateGraphicsPipelines(mDevice, VK_NULL_HANDLE, 1, &info, nullptr, &mPipeline),
          "vkCreateGraphicsPipelines");
    vkDestroyShaderModule(mDevice, vertex, nullptr);
    vkDestroyShaderModule(mDevice, fragment, nullptr);
}

void RawFace::CreateFrames()
{
    for (Frame& frame : mFrames)
    {
        auto commands =
            Structure<VkCommandBufferAllocateInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO);
        commands.commandPool = mCommandPool;
        commands.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
        commands.commandBufferCount = 1;
        Check(vkAllocateCommandBuffers(mDevice, &commands, &frame.Commands),
              "vkAllocateCommandBuffers");
        auto semaphore = Structure<VkSemaphoreCreateInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO);
        Check(vkCreateSemaphore(mDevice, &semaphore, nullptr, &frame.Acquired),
              "vkCreateSemaphore");
        // Signalled, so that the first wait for the frame returns at once.
        auto fence = Structure<VkFenceCreateInfo>(VK_STRUCTURE_TYPE_FENCE_CREATE_INFO);
        fence.flags = VK_FENCE_CREATE_SIGNALED_BIT;
        Check(vkCreateFence(mDevice, &fence, nullptr, &frame.Done), "vkCreateFence");
    }
}

void RawFace::CreateSwapchain()
{
    VkSurfaceCapabilitiesKHR caps;
    Check(vkGetPhysicalDeviceSurfaceCapabilitiesKHR(mGpu, mSurface, &caps),
          "vkGetPhysicalDeviceSurfaceCapabilitiesKHR");
    mExtent = caps.currentExtent;
    // Where the surface takes its size from the swap chain (Wayland), the
    // window's drawable size is the one to draw at.
    if (mExtent.width == UINT32_MAX)
    {
        int width = 0;
        int height = 0;
        SDL_Vulkan_GetDrawableSize(mWindow, &width, &height);
        mExtent.width =
            std::clamp(uint32_t(width), caps.minImageExtent.width, caps.maxImageExtent.width);
        mExtent.height =
            std::clamp(uint32_t(height), caps.minImageExtent.height, caps.maxImageExtent.height);
    }
    // A minimised window has no size: there is nothing to draw to.
    if (mExtent.width == 0 || mExtent.height == 0)
        return;

    uint32_t images = caps.minImageCount + 1;
    if (caps.maxImageCount != 0)
        images = std::min(images, caps.maxImageCount);
    VkCompositeAlphaFlagBitsKHR alpha = VK_COMPOSITE_ALPHA_OPAQUE_BIT_KHR;
    if (!(caps.supportedCompositeAlpha & alpha))
        alpha = VkCompositeAlphaFlagBitsKHR(caps.supportedCompositeAlpha &
                                            -caps.supportedCompositeAlpha);
    VkSwapchainKHR old = mSwapchain;
    auto info = Structure<VkSwapchainCreateInfoKHR>(VK_STRUCTURE_TYPE_SWAPCHAIN_CREATE_INFO_KHR);
    info.surface = mSurface;
    info.minImageCount = images;
    info.imageFormat = mFormat.format;
    info.imageColorSpace = mFormat.colorSpace;
    info.imageExtent = mExtent;
    info.imageArrayLayers = 1;
    info.imageUsage = VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT;
    info.imageSharingMode = VK_SHARING_MODE_EXCLUSIVE;
    info.preTransform = caps.currentTransform;
    info.compositeAlpha = alpha;
    info.presentMode = mPresentMode;
    info.clipped = VK_TRUE;
    info.oldSwapchain = old;
    Check(vkCreateSwapchainKHR(mDevice, &info, nullptr, &mSwapchain), "vkCreateSwapchainKHR");
    if (old != VK_NULL_HANDLE)
        vkDestroySwapchainKHR(mDevice, old, nullptr);

    uint32_t count = 0;
    vkGetSwapchainImagesKHR(mDevice, mSwapchain, &count, nullptr);
    std::vector<VkImage> swapchainImages(count);
    vkGetSwapchainImagesKHR(mDevice, mSwapchain, &count, swapchainImages.data());
    for (VkImage image : swapchainImages)
    {
        auto view = Structure<VkImageViewCreateInfo>(VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO);
        view.image = image;
        view.viewType = VK_IMAGE_VIEW_TYPE_2D;
        view.format = mFormat.format;
        view.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
        mViews.push_back(VK_NULL_HANDLE);
        Check(vkCreateImageView(mDevice, &view, nullptr, &mViews.back()), "vkCreateImageView");
        auto framebuffer =
            Structure<VkFramebufferCreateInfo>(VK_STRUCTURE_TYPE_FRAMEBUFFER_CREATE_INFO);
        framebuffer.renderPass = mRenderPass;
        framebuffer.attachmentCount = 1;
        framebuffer.pAttachments = &mViews.back();
        framebuffer.width = mExtent.width;
        framebuffer.height = mExtent.height;
        framebuffer.layers = 1;
        mFramebuffers.push_back(VK_NULL_HANDLE);
        Check(vkCreateFramebuffer(mDevice, &framebuffer, nullptr, &mFramebuffers.back()),
              "vkCreateFramebuffer");
        auto semaphore = Structure<VkSemaphoreCreateInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO);
        mRendered.push_back(VK_NULL_HANDLE);
        Check(vkCreateSemaphore(mDevice, &semaphore, nullptr, &mRendered.back()),
              "vkCreateSemaphore");
    }
}

// The images' views, framebuffers and semaphores; the swap chain itself is
// handed to the next one as its old swap chain, or destroyed at the end.
void RawFace::DestroySwapchain()
{
    for (VkFramebuffer framebuffer : mFramebuffers)
        vkDestroyFramebuffer(mDevice, framebuffer, nullptr);
    for (VkImageView view : mViews)
        vkDestroyImageView(mDevice, view, nullptr);
    for (VkSemaphore semaphore : mRendered)
        vkDestroySemaphore(mDevice, semaphore, nullptr);
    mFramebuffers.clear();
    mViews.clear();
    mRendered.clear();
}

void RawFace::RecreateSwapchain()
{
    vkDeviceWaitIdle(mDevice);
    DestroySwapchain();
    CreateSwapchain();
    mResized = false;
}

bool RawFace::DrawFrame(float seconds)
{
    if (mViews.empty())
    {
        RecreateSwapchain();
        return false;
    }
    Frame& frame = mFrames[mFrameIndex];
    Check(vkWaitForFences(mDevice, 1, &frame.Done, VK_TRUE, UINT64_MAX), "vkWaitForFences");
    uint32_t image = 0;
    const VkResult acquired = vkAcquireNextImageKHR(mDevice, mSwapchain, UINT64_MAX, frame.Acquired,
                                                    VK_NULL_HANDLE, &image);
    if (acquired == VK_ERROR_OUT_OF_DATE_KHR)
    {
        RecreateSwapchain();
        return false;
    }
    if (acquired != VK_SUBOPTIMAL_KHR)
        Check(acquired, "vkAcquireNextImageKHR");
    // Reset only once an image is certain to be drawn, or the next wait for
    // this frame would never return.
    Check(vkResetFences(mDevice, 1, &frame.Done), "vkResetFences");

    Check(vkResetCommandBuffer(frame.Commands, 0), "vkResetCommandBuffer");
    auto begin = Structure<VkCommandBufferBeginInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO);
    begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
    Check(vkBeginCommandBuffer(frame.Commands, &begin), "vkBeginCommandBuffer");
    auto pass = Structure<VkRenderPassBeginInfo>(VK_STRUCTURE_TYPE_RENDER_PASS_BEGIN_INFO);
    pass.renderPass = mRenderPass;
    pass.framebuffer = mFramebuffers[image];
    pass.renderArea.extent = mExtent;
    vkCmdBeginRenderPass(frame.Commands, &pass, VK_SUBPASS_CONTENTS_INLINE);
    vkCmdBindPipeline(frame.Commands, VK_PIPELINE_BIND_POINT_GRAPHICS, mPipeline);
    vkCmdBindDescriptorSets(frame.Commands, VK_PIPELINE_BIND_POINT_GRAPHICS, mPipelineLayout, 0, 1,
                            &mSet, 0, nullptr);
    const VkViewport viewport = {0.0f, 0.0f, float(mExtent.width), float(mExtent.height),
                                 0.0f, 1.0f};
    vkCmdSetViewport(frame.Commands, 0, 1, &viewport);
    vkCmdSetScissor(frame.Commands, 0, 1, &pass.renderArea);
    const float scroll[2] = {0.1f * seconds, 0.05f * seconds};
    vkCmdPushConstants(frame.Commands, mPipelineLayout, VK_SHADER_STAGE_VERTEX_BIT, 0,
                       sizeof(scroll), scroll);
    vkCmdDraw(frame.Commands, 3, 1, 0, 0);
    vkCmdEndRenderPass(frame.Commands);
    Check(vkEndCommandBuffer(frame.Commands), "vkEndCommandBuffer");

    const VkPipelineStageFlags waitStage = VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT;
    auto submit = Structure<VkSubmitInfo>(VK_STRUCTURE_TYPE_SUBMIT_INFO);
    submit.waitSemaphoreCount = 1;
    submit.pWaitSemaphores = &frame.Acquired;
    submit.pWaitDstStageMask = &waitStage;
    submit.commandBufferCount = 1;
    submit.pCommandBuffers = &frame.Commands;
    submit.signalSemaphoreCount = 1;
    submit.pSignalSemaphores = &mRendered[image];
    Check(vkQueueSubmit(mQueue, 1, &submit, frame.Done), "vkQueueSubmit");

    auto present = Structure<VkPresentInfoKHR>(VK_STRUCTURE_TYPE_PRESENT_INFO_KHR);
    present.waitSemaphoreCount = 1;
    present.pWaitSemaphores = &mRendered[image];
    present.swapchainCount = 1;
    present.pSwapchains = &mSwapchain;
    present.pImageIndices = &image;
    const VkResult presented = vkQueuePresentKHR(mQueue, &present);
    mFrameIndex = (mFrameIndex + 1) % kFramesInFlight;
    if (presented == VK_ERROR_OUT_OF_DATE_KHR || presented == VK_SUBOPTIMAL_KHR ||
        acquired == VK_SUBOPTIMAL_KHR || mResized)
        RecreateSwapchain();
    else
        Check(presented, "vkQueuePresentKHR");
    return true;
}

void RawFace::Destroy()
{
    vkDeviceWaitIdle(mDevice);
    DestroySwapchain();
    vkDestroySwapchainKHR(mDevice, mSwapchain, nullptr);
    for (Frame& frame : mFrames)
    {
        vkDestroyFence(mDevice, frame.Done, nullptr);
        vkDestroySemaphore(mDevice, frame.Acquired, nullptr);
    }
    vkDestroyPipeline(mDevice, mPipeline, nullptr);
    vkDestroyPipelineLayout(mDevice, mPipelineLayout, nullptr);
    vkDestroyRenderPass(mDevice, mRenderPass, nullptr);
    vkDestroyDescriptorPool(mDevice, mDescriptorPool, nullptr);
    vkDestroyDescriptorSetLayout(mDevice, mSetLayout, nullptr);
    vkDestroySampler(mDevice, mSampler, nullptr);
    vkDestroyImageView(mDevice, mTextureView, nullptr);
    vkDestroyImage(mDevice, mTexture, nullptr);
    vkFreeMemory(mDevice, mTextureMemory, nullptr);
    vkDestroyCommandPool(mDevice, mCommandPool, nullptr);
    vkDestroyDevice(mDevice, nullptr);
    vkDestroySurfaceKHR(mInstance, mSurface, nullptr);
    vkDestroyInstance(mInstance, nullptr);
}

bool ParseArguments(int argc, char** argv, int& width, int& height, int& seconds)
{
    if (argc < 2 || argc > 3 || std::sscanf(argv[1], "%dx%d", &width, &height) != 2 || width <= 0 ||
        height <= 0)
        return false;
    seconds = argc == 3 ? std::atoi(argv[2]) : 15;
    return seconds > 0;
}
} // namespace

int main(int argc, char** argv)
{
    int width = 0;
    int height = 0;
    int seconds = 0;
    if (!ParseArguments(argc, argv, width, height, seconds))
    {
        std::fprintf(stderr, "usage: raw_face WIDTHxHEIGHT [SECONDS]\n");
        return 2;
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        Fail("SDL_Init", SDL_GetError());
    SDL_Window* window =
        SDL_CreateWindow("raw face", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width,
                         height, SDL_WINDOW_VULKAN);
    if (!window)
        Fail("SDL_CreateWindow", SDL_GetError());
    RawFace face(window);
    face.Create();

    // Frames begun in each whole second of running time.
    std::vector<int> frames(size_t(seconds), 0);
    const auto start = std::chrono::steady_clock::now();
    bool running = true;
    int titled = 0;
    int completed = 0;
    while (running)
    {
        SDL_Event event;
        while (SDL_PollEvent(&event))
        {
            if (event.type == SDL_QUIT)
                running = false;
            else if (event.type == SDL_WINDOWEVENT &&
                     event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                face.Resized();
        }
        const float t =
            std::chrono::duration<float>(std::chrono::steady_clock::now() - start).count();
        const int second = int(t);
        completed = second;
        if (second >= seconds)
            break;
        if (running && face.DrawFrame(t))
            ++frames[size_t(second)];
        if (second > titled)
        {
            titled = second;
            const float fps = float(frames[size_t(second - 1)]);
            const std::string title = "raw face    fps: " + std::to_string(fps) +
                                      "   mspf: " + std::to_string(1000.0f / fps);
            SDL_SetWindowTitle(window, title.c_str());
        }
    }
    face.Destroy();
    SDL_DestroyWindow(window);
    SDL_Quit();

    // From 5 s to 15 s, as the demo is measured; a run of 5 s or less (or one
    // closed that early) is measured whole. Only whole seconds count.
    const int last = std::min({completed, seconds, 15});
    const int first = last > 5 ? 5 : 0;
    int total = 0;
    int fewest = frames[size_t(first)];
    int most = fewest;
    for (int second = first; second < last; ++second)
    {
        total += frames[size_t(second)];
        fewest = std::min(fewest, frames[size_t(second)]);
        most = std::max(most, frames[size_t(second)]);
    }
    const VkExtent2D extent = face.Extent();
    std::printf("present mode: %s\ndrawn at: %ux%u\ndevice: %s\n",
                PresentModeName(face.PresentMode()), extent.width, extent.height,
                face.DeviceName());
    if (total == 0)
    {
        std::printf("ms per frame: ?\n");
        return 1;
    }
    std::printf("ms per frame: %.1f (%.1f-%.1f)\n", 1000.0 * (last - first) / total,
                1000.0 / fewest, 1000.0 / most);
    return 0;
}
