// "Shaders/Default.hlsl" drawn on Vulkan with the validation layer on: its
// byte code bound the way the runtime binds it (one push-descriptor set,
// bindings from the register scheme, vertex inputs matched by semantic), and
// the pictures it makes from known records. A small quad fills the right half
// of a 16 x 16 target; its texture is two texels wide.
#include "FrameResource.h"
#include "ShaderCompilation.h"

#include <gtest/gtest.h>
#include <vulkan/vulkan.h>

#include <array>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace
{

using shader_bytecode::BindingForRegister;
using shader_bytecode::ResourceKind;
using shader_bytecode::ShaderBytecode;

constexpr uint32_t TargetSize = 16;
constexpr VkFormat TargetFormat = VK_FORMAT_R8G8B8A8_UNORM;
// Records 256 bytes apart, as constant-buffer views require.
constexpr VkDeviceSize ObjectOffset = 0, MaterialOffset = 256, PassOffset = 512;
constexpr std::array<uint8_t, 8> Texels = {255, 255, 128, 255, 0, 128, 255, 255};

// A Vulkan description with its type set and every other member zero.
template <class Description> Description Described(VkStructureType type, const void* next = nullptr)
{
    Description description{};
    description.sType = type;
    description.pNext = const_cast<void*>(next); // some chains are declared non-const
    return description;
}

void Check(VkResult result, const char* what)
{
    if (result != VK_SUCCESS)
        throw std::runtime_error(std::string(what) + " failed: " + std::to_string(result));
}

struct Vertex
{
    float Position[3];
    float Normal[3];
    float TexCoord[2];
};

// The vertex layout of the scene, as semantic, format and offset.
struct InputElement
{
    const char* Semantic;
    VkFormat Format;
    uint32_t Offset;
};
const InputElement InputLayout[] = {{"POSITION", VK_FORMAT_R32G32B32_SFLOAT, 0},
                                    {"NORMAL", VK_FORMAT_R32G32B32_SFLOAT, 12},
                                    {"TEXCOORD", VK_FORMAT_R32G32_SFLOAT, 24}};

class DefaultShaderRender : public testing::Test
{
protected:
    void SetUp() override
    {
        CreateDevice();
        if (mDevice == VK_NULL_HANDLE)
            return;
        CreateResources();
        CreatePipeline();
    }

    void TearDown() override
    {
        if (mDevice != VK_NULL_HANDLE)
        {
            vkDeviceWaitIdle(mDevice);
            vkDestroyPipeline(mDevice, mPipeline, nullptr);
            vkDestroyPipelineLayout(mDevice, mPipelineLayout, nullptr);
            vkDestroyDescriptorSetLayout(mDevice, mSetLayout, nullptr);
            vkDestroySampler(mDevice, mSampler, nullptr);
            for (VkImageView view : {mTargetView, mTextureView})
                vkDestroyImageView(mDevice, view, nullptr);
            for (VkImage image : {mTarget, mTexture})
                vkDestroyImage(mDevice, image, nullptr);
            for (VkBuffer buffer : {mVertices, mConstants, mUpload, mReadback})
                vkDestroyBuffer(mDevice, buffer, nullptr);
            for (VkDeviceMemory memory : mMemory)
                vkFreeMemory(mDevice, memory, nullptr);
            vkDestroyCommandPool(mDevice, mPool, nullptr);
            vkDestroyDevice(mDevice, nullptr);
        }
        if (mInstance != VK_NULL_HANDLE)
        {
            auto destroy = reinterpret_cast<PFN_vkDestroyDebugUtilsMessengerEXT>(
                vkGetInstanceProcAddr(mInstance, "vkDestroyDebugUtilsMessengerEXT"));
            if (destroy && mMessenger != VK_NULL_HANDLE)
                destroy(mInstance, mMessenger, nullptr);
            vkDestroyInstance(mInstance, nullptr);
        }
        EXPECT_EQ(mValidationMessages, "") << "the validation layer reported problems";
    }

    bool Skipped() const { return mDevice == VK_NULL_HANDLE; }

    // Draws the quad with these records and returns the target's pixels.
    std::vector<uint8_t> Draw(const PerObjectConstants& object,
                              const PerMaterialConstants& material, const PerPassConstants& pass);

    // The RGBA bytes at a pixel of a drawn picture.
    static std::array<int, 4> Pixel(const std::vector<uint8_t>& picture, uint32_t x, uint32_t y)
    {
        const uint8_t* p = picture.data() + (size_t(y) * TargetSize + x) * 4;
        return {p[0], p[1], p[2], p[3]};
    }

    // Records that light the quad's face straight on with nothing but `light`.
    static PerPassConstants DarkPass()
    {
        PerPassConstants pass;
        pass.AmbientColor[3] = 1.0f;
        for (LightRecord& light : pass.Lights)
            std::fill(std::begin(light.LightColor), std::end(light.LightColor), 0.0f);
        // Far in front of the face, so every pixel sees it head on.
        pass.EyePosition[2] = -1000.0f;
        return pass;
    }

private:
    void CreateDevice();
    void CreateResources();
    void CreatePipeline();
    VkShaderModule ShaderModule(const ShaderBytecode& shader);
    uint32_t MemoryType(uint32_t allowed, VkMemoryPropertyFlags flags) const;
    VkDeviceMemory Allocate(const VkMemoryRequirements& needs, VkMemoryPropertyFlags flags);
    VkBuffer MakeBuffer(VkDeviceSize size, VkBufferUsageFlags usage, void** mapped);
    VkImage MakeImage(uint32_t width, uint32_t height, VkImageUsageFlags usage, VkImageView* view);
    void Record(VkCommandBuffer commands);

    static VKAPI_ATTR VkBool32 VKAPI_CALL
    OnValidationMessage(VkDebugUtilsMessageSeverityFlagBitsEXT, VkDebugUtilsMessageTypeFlagsEXT,
                        const VkDebugUtilsMessengerCallbackDataEXT* data, void* self)
    {
        static_cast<DefaultShaderRender*>(self)->mValidationMessages +=
            std::string(data->pMessage) + "\n";
        return VK_FALSE;
    }

    std::string mValidationMessages;
    VkInstance mInstance = VK_NULL_HANDLE;
    VkDebugUtilsMessengerEXT mMessenger = VK_NULL_HANDLE;
    VkPhysicalDevice mPhysical = VK_NULL_HANDLE;
    VkDevice mDevice = VK_NULL_HANDLE;
    VkQueue mQueue = VK_NULL_HANDLE;
    VkCommandPool mPool = VK_NULL_HANDLE;
    std::vector<VkDeviceMemory> mMemory;
    VkBuffer mVertices = VK_NULL_HANDLE, mConstants = VK_NULL_HANDLE;
    VkBuffer mUpload = VK_NULL_HANDLE, mReadback = VK_NULL_HANDLE;
    void* mConstantBytes = nullptr;
    void* mReadbackBytes = nullptr;
    VkImage mTarget = VK_NULL_HANDLE, mTexture = VK_NULL_HANDLE;
    VkImageView mTargetView = VK_NULL_HANDLE, mTextureView = VK_NULL_HANDLE;
    VkSampler mSampler = VK_NULL_HANDLE;
    VkDescriptorSetLayout mSetLayout = VK_NULL_HANDLE;
    VkPipelineLayout mPipelineLayout = VK_NULL_HANDLE;
    VkPipeline mPipeline = VK_NULL_HANDLE;
    PFN_vkCmdPushDescriptorSetKHR mPushDescriptors = nullptr;
};

void DefaultShaderRender::CreateDevice()
{
    auto app = Described<VkApplicationInfo>(VK_STRUCTURE_TYPE_APPLICATION_INFO);
    app.apiVersion = VK_API_VERSION_1_3;
    const char* layer = "VK_LAYER_KHRONOS_validation";
    const char* extension = VK_EXT_DEBUG_UTILS_EXTENSION_NAME;
    auto messenger = Described<VkDebugUtilsMessengerCreateInfoEXT>(
        VK_STRUCTURE_TYPE_DEBUG_UTILS_MESSENGER_CREATE_INFO_EXT);
    messenger.messageSeverity = VK_DEBUG_UTILS_MESSAGE_SEVERITY_WARNING_BIT_EXT |
                                VK_DEBUG_UTILS_MESSAGE_SEVERITY_ERROR_BIT_EXT;
    messenger.messageType = VK_DEBUG_UTILS_MESSAGE_TYPE_GENERAL_BIT_EXT |
                            VK_DEBUG_UTILS_MESSAGE_TYPE_VALIDATION_BIT_EXT |
                            VK_DEBUG_UTILS_MESSAGE_TYPE_PERFORMANCE_BIT_EXT;
    messenger.pfnUserCallback = OnValidationMessage;
    messenger.pUserData = this;
    auto instance =
        Described<VkInstanceCreateInfo>(VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO, &messenger);
    instance.pApplicationInfo = &app;
    instance.enabledLayerCount = 1;
    instance.ppEnabledLayerNames = &layer;
    instance.enabledExtensionCount = 1;
    instance.ppEnabledExtensionNames = &extension;
    Check(vkCreateInstance(&instance, nullptr, &mInstance), "vkCreateInstance with validation");
    auto create = reinterpret_cast<PFN_vkCreateDebugUtilsMessengerEXT>(
        vkGetInstanceProcAddr(mInstance, "vkCreateDebugUtilsMessengerEXT"));
    Check(create(mInstance, &messenger, nullptr, &mMessenger), "vkCreateDebugUtilsMessengerEXT");

    uint32_t count = 1;
    VkResult listed = vkEnumeratePhysicalDevices(mInstance, &count, &mPhysical);
    if ((listed != VK_SUCCESS && listed != VK_INCOMPLETE) || count == 0)
        return; // no Vulkan device: the tests skip

    float priority = 1.0f;
    auto queue = Described<VkDeviceQueueCreateInfo>(VK_STRUCTURE_TYPE_DEVICE_QUEUE_CREATE_INFO);
    queue.queueFamilyIndex = 0; // lavapipe and every desktop driver: graphics first
    queue.queueCount = 1;
    queue.pQueuePriorities = &priority;
    auto features13 = Described<VkPhysicalDeviceVulkan13Features>(
        VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES);
    features13.dynamicRendering = VK_TRUE;
    features13.synchronization2 = VK_TRUE;
    const char* pushDescriptor = VK_KHR_PUSH_DESCRIPTOR_EXTENSION_NAME;
    auto device = Described<VkDeviceCreateInfo>(VK_STRUCTURE_TYPE_DEVICE_CREATE_INFO, &features13);
    device.queueCreateInfoCount = 1;
    device.pQueueCreateInfos = &queue;
    device.enabledExtensionCount = 1;
    device.ppEnabledExtensionNames = &pushDescriptor;
    Check(vkCreateDevice(mPhysical, &device, nullptr, &mDevice), "vkCreateDevice");
    vkGetDeviceQueue(mDevice, 0, 0, &mQueue);
    mPushDescriptors = reinterpret_cast<PFN_vkCmdPushDescriptorSetKHR>(
        vkGetDeviceProcAddr(mDevice, "vkCmdPushDescriptorSetKHR"));

    auto pool = Described<VkCommandPoolCreateInfo>(VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO);
    Check(vkCreateCommandPool(mDevice, &pool, nullptr, &mPool), "vkCreateCommandPool");
}

uint32_t DefaultShaderRender::MemoryType(uint32_t allowed, VkMemoryPropertyFlags flags) const
{
    VkPhysicalDeviceMemoryProperties properties;
    vkGetPhysicalDeviceMemoryProperties(mPhysical, &properties);
    for (uint32_t i = 0; i < properties.memoryTypeCount; ++i)
        if ((allowed & (1u << i)) && (properties.memoryTypes[i].propertyFlags & flags) == flags)
            return i;
    throw std::runtime_error("no suitable memory type");
}

VkDeviceMemory DefaultShaderRender::Allocate(const VkMemoryRequirements& needs,
                                             VkMemoryPropertyFlags flags)
{
    auto info = Described<VkMemoryAllocateInfo>(VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO);
    info.allocationSize = needs.size;
    info.memoryTypeIndex = MemoryType(needs.memoryTypeBits, flags);
    VkDeviceMemory memory;
    Check(vkAllocateMemory(mDevice, &info, nullptr, &memory), "vkAllocateMemory");
    mMemory.push_back(memory);
    return memory;
}

VkBuffer DefaultShaderRender::MakeBuffer(VkDeviceSize size, VkBufferUsageFlags usage, void** mapped)
{
    auto info = Described<VkBufferCreateInfo>(VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO);
    info.size = size;
    info.usage = usage;
    VkBuffer buffer;
    Check(vkCreateBuffer(mDevice, &info, nullptr, &buffer), "vkCreateBuffer");
    VkMemoryRequirements needs;
    vkGetBufferMemoryRequirements(mDevice, buffer, &needs);
    VkDeviceMemory memory =
        Allocate(needs, VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT);
    Check(vkBindBufferMemory(mDevice, buffer, memory, 0), "vkBindBufferMemory");
    Check(vkMapMemory(mDevice, memory, 0, VK_WHOLE_SIZE, 0, mapped), "vkMapMemory");
    return buffer;
}

VkImage DefaultShaderRender::MakeImage(uint32_t width, uint32_t height, VkImageUsageFlags usage,
                                       VkImageView* view)
{
    auto info = Described<VkImageCreateInfo>(VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO);
    info.imageType = VK_IMAGE_TYPE_2D;
    info.format = TargetFormat;
    info.extent = {width, height, 1};
    info.mipLevels = 1;
    info.arrayLayers = 1;
    info.samples = VK_SAMPLE_COUNT_1_BIT;
    info.tiling = VK_IMAGE_TILING_OPTIMAL;
    info.usage = usage;
    VkImage image;
    Check(vkCreateImage(mDevice, &info, nullptr, &image), "vkCreateImage");
    VkMemoryRequirements needs;
    vkGetImageMemoryRequirements(mDevice, image, &needs);
    Check(vkBindImageMemory(mDevice, image, Allocate(needs, 0), 0), "vkBindImageMemory");

    auto viewInfo = Described<VkImageViewCreateInfo>(VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO);
    viewInfo.image = image;
    viewInfo.viewType = VK_IMAGE_VIEW_TYPE_2D;
    viewInfo.format = TargetFormat;
    viewInfo.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
    Check(vkCreateImageView(mDevice, &viewInfo, nullptr, view), "vkCreateImageView");
    return image;
}

void DefaultShaderRender::CreateResources()
{
    // The quad covers x in [-1, 0]; every test moves it right by one with
    // its world matrix. Its normal faces the viewer, who looks along +z.
    const Vertex corners[] = {{{-1, -1, 0.5f}, {0, 0, -1}, {0.25f, 0.5f}},
                              {{-1, 1, 0.5f}, {0, 0, -1}, {0.25f, 0.5f}},
                              {{0, 1, 0.5f}, {0, 0, -1}, {0.25f, 0.5f}},
                              {{0, -1, 0.5f}, {0, 0, -1}, {0.25f, 0.5f}}};
    const Vertex quad[] = {corners[0], corners[1], corners[2], corners[0], corners[2], corners[3]};
    void* vertexBytes;
    mVertices = MakeBuffer(sizeof quad, VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, &vertexBytes);
    std::memcpy(vertexBytes, quad, sizeof quad);

    mConstants = MakeBuffer(PassOffset + sizeof(PerPassConstants),
                            VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT, &mConstantBytes);
    void* uploadBytes;
    mUpload = MakeBuffer(Texels.size(), VK_BUFFER_USAGE_TRANSFER_SRC_BIT, &uploadBytes);
    std::memcpy(uploadBytes, Texels.data(), Texels.size());
    mReadback =
        MakeBuffer(TargetSize * TargetSize * 4, VK_BUFFER_USAGE_TRANSFER_DST_BIT, &mReadbackBytes);
    mTarget = MakeImage(TargetSize, TargetSize,
                        VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT | VK_IMAGE_USAGE_TRANSFER_SRC_BIT,
                        &mTargetView);
    mTexture = MakeImage(2, 1, VK_IMAGE_USAGE_SAMPLED_BIT | VK_IMAGE_USAGE_TRANSFER_DST_BIT,
                         &mTextureView);

    // The trilinear wrap sampler of register s2.
    auto sampler = Described<VkSamplerCreateInfo>(VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO);
    sampler.magFilter = sampler.minFilter = VK_FILTER_LINEAR;
    sampler.mipmapMode = VK_SAMPLER_MIPMAP_MODE_LINEAR;
    sampler.addressModeU = sampler.addressModeV = sampler.addressModeW =
        VK_SAMPLER_ADDRESS_MODE_REPEAT;
    sampler.maxLod = VK_LOD_CLAMP_NONE;
    Check(vkCreateSampler(mDevice, &sampler, nullptr, &mSampler), "vkCreateSampler");
}

VkShaderModule DefaultShaderRender::ShaderModule(const ShaderBytecode& shader)
{
    auto info = Described<VkShaderModuleCreateInfo>(VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO);
    info.codeSize = shader.Spirv.size() * 4;
    info.pCode = shader.Spirv.data();
    VkShaderModule module;
    Check(vkCreateShaderModule(mDevice, &info, nullptr, &module), "vkCreateShaderModule");
    return module;
}

void DefaultShaderRender::CreatePipeline()
{
    // The root signature's registers: b0-b2 for every stage, t0 and the six
    // samplers for the pixel shader, all in one push-descriptor set.
    std::vector<VkDescriptorSetLayoutBinding> bindings;
    for (uint32_t b = 0; b < 3; ++b)
        bindings.push_back({BindingForRegister(ResourceKind::ConstantBuffer, b),
                            VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, 1, VK_SHADER_STAGE_ALL_GRAPHICS,
                            nullptr});
    bindings.push_back({BindingForRegister(ResourceKind::Texture, 0),
                        VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE, 1, VK_SHADER_STAGE_FRAGMENT_BIT,
                        nullptr});
    for (uint32_t s = 0; s < 6; ++s)
        bindings.push_back({BindingForRegister(ResourceKind::Sampler, s),
                            VK_DESCRIPTOR_TYPE_SAMPLER, 1, VK_SHADER_STAGE_FRAGMENT_BIT, nullptr});
    auto set = Described<VkDescriptorSetLayoutCreateInfo>(
        VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO);
    set.flags = VK_DESCRIPTOR_SET_LAYOUT_CREATE_PUSH_DESCRIPTOR_BIT_KHR;
    set.bindingCount = uint32_t(bindings.size());
    set.pBindings = bindings.data();
    Check(vkCreateDescriptorSetLayout(mDevice, &set, nullptr, &mSetLayout),
          "vkCreateDescriptorSetLayout");
    auto layout =
        Described<VkPipelineLayoutCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO);
    layout.setLayoutCount = 1;
    layout.pSetLayouts = &mSetLayout;
    Check(vkCreatePipelineLayout(mDevice, &layout, nullptr, &mPipelineLayout),
          "vkCreatePipelineLayout");

    Compilation vsCompilation = CompileHlsl("Shaders/Default.hlsl", "VS", "vs_5_1");
    Compilation psCompilation = CompileHlsl("Shaders/Default.hlsl", "PS", "ps_5_1");
    ASSERT_EQ(vsCompilation.Result, S_OK) << vsCompilation.Messages;
    ASSERT_EQ(psCompilation.Result, S_OK) << psCompilation.Messages;
    const ShaderBytecode vs = vsCompilation.Bytecode(), ps = psCompilation.Bytecode();

    // The input layout matched to the vertex shader's inputs by semantic.
    std::vector<VkVertexInputAttributeDescription> attributes;
    for (const auto& input : vs.Inputs)
        for (const InputElement& element : InputLayout)
            if (input.SemanticName == element.Semantic && input.SemanticIndex == 0)
                attributes.push_back({input.Location, 0, element.Format, element.Offset});
    ASSERT_EQ(attributes.size(), vs.Inputs.size()) << "an input the layout lacks";
    VkVertexInputBindingDescription vertexBinding{0, sizeof(Vertex), VK_VERTEX_INPUT_RATE_VERTEX};
    auto vertexInput = Described<VkPipelineVertexInputStateCreateInfo>(
        VK_STRUCTURE_TYPE_PIPELINE_VERTEX_INPUT_STATE_CREATE_INFO);
    vertexInput.vertexBindingDescriptionCount = 1;
    vertexInput.pVertexBindingDescriptions = &vertexBinding;
    vertexInput.vertexAttributeDescriptionCount = uint32_t(attributes.size());
    vertexInput.pVertexAttributeDescriptions = attributes.data();

    VkPipelineShaderStageCreateInfo stages[2] = {
        {VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO, nullptr, 0,
         VK_SHADER_STAGE_VERTEX_BIT, ShaderModule(vs), vs.EntryPoint.c_str(), nullptr},
        {VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO, nullptr, 0,
         VK_SHADER_STAGE_FRAGMENT_BIT, ShaderModule(ps), ps.EntryPoint.c_str(), nullptr}};
    auto assembly = Described<VkPipelineInputAssemblyStateCreateInfo>(
        VK_STRUCTURE_TYPE_PIPELINE_INPUT_ASSEMBLY_STATE_CREATE_INFO);
    assembly.topology = VK_PRIMITIVE_TOPOLOGY_TRIANGLE_LIST;
    auto viewport = Described<VkPipelineViewportStateCreateInfo>(
        VK_STRUCTURE_TYPE_PIPELINE_VIEWPORT_STATE_CREATE_INFO);
    viewport.viewportCount = viewport.scissorCount = 1;
    auto raster = Described<VkPipelineRasterizationStateCreateInfo>(
        VK_STRUCTURE_TYPE_PIPELINE_RASTERIZATION_STATE_CREATE_INFO);
    raster.polygonMode = VK_POLYGON_MODE_FILL;
    raster.cullMode = VK_CULL_MODE_NONE;
    raster.lineWidth = 1.0f;
    auto multisample = Described<VkPipelineMultisampleStateCreateInfo>(
        VK_STRUCTURE_TYPE_PIPELINE_MULTISAMPLE_STATE_CREATE_INFO);
    multisample.rasterizationSamples = VK_SAMPLE_COUNT_1_BIT;
    VkPipelineColorBlendAttachmentState blendTarget{};
    blendTarget.colorWriteMask = 0xF;
    auto blend = Described<VkPipelineColorBlendStateCreateInfo>(
        VK_STRUCTURE_TYPE_PIPELINE_COLOR_BLEND_STATE_CREATE_INFO);
    blend.attachmentCount = 1;
    blend.pAttachments = &blendTarget;
    const VkDynamicState dynamics[] = {VK_DYNAMIC_STATE_VIEWPORT, VK_DYNAMIC_STATE_SCISSOR};
    auto dynamic = Described<VkPipelineDynamicStateCreateInfo>(
        VK_STRUCTURE_TYPE_PIPELINE_DYNAMIC_STATE_CREATE_INFO);
    dynamic.dynamicStateCount = 2;
    dynamic.pDynamicStates = dynamics;
    auto rendering =
        Described<VkPipelineRenderingCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_RENDERING_CREATE_INFO);
    rendering.colorAttachmentCount = 1;
    rendering.pColorAttachmentFormats = &TargetFormat;

    auto pipeline = Described<VkGraphicsPipelineCreateInfo>(
        VK_STRUCTURE_TYPE_GRAPHICS_PIPELINE_CREATE_INFO, &rendering);
    pipeline.stageCount = 2;
    pipeline.pStages = stages;
    pipeline.pVertexInputState = &vertexInput;
    pipeline.pInputAssemblyState = &assembly;
    pipeline.pViewportState = &viewport;
    pipeline.pRasterizationState = &raster;
    pipeline.pMultisampleState = &multisample;
    pipeline.pColorBlendState = &blend;
    pipeline.pDynamicState = &dynamic;
    pipeline.layout = mPipelineLayout;
    VkResult created =
        vkCreateGraphicsPipelines(mDevice, VK_NULL_HANDLE, 1, &pipeline, nullptr, &mPipeline);
    for (const VkPipelineShaderStageCreateInfo& stage : stages)
        vkDestroyShaderModule(mDevice, stage.module, nullptr);
    Check(created, "vkCreateGraphicsPipelines");
}

