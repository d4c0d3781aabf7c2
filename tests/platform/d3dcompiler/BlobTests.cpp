// D3DCreateBlob and the blob object shared by the compiler's outputs.
#include <d3dcompiler.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <cstdint>

namespace
{

using Microsoft::WRL::ComPtr;

TEST(Blob, HoldsZeroedBytesOfTheRequestedSize)
{
    for (SIZE_T size : {SIZE_T(0), SIZE_T(1), SIZE_T(4096)})
    {
        ComPtr<ID3DBlob> blob;
        ASSERT_EQ(D3DCreateBlob(size, &blob), S_OK);
        EXPECT_EQ(blob->GetBufferSize(), size);
        const auto* bytes = static_cast<const uint8_t*>(blob->GetBufferPointer());
        ASSERT_NE(bytes, nullptr) << "even an empty blob gives a usable pointer";
        for (SIZE_T i = 0; i < size; ++i)
            ASSERT_EQ(bytes[i], 0) << i;
    }
}

TEST(Blob, RefusesBadRequests)
{
    EXPECT_EQ(D3DCreateBlob(16, nullptr), E_INVALIDARG);
    ID3DBlob* blob = reinterpret_cast<ID3DBlob*>(1);
    EXPECT_EQ(D3DCreateBlob(SIZE_T(-1), &blob), E_OUTOFMEMORY);
    EXPECT_EQ(blob, nullptr);
}

TEST(Blob, IsAReferenceCountedComObject)
{
    ComPtr<ID3DBlob> blob;
    ASSERT_EQ(D3DCreateBlob(8, &blob), S_OK);

    ComPtr<ID3DBlob> same;
    ASSERT_EQ(blob->QueryInterface(IID_ID3D10Blob, reinterpret_cast<void**>(same.GetAddressOf())),
              S_OK);
    EXPECT_EQ(same.Get(), blob.Get());
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(blob.As(&unknown), S_OK);

    const GUID otherInterface = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(blob->QueryInterface(otherInterface, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);

    // Two references from the queries plus ours; the last release frees it.
    EXPECT_EQ(blob->AddRef(), 4u);
    EXPECT_EQ(blob->Release(), 3u);
}

} // namespace
