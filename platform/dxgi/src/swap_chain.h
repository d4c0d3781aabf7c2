// The swap chain: back buffers that are ordinary single-sample textures of the
// Direct3D 12 runtime, handed out in order, and shown by copying the current
// one into an image of a Vulkan swapchain on the window's surface. Without a
// surface (no window system, a message-only window) presenting still
// completes, so drawing works headless.
#pragma once

#include "shm_presentation.h"
#include "swap_chain_defaults.h"

#include <d3d12.h>
#include <d3d12_vulkan.h>
#include <d3dx12.h>
#include <vulkan/vulkan.h>
#include <wrl/client.h>

#include <array>
#include <vector>

namespace dxgi
{

// How the presents of one sync interval reach the screen: the Vulkan present
// mode, and how long an acquisition may wait for a free image (0: never; a
// frame with no free image is not shown).
struct PresentPlan
{
    VkPresentModeKHR Mode;
    uint64_t AcquireTimeout;
};

PresentPlan PlanPresent(const std::vector<VkPresentModeKHR>& offered, UINT syncInterval);

class SwapChain final : public SwapChainDefaults
{
public:
    // `queue` is the command queue the swap chain presents behind.
    static HRESULT Create(ID3D12CommandQueue* queue, const DXGI_SWAP_CHAIN_DESC& desc,
                          SwapChain** swapChain);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    HRESULT STDMETHODCALLTYPE Present(UINT syncInterval, UINT flags) override;
    HRESULT STDMETHODCALLTYPE GetBuffer(UINT buffer, REFIID riid, void** surface) override;
    HRESULT STDMETHODCALLTYPE GetDesc(DXGI_SWAP_CHAIN_DESC* desc) override;
    HRESULT STDMETHODCALLTYPE ResizeBuffers(UINT bufferCount, UINT width, UINT height,
                                            DXGI_FORMAT format, UINT flags) override;

private:
    // Frames whose copies may be in flight at once; each has its own command
    // buffer and semaphores.
    static constexpr uint32_t FramesInFlight = 3;

    struct Frame
    {
        VkCommandBuffer Commands = VK_NULL_HANDLE;
        VkSemaphore Acquired = VK_NULL_HANDLE;
        uint64_t Serial = 0; // the queue submission that last used the frame
    };

    SwapChain(ID3D12CommandQueue* queue, const DXGI_SWAP_CHAIN_DESC& desc);
    ~SwapChain() override;

    HRESULT Initialize();
    template <class T> friend HRESULT com::Initialized(T*, T**);
    HRESULT CreateBuffers();
    HRESULT CreateSurfaceObjects();
    // Says on the debugger output why the window cannot be presented to.
    HRESULT CannotPresent(const char* why) const;
    bool ChoosePresentingFamily();
    HRESULT CreateVulkanSwapchain();
    void DestroyVulkanSwapchain();
    HRESULT PresentToSurface();
    void RecordCopy(const Frame& frame, VkImage source, VkImage target) const;

    Microsoft::WRL::ComPtr<ID3D12CommandQueue> mQueue;
    Microsoft::WRL::ComPtr<ID3D12Device> mDevice;
    d3d12::QueueVulkan mVulkan;
    DXGI_SWAP_CHAIN_DESC mDesc;
    std::vector<Microsoft::WRL::ComPtr<ID3D12Resource>> mBuffers;
    UINT mCurrent = 0;

    std::unique_ptr<ShmPresentation> mShm; // where frames go through shared memory
    VkSurfaceKHR mSurface = VK_NULL_HANDLE;
    VkSwapchainKHR mSwapchain = VK_NULL_HANDLE;
    VkExtent2D mExtent{};
    std::vector<VkImage> mImages;
    std::vector<VkSemaphore> mCopied; // per image: its copy has run, it may be presented
    std::vector<VkPresentModeKHR> mOfferedModes;
    PresentPlan mPlan = {VK_PRESENT_MODE_FIFO_KHR, 0};
    VkPresentModeKHR mModeInUse = VK_PRESENT_MODE_FIFO_KHR;
    bool mPresentFromPresentFamily = false; // presents from the present-only family
    bool mNeedsSwapchain = true;            // out of date, resized, or not made yet
    VkCommandPool mPool = VK_NULL_HANDLE;
    std::array<Frame, FramesInFlight> mFrames{};
    uint32_t mFrameIndex = 0;
};

} // namespace dxgi
