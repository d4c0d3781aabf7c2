// What drawing a city-like frame costs through the Direct3D 12 runtime, on the
// default device (the CPU device where the machine has no GPU). The frame has
// the scene's shape: 28 items of about 2,300 indices each (23 buildings, a
// ground block and a cube, all subdivided boxes, and three spheres), each
// fully rebound (buffers, topology, object and material records, texture),
// drawn with "Shaders/Default.hlsl", the twelve generated textures and three
// lights, seen from above the street as the camera's drifting passes see it.
//  - RecordAndSubmit: time to record the frame as the program does and
//    submit it, with the CPU time of each step as counters; the wait for the
//    GPU is left out.
//  - Frame/<width>/<height>/<samples>/<shader>: a whole frame, from
//    recording to the GPU's end; shader 2 is the program's, with its
//    trilinear wrap sampler, 4 the same with the anisotropic one (compiled
//    with ANISOTROPIC_FILTERING), 0 the fill-rate floor: the same frame with
//    trilinear sampling and no lighting (FILL_RATE_FLOOR). Four samples are
//    resolved into a single-sample target, as the program does with its
//    back buffer.
// `draw_benchmarks --pictures <folder>` first writes the 800 x 600 view with
// each sampler as city-trilinear.ppm and city-anisotropic.ppm, to compare
// what the cost buys.
#include "DDSTextureLoader.h"
#include "FrameResource.h"
#include "MathHelpers.h"
#include "ShapeFactory.h"
#include "d3dUtil.h"

#include <windows.h>

#include <d3d12.h>
#include <d3dcompiler.h>
#include <d3dx12.h>
#include <dxgi1_4.h>
#include <wrl/client.h>

