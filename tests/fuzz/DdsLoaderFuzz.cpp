// libFuzzer target for the loader's header checks, format mapping and
// subresource layout, built with AddressSanitizer and
// UndefinedBehaviorSanitizer. Beyond memory errors and undefined behaviour it
// traps when a successful layout points anywhere outside the pixel data.
#include <DDSTextureLoader.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace
{
void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// Reads every byte the copy into the texture would read, so that the
// sanitizer sees any subresource reaching past the data.
void TouchSubresources(const DdsTextureLayout& layout, const uint8_t* bitData, size_t bitSize)
{
    const uint8_t* end = bitData + bitSize;
    volatile uint8_t sink = 0;
    for (size_t slice = 0; slice < layout.ArraySize; ++slice)
    {
        size_t depth = layout.Depth;
        for (size_t level = 0; level < layout.MipCount;
             ++level, depth = std::max<size_t>(depth / 2, 1))
        {
            const D3D12_SUBRESOURCE_DATA& entry =
                layout.Subresources[slice * layout.MipCount + level];
            const auto* first = static_cast<const uint8_t*>(entry.pData);
            const size_t bytes = size_t(entry.SlicePitch) * depth;
            Require(first >= bitData && first <= end && bytes <= size_t(end - first));
            for (size_t i = 0; i < bytes; ++i)
                sink = sink + first[i];
        }
    }
    Require(layout.BytesUsed <= bitSize);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size heap copy, so that one byte too far is a heap overflow.
    std::unique_ptr<uint8_t[]> file(new uint8_t[size]);
    if (size > 0)
        std::memcpy(file.get(), data, size);

    const DDS_HEADER* header = nullptr;
    const uint8_t* bitData = nullptr;
    size_t bitSize = 0;
    if (FAILED(LocateDdsHeaders(file.get(), size, &header, &bitData, &bitSize)))
        return 0;

    DdsTextureLayout layout;
    const HRESULT hr = InterpretDdsData(header, bitData, bitSize, layout);
    Require(SUCCEEDED(hr) == (layout.Subresources != nullptr));
    if (FAILED(hr))
        return 0;
    TouchSubresources(layout, bitData, bitSize);

    // The whole path up to creation, which without a device stops there.
    Microsoft::WRL::ComPtr<ID3D12Resource> texture, upload;
    Require(CreateTextureFromDdsData(nullptr, nullptr, header, bitData, bitSize, texture, upload) ==
            E_POINTER);
    return 0;
}
