#include "command_allocator.h"

#include <vulkan_runtime/result.h>

#include <new>
#include <vulkan_runtime/structure.h>

namespace d3d12
{

HRESULT CommandAllocator::Create(Device& device, D3D12_COMMAND_LIST_TYPE type,
                                 CommandAllocator** allocator)
{
    *allocator = nullptr;
    if (type != D3D12_COMMAND_LIST_TYPE_DIRECT)
        return E_NOTIMPL; // bundles and the other queue types are not offered

    auto info =
        vkrt::Structure<VkCommandPoolCreateInfo>(VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO);
    info.queueFamilyIndex = device.QueueFamily();
    // Retired buffers are recorded again without resetting the whole pool.
    info.flags = VK_COMMAND_POOL_CREATE_RESET_COMMAND_BUFFER_BIT;
    VkCommandPool pool = VK_NULL_HANDLE;
    VkResult result = vkCreateCommandPool(device.Handle(), &info, nullptr, &pool);
    if (result != VK_SUCCESS)
        return vkrt::HResultFromVk(result);
    *allocator = new (std::nothrow) CommandAllocator(device, type, pool);
    if (!*allocator)
    {
        vkDestroyCommandPool(device.Handle(), pool, nullptr);
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

CommandAllocator::CommandAllocator(Device& device, D3D12_COMMAND_LIST_TYPE type, VkCommandPool pool)
    : DeviceChild(device), mType(type), mPool(pool)
{
}

CommandAllocator::~CommandAllocator()
{
    VkDevice device = Owner().Handle();
    VkCommandPool pool = mPool;
    Owner().Queue().Retire([device, pool] { vkDestroyCommandPool(device, pool, nullptr); });
}

HRESULT CommandAllocator::QueryInterface(REFIID riid, void** object)
{
    return com::QueryInterfaceOf<IUnknown, ID3D12Object, ID3D12DeviceChild, ID3D12Pageable,
                                 ID3D12CommandAllocator>(this, riid, object);
}

HRESULT CommandAllocator::Reset()
{
    if (mListOpen)
        return E_FAIL; // a list still records into it, as the real platform reports
    // Resetting while the GPU still runs the commands is a fault of the
    // caller that would corrupt them; waiting for them costs a correct
    // program nothing.
    if (Owner().Queue().CompletedSerial() < mLastSerial)
        Owner().Queue().WaitForSerial(mLastSerial);
    VkResult result = vkResetCommandPool(Owner().Handle(), mPool, 0);
    if (result != VK_SUCCESS)
        return vkrt::HResultFromVk(result);
    mNextBuffer = 0;
    // Under the lock, so that no buffer of the old generation is retired
    // after the list of retired ones has been emptied.
    std::lock_guard<std::mutex> lock(mRetiredLock);
    mRetired.clear();
    ++mGeneration;
    return S_OK;
}

HRESULT CommandAllocator::BeginList(VkCommandBuffer* buffer)
{
    if (mListOpen)
        return E_INVALIDARG;
    if (VkCommandBuffer retired = TakeFinishedBuffer())
    {
        *buffer = retired;
        mListOpen = true;
        return S_OK;
    }
    if (mNextBuffer == mBuffers.size())
    {
        auto info = vkrt::Structure<VkCommandBufferAllocateInfo>(
            VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO);
        info.commandPool = mPool;
        info.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
        info.commandBufferCount = 1;
        VkCommandBuffer created = VK_NULL_HANDLE;
        VkResult result = vkAllocateCommandBuffers(Owner().Handle(), &info, &created);
        if (result != VK_SUCCESS)
            return vkrt::HResultFromVk(result);
        try
        {
            mBuffers.push_back(created);
        }
        catch (const std::bad_alloc&)
        {
            vkFreeCommandBuffers(Owner().Handle(), mPool, 1, &created);
            return E_OUTOFMEMORY;
        }
    }
    *buffer = mBuffers[mNextBuffer++];
    mListOpen = true;
    return S_OK;
}

void CommandAllocator::Retire(VkCommandBuffer buffer, uint64_t generation)
{
    std::lock_guard<std::mutex> lock(mRetiredLock);
    if (generation != mGeneration)
        return;
    try
    {
        mRetired.push_back({buffer, mLastSerial});
    }
    catch (const std::bad_alloc&)
    {
        // The buffer stays with the pool until the next Reset, as without
        // recycling.
    }
}

VkCommandBuffer CommandAllocator::TakeFinishedBuffer()
{
    std::lock_guard<std::mutex> lock(mRetiredLock);
    if (mRetired.empty())
        return VK_NULL_HANDLE;
    const uint64_t completed = Owner().Queue().CompletedSerial();
    for (RetiredBuffer& retired : mRetired)
    {
        if (retired.Serial > completed)
            continue;
        const VkCommandBuffer buffer = retired.Buffer;
        retired = mRetired.back();
        mRetired.pop_back();
        return buffer;
    }
    return VK_NULL_HANDLE;
}

} // namespace d3d12