#include <benchmark/benchmark.h>
#include <win32_support.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace
{

constexpr UINT RecordStride = 256;
constexpr UINT ItemCount = 28;
constexpr UINT TextureCount = 12;
constexpr DXGI_FORMAT TargetFormat = DXGI_FORMAT_R8G8B8A8_UNORM;
constexpr DXGI_FORMAT DepthFormat = DXGI_FORMAT_D24_UNORM_S8_UINT;

const wchar_t* const TextureFiles[TextureCount] = {
    L"bricks.dds", L"stone.dds", L"tile.dds", L"corona.dds", L"ed1.dds", L"ed2.dds",
    L"ed3b.dds",   L"ed4.dds",   L"ed5.dds",  L"f6.dds",     L"f2.dds",  L"f7.dds"};

struct Vertex
{
    Float3 Position;
    Float3 Normal;
    Float2 TexCoord;
};

struct Mesh
{
    UINT FirstIndex;
    UINT IndexCount;
    INT BaseVertex;
};

struct Item
{
    Mesh Shape;
    UINT Material;
};

// The render target, depth buffer and single-sample "back buffer" of one
// size and sample count.
struct Targets
{
    UINT Width = 0, Height = 0, Samples = 0;
    ComPtr<ID3D12Resource> Color, Depth, BackBuffer;
    ComPtr<ID3D12DescriptorHeap> RtvHeap, DsvHeap;
};

void Check(HRESULT hr, const char* what)
{
    if (FAILED(hr))
        throw std::runtime_error(std::string(what) + " failed");
}

template <class Record> void WriteRecord(uint8_t* buffer, UINT index, const Record& record)
{
    std::memcpy(buffer + size_t(index) * RecordStride, &record, sizeof(record));
}

void StoreMatrix(float (&out)[16], const Matrix4& m)
{
    const Matrix4 transposed = MatrixTranspose(m);
    std::memcpy(out, &transposed, sizeof(out));
}

class City
{
public:
    // Empty with a reason where there is no device or no data to draw.
    std::string Create();

    void RecordFrame(const Targets& targets, UINT shader);
    // Draws one frame and writes the single-sample picture as a binary PPM.
    void WritePicture(UINT width, UINT height, UINT shader, const std::string& path);
    void Submit();
    void WaitForGpu();
    const Targets& TargetsOf(UINT width, UINT height, UINT samples);

private:
    void CreateDevice();
    void CreateSignatureAndPipelines();
    void CreateGeometry(std::vector<ComPtr<ID3D12Resource>>& staging);
    void CreateTextures(std::vector<ComPtr<ID3D12Resource>>& staging);
    void CreateRecords();
    void WritePass(const Targets& targets);

    ComPtr<ID3D12Device> mDevice;
    ComPtr<ID3D12CommandQueue> mQueue;
    ComPtr<ID3D12CommandAllocator> mAllocator;
    ComPtr<ID3D12GraphicsCommandList> mList;
    ComPtr<ID3D12Fence> mFence;
    UINT64 mFenceValue = 0;
    HANDLE mEvent = nullptr;

    ComPtr<ID3D12RootSignature> mSignature;
    std::map<std::pair<UINT, UINT>, ComPtr<ID3D12PipelineState>> mPipelines; // samples, shader
    ComPtr<ID3DBlob> mVertexShader;
    ComPtr<ID3DBlob> mPixelShaders[3]; // trilinear, anisotropic, unlit
    ComPtr<ID3D12Resource> mVertexBuffer, mIndexBuffer;
    D3D12_VERTEX_BUFFER_VIEW mVertexView{};
    D3D12_INDEX_BUFFER_VIEW mIndexView{};
    ComPtr<ID3D12Resource> mTextures[TextureCount];
    ComPtr<ID3D12DescriptorHeap> mSrvHeap;
    UINT mSrvIncrement = 0;
    ComPtr<ID3D12Resource> mObjects, mMaterials, mPass;
    uint8_t* mPassBytes = nullptr;
    std::vector<Item> mItems;
    Targets mTargets;
};

std::string City::Create()
{
    try
    {
        CreateDevice();
        CreateSignatureAndPipelines();
        std::vector<ComPtr<ID3D12Resource>> staging;
        Check(mAllocator->Reset(), "allocator reset");
        Check(mList->Reset(mAllocator.Get(), nullptr), "list reset");
        CreateGeometry(staging);
        CreateTextures(staging);
        CreateRecords();
        Check(mList->Close(), "start-up list");
        Submit();
        WaitForGpu();
        return {};
    }
    catch (const std::exception& error)
    {
        mDevice.Reset();
        return error.what();
    }
    catch (const DxException& error)
    {
        mDevice.Reset();
        return "a platform call failed: " + win32::Utf8FromWide(error.Describe());
    }
}

void City::CreateDevice()
{
    if (FAILED(D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&mDevice))))
    {
        ComPtr<IDXGIFactory4> factory;
        ComPtr<IDXGIAdapter> warp;
        Check(CreateDXGIFactory1(IID_PPV_ARGS(&factory)), "factory");
        Check(factory->EnumWarpAdapter(IID_PPV_ARGS(&warp)), "WARP adapter");
        Check(D3D12CreateDevice(warp.Get(), D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&mDevice)),
              "device");
    }
    D3D12_COMMAND_QUEUE_DESC queueDesc = {};
    Check(mDevice->CreateCommandQueue(&queueDesc, IID_PPV_ARGS(&mQueue)), "queue");
    Check(
        mDevice->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT, IID_PPV_ARGS(&mAllocator)),
        "allocator");
    Check(mDevice->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT, mAllocator.Get(), nullptr,
                                     IID_PPV_ARGS(&mList)),
          "list");
    Check(mList->Close(), "list close");
    Check(mDevice->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&mFence)), "fence");
    mEvent = CreateEventExW(nullptr, nullptr, 0, EVENT_ALL_ACCESS);
}

