// Presentation of a CPU device's frames in an X11 window through shared
// memory (MIT-SHM). A software Vulkan driver's own X11 presentation sends
// every frame's bytes through the X socket; here the frame is read back into
// a segment the X server maps too, and one request has the server copy it
// into the window. A thread of its own waits for each frame's read-back,
// hands it to the server and waits for the server's copy, so the server
// copies one frame while the device draws the next.
//
// The swap chain uses it where the device is a CPU device and the window is
// on an X server that shares memory with this process (a local one); a
// remote server or another window system keeps the driver's presentation.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <d3d12_vulkan.h>
#include <vulkan/vulkan.h>

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

struct SDL_Window;
struct xcb_connection_t;

namespace dxgi
{

class ShmPresentation
{
public:
    // Null where the window is not on an X server that can share memory with
    // this process, or its visual is not 24-bit true colour.
    static std::unique_ptr<ShmPresentation>
    Open(SDL_Window* window, const d3d12::QueueVulkan& vulkan, ID3D12CommandQueue* queue);
    ~ShmPresentation();

    ShmPresentation(const ShmPresentation&) = delete;
    ShmPresentation& operator=(const ShmPresentation&) = delete;

    // Shows `image` (a back buffer of `format`, `width` × `height`, in the
    // present state). Waits only where every slot is still in flight: the
    // swap chain's frame latency, never a vertical blank.
    HRESULT Present(VkImage image, UINT width, UINT height, DXGI_FORMAT format);

private:
    // Frames in flight at once: each has a read-back buffer, its commands
    // and a segment the server maps.
    static constexpr uint32_t Slots = 3;

    struct Slot
    {
        VkBuffer Buffer = VK_NULL_HANDLE;
        VkDeviceMemory Memory = VK_NULL_HANDLE;
        const uint8_t* Mapped = nullptr;
        VkCommandBuffer Commands = VK_NULL_HANDLE;
        uint64_t Serial = 0; // the read-back's submission
        UINT Width = 0, Height = 0;
        DXGI_FORMAT Format = DXGI_FORMAT_UNKNOWN;
        int ShmId = -1;
        uint8_t* Shared = nullptr; // the segment, as this process maps it
        uint32_t Segment = 0;      // the segment, as the server knows it
        bool InFlight = false;     // read back or shown: not to be recorded again
    };

    ShmPresentation(const d3d12::QueueVulkan& vulkan, ID3D12CommandQueue* queue);
    bool Connect(SDL_Window* window);
    HRESULT Prepare(Slot& slot, UINT width, UINT height);
    void Release(Slot& slot);
    bool Attach(Slot& slot, size_t bytes);
    void RecordReadBack(const Slot& slot, VkImage image) const;
    // The thread: shows each submitted slot in turn.
    void Show();
    bool ShowSlot(Slot& slot);

    d3d12::QueueVulkan mVulkan;
    ID3D12CommandQueue* mQueue; // the swap chain's, which outlives this
    VkCommandPool mPool = VK_NULL_HANDLE;
    uint32_t mMemoryType = UINT32_MAX;

    xcb_connection_t* mConnection = nullptr;
    uint32_t mWindow = 0;
    uint32_t mGc = 0;
    uint8_t mDepth = 24;
    uint8_t mCompletionEvent = 0;

    std::array<Slot, Slots> mSlots{};
    uint32_t mNext = 0;

    std::mutex mMutex;
    std::condition_variable mChanged;
    std::deque<Slot*> mQueued;
    bool mStopping = false;
    bool mBroken = false; // the server went away or refused a request
    std::thread mThread;
};

} // namespace dxgi
