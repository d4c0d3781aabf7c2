// ShapesApp: start-up. Everything the scene draws is built here once, in a
// fixed order, on the start-up command list, which is submitted without
// waiting: the staging buffers it copies from live with their records.
#include "DDSTextureLoader.h"
#include "ShapesApp.h"

#include <d3dcompiler.h>

#include <cstring>

using Microsoft::WRL::ComPtr;

bool ShapesApp::StartUp()
{
    if (!D3DApp::StartUp())
        return false;
    BuildScene();
    return true;
}

void ShapesApp::BuildScene()
{
    CheckHr(mCommandList->Reset(mDirectCmdListAlloc.Get(), nullptr));

    LoadSceneTextures();
    OnStartUpStep("textures");
    BuildSceneRootSignature();
    BuildTextureDescriptorHeap();
    OnStartUpStep("root signature, heap");
    CompileSceneShaders();
    OnStartUpStep("shaders");
    BuildSceneGeometry();
    BuildSceneMaterials();
    BuildSceneItems();
    BuildFrameRing();
    OnStartUpStep("geometry, materials, items, ring");
    BuildScenePipelines();
    OnStartUpStep("pipelines");

    CheckHr(mCommandList->Close());
    ID3D12CommandList* cmdsLists[] = {mCommandList.Get()};
    mCommandQueue->ExecuteCommandLists(_countof(cmdsLists), cmdsLists);

    mSweepTimer = 0.0f;
    mLowTimer = 0.0f;
    mMidTimer = 0.0f;
    mHighTimer = 0.0f;
}

void ShapesApp::LoadSceneTextures()
{
    // Position i of both lists is also the texture's place in the descriptor
    // heap, which the materials refer to.
    const std::vector<std::string> texNames = {
        "bricksTex",   "stoneTex",    "tileTex",     "woodTex", "ventanaTex", "ventanaTex2",
        "ventanaTex3", "ventanaTex4", "ventanaTex5", "f1",      "f2",         "f7"};
    const std::vector<std::wstring> texFilenames = {
        L"Textures/bricks.dds", L"Textures/stone.dds", L"Textures/tile.dds", L"Textures/corona.dds",
        L"Textures/ed1.dds",    L"Textures/ed2.dds",   L"Textures/ed3b.dds", L"Textures/ed4.dds",
        L"Textures/ed5.dds",    L"Textures/f6.dds",    L"Textures/f2.dds",   L"Textures/f7.dds"};

    for (size_t i = 0; i < texNames.size(); ++i)
    {
        auto texMap = std::make_unique<TextureRecord>();
        texMap->Name = texNames[i];
        texMap->Filename = texFilenames[i];
        // clang-format off
        CheckHr(CreateDDSTextureFromFile12(md3dDevice.Get(), mCommandList.Get(), texMap->Filename.c_str(), texMap->Resource, texMap->UploadHeap));
        // clang-format on
        mTextureTable[texMap->Name] = std::move(texMap);
    }
}

namespace
{
// s0..s5: point, linear and anisotropic filtering, each wrapping and clamped.
std::array<const CD3DX12_STATIC_SAMPLER_DESC, 6> SceneSamplers()
{
    const CD3DX12_STATIC_SAMPLER_DESC pointWrap(
        0, D3D12_FILTER_MIN_MAG_MIP_POINT, D3D12_TEXTURE_ADDRESS_MODE_WRAP,
        D3D12_TEXTURE_ADDRESS_MODE_WRAP, D3D12_TEXTURE_ADDRESS_MODE_WRAP);
    const CD3DX12_STATIC_SAMPLER_DESC pointClamp(
        1, D3D12_FILTER_MIN_MAG_MIP_POINT, D3D12_TEXTURE_ADDRESS_MODE_CLAMP,
        D3D12_TEXTURE_ADDRESS_MODE_CLAMP, D3D12_TEXTURE_ADDRESS_MODE_CLAMP);
    const CD3DX12_STATIC_SAMPLER_DESC linearWrap(
        2, D3D12_FILTER_MIN_MAG_MIP_LINEAR, D3D12_TEXTURE_ADDRESS_MODE_WRAP,
        D3D12_TEXTURE_ADDRESS_MODE_WRAP, D3D12_TEXTURE_ADDRESS_MODE_WRAP);
    const CD3DX12_STATIC_SAMPLER_DESC linearClamp(
        3, D3D12_FILTER_MIN_MAG_MIP_LINEAR, D3D12_TEXTURE_ADDRESS_MODE_CLAMP,
        D3D12_TEXTURE_ADDRESS_MODE_CLAMP, D3D12_TEXTURE_ADDRESS_MODE_CLAMP);
    const CD3DX12_STATIC_SAMPLER_DESC anisotropicWrap(
        4, D3D12_FILTER_ANISOTROPIC, D3D12_TEXTURE_ADDRESS_MODE_WRAP,
        D3D12_TEXTURE_ADDRESS_MODE_WRAP, D3D12_TEXTURE_ADDRESS_MODE_WRAP, 0.0f, 8);
    const CD3DX12_STATIC_SAMPLER_DESC anisotropicClamp(
        5, D3D12_FILTER_ANISOTROPIC, D3D12_TEXTURE_ADDRESS_MODE_CLAMP,
        D3D12_TEXTURE_ADDRESS_MODE_CLAMP, D3D12_TEXTURE_ADDRESS_MODE_CLAMP, 0.0f, 8);
    return {pointWrap, pointClamp, linearWrap, linearClamp, anisotropicWrap, anisotropicClamp};
}
} // namespace