void City::CreateSignatureAndPipelines()
{
    CD3DX12_DESCRIPTOR_RANGE textures;
    textures.Init(D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 1, 0);
    CD3DX12_ROOT_PARAMETER parameters[4];
    parameters[0].InitAsConstantBufferView(0);
    parameters[1].InitAsConstantBufferView(1);
    parameters[2].InitAsConstantBufferView(2);
    parameters[3].InitAsDescriptorTable(1, &textures, D3D12_SHADER_VISIBILITY_PIXEL);
    const auto wrap = D3D12_TEXTURE_ADDRESS_MODE_WRAP;
    const auto clamp = D3D12_TEXTURE_ADDRESS_MODE_CLAMP;
    const CD3DX12_STATIC_SAMPLER_DESC samplers[6] = {
        {0, D3D12_FILTER_MIN_MAG_MIP_POINT, wrap, wrap, wrap},
        {1, D3D12_FILTER_MIN_MAG_MIP_POINT, clamp, clamp, clamp},
        {2, D3D12_FILTER_MIN_MAG_MIP_LINEAR, wrap, wrap, wrap},
        {3, D3D12_FILTER_MIN_MAG_MIP_LINEAR, clamp, clamp, clamp},
        {4, D3D12_FILTER_ANISOTROPIC, wrap, wrap, wrap, 0.0f, 8},
        {5, D3D12_FILTER_ANISOTROPIC, clamp, clamp, clamp, 0.0f, 8}};
    const CD3DX12_ROOT_SIGNATURE_DESC desc(
        4, parameters, 6, samplers, D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT);
    ComPtr<ID3DBlob> blob, errors;
    Check(D3D12SerializeRootSignature(&desc, D3D_ROOT_SIGNATURE_VERSION_1, &blob, &errors),
          "root signature serialization");
    Check(mDevice->CreateRootSignature(0, blob->GetBufferPointer(), blob->GetBufferSize(),
                                       IID_PPV_ARGS(&mSignature)),
          "root signature");

    const D3D_SHADER_MACRO anisotropic[] = {{"ANISOTROPIC_FILTERING", "1"}, {nullptr, nullptr}};
    mVertexShader = CompileShaderFile(DEFAULT_SHADER, nullptr, "VS", "vs_5_1");
    mPixelShaders[0] = CompileShaderFile(DEFAULT_SHADER, nullptr, "PS", "ps_5_1");
    mPixelShaders[1] = CompileShaderFile(DEFAULT_SHADER, anisotropic, "PS", "ps_5_1");
    const D3D_SHADER_MACRO unlit[] = {{"FILL_RATE_FLOOR", "1"}, {nullptr, nullptr}};
    mPixelShaders[2] = CompileShaderFile(DEFAULT_SHADER, unlit, "PS", "ps_5_1");
}

void City::CreateGeometry(std::vector<ComPtr<ID3D12Resource>>& staging)
{
    // Two meshes packed into one vertex and one index buffer: a box
    // subdivided three times (2,304 indices) and a sphere of 24 slices and
    // 17 stacks (2,304 indices).
    ShapeMesh shapes[2] = {ShapeFactory::MakeBox(1.0f, 1.0f, 1.0f, 3),
                           ShapeFactory::MakeSphere(0.5f, 24, 17)};
    std::vector<Vertex> vertices;
    std::vector<uint16_t> indices;
    Mesh meshes[2];
    for (int m = 0; m < 2; ++m)
    {
        meshes[m] = {UINT(indices.size()), UINT(shapes[m].Indices.size()), INT(vertices.size())};
        for (const ShapeVertex& v : shapes[m].Vertices)
            vertices.push_back({v.Position, v.Normal, v.TexCoord});
        const std::vector<uint16_t>& shortIndices = shapes[m].ShortIndexList();
        indices.insert(indices.end(), shortIndices.begin(), shortIndices.end());
    }
    staging.emplace_back();
    mVertexBuffer = CreateStaticBuffer(mDevice.Get(), mList.Get(), vertices.data(),
                                       vertices.size() * sizeof(Vertex), staging.back());
    staging.emplace_back();
    mIndexBuffer = CreateStaticBuffer(mDevice.Get(), mList.Get(), indices.data(),
                                      indices.size() * sizeof(uint16_t), staging.back());
    mVertexView = {mVertexBuffer->GetGPUVirtualAddress(), UINT(vertices.size() * sizeof(Vertex)),
                   sizeof(Vertex)};
    mIndexView = {mIndexBuffer->GetGPUVirtualAddress(), UINT(indices.size() * sizeof(uint16_t)),
                  DXGI_FORMAT_R16_UINT};

    // The ground, 23 buildings of three heights in a grid, a cube and three
    // spheres above the streets; materials (and textures) in turn.
    for (UINT i = 0; i < ItemCount; ++i)
        mItems.push_back({meshes[i >= ItemCount - 3 ? 1 : 0], i % TextureCount});
}

