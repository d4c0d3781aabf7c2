#include "shm_presentation.h"

#include <vulkan_runtime/barrier.h>
#include <vulkan_runtime/result.h>
#include <vulkan_runtime/structure.h>

#include <SDL.h>
#include <SDL_syswm.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace dxgi
{
namespace
{

// The bytes of a pixel in the server's 24-bit true-colour layout: blue,
// green, red, unused (0x00RRGGBB in a little-endian word).
uint32_t ServerPixel(uint32_t pixel, DXGI_FORMAT format)
{
    switch (format)
    {
    case DXGI_FORMAT_B8G8R8A8_UNORM:
        return pixel;
    case DXGI_FORMAT_R10G10B10A2_UNORM:
        return ((pixel >> 2) & 0xFF) << 16 | ((pixel >> 12) & 0xFF) << 8 | ((pixel >> 22) & 0xFF);
    default: // R8G8B8A8: red and blue change places
        return (pixel & 0x0000FF00u) | (pixel & 0xFFu) << 16 | ((pixel >> 16) & 0xFFu);
    }
}

void ConvertRows(const uint8_t* from, uint8_t* to, UINT width, UINT height, DXGI_FORMAT format)
{
    const size_t count = size_t(width) * height;
    const auto* source = reinterpret_cast<const uint32_t*>(from);
    auto* target = reinterpret_cast<uint32_t*>(to);
    if (format == DXGI_FORMAT_B8G8R8A8_UNORM)
    {
        std::memcpy(target, source, count * 4);
        return;
    }
    for (size_t i = 0; i < count; ++i)
        target[i] = ServerPixel(source[i], format);
}

// True where pixels of `depth` take 32 bits in images the server reads.
bool ThirtyTwoBitPixels(const xcb_setup_t* setup, uint8_t depth)
{
    for (auto format = xcb_setup_pixmap_formats_iterator(setup); format.rem;
         xcb_format_next(&format))
    {
        if (format.data->depth == depth)
            return format.data->bits_per_pixel == 32;
    }
    return false;
}

// True where `visual` has 8-bit red, green and blue at 0xFF0000, 0xFF00 and
// 0xFF: true colour, or direct colour (whose colour maps start as the
// identity, and which window systems give windows for gamma ramps).
bool IsStandardTrueColour(const xcb_setup_t* setup, xcb_visualid_t visual)
{
    for (auto screen = xcb_setup_roots_iterator(setup); screen.rem; xcb_screen_next(&screen))
    {
        for (auto depth = xcb_screen_allowed_depths_iterator(screen.data); depth.rem;
             xcb_depth_next(&depth))
        {
            for (auto v = xcb_depth_visuals_iterator(depth.data); v.rem; xcb_visualtype_next(&v))
            {
                if (v.data->visual_id == visual)
                    return (v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR ||
                            v.data->_class == XCB_VISUAL_CLASS_DIRECT_COLOR) &&
                           v.data->red_mask == 0xFF0000 && v.data->green_mask == 0xFF00 &&
                           v.data->blue_mask == 0xFF;
            }
        }
    }
    return false;
}

// True where the window can take the 32-bit pixels ServerPixel makes; its
// depth goes to `depth`.
bool TakesServerPixels(xcb_connection_t* connection, xcb_window_t window, uint8_t* depth)
{
    xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, window), nullptr);
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const bool takes = attributes && geometry && (geometry->depth == 24 || geometry->depth == 32) &&
                       ThirtyTwoBitPixels(setup, geometry->depth) &&
                       IsStandardTrueColour(setup, attributes->visual);
    if (takes)
        *depth = geometry->depth;
    free(attributes);
    free(geometry);
    return takes;
}

} // namespace

std::unique_ptr<ShmPresentation> ShmPresentation::Open(SDL_Window* window,
                                                       const d3d12::QueueVulkan& vulkan,
                                                       ID3D12CommandQueue* queue)
{
    std::unique_ptr<ShmPresentation> presentation(new ShmPresentation(vulkan, queue));
    if (!presentation->Connect(window))
        return nullptr;

    auto pool =
        vkrt::Structure<VkCommandPoolCreateInfo>(VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO);
    pool.flags = VK_COMMAND_POOL_CREATE_RESET_COMMAND_BUFFER_BIT;
    pool.queueFamilyIndex = vulkan.QueueFamily;
    if (vkCreateCommandPool(vulkan.Device, &pool, nullptr, &presentation->mPool) != VK_SUCCESS)
        return nullptr;

    // Read back into cached memory: the thread reads every byte of it.
    VkPhysicalDeviceMemoryProperties memory{};
    vkGetPhysicalDeviceMemoryProperties(vulkan.Physical, &memory);
    constexpr VkMemoryPropertyFlags Required =
        VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;
    for (uint32_t i = 0; i < memory.memoryTypeCount; ++i)
    {
        const VkMemoryPropertyFlags flags = memory.memoryTypes[i].propertyFlags;
        if ((flags & Required) != Required)
            continue;
        if (presentation->mMemoryType == UINT32_MAX || (flags & VK_MEMORY_PROPERTY_HOST_CACHED_BIT))
            presentation->mMemoryType = i;
    }
    if (presentation->mMemoryType == UINT32_MAX)
        return nullptr;

    presentation->mThread = std::thread([p = presentation.get()] { p->Show(); });
    return presentation;
}