// Layout transition of a whole colour image.
void Transition(VkCommandBuffer commands, VkImage image, VkImageLayout from, VkImageLayout to,
                VkPipelineStageFlags2 sourceStage, VkAccessFlags2 sourceAccess,
                VkPipelineStageFlags2 destinationStage, VkAccessFlags2 destinationAccess)
{
    auto barrier = Described<VkImageMemoryBarrier2>(VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER_2);
    barrier.srcStageMask = sourceStage;
    barrier.srcAccessMask = sourceAccess;
    barrier.dstStageMask = destinationStage;
    barrier.dstAccessMask = destinationAccess;
    barrier.oldLayout = from;
    barrier.newLayout = to;
    barrier.srcQueueFamilyIndex = barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.image = image;
    barrier.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
    auto dependency = Described<VkDependencyInfo>(VK_STRUCTURE_TYPE_DEPENDENCY_INFO);
    dependency.imageMemoryBarrierCount = 1;
    dependency.pImageMemoryBarriers = &barrier;
    vkCmdPipelineBarrier2(commands, &dependency);
}

void DefaultShaderRender::Record(VkCommandBuffer commands)
{
    // The texture: two texels from the upload buffer.
    Transition(commands, mTexture, VK_IMAGE_LAYOUT_UNDEFINED, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
               VK_PIPELINE_STAGE_2_NONE, 0, VK_PIPELINE_STAGE_2_COPY_BIT,
               VK_ACCESS_2_TRANSFER_WRITE_BIT);
    VkBufferImageCopy upload{};
    upload.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
    upload.imageExtent = {2, 1, 1};
    vkCmdCopyBufferToImage(commands, mUpload, mTexture, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1,
                           &upload);
    Transition(commands, mTexture, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
               VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL, VK_PIPELINE_STAGE_2_COPY_BIT,
               VK_ACCESS_2_TRANSFER_WRITE_BIT, VK_PIPELINE_STAGE_2_FRAGMENT_SHADER_BIT,
               VK_ACCESS_2_SHADER_SAMPLED_READ_BIT);
    Transition(commands, mTarget, VK_IMAGE_LAYOUT_UNDEFINED,
               VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL, VK_PIPELINE_STAGE_2_NONE, 0,
               VK_PIPELINE_STAGE_2_COLOR_ATTACHMENT_OUTPUT_BIT,
               VK_ACCESS_2_COLOR_ATTACHMENT_WRITE_BIT);

    auto target = Described<VkRenderingAttachmentInfo>(VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO);
    target.imageView = mTargetView;
    target.imageLayout = VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL;
    target.loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
    target.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
    target.clearValue.color = {{0, 0, 0, 1}};
    auto rendering = Described<VkRenderingInfo>(VK_STRUCTURE_TYPE_RENDERING_INFO);
    rendering.renderArea = {{0, 0}, {TargetSize, TargetSize}};
    rendering.layerCount = 1;
    rendering.colorAttachmentCount = 1;
    rendering.pColorAttachments = &target;
    vkCmdBeginRendering(commands, &rendering);

    vkCmdBindPipeline(commands, VK_PIPELINE_BIND_POINT_GRAPHICS, mPipeline);
    // Clip-space y up, as the program expects: a viewport of negative height.
    VkViewport viewport{0, float(TargetSize), float(TargetSize), -float(TargetSize), 0, 1};
    VkRect2D scissor{{0, 0}, {TargetSize, TargetSize}};
    vkCmdSetViewport(commands, 0, 1, &viewport);
    vkCmdSetScissor(commands, 0, 1, &scissor);

    VkDescriptorBufferInfo records[3] = {{mConstants, ObjectOffset, sizeof(PerObjectConstants)},
                                         {mConstants, MaterialOffset, sizeof(PerMaterialConstants)},
                                         {mConstants, PassOffset, sizeof(PerPassConstants)}};
    VkDescriptorImageInfo texture{VK_NULL_HANDLE, mTextureView,
                                  VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL};
    VkDescriptorImageInfo sampler{mSampler, VK_NULL_HANDLE, VK_IMAGE_LAYOUT_UNDEFINED};
    std::vector<VkWriteDescriptorSet> writes;
    auto write = [&writes](uint32_t binding, VkDescriptorType type)
    {
        auto w = Described<VkWriteDescriptorSet>(VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET);
        w.dstBinding = binding;
        w.descriptorCount = 1;
        w.descriptorType = type;
        return &writes.emplace_back(w);
    };
    for (uint32_t b = 0; b < 3; ++b)
        write(BindingForRegister(ResourceKind::ConstantBuffer, b),
              VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER)
            ->pBufferInfo = &records[b];
    write(BindingForRegister(ResourceKind::Texture, 0), VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE)
        ->pImageInfo = &texture;
    for (uint32_t s = 0; s < 6; ++s)
        write(BindingForRegister(ResourceKind::Sampler, s), VK_DESCRIPTOR_TYPE_SAMPLER)
            ->pImageInfo = &sampler;
    mPushDescriptors(commands, VK_PIPELINE_BIND_POINT_GRAPHICS, mPipelineLayout, 0,
                     uint32_t(writes.size()), writes.data());

    VkDeviceSize offset = 0;
    vkCmdBindVertexBuffers(commands, 0, 1, &mVertices, &offset);
    vkCmdDraw(commands, 6, 1, 0, 0);
    vkCmdEndRendering(commands);

    Transition(commands, mTarget, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL,
               VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL,
               VK_PIPELINE_STAGE_2_COLOR_ATTACHMENT_OUTPUT_BIT,
               VK_ACCESS_2_COLOR_ATTACHMENT_WRITE_BIT, VK_PIPELINE_STAGE_2_COPY_BIT,
               VK_ACCESS_2_TRANSFER_READ_BIT);
    VkBufferImageCopy readback{};
    readback.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
    readback.imageExtent = {TargetSize, TargetSize, 1};
    vkCmdCopyImageToBuffer(commands, mTarget, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, mReadback, 1,
                           &readback);
}