void City::CreateTextures(std::vector<ComPtr<ID3D12Resource>>& staging)
{
    D3D12_DESCRIPTOR_HEAP_DESC heapDesc = {D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, TextureCount,
                                           D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE, 0};
    Check(mDevice->CreateDescriptorHeap(&heapDesc, IID_PPV_ARGS(&mSrvHeap)), "texture heap");
    mSrvIncrement =
        mDevice->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV);
    CD3DX12_CPU_DESCRIPTOR_HANDLE handle(mSrvHeap->GetCPUDescriptorHandleForHeapStart());
    for (UINT t = 0; t < TextureCount; ++t)
    {
        const std::wstring file = std::wstring(TEXTURE_DIR) + L"/" + TextureFiles[t];
        staging.emplace_back();
        Check(CreateDDSTextureFromFile12(mDevice.Get(), mList.Get(), file.c_str(), mTextures[t],
                                         staging.back()),
              "texture loading (build the textures target first)");
        const D3D12_RESOURCE_DESC desc = mTextures[t]->GetDesc();
        D3D12_SHADER_RESOURCE_VIEW_DESC view = {};
        view.Format = desc.Format;
        view.ViewDimension = D3D12_SRV_DIMENSION_TEXTURE2D;
        view.Shader4ComponentMapping = D3D12_DEFAULT_SHADER_4_COMPONENT_MAPPING;
        view.Texture2D.MipLevels = desc.MipLevels;
        mDevice->CreateShaderResourceView(mTextures[t].Get(), &view, handle);
        handle.Offset(1, mSrvIncrement);
    }
}

void City::CreateRecords()
{
    const auto upload = [this](UINT count, uint8_t** bytes)
    {
        ComPtr<ID3D12Resource> buffer;
        const CD3DX12_HEAP_PROPERTIES heap(D3D12_HEAP_TYPE_UPLOAD);
        const auto desc = CD3DX12_RESOURCE_DESC::Buffer(UINT64(count) * RecordStride);
        Check(mDevice->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &desc,
                                               D3D12_RESOURCE_STATE_GENERIC_READ, nullptr,
                                               IID_PPV_ARGS(&buffer)),
              "constant buffer");
        Check(buffer->Map(0, nullptr, reinterpret_cast<void**>(bytes)), "map");
        return buffer;
    };
    uint8_t* objects = nullptr;
    uint8_t* materials = nullptr;
    mObjects = upload(ItemCount, &objects);
    mMaterials = upload(TextureCount, &materials);
    mPass = upload(PadToConstantAlignment(sizeof(PerPassConstants)) / RecordStride, &mPassBytes);

    for (UINT i = 0; i < ItemCount; ++i)
    {
        PerObjectConstants record;
        Matrix4 world;
        Matrix4 texture = MatrixIdentity();
        if (i == 0) // the ground, its texture repeated
        {
            world = MatrixMultiply(MatrixScaling(40.0f, 0.5f, 60.0f),
                                   MatrixTranslation(0.0f, -0.25f, 10.0f));
            texture = MatrixScaling(10.0f, 15.0f, 1.0f);
        }
        else if (i < 24) // buildings, 2, 4 or 6 high, on a grid of streets
        {
            const UINT slot = i - 1;
            const float height = 2.0f + 2.0f * float(slot % 3);
            world = MatrixMultiply(MatrixScaling(2.5f, height, 2.5f),
                                   MatrixTranslation(-9.0f + 6.0f * float(slot % 4), 0.5f * height,
                                                     -4.0f + 6.0f * float(slot / 4)));
        }
        else if (i == 24) // the cube
        {
            world = MatrixTranslation(3.0f, 0.5f, -8.0f);
        }
        else // the spheres
        {
            const float x = -4.0f + 4.0f * float(i - 25);
            world =
                MatrixMultiply(MatrixScaling(1.5f, 1.5f, 1.5f), MatrixTranslation(x, 7.0f, 4.0f));
        }
        StoreMatrix(record.World, world);
        StoreMatrix(record.TexTransform, texture);
        WriteRecord(objects, i, record);
    }
    for (UINT m = 0; m < TextureCount; ++m)
    {
        PerMaterialConstants record;
        const float r0 = 0.02f + 0.02f * float(m % 3);
        std::fill_n(record.FresnelR0, 3, r0);
        record.Roughness = 0.2f + 0.05f * float(m % 5);
        WriteRecord(materials, m, record);
    }
}

