// Root signatures: the scene's description serialized, read back and made
// into a Vulkan layout; its six static samplers translated value by value;
// descriptions the runtime cannot honour refused with a reason; and damaged
// bytes refused without a crash.
#include "ScenePipeline.h"

#include "root_signature_encoding.h"
#include "translation.h"

#include <cstring>

using Microsoft::WRL::ComPtr;

namespace
{

struct Serialized
{
    HRESULT Result;
    ComPtr<ID3DBlob> Blob;
    std::string Errors;
};

Serialized Serialize(const D3D12_ROOT_SIGNATURE_DESC& desc,
                     D3D_ROOT_SIGNATURE_VERSION version = D3D_ROOT_SIGNATURE_VERSION_1)
{
    Serialized s;
    ComPtr<ID3DBlob> errors;
    s.Result = D3D12SerializeRootSignature(&desc, version, &s.Blob, &errors);
    if (errors)
        s.Errors = static_cast<const char*>(errors->GetBufferPointer());
    return s;
}

std::vector<uint8_t> BytesOf(ID3DBlob* blob)
{
    const auto* data = static_cast<const uint8_t*>(blob->GetBufferPointer());
    return {data, data + blob->GetBufferSize()};
}

class RootSignatures : public GpuTest
{
protected:
    HRESULT Create(const void* bytes, size_t size)
    {
        ComPtr<ID3D12RootSignature> signature;
        const HRESULT hr = Device()->CreateRootSignature(0, bytes, size, IID_PPV_ARGS(&signature));
        EXPECT_EQ(SUCCEEDED(hr), signature != nullptr);
        return hr;
    }
};

TEST_F(RootSignatures, SceneSignatureRoundTrip)
{
    const SceneRootSignature scene;
    const Serialized s = Serialize(scene.Desc);
    ASSERT_HRESULT_SUCCEEDED(s.Result);
    EXPECT_EQ(s.Errors, "");
    // The same description always gives the same bytes.
    EXPECT_EQ(BytesOf(s.Blob.Get()), BytesOf(Serialize(scene.Desc).Blob.Get()));

    d3d12::RootSignatureLayout layout;
    std::string error;
    ASSERT_TRUE(
        d3d12::DecodeLayout(s.Blob->GetBufferPointer(), s.Blob->GetBufferSize(), &layout, &error))
        << error;
    EXPECT_EQ(layout.Flags, D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT);
    ASSERT_EQ(layout.Parameters.size(), 4u);
    for (uint32_t i = 0; i < 3; ++i)
    {
        EXPECT_EQ(layout.Parameters[i].Type, D3D12_ROOT_PARAMETER_TYPE_CBV);
        EXPECT_EQ(layout.Parameters[i].Register, i);
        EXPECT_EQ(layout.Parameters[i].Visibility, D3D12_SHADER_VISIBILITY_ALL);
    }
    const d3d12::RootParameter& table = layout.Parameters[3];
    EXPECT_EQ(table.Type, D3D12_ROOT_PARAMETER_TYPE_DESCRIPTOR_TABLE);
    EXPECT_EQ(table.Visibility, D3D12_SHADER_VISIBILITY_PIXEL);
    ASSERT_EQ(table.Ranges.size(), 1u);
    EXPECT_EQ(table.Ranges[0].Type, D3D12_DESCRIPTOR_RANGE_TYPE_SRV);
    EXPECT_EQ(table.Ranges[0].Count, 1u);
    EXPECT_EQ(table.Ranges[0].Offset, D3D12_DESCRIPTOR_RANGE_OFFSET_APPEND);
    ASSERT_EQ(layout.Samplers.size(), 6u);
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(std::memcmp(&layout.Samplers[i], &scene.Samplers[i], sizeof(scene.Samplers[i])),
                  0)
            << "sampler s" << i;

    EXPECT_HRESULT_SUCCEEDED(Create(s.Blob->GetBufferPointer(), s.Blob->GetBufferSize()));
}

// What each of the scene's samplers becomes on a device with 16x anisotropy.
struct SamplerCase
{
    VkFilter Filter;
    VkSamplerMipmapMode Mip;
    VkSamplerAddressMode Address;
    bool Anisotropic;
    float MaxAnisotropy;
};

TEST(StaticSamplers, SceneSamplersKeepEveryValue)
{
    const SamplerCase expected[6] = {
        {VK_FILTER_NEAREST, VK_SAMPLER_MIPMAP_MODE_NEAREST, VK_SAMPLER_ADDRESS_MODE_REPEAT, false,
         1.0f},
        {VK_FILTER_NEAREST, VK_SAMPLER_MIPMAP_MODE_NEAREST, VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE,
         false, 1.0f},
        {VK_FILTER_LINEAR, VK_SAMPLER_MIPMAP_MODE_LINEAR, VK_SAMPLER_ADDRESS_MODE_REPEAT, false,
         1.0f},
        {VK_FILTER_LINEAR, VK_SAMPLER_MIPMAP_MODE_LINEAR, VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE,
         false, 1.0f},
        {VK_FILTER_LINEAR, VK_SAMPLER_MIPMAP_MODE_LINEAR, VK_SAMPLER_ADDRESS_MODE_REPEAT, true,
         8.0f},
        {VK_FILTER_LINEAR, VK_SAMPLER_MIPMAP_MODE_LINEAR, VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE,
         true, 8.0f},
    };
    const SceneRootSignature scene;
    const d3d12::SamplerLimits limits = {true, 16.0f, 15.0f};
    for (int i = 0; i < 6; ++i)
    {
        SCOPED_TRACE("sampler s" + std::to_string(i));
        VkSamplerCreateInfo info{};
        ASSERT_TRUE(d3d12::TranslateSampler(scene.Samplers[i], limits, &info));
        EXPECT_EQ(info.magFilter, expected[i].Filter);
        EXPECT_EQ(info.minFilter, expected[i].Filter);
        EXPECT_EQ(info.mipmapMode, expected[i].Mip);
        EXPECT_EQ(info.addressModeU, expected[i].Address);
        EXPECT_EQ(info.addressModeV, expected[i].Address);
        EXPECT_EQ(info.addressModeW, expected[i].Address);
        EXPECT_EQ(bool(info.anisotropyEnable), expected[i].Anisotropic);
        EXPECT_EQ(info.maxAnisotropy, expected[i].MaxAnisotropy);
        // The comparison (less-or-equal) counts only for comparison filters.
        EXPECT_FALSE(info.compareEnable);
        EXPECT_EQ(info.borderColor, VK_BORDER_COLOR_FLOAT_OPAQUE_WHITE);
        EXPECT_EQ(info.mipLodBias, 0.0f);
        EXPECT_EQ(info.minLod, 0.0f);
        EXPECT_EQ(info.maxLod, FLT_MAX);
    }
}

TEST(StaticSamplers, ComparisonBorderAndDeviceLimits)
{
    CD3DX12_STATIC_SAMPLER_DESC shadow(
        0, D3D12_FILTER_COMPARISON_MIN_MAG_MIP_LINEAR, D3D12_TEXTURE_ADDRESS_MODE_BORDER,
        D3D12_TEXTURE_ADDRESS_MODE_BORDER, D3D12_TEXTURE_ADDRESS_MODE_BORDER, 20.0f, 16,
        D3D12_COMPARISON_FUNC_LESS_EQUAL, D3D12_STATIC_BORDER_COLOR_TRANSPARENT_BLACK, 1.0f, 4.0f);
    VkSamplerCreateInfo info{};
    ASSERT_TRUE(d3d12::TranslateSampler(shadow, {true, 16.0f, 15.0f}, &info));
    EXPECT_TRUE(info.compareEnable);
    EXPECT_EQ(info.compareOp, VK_COMPARE_OP_LESS_OR_EQUAL);
    EXPECT_EQ(info.addressModeU, VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_BORDER);
    EXPECT_EQ(info.borderColor, VK_BORDER_COLOR_FLOAT_TRANSPARENT_BLACK);
    EXPECT_EQ(info.mipLodBias, 15.0f); // clamped to the device's limit
    EXPECT_EQ(info.minLod, 1.0f);
    EXPECT_EQ(info.maxLod, 4.0f);

    // Anisotropy beyond the device's limit is clamped, and without the
    // feature the sampler filters trilinearly.
    CD3DX12_STATIC_SAMPLER_DESC anisotropic(0, D3D12_FILTER_ANISOTROPIC);
    ASSERT_TRUE(d3d12::TranslateSampler(anisotropic, {true, 4.0f, 15.0f}, &info));
    EXPECT_EQ(info.maxAnisotropy, 4.0f);
    ASSERT_TRUE(d3d12::TranslateSampler(anisotropic, {false, 16.0f, 15.0f}, &info));
    EXPECT_FALSE(info.anisotropyEnable);
    EXPECT_EQ(info.minFilter, VK_FILTER_LINEAR);
    EXPECT_EQ(info.mipmapMode, VK_SAMPLER_MIPMAP_MODE_LINEAR);
}

// Descriptions the runtime cannot honour: a negative result, no blob, and an
// error blob that says why.
struct RefusedSignature
{
    const char* Name;
    void (*Change)(SceneRootSignature& scene);
    const char* Reason; // a part of the error text
};

class RefusedSignatures : public ::testing::TestWithParam<RefusedSignature>
{
};

TEST_P(RefusedSignatures, GiveAReason)
{
    SceneRootSignature scene;
    GetParam().Change(scene);
    const Serialized s = Serialize(scene.Desc);
    EXPECT_EQ(s.Result, E_INVALIDARG);
    EXPECT_FALSE(s.Blob);
    EXPECT_NE(s.Errors.find(GetParam().Reason), std::string::npos) << s.Errors;
}

const RefusedSignature RefusedSignatureCases[] = {
    {"RootConstants", [](auto& s) { s.Parameters[0].InitAsConstants(4, 0); }, "root constants"},
    {"RootShaderResourceView", [](auto& s) { s.Parameters[0].InitAsShaderResourceView(1); },
     "root shader-resource"},
    {"UnorderedAccessTable",
     [](auto& s) { s.TextureRange.Init(D3D12_DESCRIPTOR_RANGE_TYPE_UAV, 1, 0); },
     "tables of shader-resource views"},
    {"SamplerTable",
     [](auto& s) { s.TextureRange.Init(D3D12_DESCRIPTOR_RANGE_TYPE_SAMPLER, 1, 8); },
     "tables of shader-resource views"},
    {"RegisterSpaceOne", [](auto& s) { s.Parameters[1].InitAsConstantBufferView(1, 1); },
     "space 0"},
    {"RegisterB16", [](auto& s) { s.Parameters[1].InitAsConstantBufferView(16); }, "b16"},
    {"RegisterB0Twice", [](auto& s) { s.Parameters[1].InitAsConstantBufferView(0); }, "b0"},
    {"UnboundedTable", [](auto& s) { s.TextureRange.Init(D3D12_DESCRIPTOR_RANGE_TYPE_SRV, -1, 0); },
     "t0"},
    {"SamplerS2Twice", [](auto& s) { s.Samplers[3].ShaderRegister = 2; }, "s2"},
    {"HullShaderVisibility",
     [](auto& s) { s.Parameters[0].ShaderVisibility = D3D12_SHADER_VISIBILITY_HULL; },
     "visibilities"},
    {"LocalSignatureFlag",
     [](auto& s) { s.Desc.Flags = D3D12_ROOT_SIGNATURE_FLAG_LOCAL_ROOT_SIGNATURE; }, "flags"},
    {"MirrorOnceAddressing",
     [](auto& s) { s.Samplers[0].AddressU = D3D12_TEXTURE_ADDRESS_MODE_MIRROR_ONCE; },
     "static sampler 0"},
    {"MinimumReductionFilter",
     [](auto& s) { s.Samplers[1].Filter = D3D12_FILTER_MINIMUM_MIN_MAG_MIP_LINEAR; },
     "static sampler 1"},
    {"LodRangeReversed",
     [](auto& s)
     {
         s.Samplers[2].MinLOD = 2.0f;
         s.Samplers[2].MaxLOD = 1.0f;
     },
     "static sampler 2"},
    {"AnisotropyOf17", [](auto& s) { s.Samplers[4].MaxAnisotropy = 17; }, "static sampler 4"},
    {"TableWithoutRanges", [](auto& s) { s.Parameters[3].DescriptorTable.NumDescriptorRanges = 0; },
     "at least one range"},
    {"MissingParameterArray", [](auto& s) { s.Desc.pParameters = nullptr; }, "has none"},
};

INSTANTIATE_TEST_SUITE_P(Cases, RefusedSignatures, ::testing::ValuesIn(RefusedSignatureCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(RootSignatureSerialization, OnlyVersionOneAndAnOutputSlot)
{
    const SceneRootSignature scene;
    const Serialized s = Serialize(scene.Desc, D3D_ROOT_SIGNATURE_VERSION_1_1);
    EXPECT_EQ(s.Result, E_INVALIDARG);
    EXPECT_NE(s.Errors.find("version 1"), std::string::npos) << s.Errors;
    EXPECT_EQ(
        D3D12SerializeRootSignature(&scene.Desc, D3D_ROOT_SIGNATURE_VERSION_1, nullptr, nullptr),
        E_INVALIDARG);
}

TEST_F(RootSignatures, DamagedBytesAreRefusedWithoutACrash)
{
    const Serialized s = Serialize(SceneRootSignature().Desc);
    ASSERT_HRESULT_SUCCEEDED(s.Result);
    const std::vector<uint8_t> bytes = BytesOf(s.Blob.Get());
    EXPECT_EQ(Create(nullptr, 0), E_INVALIDARG);
    // Every truncation.
    for (size_t size = 0; size < bytes.size(); ++size)
        EXPECT_EQ(Create(bytes.data(), size), E_INVALIDARG) << size << " bytes";
    // Every byte changed: refused, or read as some other valid signature.
    for (size_t i = 0; i < bytes.size(); ++i)
    {
        std::vector<uint8_t> damaged = bytes;
        damaged[i] ^= 0xA5;
        const HRESULT hr = Create(damaged.data(), damaged.size());
        EXPECT_TRUE(hr == S_OK || hr == E_INVALIDARG) << "byte " << i;
        if (i < 12) // magic, version and size
        {
            EXPECT_EQ(hr, E_INVALIDARG) << "byte " << i;
        }
    }
}

} // namespace