void ShapesApp::BuildSceneRootSignature()
{
    CD3DX12_DESCRIPTOR_RANGE texTable;
    texTable.Init(D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 1, 0);

    // b0 per object, b1 per material, b2 per pass, t0 the material's texture.
    CD3DX12_ROOT_PARAMETER slotRootParameter[4];
    slotRootParameter[0].InitAsConstantBufferView(0);
    slotRootParameter[1].InitAsConstantBufferView(1);
    slotRootParameter[2].InitAsConstantBufferView(2);
    slotRootParameter[3].InitAsDescriptorTable(1, &texTable, D3D12_SHADER_VISIBILITY_PIXEL);

    const auto staticSamplers = SceneSamplers();
    CD3DX12_ROOT_SIGNATURE_DESC rootSigDesc(
        4, slotRootParameter, UINT(staticSamplers.size()), staticSamplers.data(),
        D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT);

    ComPtr<ID3DBlob> serilizedRootSig = nullptr;
    ComPtr<ID3DBlob> errorBlob = nullptr;
    HRESULT hr =
        D3D12SerializeRootSignature(&rootSigDesc, D3D_ROOT_SIGNATURE_VERSION_1,
                                    serilizedRootSig.GetAddressOf(), errorBlob.GetAddressOf());
    // The text goes out before the result is examined, so a failure explains
    // itself.
    if (errorBlob != nullptr)
        OutputDebugStringA(static_cast<const char*>(errorBlob->GetBufferPointer()));
    CheckHr(hr);

    // clang-format off
    CheckHr(md3dDevice->CreateRootSignature(0, serilizedRootSig->GetBufferPointer(), serilizedRootSig->GetBufferSize(), IID_PPV_ARGS(mRootSignature.GetAddressOf())));
    // clang-format on
}

void ShapesApp::BuildTextureDescriptorHeap()
{
    D3D12_DESCRIPTOR_HEAP_DESC srvHeapDesc = {};
    srvHeapDesc.NumDescriptors = 12;
    srvHeapDesc.Type = D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV;
    srvHeapDesc.Flags = D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE;
    // clang-format off
    CheckHr(md3dDevice->CreateDescriptorHeap(&srvHeapDesc, IID_PPV_ARGS(mSrvDescriptorHeap.GetAddressOf())));
    // clang-format on

    // The heap follows the fixed texture order, not the table's.
    const char* order[] = {"bricksTex",   "stoneTex",    "tileTex",     "woodTex",
                           "ventanaTex",  "ventanaTex2", "ventanaTex3", "ventanaTex4",
                           "ventanaTex5", "f1",          "f2",          "f7"};
    std::vector<ComPtr<ID3D12Resource>> textures;
    for (const char* name : order)
        textures.push_back(mTextureTable[name]->Resource);

    CD3DX12_CPU_DESCRIPTOR_HANDLE hDescriptor(CpuHeapStart(mSrvDescriptorHeap.Get()));
    D3D12_SHADER_RESOURCE_VIEW_DESC srvDesc = {};
    srvDesc.Shader4ComponentMapping = D3D12_DEFAULT_SHADER_4_COMPONENT_MAPPING;
    srvDesc.ViewDimension = D3D12_SRV_DIMENSION_TEXTURE2D;
    srvDesc.Texture2D.MostDetailedMip = 0;
    srvDesc.Texture2D.PlaneSlice = 0;
    srvDesc.Texture2D.ResourceMinLODClamp = 0.0f;
    for (const auto& texture : textures)
    {
        // Each view takes its own texture's format and mip chain.
        const D3D12_RESOURCE_DESC desc = DescOf(texture.Get());
        srvDesc.Format = desc.Format;
        srvDesc.Texture2D.MipLevels = desc.MipLevels;
        md3dDevice->CreateShaderResourceView(texture.Get(), &srvDesc, hDescriptor);
        hDescriptor.Offset(1, mCbvSrvUavIncrement);
    }
}

void ShapesApp::CompileSceneShaders()
{
    // Both stages compile at once, each in a compiler process of its own;
    // their messages and failures are reported vertex stage first.
    ShaderCompilation vertex(L"Shaders/Default.hlsl", nullptr, "VS", "vs_5_1");
    ShaderCompilation pixel(L"Shaders/Default.hlsl", nullptr, "PS", "ps_5_1");
    mShaderTable["standardVS"] = vertex.Finish();
    mShaderTable["opaquePS"] = pixel.Finish();

    mVertexInputLayout = {
        {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0,
         D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0},
        {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12,
         D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0},
        {"TEXCOORD", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 24, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA,
         0},
    };
}