void City::WritePass(const Targets& targets)
{
    // From above the street, looking along it and down, as a drifting pass.
    const Float3 eye(0.0f, 9.0f, -24.0f);
    const Matrix4 view = MatrixLookToLH(eye, Float3(0.0f, -0.35f, 1.0f), Float3(0.0f, 1.0f, 0.0f));
    const Matrix4 projection = MatrixPerspectiveFovLH(
        0.25f * Pi, float(targets.Width) / float(targets.Height), 1.0f, 1000.0f);
    PerPassConstants pass;
    StoreMatrix(pass.ViewMatrix, view);
    StoreMatrix(pass.ProjMatrix, projection);
    StoreMatrix(pass.ViewProjMatrix, MatrixMultiply(view, projection));
    std::memcpy(pass.EyePosition, &eye, sizeof(pass.EyePosition));
    const float ambient[4] = {0.25f, 0.25f, 0.35f, 1.0f};
    std::copy_n(ambient, 4, pass.AmbientColor);
    const float directions[3][3] = {{0.57735f, -0.57735f, 0.57735f},
                                    {-0.57735f, -0.57735f, 0.57735f},
                                    {0.0f, -0.707f, -0.707f}};
    const float strengths[3] = {0.6f, 0.3f, 0.15f};
    for (int l = 0; l < 3; ++l)
    {
        std::copy_n(directions[l], 3, pass.Lights[l].LightDirection);
        std::fill_n(pass.Lights[l].LightColor, 3, strengths[l]);
    }
    std::memcpy(mPassBytes, &pass, sizeof(pass));
}

