// A graphics command list: records into a Vulkan command buffer taken from its
// allocator. Render targets, viewports and scissors are kept as state for the
// draws; clears run as short dynamic-rendering passes of their own. Draws
// (command_list_draw.cpp) open a dynamic-rendering pass on the bound targets
// when none is open and leave it open for the next draw; barriers, copies,
// clears, resolves, new targets and Close end it.
#pragma once

#include "command_list_defaults.h"
#include "descriptor.h"
#include "root_arguments.h"

#include <wrl/client.h>

#include <atomic>
#include <vector>

namespace d3d12
{

class CommandAllocator;
class DescriptorHeap;
class PipelineState;
class Resource;
class RootSignature;

class CommandList final : public CommandListDefaults
{
public:
    static HRESULT Create(Device& device, D3D12_COMMAND_LIST_TYPE type, CommandAllocator& allocator,
                          ID3D12PipelineState* initialState, CommandList** list);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    D3D12_COMMAND_LIST_TYPE STDMETHODCALLTYPE GetType() override
    {
        return D3D12_COMMAND_LIST_TYPE_DIRECT;
    }
    HRESULT STDMETHODCALLTYPE Close() override;
    HRESULT STDMETHODCALLTYPE Reset(ID3D12CommandAllocator* allocator,
                                    ID3D12PipelineState* initialState) override;
    void STDMETHODCALLTYPE CopyBufferRegion(ID3D12Resource* destination, UINT64 destinationOffset,
                                            ID3D12Resource* source, UINT64 sourceOffset,
                                            UINT64 byteCount) override;
    void STDMETHODCALLTYPE CopyTextureRegion(const D3D12_TEXTURE_COPY_LOCATION* destination, UINT x,
                                             UINT y, UINT z,
                                             const D3D12_TEXTURE_COPY_LOCATION* source,
                                             const D3D12_BOX* sourceBox) override;
    void STDMETHODCALLTYPE RSSetViewports(UINT count, const D3D12_VIEWPORT* viewports) override;
    void STDMETHODCALLTYPE RSSetScissorRects(UINT count, const D3D12_RECT* rects) override;
    void STDMETHODCALLTYPE ResourceBarrier(UINT count,
                                           const D3D12_RESOURCE_BARRIER* barriers) override;
    void STDMETHODCALLTYPE
    OMSetRenderTargets(UINT count, const D3D12_CPU_DESCRIPTOR_HANDLE* renderTargets,
                       BOOL singleRange, const D3D12_CPU_DESCRIPTOR_HANDLE* depthStencil) override;
    void STDMETHODCALLTYPE ClearDepthStencilView(D3D12_CPU_DESCRIPTOR_HANDLE view,
                                                 D3D12_CLEAR_FLAGS flags, FLOAT depth,
                                                 UINT8 stencil, UINT rectCount,
                                                 const D3D12_RECT* rects) override;
    void STDMETHODCALLTYPE ClearRenderTargetView(D3D12_CPU_DESCRIPTOR_HANDLE view,
                                                 const FLOAT color[4], UINT rectCount,
                                                 const D3D12_RECT* rects) override;

    // Drawing (command_list_draw.cpp).
    void STDMETHODCALLTYPE SetPipelineState(ID3D12PipelineState* state) override;
    void STDMETHODCALLTYPE SetDescriptorHeaps(UINT count,
                                              ID3D12DescriptorHeap* const* heaps) override;
    void STDMETHODCALLTYPE SetGraphicsRootSignature(ID3D12RootSignature* signature) override;
    void STDMETHODCALLTYPE
    SetGraphicsRootConstantBufferView(UINT parameter, D3D12_GPU_VIRTUAL_ADDRESS address) override;
    void STDMETHODCALLTYPE
    SetGraphicsRootDescriptorTable(UINT parameter, D3D12_GPU_DESCRIPTOR_HANDLE table) override;
    void STDMETHODCALLTYPE IASetPrimitiveTopology(D3D12_PRIMITIVE_TOPOLOGY topology) override;
    void STDMETHODCALLTYPE IASetVertexBuffers(UINT startSlot, UINT count,
                                              const D3D12_VERTEX_BUFFER_VIEW* views) override;
    void STDMETHODCALLTYPE IASetIndexBuffer(const D3D12_INDEX_BUFFER_VIEW* view) override;
    void STDMETHODCALLTYPE OMSetBlendFactor(const FLOAT factor[4]) override;
    void STDMETHODCALLTYPE OMSetStencilRef(UINT reference) override;
    void STDMETHODCALLTYPE DrawInstanced(UINT vertexCount, UINT instanceCount, UINT startVertex,
                                         UINT startInstance) override;
    void STDMETHODCALLTYPE DrawIndexedInstanced(UINT indexCount, UINT instanceCount,
                                                UINT startIndex, INT baseVertex,
                                                UINT startInstance) override;
    void STDMETHODCALLTYPE ResolveSubresource(ID3D12Resource* destination,
                                              UINT destinationSubresource, ID3D12Resource* source,
                                              UINT sourceSubresource, DXGI_FORMAT format) override;

