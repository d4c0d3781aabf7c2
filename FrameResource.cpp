#include "FrameResource.h"

FrameResource::FrameResource(ID3D12Device* device, UINT passCount, UINT objectCount,
                             UINT materialCount)
{
    // clang-format off
    CheckHr(device->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT, IID_PPV_ARGS(CmdAlloc.GetAddressOf())));
    // clang-format on

    PassBuffer = std::make_unique<UploadBuffer<PerPassConstants>>(device, passCount, true);
    ObjectBuffer = std::make_unique<UploadBuffer<PerObjectConstants>>(device, objectCount, true);
    MaterialBuffer =
        std::make_unique<UploadBuffer<PerMaterialConstants>>(device, materialCount, true);
}

// The members go in reverse order: the buffers (each unmapping first), then
// the allocator.
FrameResource::~FrameResource() = default;