void ShapesApp::BuildSceneGeometry()
{
    const PackedSceneGeometry packed = PackSceneGeometry();
    auto geo = DescribeSceneGeometry(packed);
    const UINT vbByteSize = geo->VertexBufferBytes;
    const UINT ibByteSize = geo->IndexBufferBytes;

    CheckHr(D3DCreateBlob(vbByteSize, &geo->VertexBufferCPU));
    std::memcpy(geo->VertexBufferCPU->GetBufferPointer(), packed.Vertices.data(), vbByteSize);

    CheckHr(D3DCreateBlob(ibByteSize, &geo->IndexBufferCPU));
    std::memcpy(geo->IndexBufferCPU->GetBufferPointer(), packed.Indices.data(), ibByteSize);

    geo->VertexBufferGpu =
        CreateStaticBuffer(md3dDevice.Get(), mCommandList.Get(), packed.Vertices.data(), vbByteSize,
                           geo->VertexUploadBuffer);
    geo->IndexBufferGpu =
        CreateStaticBuffer(md3dDevice.Get(), mCommandList.Get(), packed.Indices.data(), ibByteSize,
                           geo->IndexUploadBuffer);

    mGeometryTable[geo->Name] = std::move(geo);
}

void ShapesApp::BuildFrameRing()
{
    for (int i = 0; i < FrameRingSize; ++i)
    {
        mFrameRing.push_back(std::make_unique<FrameResource>(
            md3dDevice.Get(), 1, UINT(mAllItems.size()), UINT(mMaterialTable.size())));
    }
}

void ShapesApp::BuildScenePipelines()
{
    D3D12_GRAPHICS_PIPELINE_STATE_DESC opaquePsoDesc;
    ZeroMemory(&opaquePsoDesc, sizeof(D3D12_GRAPHICS_PIPELINE_STATE_DESC));
    opaquePsoDesc.InputLayout = {mVertexInputLayout.data(), UINT(mVertexInputLayout.size())};
    opaquePsoDesc.pRootSignature = mRootSignature.Get();
    opaquePsoDesc.VS = {mShaderTable["standardVS"]->GetBufferPointer(),
                        mShaderTable["standardVS"]->GetBufferSize()};
    opaquePsoDesc.PS = {mShaderTable["opaquePS"]->GetBufferPointer(),
                        mShaderTable["opaquePS"]->GetBufferSize()};
    // Back faces culled, clockwise triangles front-facing.
    opaquePsoDesc.RasterizerState = CD3DX12_RASTERIZER_DESC(D3D12_DEFAULT);
    opaquePsoDesc.BlendState = CD3DX12_BLEND_DESC(D3D12_DEFAULT);
    opaquePsoDesc.DepthStencilState = CD3DX12_DEPTH_STENCIL_DESC(D3D12_DEFAULT);
    opaquePsoDesc.SampleMask = UINT_MAX;
    opaquePsoDesc.PrimitiveTopologyType = D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE;
    opaquePsoDesc.NumRenderTargets = 1;
    opaquePsoDesc.RTVFormats[0] = mBackBufferFormat;
    opaquePsoDesc.SampleDesc.Count = mMsaa4xEnabled ? 4 : 1;
    opaquePsoDesc.SampleDesc.Quality = mMsaa4xEnabled ? (mMsaa4xQuality - 1) : 0;
    opaquePsoDesc.DSVFormat = mDepthFormat;
    // clang-format off
    CheckHr(md3dDevice->CreateGraphicsPipelineState(&opaquePsoDesc, IID_PPV_ARGS(mPSOs["opaque"].GetAddressOf())));
    // clang-format on

    // The same pipeline for the other sample count, so that the multisampling
    // key switches pipelines without compiling one mid-run. A device that
    // offers no 4-sample quality level gets none: its description would ask
    // for quality level -1.
    const bool multisampled = mMsaa4xEnabled;
    mPSOs[multisampled ? "opaque4x" : "opaque1x"] = mPSOs["opaque"];
    if (mMsaa4xQuality == 0)
        return;
    opaquePsoDesc.SampleDesc.Count = multisampled ? 1 : 4;
    opaquePsoDesc.SampleDesc.Quality = multisampled ? 0 : (mMsaa4xQuality - 1);
    // clang-format off
    CheckHr(md3dDevice->CreateGraphicsPipelineState(
        &opaquePsoDesc, IID_PPV_ARGS(mPSOs[multisampled ? "opaque1x" : "opaque4x"].GetAddressOf())));
    // clang-format on
}

void ShapesApp::SelectScenePipeline()
{
    // Before the pipelines exist (the first resize runs inside the
    // framework's start-up) there is nothing to choose.
    auto chosen = mPSOs.find(mMsaa4xEnabled ? "opaque4x" : "opaque1x");
    if (chosen != mPSOs.end())
        mPSOs["opaque"] = chosen->second;
}