std::vector<uint8_t> DefaultShaderRender::Draw(const PerObjectConstants& object,
                                               const PerMaterialConstants& material,
                                               const PerPassConstants& pass)
{
    auto* constants = static_cast<uint8_t*>(mConstantBytes);
    std::memcpy(constants + ObjectOffset, &object, sizeof object);
    std::memcpy(constants + MaterialOffset, &material, sizeof material);
    std::memcpy(constants + PassOffset, &pass, sizeof pass);

    auto allocate =
        Described<VkCommandBufferAllocateInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO);
    allocate.commandPool = mPool;
    allocate.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    allocate.commandBufferCount = 1;
    VkCommandBuffer commands;
    Check(vkAllocateCommandBuffers(mDevice, &allocate, &commands), "vkAllocateCommandBuffers");
    auto begin = Described<VkCommandBufferBeginInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO);
    begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
    Check(vkBeginCommandBuffer(commands, &begin), "vkBeginCommandBuffer");
    Record(commands);
    Check(vkEndCommandBuffer(commands), "vkEndCommandBuffer");
    auto submit = Described<VkSubmitInfo>(VK_STRUCTURE_TYPE_SUBMIT_INFO);
    submit.commandBufferCount = 1;
    submit.pCommandBuffers = &commands;
    Check(vkQueueSubmit(mQueue, 1, &submit, VK_NULL_HANDLE), "vkQueueSubmit");
    Check(vkQueueWaitIdle(mQueue), "vkQueueWaitIdle");
    vkFreeCommandBuffers(mDevice, mPool, 1, &commands);

    const auto* pixels = static_cast<const uint8_t*>(mReadbackBytes);
    return std::vector<uint8_t>(pixels, pixels + TargetSize * TargetSize * 4);
}

