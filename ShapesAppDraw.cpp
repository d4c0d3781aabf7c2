// ShapesApp: the frame. Records the city into the current frame resource's
// allocator, submits it, presents without waiting for the vertical blank and
// stamps the frame resource with a new fence value.
#include "ShapesApp.h"

void ShapesApp::DrawFrame(const FrameClock&)
{
    // Safe to reset: UpdateFrame waited for this frame resource's fence.
    auto cmdListAlloc = mCurrFrameResource->CmdAlloc;
    CheckHr(cmdListAlloc->Reset());

    // clang-format off
    CheckHr(mCommandList->Reset(cmdListAlloc.Get(), mPSOs["opaque"].Get()));
    // clang-format on

    mCommandList->RSSetViewports(1, &mViewport);
    mCommandList->RSSetScissorRects(1, &mScissor);

    // The back buffer, or the 4-sample target while multisampling is on.
    PrepareFrameTarget(mCommandList.Get());
    const D3D12_CPU_DESCRIPTOR_HANDLE target = CurrentTargetView();
    const D3D12_CPU_DESCRIPTOR_HANDLE depth = DepthStencilView();
    mCommandList->ClearRenderTargetView(target, ClearColor, 0, nullptr);
    mCommandList->ClearDepthStencilView(depth, D3D12_CLEAR_FLAG_DEPTH | D3D12_CLEAR_FLAG_STENCIL,
                                        1.0f, 0, 0, nullptr);
    mCommandList->OMSetRenderTargets(1, &target, true, &depth);

    ID3D12DescriptorHeap* descriptorHeaps[] = {mSrvDescriptorHeap.Get()};
    mCommandList->SetDescriptorHeaps(_countof(descriptorHeaps), descriptorHeaps);
    mCommandList->SetGraphicsRootSignature(mRootSignature.Get());

    ID3D12Resource* passBuffer = mCurrFrameResource->PassBuffer->GpuResource();
    mCommandList->SetGraphicsRootConstantBufferView(2, passBuffer->GetGPUVirtualAddress());

    DrawSceneItems(mCommandList.Get(), mItemLayers[OpaqueLayer]);

    // To the present state, resolving the 4-sample target first if it is on.
    FinishFrameTarget(mCommandList.Get());

    CheckHr(mCommandList->Close());
    ID3D12CommandList* cmdsLists[] = {mCommandList.Get()};
    mCommandQueue->ExecuteCommandLists(_countof(cmdsLists), cmdsLists);

    CheckHr(mSwapChain->Present(0, 0));
    mBackBufferIndex = (mBackBufferIndex + 1) % SwapChainBufferCount;

    mCurrFrameResource->Fence = ++mCurrentFence;
    mCommandQueue->Signal(mFence.Get(), mCurrentFence);
}

void ShapesApp::DrawSceneItems(ID3D12GraphicsCommandList* cmdList,
                               const std::vector<SceneItem*>& items)
{
    // Constant records sit a padded stride apart, whatever their own size.
    const UINT objectStride = mCurrFrameResource->ObjectBuffer->ElementStride();
    const UINT materialStride = mCurrFrameResource->MaterialBuffer->ElementStride();
    ID3D12Resource* objectBuffer = mCurrFrameResource->ObjectBuffer->GpuResource();
    ID3D12Resource* materialBuffer = mCurrFrameResource->MaterialBuffer->GpuResource();

    // Every item is bound completely, even where it shares buffers, topology
    // or material with the one before.
    for (const SceneItem* item : items)
    {
        const SceneGeometry& geo = *item->Geometry;
        D3D12_VERTEX_BUFFER_VIEW vertexView;
        vertexView.BufferLocation = geo.VertexBufferGpu->GetGPUVirtualAddress();
        vertexView.StrideInBytes = geo.VertexStride;
        vertexView.SizeInBytes = geo.VertexBufferBytes;
        cmdList->IASetVertexBuffers(0, 1, &vertexView);

        D3D12_INDEX_BUFFER_VIEW indexView;
        indexView.BufferLocation = geo.IndexBufferGpu->GetGPUVirtualAddress();
        indexView.Format = geo.IndexFormat;
        indexView.SizeInBytes = geo.IndexBufferBytes;
        cmdList->IASetIndexBuffer(&indexView);

        cmdList->IASetPrimitiveTopology(item->Topology);

        const D3D12_GPU_VIRTUAL_ADDRESS objectAddress =
            objectBuffer->GetGPUVirtualAddress() + UINT64(item->ObjectIndex) * objectStride;
        const D3D12_GPU_VIRTUAL_ADDRESS materialAddress =
            materialBuffer->GetGPUVirtualAddress() +
            UINT64(item->Material->MaterialIndex) * materialStride;
        cmdList->SetGraphicsRootConstantBufferView(0, objectAddress);
        cmdList->SetGraphicsRootConstantBufferView(1, materialAddress);

        CD3DX12_GPU_DESCRIPTOR_HANDLE texture(GpuHeapStart(mSrvDescriptorHeap.Get()));
        texture.Offset(item->Material->DiffuseTextureIndex, mCbvSrvUavIncrement);
        cmdList->SetGraphicsRootDescriptorTable(3, texture);

        cmdList->DrawIndexedInstanced(item->IndexCount, 1, item->FirstIndex, item->VertexOffset, 0);
    }
}
