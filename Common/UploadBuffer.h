// UploadBuffer: an array of elements in upload-heap memory that stays mapped
// for its whole life, so the CPU can overwrite single elements every frame.
// With the constant-buffer flag every element starts on a 256-byte boundary,
// as constant-buffer views require.
#pragma once

#include "d3dUtil.h"

#include <windows.h>

#include <d3d12.h>
#include <d3dx12.h>
#include <wrl/client.h>

#include <cstring>

template <typename T> class UploadBuffer
{
public:
    UploadBuffer(ID3D12Device* device, UINT elementCount, bool isConstantBuffer)
        : mIsConstantBuffer(isConstantBuffer)
    {
        mElementByteSize = sizeof(T);
        if (mIsConstantBuffer)
            mElementByteSize = PadToConstantAlignment(sizeof(T));

        // clang-format off
        CheckHr(device->CreateCommittedResource(
            &CD3DX12_HEAP_PROPERTIES(D3D12_HEAP_TYPE_UPLOAD),
            D3D12_HEAP_FLAG_NONE,
            &CD3DX12_RESOURCE_DESC::Buffer(mElementByteSize*elementCount),
            D3D12_RESOURCE_STATE_GENERIC_READ,
            nullptr,
            IID_PPV_ARGS(&mUploadBuffer)));
        // clang-format on

        CheckHr(mUploadBuffer->Map(0, nullptr, reinterpret_cast<void**>(&mMappedData)));
    }

    UploadBuffer(const UploadBuffer&) = delete;
    UploadBuffer& operator=(const UploadBuffer&) = delete;

    ~UploadBuffer()
    {
        if (mUploadBuffer != nullptr)
            mUploadBuffer->Unmap(0, nullptr);
        mMappedData = nullptr;
    }

    ID3D12Resource* GpuResource() const { return mUploadBuffer.Get(); }
    // The distance between elements: the constant alignment's padding
    // included, where there is one.
    UINT ElementStride() const { return mElementByteSize; }

    // Copies exactly the element's own bytes; the padding up to the stride is
    // never written.
    void WriteElement(int elementIndex, const T& data)
    {
        std::memcpy(&mMappedData[elementIndex * mElementByteSize], &data, sizeof(T));
    }

private:
    Microsoft::WRL::ComPtr<ID3D12Resource> mUploadBuffer;
    BYTE* mMappedData = nullptr;
    UINT mElementByteSize = 0;
    bool mIsConstantBuffer = false;
};