// A transform that moves by (x, y, z), stored transposed as the records hold
// matrices: the translation lands in the fourth column.
void SetTranslation(float (&matrix)[16], float x, float y, float z)
{
    matrix[3] = x;
    matrix[7] = y;
    matrix[11] = z;
}

PerObjectConstants MovedRight()
{
    PerObjectConstants object;
    SetTranslation(object.World, 1.0f, 0.0f, 0.0f);
    return object;
}

constexpr uint32_t LeftX = 4, RightX = 12, MiddleY = 8;

void ExpectColor(const std::array<int, 4>& actual, const std::array<double, 3>& expected)
{
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(actual[c], std::lround(expected[c] * 255.0), 1) << "channel " << c;
}

TEST_F(DefaultShaderRender, TheWorldMatrixPlacesTheQuadAndAmbientLightShowsItsColours)
{
    if (Skipped())
        GTEST_SKIP() << "no Vulkan device";
    PerPassConstants pass = DarkPass();
    const float ambient[4] = {0.25f, 0.25f, 0.35f, 1.0f};
    std::copy(std::begin(ambient), std::end(ambient), pass.AmbientColor);
    PerMaterialConstants material;
    material.DiffuseAlbedo[1] = 0.5f;

    std::vector<uint8_t> picture = Draw(MovedRight(), material, pass);
    EXPECT_EQ(Pixel(picture, LeftX, MiddleY), (std::array<int, 4>{0, 0, 0, 255}));
    // ambient x albedo x first texel
    ExpectColor(Pixel(picture, RightX, MiddleY), {0.25, 0.25 * 0.5, 0.35 * 128 / 255.0});
}

