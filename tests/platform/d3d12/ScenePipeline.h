// A root signature, input layout and pipeline description like the scene's,
// and its shader compiled once per test program: realistic input for the
// runtime's tests of root signatures, pipelines and drawing. The program's
// own objects are tested as it builds them (tests/ShapesApp/SceneBuildTests.cpp).
#pragma once

#include "GpuTest.h"
#include "ShaderCompilation.h"

#include <d3dcompiler.h>

#include <cfloat>

// A root signature like the scene's: per-object, per-material and per-pass
// constant buffers (b0-b2), a table of one texture for the pixel shader (t0)
// and the six static samplers (point, linear, anisotropic; wrap and clamp).
struct SceneRootSignature
{
    CD3DX12_DESCRIPTOR_RANGE TextureRange;
    CD3DX12_ROOT_PARAMETER Parameters[4];
    CD3DX12_STATIC_SAMPLER_DESC Samplers[6];
    CD3DX12_ROOT_SIGNATURE_DESC Desc;

    SceneRootSignature()
    {
        TextureRange.Init(D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 1, 0);
        Parameters[0].InitAsConstantBufferView(0);
        Parameters[1].InitAsConstantBufferView(1);
        Parameters[2].InitAsConstantBufferView(2);
        Parameters[3].InitAsDescriptorTable(1, &TextureRange, D3D12_SHADER_VISIBILITY_PIXEL);
        const D3D12_TEXTURE_ADDRESS_MODE wrap = D3D12_TEXTURE_ADDRESS_MODE_WRAP;
        const D3D12_TEXTURE_ADDRESS_MODE clamp = D3D12_TEXTURE_ADDRESS_MODE_CLAMP;
        Samplers[0].Init(0, D3D12_FILTER_MIN_MAG_MIP_POINT, wrap, wrap, wrap);
        Samplers[1].Init(1, D3D12_FILTER_MIN_MAG_MIP_POINT, clamp, clamp, clamp);
        Samplers[2].Init(2, D3D12_FILTER_MIN_MAG_MIP_LINEAR, wrap, wrap, wrap);
        Samplers[3].Init(3, D3D12_FILTER_MIN_MAG_MIP_LINEAR, clamp, clamp, clamp);
        Samplers[4].Init(4, D3D12_FILTER_ANISOTROPIC, wrap, wrap, wrap, 0.0f, 8);
        Samplers[5].Init(5, D3D12_FILTER_ANISOTROPIC, clamp, clamp, clamp, 0.0f, 8);
        Desc.Init(4, Parameters, 6, Samplers,
                  D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT);
    }

    Microsoft::WRL::ComPtr<ID3D12RootSignature> Create(ID3D12Device* device) const
    {
        Microsoft::WRL::ComPtr<ID3DBlob> blob, errors;
        Microsoft::WRL::ComPtr<ID3D12RootSignature> signature;
        EXPECT_HRESULT_SUCCEEDED(
            D3D12SerializeRootSignature(&Desc, D3D_ROOT_SIGNATURE_VERSION_1, &blob, &errors));
        if (blob)
        {
            EXPECT_HRESULT_SUCCEEDED(device->CreateRootSignature(
                0, blob->GetBufferPointer(), blob->GetBufferSize(), IID_PPV_ARGS(&signature)));
        }
        return signature;
    }
};

// The scene's vertex: position, normal, texture coordinates.
struct SceneVertex
{
    float Position[3];
    float Normal[3];
    float TexCoord[2];
};

inline const D3D12_INPUT_ELEMENT_DESC SceneInputLayout[] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA,
     0},
    {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA,
     0},
    {"TEXCOORD", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 24, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0},
};

// "Shaders/Default.hlsl" compiled as the program compiles it, once.
struct SceneShaders
{
    Compilation Vertex;
    Compilation Pixel;

    static const SceneShaders& Get()
    {
        static const SceneShaders shaders;
        return shaders;
    }

private:
    SceneShaders()
        : Vertex(CompileHlsl(DEFAULT_SHADER, "VS", "vs_5_1")),
          Pixel(CompileHlsl(DEFAULT_SHADER, "PS", "ps_5_1"))
    {
    }
};

// A pipeline description like the program's: default rasterizer, blend and
// depth-stencil states with back faces culled and clockwise front faces.
inline D3D12_GRAPHICS_PIPELINE_STATE_DESC ScenePipelineDesc(ID3D12RootSignature* signature,
                                                            UINT samples)
{
    const SceneShaders& shaders = SceneShaders::Get();
    D3D12_GRAPHICS_PIPELINE_STATE_DESC desc = {};
    desc.InputLayout = {SceneInputLayout, UINT(std::size(SceneInputLayout))};
    desc.pRootSignature = signature;
    if (shaders.Vertex.Code && shaders.Pixel.Code)
    {
        desc.VS = {shaders.Vertex.Code->GetBufferPointer(), shaders.Vertex.Code->GetBufferSize()};
        desc.PS = {shaders.Pixel.Code->GetBufferPointer(), shaders.Pixel.Code->GetBufferSize()};
    }
    desc.RasterizerState = CD3DX12_RASTERIZER_DESC(D3D12_DEFAULT);
    desc.BlendState = CD3DX12_BLEND_DESC(D3D12_DEFAULT);
    desc.DepthStencilState = CD3DX12_DEPTH_STENCIL_DESC(D3D12_DEFAULT);
    desc.SampleMask = UINT_MAX;
    desc.PrimitiveTopologyType = D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE;
    desc.NumRenderTargets = 1;
    desc.RTVFormats[0] = DXGI_FORMAT_R8G8B8A8_UNORM;
    desc.DSVFormat = DXGI_FORMAT_D24_UNORM_S8_UINT;
    desc.SampleDesc = {samples, 0};
    return desc;
}