ShmPresentation::ShmPresentation(const d3d12::QueueVulkan& vulkan, ID3D12CommandQueue* queue)
    : mVulkan(vulkan), mQueue(queue)
{
}

bool ShmPresentation::Connect(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return false;
    // A connection of its own: the thread talks to the server while the
    // window system's connection serves the program's thread.
    mConnection = xcb_connect(DisplayString(info.info.x11.display), nullptr);
    if (xcb_connection_has_error(mConnection))
        return false;
    mWindow = uint32_t(info.info.x11.window);

    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(mConnection, &xcb_shm_id);
    if (!shm || !shm->present || !TakesServerPixels(mConnection, mWindow, &mDepth))
        return false;
    mCompletionEvent = uint8_t(shm->first_event + XCB_SHM_COMPLETION);

    // A server on another machine cannot map this process's memory: a small
    // segment tells, as the server refuses to attach it.
    Slot probe;
    const bool shared = Attach(probe, 4096);
    Release(probe);
    if (!shared)
        return false;
    mGc = xcb_generate_id(mConnection);
    xcb_create_gc(mConnection, mGc, mWindow, 0, nullptr);
    return true;
}

ShmPresentation::~ShmPresentation()
{
    if (mThread.joinable())
    {
        {
            std::lock_guard lock(mMutex);
            mStopping = true;
        }
        mChanged.notify_all();
        mThread.join();
    }
    d3d12::WaitForQueueIdle(mQueue);
    for (Slot& slot : mSlots)
        Release(slot);
    if (mPool != VK_NULL_HANDLE)
        vkDestroyCommandPool(mVulkan.Device, mPool, nullptr); // frees the slots' commands
    if (mConnection)
    {
        if (mGc != 0)
            xcb_free_gc(mConnection, mGc);
        xcb_disconnect(mConnection);
    }
}

bool ShmPresentation::Attach(Slot& slot, size_t bytes)
{
    slot.ShmId = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (slot.ShmId < 0)
        return false;
    void* address = shmat(slot.ShmId, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1))
        return false;
    slot.Shared = static_cast<uint8_t*>(address);
    slot.Segment = xcb_generate_id(mConnection);
    xcb_generic_error_t* error = xcb_request_check(
        mConnection, xcb_shm_attach_checked(mConnection, slot.Segment, uint32_t(slot.ShmId), 1));
    if (error)
    {
        free(error);
        slot.Segment = 0;
        return false;
    }
    // Marked for removal now: the segment goes once the server and this
    // process have both let go of it, even if either ends abruptly.
    shmctl(slot.ShmId, IPC_RMID, nullptr);
    return true;
}

void ShmPresentation::Release(Slot& slot)
{
    if (slot.Segment != 0 && mConnection)
    {
        xcb_shm_detach(mConnection, slot.Segment);
        xcb_flush(mConnection);
    }
    if (slot.Shared)
        shmdt(slot.Shared);
    if (slot.ShmId >= 0)
        shmctl(slot.ShmId, IPC_RMID, nullptr);
    if (slot.Buffer != VK_NULL_HANDLE)
        vkDestroyBuffer(mVulkan.Device, slot.Buffer, nullptr);
    if (slot.Memory != VK_NULL_HANDLE)
        vkFreeMemory(mVulkan.Device, slot.Memory, nullptr);
    VkCommandBuffer commands = slot.Commands;
    slot = Slot{};
    slot.Commands = commands; // freed with the pool
}

HRESULT ShmPresentation::Prepare(Slot& slot, UINT width, UINT height)
{
    if (slot.Commands == VK_NULL_HANDLE)
    {
        auto allocate = vkrt::Structure<VkCommandBufferAllocateInfo>(
            VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO);
        allocate.commandPool = mPool;
        allocate.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
        allocate.commandBufferCount = 1;
        const VkResult result = vkAllocateCommandBuffers(mVulkan.Device, &allocate, &slot.Commands);
        if (result != VK_SUCCESS)
            return vkrt::HResultFromVk(result);
    }
    if (slot.Width == width && slot.Height == height)
        return S_OK;

    Release(slot);
    const VkDeviceSize bytes = VkDeviceSize(width) * height * 4;
    auto info = vkrt::Structure<VkBufferCreateInfo>(VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO);
    info.size = bytes;
    info.usage = VK_BUFFER_USAGE_TRANSFER_DST_BIT;
    info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    VkResult result = vkCreateBuffer(mVulkan.Device, &info, nullptr, &slot.Buffer);
    VkMemoryRequirements requirements{};
    if (result == VK_SUCCESS)
    {
        vkGetBufferMemoryRequirements(mVulkan.Device, slot.Buffer, &requirements);
        auto allocate =
            vkrt::Structure<VkMemoryAllocateInfo>(VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO);
        allocate.allocationSize = requirements.size;
        allocate.memoryTypeIndex = mMemoryType;
        result = vkAllocateMemory(mVulkan.Device, &allocate, nullptr, &slot.Memory);
    }
    if (result == VK_SUCCESS)
        result = vkBindBufferMemory(mVulkan.Device, slot.Buffer, slot.Memory, 0);
    void* mapped = nullptr;
    if (result == VK_SUCCESS)
        result = vkMapMemory(mVulkan.Device, slot.Memory, 0, VK_WHOLE_SIZE, 0, &mapped);
    if (result != VK_SUCCESS)
    {
        Release(slot);
        return vkrt::HResultFromVk(result);
    }
    slot.Mapped = static_cast<const uint8_t*>(mapped);
    if (!Attach(slot, size_t(bytes)))
    {
        Release(slot);
        return E_OUTOFMEMORY;
    }
    slot.Width = width;
    slot.Height = height;
    return S_OK;
}