const Targets& City::TargetsOf(UINT width, UINT height, UINT samples)
{
    if (mTargets.Width == width && mTargets.Height == height && mTargets.Samples == samples)
        return mTargets;
    mTargets = Targets();
    mTargets.Width = width;
    mTargets.Height = height;
    mTargets.Samples = samples;
    const CD3DX12_HEAP_PROPERTIES heap(D3D12_HEAP_TYPE_DEFAULT);
    const D3D12_CLEAR_VALUE colorClear = {TargetFormat, {0.0f, 0.0f, 0.0f, 1.0f}};
    const auto colorDesc = CD3DX12_RESOURCE_DESC::Tex2D(TargetFormat, width, height, 1, 1, samples,
                                                        0, D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET);
    Check(mDevice->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &colorDesc,
                                           D3D12_RESOURCE_STATE_RENDER_TARGET, &colorClear,
                                           IID_PPV_ARGS(&mTargets.Color)),
          "render target");
    D3D12_CLEAR_VALUE depthClear = {};
    depthClear.Format = DepthFormat;
    depthClear.DepthStencil = {1.0f, 0};
    const auto depthDesc =
        CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R24G8_TYPELESS, width, height, 1, 1, samples, 0,
                                     D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL);
    Check(mDevice->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &depthDesc,
                                           D3D12_RESOURCE_STATE_DEPTH_WRITE, &depthClear,
                                           IID_PPV_ARGS(&mTargets.Depth)),
          "depth buffer");
    if (samples > 1)
    {
        const auto backDesc = CD3DX12_RESOURCE_DESC::Tex2D(TargetFormat, width, height, 1, 1, 1, 0,
                                                           D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET);
        Check(mDevice->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &backDesc,
                                               D3D12_RESOURCE_STATE_COMMON, nullptr,
                                               IID_PPV_ARGS(&mTargets.BackBuffer)),
              "back buffer");
    }
    D3D12_DESCRIPTOR_HEAP_DESC rtv = {D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 1,
                                      D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
    Check(mDevice->CreateDescriptorHeap(&rtv, IID_PPV_ARGS(&mTargets.RtvHeap)), "RTV heap");
    D3D12_DESCRIPTOR_HEAP_DESC dsv = {D3D12_DESCRIPTOR_HEAP_TYPE_DSV, 1,
                                      D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
    Check(mDevice->CreateDescriptorHeap(&dsv, IID_PPV_ARGS(&mTargets.DsvHeap)), "DSV heap");
    mDevice->CreateRenderTargetView(mTargets.Color.Get(), nullptr,
                                    mTargets.RtvHeap->GetCPUDescriptorHandleForHeapStart());
    D3D12_DEPTH_STENCIL_VIEW_DESC depthView = {};
    depthView.Format = DepthFormat;
    depthView.ViewDimension =
        samples > 1 ? D3D12_DSV_DIMENSION_TEXTURE2DMS : D3D12_DSV_DIMENSION_TEXTURE2D;
    mDevice->CreateDepthStencilView(mTargets.Depth.Get(), &depthView,
                                    mTargets.DsvHeap->GetCPUDescriptorHandleForHeapStart());
    WritePass(mTargets);
    return mTargets;
}

void City::RecordFrame(const Targets& targets, UINT shader)
{
    ComPtr<ID3D12PipelineState>& pipeline = mPipelines[{targets.Samples, shader}];
    if (!pipeline)
    {
        D3D12_GRAPHICS_PIPELINE_STATE_DESC desc = {};
        const D3D12_INPUT_ELEMENT_DESC layout[] = {{"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0,
                                                    0, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA,
                                                    0},
                                                   {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12,
                                                    D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0},
                                                   {"TEXCOORD", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 24,
                                                    D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0}};
        desc.InputLayout = {layout, 3};
        desc.pRootSignature = mSignature.Get();
        desc.VS = {mVertexShader->GetBufferPointer(), mVertexShader->GetBufferSize()};
        ID3DBlob* pixel = mPixelShaders[shader == 4 ? 1 : shader == 0 ? 2 : 0].Get();
        desc.PS = {pixel->GetBufferPointer(), pixel->GetBufferSize()};
        desc.RasterizerState = CD3DX12_RASTERIZER_DESC(D3D12_DEFAULT);
        desc.BlendState = CD3DX12_BLEND_DESC(D3D12_DEFAULT);
        desc.DepthStencilState = CD3DX12_DEPTH_STENCIL_DESC(D3D12_DEFAULT);
        desc.SampleMask = UINT_MAX;
        desc.PrimitiveTopologyType = D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE;
        desc.NumRenderTargets = 1;
        desc.RTVFormats[0] = TargetFormat;
        desc.DSVFormat = DepthFormat;
        desc.SampleDesc = {targets.Samples, 0};
        Check(mDevice->CreateGraphicsPipelineState(&desc, IID_PPV_ARGS(&pipeline)), "pipeline");
    }

    // The program's calls, in its order.
    Check(mAllocator->Reset(), "allocator reset");
    Check(mList->Reset(mAllocator.Get(), pipeline.Get()), "list reset");
    const D3D12_VIEWPORT viewport = {0, 0, float(targets.Width), float(targets.Height), 0, 1};
    const D3D12_RECT scissor = {0, 0, LONG(targets.Width), LONG(targets.Height)};
    mList->RSSetViewports(1, &viewport);
    mList->RSSetScissorRects(1, &scissor);
    const D3D12_CPU_DESCRIPTOR_HANDLE rtv = targets.RtvHeap->GetCPUDescriptorHandleForHeapStart();
    const D3D12_CPU_DESCRIPTOR_HANDLE dsv = targets.DsvHeap->GetCPUDescriptorHandleForHeapStart();
    const float black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    mList->ClearRenderTargetView(rtv, black, 0, nullptr);
    mList->ClearDepthStencilView(dsv, D3D12_CLEAR_FLAG_DEPTH | D3D12_CLEAR_FLAG_STENCIL, 1.0f, 0, 0,
                                 nullptr);
    mList->OMSetRenderTargets(1, &rtv, TRUE, &dsv);
    ID3D12DescriptorHeap* heaps[] = {mSrvHeap.Get()};
    mList->SetDescriptorHeaps(1, heaps);
    mList->SetGraphicsRootSignature(mSignature.Get());
    mList->SetGraphicsRootConstantBufferView(2, mPass->GetGPUVirtualAddress());
    const D3D12_GPU_VIRTUAL_ADDRESS objects = mObjects->GetGPUVirtualAddress();
    const D3D12_GPU_VIRTUAL_ADDRESS materials = mMaterials->GetGPUVirtualAddress();
    const CD3DX12_GPU_DESCRIPTOR_HANDLE textures(mSrvHeap->GetGPUDescriptorHandleForHeapStart());
    for (UINT i = 0; i < ItemCount; ++i)
    {
        const Item& item = mItems[i];
        mList->IASetVertexBuffers(0, 1, &mVertexView);
        mList->IASetIndexBuffer(&mIndexView);
        mList->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        mList->SetGraphicsRootConstantBufferView(0, objects + i * RecordStride);
        mList->SetGraphicsRootConstantBufferView(1, materials + item.Material * RecordStride);
        mList->SetGraphicsRootDescriptorTable(
            3, CD3DX12_GPU_DESCRIPTOR_HANDLE(textures, INT(item.Material), mSrvIncrement));
        mList->DrawIndexedInstanced(item.Shape.IndexCount, 1, item.Shape.FirstIndex,
                                    item.Shape.BaseVertex, 0);
    }
    if (targets.Samples > 1)
    {
        const D3D12_RESOURCE_BARRIER before[] = {
            CD3DX12_RESOURCE_BARRIER::Transition(targets.Color.Get(),
                                                 D3D12_RESOURCE_STATE_RENDER_TARGET,
                                                 D3D12_RESOURCE_STATE_RESOLVE_SOURCE),
            CD3DX12_RESOURCE_BARRIER::Transition(targets.BackBuffer.Get(),
                                                 D3D12_RESOURCE_STATE_COMMON,
                                                 D3D12_RESOURCE_STATE_RESOLVE_DEST)};
        mList->ResourceBarrier(2, before);
        mList->ResolveSubresource(targets.BackBuffer.Get(), 0, targets.Color.Get(), 0,
                                  TargetFormat);
        const D3D12_RESOURCE_BARRIER after[] = {
            CD3DX12_RESOURCE_BARRIER::Transition(targets.Color.Get(),
                                                 D3D12_RESOURCE_STATE_RESOLVE_SOURCE,
                                                 D3D12_RESOURCE_STATE_RENDER_TARGET),
            CD3DX12_RESOURCE_BARRIER::Transition(targets.BackBuffer.Get(),
                                                 D3D12_RESOURCE_STATE_RESOLVE_DEST,
                                                 D3D12_RESOURCE_STATE_COMMON)};
        mList->ResourceBarrier(2, after);
    }
    Check(mList->Close(), "frame list");
}

void City::Submit()
{
    ID3D12CommandList* lists[] = {mList.Get()};
    mQueue->ExecuteCommandLists(1, lists);
}

void City::WaitForGpu()
{
    Check(mQueue->Signal(mFence.Get(), ++mFenceValue), "signal");
    if (mFence->GetCompletedValue() < mFenceValue)
    {
        Check(mFence->SetEventOnCompletion(mFenceValue, mEvent), "fence event");
        WaitForSingleObject(mEvent, INFINITE);
    }
}

void City::WritePicture(UINT width, UINT height, UINT shader, const std::string& path)
{
    const Targets& targets = TargetsOf(width, height, 1);
    RecordFrame(targets, shader);
    Submit();
    WaitForGpu();

    const D3D12_RESOURCE_DESC desc = targets.Color->GetDesc();
    D3D12_PLACED_SUBRESOURCE_FOOTPRINT footprint;
    UINT64 total = 0;
    mDevice->GetCopyableFootprints(&desc, 0, 1, 0, &footprint, nullptr, nullptr, &total);
    ComPtr<ID3D12Resource> readback;
    const CD3DX12_HEAP_PROPERTIES heap(D3D12_HEAP_TYPE_READBACK);
    const auto bufferDesc = CD3DX12_RESOURCE_DESC::Buffer(total);
    Check(mDevice->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &bufferDesc,
                                           D3D12_RESOURCE_STATE_COPY_DEST, nullptr,
                                           IID_PPV_ARGS(&readback)),
          "readback buffer");
    Check(mAllocator->Reset(), "allocator reset");
    Check(mList->Reset(mAllocator.Get(), nullptr), "list reset");
    const auto toCopy = CD3DX12_RESOURCE_BARRIER::Transition(
        targets.Color.Get(), D3D12_RESOURCE_STATE_RENDER_TARGET, D3D12_RESOURCE_STATE_COPY_SOURCE);
    mList->ResourceBarrier(1, &toCopy);
    const CD3DX12_TEXTURE_COPY_LOCATION to(readback.Get(), footprint);
    const CD3DX12_TEXTURE_COPY_LOCATION from(targets.Color.Get(), 0);
    mList->CopyTextureRegion(&to, 0, 0, 0, &from, nullptr);
    const auto back = CD3DX12_RESOURCE_BARRIER::Transition(
        targets.Color.Get(), D3D12_RESOURCE_STATE_COPY_SOURCE, D3D12_RESOURCE_STATE_RENDER_TARGET);
    mList->ResourceBarrier(1, &back);
    Check(mList->Close(), "readback list");
    Submit();
    WaitForGpu();

    const uint8_t* pixels = nullptr;
    Check(readback->Map(0, nullptr, reinterpret_cast<void**>(const_cast<uint8_t**>(&pixels))),
          "map");
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        throw std::runtime_error("cannot write " + path);
    std::fprintf(file, "P6\n%u %u\n255\n", width, height);
    for (UINT y = 0; y < height; ++y)
    {
        for (UINT x = 0; x < width; ++x)
            std::fwrite(pixels + y * footprint.Footprint.RowPitch + x * 4, 1, 3, file);
    }
    std::fclose(file);
    readback->Unmap(0, nullptr);
}