TEST_F(DefaultShaderRender, OnlyTheFirstThreeLightsShine)
{
    if (Skipped())
        GTEST_SKIP() << "no Vulkan device";
    PerMaterialConstants material;
    std::fill(std::begin(material.FresnelR0), std::end(material.FresnelR0), 0.0f);
    for (int index = 0; index < 4; ++index)
    {
        SCOPED_TRACE("light " + std::to_string(index));
        PerPassConstants pass = DarkPass();
        const float color[3] = {0.5f, 0.25f, 1.0f}, towardsFace[3] = {0, 0, 1};
        std::copy(std::begin(color), std::end(color), pass.Lights[index].LightColor);
        std::copy(std::begin(towardsFace), std::end(towardsFace),
                  pass.Lights[index].LightDirection);

        std::array<int, 4> lit = Pixel(Draw(MovedRight(), material, pass), RightX, MiddleY);
        // Head-on light without Fresnel reflection: albedo x light colour.
        if (index < 3)
            ExpectColor(lit, {0.5, 0.25, 128 / 255.0});
        else
            ExpectColor(lit, {0, 0, 0});
    }
}

TEST_F(DefaultShaderRender, FresnelR0AndRoughnessVisiblyChangeTheHighlight)
{
    if (Skipped())
        GTEST_SKIP() << "no Vulkan device";
    PerPassConstants pass = DarkPass();
    std::fill(std::begin(pass.Lights[0].LightColor), std::end(pass.Lights[0].LightColor), 0.5f);
    pass.Lights[0].LightDirection[1] = 0.0f;
    pass.Lights[0].LightDirection[2] = 1.0f;

    auto brightness = [&](float fresnelR0, float roughness)
    {
        PerMaterialConstants material;
        std::fill(std::begin(material.FresnelR0), std::end(material.FresnelR0), fresnelR0);
        material.Roughness = roughness;
        return Pixel(Draw(MovedRight(), material, pass), RightX, MiddleY)[1];
    };
    // The brick and window materials against stone's stronger reflectance
    // and a rougher surface.
    const int bricks = brightness(0.02f, 0.1f);
    EXPECT_GE(brightness(0.05f, 0.1f) - bricks, 16) << "FresnelR0 0.05 against 0.02";
    EXPECT_GE(bricks - brightness(0.02f, 0.3f), 10) << "Roughness 0.1 against 0.3";
    EXPECT_GE(bricks - brightness(0.02f, 0.5f), 10) << "Roughness 0.1 against 0.5";
    EXPECT_GE(bricks - brightness(0.02f, 1.0f), 30) << "Roughness 0.1 against 1.0";
}