    // What the queue asks of a list it executes.
    bool IsExecutable() const;
    VkCommandBuffer CommandBuffer() const { return mBuffer; }
    // Waits while an earlier execution of this recording still runs (its
    // buffer is not made for simultaneous use).
    void WaitUntilIdle() const;
    void Submitted(uint64_t serial);

protected:
    void Invalidate(const char* call) override;

private:
    // The targets the draws render into, as set by OMSetRenderTargets.
    struct RenderTargets
    {
        uint32_t ColorCount = 0;
        Descriptor Colors[D3D12_SIMULTANEOUS_RENDER_TARGET_COUNT];
        bool HasDepthStencil = false;
        Descriptor DepthStencil;
    };

    CommandList(Device& device, D3D12_COMMAND_LIST_TYPE type);
    ~CommandList() override;

    HRESULT Begin(CommandAllocator& allocator, ID3D12PipelineState* initialState);
    bool Recording() const { return mOpen && !mInvalid; }
    // The live descriptor a handle points at, if it is of `kind`.
    const Descriptor* LiveDescriptor(D3D12_CPU_DESCRIPTOR_HANDLE handle,
                                     D3D12_DESCRIPTOR_HEAP_TYPE type, DescriptorKind kind) const;
    bool ClearRects(UINT count, const D3D12_RECT* rects, const Descriptor& target);
    void RecordClearPass(const Descriptor& target, const VkRenderingAttachmentInfo* color,
                         const VkRenderingAttachmentInfo* depth,
                         const VkRenderingAttachmentInfo* stencil, const VkClearAttachment& clear);
    bool AddTransition(const D3D12_RESOURCE_TRANSITION_BARRIER& transition);
    bool CopyBufferToImage(const D3D12_TEXTURE_COPY_LOCATION& destination, UINT x, UINT y, UINT z,
                           const D3D12_TEXTURE_COPY_LOCATION& source, const D3D12_BOX* box);
    bool CopyImageToBuffer(const D3D12_TEXTURE_COPY_LOCATION& destination, UINT x, UINT y, UINT z,
                           const D3D12_TEXTURE_COPY_LOCATION& source, const D3D12_BOX* box);
    bool CopyImageToImage(const D3D12_TEXTURE_COPY_LOCATION& destination, UINT x, UINT y, UINT z,
                          const D3D12_TEXTURE_COPY_LOCATION& source, const D3D12_BOX* box);
    // Ends a dynamic-rendering pass that draws have left open.
    void EndRendering();

    // Drawing state, cleared when recording begins.
    void ResetDrawState();
    // Keeps `object` alive until the list records again or is destroyed:
    // pipelines, signatures and heaps a recording uses must outlive it.
    void Hold(IUnknown* object);
    // Checks the state a draw needs and records what changed since the last
    // draw; false where the draw cannot be honoured.
    bool PrepareDraw();
    bool TargetsMatchPipeline() const;
    void BeginRendering();
    bool SetDynamicViewport();

    struct VertexSlot
    {
        bool Bound = false;
        uint32_t Stride = 0;
    };

    const D3D12_COMMAND_LIST_TYPE mType;
    CommandAllocator* mAllocator = nullptr; // referenced while the list uses its buffer
    uint64_t mAllocatorGeneration = 0;
    VkCommandBuffer mBuffer = VK_NULL_HANDLE;
    bool mOpen = false;
    bool mInvalid = false;
    bool mRendering = false;
    std::atomic<uint64_t> mLastSerial{0};

    RenderTargets mTargets;
    D3D12_VIEWPORT mViewports[D3D12_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE]{};
    UINT mViewportCount = 0;
    D3D12_RECT mScissors[D3D12_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE]{};
    UINT mScissorCount = 0;

    PipelineState* mPipeline = nullptr;
    RootSignature* mSignature = nullptr;
    DescriptorHeap* mViewHeap = nullptr; // the shader-visible CBV/SRV/UAV heap
    std::vector<Microsoft::WRL::ComPtr<IUnknown>> mHeld;
    RootArguments mRoot;
    VkPipelineLayout mPushedLayout = VK_NULL_HANDLE;
    bool mPipelineBound = false;
    bool mViewportSet = false;
    bool mPipelineMatchesSignature = false;
    D3D12_PRIMITIVE_TOPOLOGY_TYPE mTopologyType = D3D12_PRIMITIVE_TOPOLOGY_TYPE_UNDEFINED;
    VertexSlot mVertexSlots[D3D12_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT];
    uint64_t mIndexCount = 0; // indices in the bound index buffer view; 0: none bound

    // Scratch arrays, kept to avoid allocating on every call.
    std::vector<VkImageMemoryBarrier2> mImageBarriers;
    std::vector<VkBufferMemoryBarrier2> mBufferBarriers;
    std::vector<VkClearRect> mClearRects;
};

} // namespace d3d12