City& TheCity()
{
    static City city;
    return city;
}

const std::string& CreationError()
{
    static const std::string error = TheCity().Create();
    return error;
}

City* Shared(benchmark::State& state)
{
    const std::string& error = CreationError();
    if (!error.empty())
    {
        state.SkipWithError(error.c_str());
        return nullptr;
    }
    return &TheCity();
}

// CPU time of the calling thread, in seconds.
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

void RecordAndSubmit(benchmark::State& state)
{
    City* city = Shared(state);
    if (!city)
        return;
    const Targets& targets = city->TargetsOf(800, 600, 1);
    double recordCpu = 0, submitCpu = 0, submitWall = 0;
    for (auto _ : state)
    {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ThreadSeconds();
        city->RecordFrame(targets, 2);
        const double cpuRecorded = ThreadSeconds();
        const auto recorded = std::chrono::steady_clock::now();
        city->Submit();
        const auto submitted = std::chrono::steady_clock::now();
        const double cpuSubmitted = ThreadSeconds();
        state.SetIterationTime(std::chrono::duration<double>(submitted - start).count());
        recordCpu += cpuRecorded - cpuStart;
        submitCpu += cpuSubmitted - cpuRecorded;
        submitWall += std::chrono::duration<double>(submitted - recorded).count();
        city->WaitForGpu();
    }
    // Submitting blocks in the driver for a while without using the CPU.
    const double frames = double(state.iterations());
    state.counters["record_cpu_us"] = recordCpu / frames * 1e6;
    state.counters["submit_cpu_us"] = submitCpu / frames * 1e6;
    state.counters["submit_wall_us"] = submitWall / frames * 1e6;
}
BENCHMARK(RecordAndSubmit)->UseManualTime()->Unit(benchmark::kMicrosecond);