void ShmPresentation::RecordReadBack(const Slot& slot, VkImage image) const
{
    vkResetCommandBuffer(slot.Commands, 0);
    auto begin =
        vkrt::Structure<VkCommandBufferBeginInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO);
    begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
    vkBeginCommandBuffer(slot.Commands, &begin);

    // The frame's writes reach the copy, which reads the back buffer in the
    // present state's layout it rests in; the copy's writes reach the
    // processor.
    vkrt::RecordWritesVisible(slot.Commands, VK_PIPELINE_STAGE_2_COPY_BIT,
                              VK_ACCESS_2_TRANSFER_READ_BIT);
    VkBufferImageCopy region{};
    region.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
    region.imageExtent = {slot.Width, slot.Height, 1};
    vkCmdCopyImageToBuffer(slot.Commands, image,
                           d3d12::VulkanLayoutOf(D3D12_RESOURCE_STATE_PRESENT), slot.Buffer, 1,
                           &region);
    vkrt::RecordWritesVisible(slot.Commands, VK_PIPELINE_STAGE_2_HOST_BIT,
                              VK_ACCESS_2_HOST_READ_BIT);
    vkEndCommandBuffer(slot.Commands);
}

HRESULT ShmPresentation::Present(VkImage image, UINT width, UINT height, DXGI_FORMAT format)
{
    Slot& slot = mSlots[mNext];
    {
        std::unique_lock lock(mMutex);
        mChanged.wait(lock, [&] { return !slot.InFlight; });
        if (mBroken)
            return S_OK; // said once on the debugger output; nothing more can be shown
    }
    HRESULT hr = Prepare(slot, width, height);
    if (FAILED(hr))
        return hr;
    slot.Format = format;
    RecordReadBack(slot, image);
    VkResult presented = VK_SUCCESS;
    hr = d3d12::SubmitAndPresent(mQueue, slot.Commands, VK_NULL_HANDLE, VK_NULL_HANDLE,
                                 VK_NULL_HANDLE, 0, false, &presented, &slot.Serial);
    if (FAILED(hr))
        return hr;
    {
        std::lock_guard lock(mMutex);
        slot.InFlight = true;
        mQueued.push_back(&slot);
    }
    mChanged.notify_all();
    mNext = (mNext + 1) % Slots;
    return S_OK;
}

void ShmPresentation::Show()
{
    for (;;)
    {
        Slot* slot = nullptr;
        {
            std::unique_lock lock(mMutex);
            mChanged.wait(lock, [&] { return mStopping || !mQueued.empty(); });
            if (mQueued.empty())
                return; // stopping, with everything shown
            slot = mQueued.front();
            mQueued.pop_front();
        }
        const bool shown = !mBroken && ShowSlot(*slot);
        if (!shown && !mBroken)
            OutputDebugStringA("IDXGISwapChain::Present: the X server refused the frame or went "
                               "away; nothing more is shown\n");
        {
            std::lock_guard lock(mMutex);
            mBroken |= !shown;
            slot->InFlight = false;
        }
        mChanged.notify_all();
    }
}

bool ShmPresentation::ShowSlot(Slot& slot)
{
    d3d12::WaitForQueueSerial(mQueue, slot.Serial);
    ConvertRows(slot.Mapped, slot.Shared, slot.Width, slot.Height, slot.Format);
    xcb_shm_put_image(mConnection, mWindow, mGc, uint16_t(slot.Width), uint16_t(slot.Height), 0, 0,
                      uint16_t(slot.Width), uint16_t(slot.Height), 0, 0, mDepth,
                      XCB_IMAGE_FORMAT_Z_PIXMAP, 1, slot.Segment, 0);
    xcb_flush(mConnection);
    // The segment is written again only once the server has copied it out.
    while (xcb_generic_event_t* event = xcb_wait_for_event(mConnection))
    {
        const uint8_t type = event->response_type & 0x7F;
        const bool completed =
            type == mCompletionEvent &&
            reinterpret_cast<xcb_shm_completion_event_t*>(event)->shmseg == slot.Segment;
        free(event);
        if (type == 0)
            return false; // the server refused the request
        if (completed)
            return true;
    }
    return false; // the connection broke
}

} // namespace dxgi