TEST_F(DefaultShaderRender, TextureCoordinatesPassTheItemsAndTheMaterialsTransforms)
{
    if (Skipped())
        GTEST_SKIP() << "no Vulkan device";
    PerPassConstants pass = DarkPass();
    std::fill(std::begin(pass.AmbientColor), std::end(pass.AmbientColor), 1.0f);
    // Every vertex has u = 0.25, the first texel's centre; half a texture to
    // the right is the second texel's, a whole one wraps back to the first.
    struct Case
    {
        float ItemShift, MaterialShift;
        int Texel;
    };
    for (Case test : {Case{0, 0, 0}, Case{0.5f, 0, 1}, Case{0, 0.5f, 1}, Case{0.5f, 0.5f, 0}})
    {
        SCOPED_TRACE(std::to_string(test.ItemShift) + " + " + std::to_string(test.MaterialShift));
        PerObjectConstants object = MovedRight();
        SetTranslation(object.TexTransform, test.ItemShift, 0, 0);
        PerMaterialConstants material;
        SetTranslation(material.MaterialTransform, test.MaterialShift, 0, 0);
        std::array<int, 4> color = Pixel(Draw(object, material, pass), RightX, MiddleY);
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(color[c], Texels[test.Texel * 4 + c], 1) << "channel " << c;
    }
}

} // namespace