void Frame(benchmark::State& state)
{
    City* city = Shared(state);
    if (!city)
        return;
    const Targets& targets =
        city->TargetsOf(UINT(state.range(0)), UINT(state.range(1)), UINT(state.range(2)));
    const UINT shader = UINT(state.range(3));
    // One frame outside the timing, to warm the caches.
    city->RecordFrame(targets, shader);
    city->Submit();
    city->WaitForGpu();
    for (auto _ : state)
    {
        city->RecordFrame(targets, shader);
        city->Submit();
        city->WaitForGpu();
    }
}
BENCHMARK(Frame)
    ->ArgNames({"width", "height", "samples", "shader"})
    ->Args({800, 600, 1, 2})
    ->Args({800, 600, 1, 0})
    ->Args({800, 600, 1, 4})
    ->Args({1920, 1080, 1, 2})
    ->Args({1920, 1080, 1, 0})
    ->Args({1920, 1080, 1, 4})
    ->Args({800, 600, 4, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "--pictures")
    {
        if (!CreationError().empty())
        {
            std::fprintf(stderr, "%s\n", CreationError().c_str());
            return 1;
        }
        const std::string folder = argv[2];
        TheCity().WritePicture(800, 600, 2, folder + "/city-trilinear.ppm");
        TheCity().WritePicture(800, 600, 4, folder + "/city-anisotropic.ppm");
        argv[2] = argv[0];
        argc -= 2;
        argv += 2;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
