// A scene-like frame drawn offscreen through the runtime with the program's
// shader, root signature and pipeline, read back and checked pixel by pixel,
// in one sample and in four samples resolved; then the draws the runtime
// must refuse.
//
// The view and projection are the identity, so world positions are clip
// positions (x right, y up, depth z). Three items share one packed mesh pair:
//   near:   the front-facing quad at depth 0.3, x in [-0.75, 0.25], material 0
//   far:    the shifted quad at depth 0.6, x in [-0.25, 0.75], material 1,
//           drawn after the near one; where they overlap the near one wins
//   culled: the back-facing quad, alone in the top-left corner
// Every quad faces the camera and the one light, straight on.
#include "FrameResource.h"
#include "ScenePipeline.h"

#include <array>
#include <functional>

using Microsoft::WRL::ComPtr;

namespace
{

constexpr UINT Size = 32;
constexpr DXGI_FORMAT TargetFormat = DXGI_FORMAT_R8G8B8A8_UNORM;
constexpr UINT RecordStride = 256; // constant-buffer records sit 256 bytes apart

// Three meshes packed into one vertex and one index buffer, as the scene packs
// its shapes: mesh 0 winds clockwise as the camera sees it (a front face),
// mesh 1 is the same quad wound the other way, and mesh 2 is a front-facing
// quad shifted right by half its width, behind a duplicate of its first
// vertex that its indices skip. Drawn without its base vertex it would take
// mesh 0's place; without its start index, it would lose its lower-left half.
const SceneVertex Vertices[] = {
    {{-0.5f, 0.5f, 0.0f}, {0, 0, -1}, {0, 0}}, {{0.5f, 0.5f, 0.0f}, {0, 0, -1}, {1, 0}},
    {{0.5f, -0.5f, 0.0f}, {0, 0, -1}, {1, 1}}, {{-0.5f, -0.5f, 0.0f}, {0, 0, -1}, {0, 1}},
    {{-0.5f, 0.5f, 0.0f}, {0, 0, -1}, {0, 0}}, {{0.5f, 0.5f, 0.0f}, {0, 0, -1}, {1, 0}},
    {{0.5f, -0.5f, 0.0f}, {0, 0, -1}, {1, 1}}, {{-0.5f, -0.5f, 0.0f}, {0, 0, -1}, {0, 1}},
    {{0.0f, 0.5f, 0.0f}, {0, 0, -1}, {0, 0}},  {{0.0f, 0.5f, 0.0f}, {0, 0, -1}, {0, 0}},
    {{1.0f, 0.5f, 0.0f}, {0, 0, -1}, {1, 0}},  {{1.0f, -0.5f, 0.0f}, {0, 0, -1}, {1, 1}},
    {{0.0f, -0.5f, 0.0f}, {0, 0, -1}, {0, 1}},
};
const uint16_t Indices[] = {0, 1, 2, 0, 2, 3, 0, 2, 1, 0, 3, 2, 1, 2, 3, 1, 3, 4};

struct Item
{
    UINT FirstIndex;
    INT BaseVertex;
    UINT Object;
    UINT Material;
};
constexpr Item Near = {0, 0, 0, 0};
constexpr Item Far = {12, 8, 1, 1};
constexpr Item Culled = {6, 4, 2, 0};

// Texel colours of the two uniform textures, and the material albedos.
constexpr std::array<uint8_t, 4> TextureColors[2] = {{200, 120, 40, 255}, {40, 200, 120, 255}};
constexpr float Albedos[2][4] = {{1.0f, 1.0f, 1.0f, 1.0f}, {0.5f, 1.0f, 1.0f, 1.0f}};
constexpr float Ambient = 0.1f;
constexpr float Light = 0.6f;

// The world matrix of a quad scaled and moved, stored transposed as the
// records hold matrices.
PerObjectConstants ObjectRecord(float sx, float sy, float x, float y, float z)
{
    PerObjectConstants record;
    record.World[0] = sx;
    record.World[5] = sy;
    record.World[3] = x;
    record.World[7] = y;
    record.World[11] = z;
    return record;
}

// The colour the shader gives a texel under the ambient light and the one
// light straight on, with no specular reflection (FresnelR0 is zero).
std::array<int, 4> Lit(const std::array<uint8_t, 4>& texel, const float albedo[4])
{
    std::array<int, 4> colour{};
    for (int c = 0; c < 3; ++c)
        colour[c] = int(texel[c] * albedo[c] * (Ambient + Light) + 0.5f);
    colour[3] = 255;
    return colour;
}

class Draws : public GpuTest
{
protected:
    void SetUp() override
    {
        GpuTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(SceneShaders::Get().Vertex.Result) &&
                    SUCCEEDED(SceneShaders::Get().Pixel.Result))
            << SceneShaders::Get().Vertex.Messages << SceneShaders::Get().Pixel.Messages;
        mSignature = SceneRootSignature().Create(Device());
        ASSERT_TRUE(mSignature);
        CreateGeometry();
        CreateRecords();
        CreateTextures();
    }

    // Renders the frame into targets of `samples` samples and returns the
    // single-sample picture, resolved where there are several samples.
    // `tamper` runs after the scene is bound, before the items are drawn.
    std::vector<uint8_t> DrawFrame(UINT samples, const std::function<void()>& tamper = {},
                                   bool drawItems = true);

    // Records the frame on the open list, reset with the pipeline as its
    // initial state as the program does; Close's result tells whether the
    // list is valid. The list is left closed.
    HRESULT RecordFrame(UINT samples, const std::function<void()>& tamper, bool drawItems = true);

    static std::array<int, 4> Pixel(const std::vector<uint8_t>& picture, UINT x, UINT y)
    {
        const uint8_t* p = picture.data() + (size_t(y) * Size + x) * 4;
        return {p[0], p[1], p[2], p[3]};
    }

    void CreateGeometry();
    void CreateRecords();
    void CreateTextures();
    void CreateTargets(UINT samples);
    // Binds everything an item draws with, as the program rebinds every item.
    void BindItem(const Item& item);
    void DrawItem(const Item& item)
    {
        BindItem(item);
        mList->DrawIndexedInstanced(6, 1, item.FirstIndex, item.BaseVertex, 0);
    }

    ComPtr<ID3D12RootSignature> mSignature;
    ComPtr<ID3D12PipelineState> mPipeline;
    ComPtr<ID3D12Resource> mVertexBuffer, mIndexBuffer;
    ComPtr<ID3D12Resource> mObjects, mMaterials, mPass;
    ComPtr<ID3D12Resource> mTextures[2], mTextureUploads[2];
    ComPtr<ID3D12DescriptorHeap> mSrvHeap, mRtvHeap, mDsvHeap;
    ComPtr<ID3D12Resource> mTarget, mDepth, mResolved;
    D3D12_VERTEX_BUFFER_VIEW mVertexView{};
    D3D12_INDEX_BUFFER_VIEW mIndexView{};
};

void Draws::CreateGeometry()
{
    mVertexBuffer =
        CreateBuffer(D3D12_HEAP_TYPE_UPLOAD, sizeof(Vertices), D3D12_RESOURCE_STATE_GENERIC_READ);
    mIndexBuffer =
        CreateBuffer(D3D12_HEAP_TYPE_UPLOAD, sizeof(Indices), D3D12_RESOURCE_STATE_GENERIC_READ);
    void* data = nullptr;
    ASSERT_HRESULT_SUCCEEDED(mVertexBuffer->Map(0, nullptr, &data));
    std::memcpy(data, Vertices, sizeof(Vertices));
    ASSERT_HRESULT_SUCCEEDED(mIndexBuffer->Map(0, nullptr, &data));
    std::memcpy(data, Indices, sizeof(Indices));
    mVertexView = {mVertexBuffer->GetGPUVirtualAddress(), sizeof(Vertices), sizeof(SceneVertex)};
    mIndexView = {mIndexBuffer->GetGPUVirtualAddress(), sizeof(Indices), DXGI_FORMAT_R16_UINT};
}

void Draws::CreateRecords()
{
    const PerObjectConstants objects[] = {ObjectRecord(1.0f, 1.0f, -0.25f, 0.0f, 0.3f),
                                          ObjectRecord(1.0f, 1.0f, -0.25f, 0.0f, 0.6f),
                                          ObjectRecord(0.5f, 0.35f, -0.5f, 0.775f, 0.2f)};
    PerMaterialConstants materials[2];
    for (int m = 0; m < 2; ++m)
    {
        std::copy_n(Albedos[m], 4, materials[m].DiffuseAlbedo);
        std::fill_n(materials[m].FresnelR0, 3, 0.0f);
        materials[m].Roughness = 0.5f;
    }
    PerPassConstants pass;
    std::fill_n(pass.AmbientColor, 3, Ambient);
    for (LightRecord& light : pass.Lights)
        std::fill_n(light.LightColor, 3, 0.0f);
    std::fill_n(pass.Lights[0].LightColor, 3, Light);
    const float towardsScene[3] = {0.0f, 0.0f, 1.0f};
    std::copy_n(towardsScene, 3, pass.Lights[0].LightDirection);
    pass.EyePosition[2] = -1000.0f;

    const auto place = [this](auto* records, size_t count)
    {
        ComPtr<ID3D12Resource> buffer = CreateBuffer(D3D12_HEAP_TYPE_UPLOAD, count * RecordStride,
                                                     D3D12_RESOURCE_STATE_GENERIC_READ);
        uint8_t* data = nullptr;
        EXPECT_HRESULT_SUCCEEDED(buffer->Map(0, nullptr, reinterpret_cast<void**>(&data)));
        for (size_t i = 0; data && i < count; ++i)
            std::memcpy(data + i * RecordStride, &records[i], sizeof(records[i]));
        return buffer;
    };
    mObjects = place(objects, std::size(objects));
    mMaterials = place(materials, std::size(materials));
    mPass =
        CreateBuffer(D3D12_HEAP_TYPE_UPLOAD, 5 * RecordStride, D3D12_RESOURCE_STATE_GENERIC_READ);
    void* data = nullptr;
    ASSERT_HRESULT_SUCCEEDED(mPass->Map(0, nullptr, &data));
    std::memcpy(data, &pass, sizeof(pass));
}

void Draws::CreateTextures()
{
    D3D12_DESCRIPTOR_HEAP_DESC heap = {D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, 2,
                                       D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE, 0};
    ASSERT_HRESULT_SUCCEEDED(Device()->CreateDescriptorHeap(&heap, IID_PPV_ARGS(&mSrvHeap)));
    const UINT increment =
        Device()->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV);
    for (int t = 0; t < 2; ++t)
    {
        mTextures[t] = CreateTexture(CD3DX12_RESOURCE_DESC::Tex2D(TargetFormat, 2, 2, 1, 1),
                                     D3D12_RESOURCE_STATE_COPY_DEST);
        mTextureUploads[t] = CreateBuffer(D3D12_HEAP_TYPE_UPLOAD,
                                          GetRequiredIntermediateSize(mTextures[t].Get(), 0, 1),
                                          D3D12_RESOURCE_STATE_GENERIC_READ);
        std::array<uint8_t, 16> texels;
        for (int i = 0; i < 16; ++i)
            texels[i] = TextureColors[t][i % 4];
        D3D12_SUBRESOURCE_DATA data = {texels.data(), 8, 16};
        UpdateSubresources(mList.Get(), mTextures[t].Get(), mTextureUploads[t].Get(), 0, 0, 1,
                           &data);
        Transition(mTextures[t].Get(), D3D12_RESOURCE_STATE_COPY_DEST,
                   D3D12_RESOURCE_STATE_PIXEL_SHADER_RESOURCE);

        D3D12_SHADER_RESOURCE_VIEW_DESC view = {};
        view.Format = TargetFormat;
        view.ViewDimension = D3D12_SRV_DIMENSION_TEXTURE2D;
        view.Shader4ComponentMapping = D3D12_DEFAULT_SHADER_4_COMPONENT_MAPPING;
        view.Texture2D.MipLevels = 1;
        CD3DX12_CPU_DESCRIPTOR_HANDLE handle(mSrvHeap->GetCPUDescriptorHandleForHeapStart(), t,
                                             increment);
        Device()->CreateShaderResourceView(mTextures[t].Get(), &view, handle);
    }
    ExecuteAndWait();
}

void Draws::CreateTargets(UINT samples)
{
    D3D12_DESCRIPTOR_HEAP_DESC rtv = {D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 1,
                                      D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
    ASSERT_HRESULT_SUCCEEDED(Device()->CreateDescriptorHeap(&rtv, IID_PPV_ARGS(&mRtvHeap)));
    D3D12_DESCRIPTOR_HEAP_DESC dsv = {D3D12_DESCRIPTOR_HEAP_TYPE_DSV, 1,
                                      D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
    ASSERT_HRESULT_SUCCEEDED(Device()->CreateDescriptorHeap(&dsv, IID_PPV_ARGS(&mDsvHeap)));

    const D3D12_CLEAR_VALUE colorClear = {TargetFormat, {0.0f, 0.0f, 0.0f, 1.0f}};
    mTarget = CreateTexture(CD3DX12_RESOURCE_DESC::Tex2D(TargetFormat, Size, Size, 1, 1, samples, 0,
                                                         D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET),
                            D3D12_RESOURCE_STATE_RENDER_TARGET, &colorClear);
    Device()->CreateRenderTargetView(mTarget.Get(), nullptr,
                                     mRtvHeap->GetCPUDescriptorHandleForHeapStart());

    // The framework's depth buffer: typeless, with a two-dimensional depth
    // view even where it has several samples, as the framework describes it.
    D3D12_CLEAR_VALUE depthClear = {};
    depthClear.Format = DXGI_FORMAT_D24_UNORM_S8_UINT;
    depthClear.DepthStencil = {1.0f, 0};
    mDepth = CreateTexture(CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R24G8_TYPELESS, Size, Size, 1,
                                                        1, samples, 0,
                                                        D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL),
                           D3D12_RESOURCE_STATE_DEPTH_WRITE, &depthClear);
    D3D12_DEPTH_STENCIL_VIEW_DESC depthView = {};
    depthView.Format = DXGI_FORMAT_D24_UNORM_S8_UINT;
    depthView.ViewDimension = D3D12_DSV_DIMENSION_TEXTURE2D;
    Device()->CreateDepthStencilView(mDepth.Get(), &depthView,
                                     mDsvHeap->GetCPUDescriptorHandleForHeapStart());

    if (samples > 1)
        mResolved = CreateTexture(CD3DX12_RESOURCE_DESC::Tex2D(TargetFormat, Size, Size, 1, 1),
                                  D3D12_RESOURCE_STATE_RESOLVE_DEST);
}

void Draws::BindItem(const Item& item)
{
    mList->IASetVertexBuffers(0, 1, &mVertexView);
    mList->IASetIndexBuffer(&mIndexView);
    mList->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    mList->SetGraphicsRootConstantBufferView(0, mObjects->GetGPUVirtualAddress() +
                                                    item.Object * RecordStride);
    mList->SetGraphicsRootConstantBufferView(1, mMaterials->GetGPUVirtualAddress() +
                                                    item.Material * RecordStride);
    const UINT increment =
        Device()->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV);
    mList->SetGraphicsRootDescriptorTable(
        3, CD3DX12_GPU_DESCRIPTOR_HANDLE(mSrvHeap->GetGPUDescriptorHandleForHeapStart(),
                                         item.Material, increment));
}

HRESULT Draws::RecordFrame(UINT samples, const std::function<void()>& tamper, bool drawItems)
{
    if (!mPipeline)
    {
        const D3D12_GRAPHICS_PIPELINE_STATE_DESC desc =
            ScenePipelineDesc(mSignature.Get(), samples);
        EXPECT_HRESULT_SUCCEEDED(
            Device()->CreateGraphicsPipelineState(&desc, IID_PPV_ARGS(&mPipeline)));
    }
    if (!mTarget)
        CreateTargets(samples);
    // The program's order of calls.
    EXPECT_HRESULT_SUCCEEDED(mList->Close());
    EXPECT_HRESULT_SUCCEEDED(mAllocator->Reset());
    EXPECT_HRESULT_SUCCEEDED(mList->Reset(mAllocator.Get(), mPipeline.Get()));
    const D3D12_VIEWPORT viewport = {0.0f, 0.0f, float(Size), float(Size), 0.0f, 1.0f};
    const D3D12_RECT scissor = {0, 0, LONG(Size), LONG(Size)};
    mList->RSSetViewports(1, &viewport);
    mList->RSSetScissorRects(1, &scissor);
    const D3D12_CPU_DESCRIPTOR_HANDLE rtv = mRtvHeap->GetCPUDescriptorHandleForHeapStart();
    const D3D12_CPU_DESCRIPTOR_HANDLE dsv = mDsvHeap->GetCPUDescriptorHandleForHeapStart();
    const float black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    mList->ClearRenderTargetView(rtv, black, 0, nullptr);
    mList->ClearDepthStencilView(dsv, D3D12_CLEAR_FLAG_DEPTH | D3D12_CLEAR_FLAG_STENCIL, 1.0f, 0, 0,
                                 nullptr);
    mList->OMSetRenderTargets(1, &rtv, TRUE, &dsv);
    ID3D12DescriptorHeap* heaps[] = {mSrvHeap.Get()};
    mList->SetDescriptorHeaps(1, heaps);
    mList->SetGraphicsRootSignature(mSignature.Get());
    mList->SetGraphicsRootConstantBufferView(2, mPass->GetGPUVirtualAddress());
    if (tamper)
        tamper();
    if (drawItems)
    {
        for (const Item& item : {Near, Far, Culled})
            DrawItem(item);
    }

    if (samples > 1)
    {
        Transition(mTarget.Get(), D3D12_RESOURCE_STATE_RENDER_TARGET,
                   D3D12_RESOURCE_STATE_RESOLVE_SOURCE);
        mList->ResolveSubresource(mResolved.Get(), 0, mTarget.Get(), 0, TargetFormat);
        Transition(mTarget.Get(), D3D12_RESOURCE_STATE_RESOLVE_SOURCE,
                   D3D12_RESOURCE_STATE_RENDER_TARGET);
        Transition(mResolved.Get(), D3D12_RESOURCE_STATE_RESOLVE_DEST,
                   D3D12_RESOURCE_STATE_COPY_SOURCE);
    }
    else
    {
        Transition(mTarget.Get(), D3D12_RESOURCE_STATE_RENDER_TARGET,
                   D3D12_RESOURCE_STATE_COPY_SOURCE);
    }
    return mList->Close();
}

std::vector<uint8_t> Draws::DrawFrame(UINT samples, const std::function<void()>& tamper,
                                      bool drawItems)
{
    EXPECT_HRESULT_SUCCEEDED(RecordFrame(samples, tamper, drawItems));
    ID3D12CommandList* lists[] = {mList.Get()};
    mQueue->ExecuteCommandLists(1, lists);
    WaitForGpu();
    EXPECT_HRESULT_SUCCEEDED(mAllocator->Reset());
    EXPECT_HRESULT_SUCCEEDED(mList->Reset(mAllocator.Get(), nullptr));
    ID3D12Resource* picture = samples > 1 ? mResolved.Get() : mTarget.Get();
    std::vector<uint8_t> pixels = ReadSubresource(picture, 0);
    const D3D12_RESOURCE_STATES drawn =
        samples > 1 ? D3D12_RESOURCE_STATE_RESOLVE_DEST : D3D12_RESOURCE_STATE_RENDER_TARGET;
    Transition(picture, D3D12_RESOURCE_STATE_COPY_SOURCE, drawn);
    return pixels;
}

// Where the items are, in pixels of the 32 x 32 target (y down).
constexpr UINT NearOnlyX = 8, OverlapX = 16, FarOnlyX = 24, MiddleY = 16;
constexpr UINT FarLowerLeftX = 20, FarLowerLeftY = 22;
constexpr UINT CulledX = 8, CulledY = 3;

class SceneFrame : public Draws, public ::testing::WithParamInterface<UINT>
{
};

TEST_P(SceneFrame, LightsTexturesDepthAndCulling)
{
    const std::vector<uint8_t> picture = DrawFrame(GetParam());
    ASSERT_EQ(picture.size(), size_t(Size) * Size * 4);
    const std::array<int, 4> nearColour = Lit(TextureColors[0], Albedos[0]);
    const std::array<int, 4> farColour = Lit(TextureColors[1], Albedos[1]);
    const std::array<int, 4> black = {0, 0, 0, 255};
    const auto near = [&](const std::array<int, 4>& expected, const std::array<int, 4>& actual)
    {
        for (int c = 0; c < 4; ++c)
        {
            if (std::abs(expected[c] - actual[c]) > 2)
                return false;
        }
        return true;
    };
    // Each item with its own object and material records and its own texture.
    EXPECT_PRED2(near, nearColour, Pixel(picture, NearOnlyX, MiddleY));
    EXPECT_PRED2(near, farColour, Pixel(picture, FarOnlyX, MiddleY));
    // The far item's mesh is drawn from its own start index and base vertex.
    EXPECT_PRED2(near, farColour, Pixel(picture, FarLowerLeftX, FarLowerLeftY));
    // The nearer item wins although the farther one was drawn after it.
    EXPECT_PRED2(near, nearColour, Pixel(picture, OverlapX, MiddleY));
    // The back-facing quad is culled; elsewhere the clear colour stays.
    EXPECT_EQ(Pixel(picture, CulledX, CulledY), black);
    EXPECT_EQ(Pixel(picture, Size - 1, Size - 1), black);
    EXPECT_EQ(Pixel(picture, FarOnlyX, 2), black);
}

INSTANTIATE_TEST_SUITE_P(Samples, SceneFrame, ::testing::Values(1u, 4u),
                         [](const auto& info) { return std::to_string(info.param) + "Samples"; });

TEST_F(Draws, NonIndexedDrawsTakeVerticesInOrder)
{
    // The first three vertices of mesh 0: the upper-right half of the near quad.
    const std::vector<uint8_t> picture = DrawFrame(
        1,
        [this]
        {
            BindItem(Near);
            mList->DrawInstanced(3, 1, 0, 0);
        },
        false);
    ASSERT_EQ(picture.size(), size_t(Size) * Size * 4);
    EXPECT_EQ(Pixel(picture, 12, 10), Lit(TextureColors[0], Albedos[0]));
    EXPECT_EQ(Pixel(picture, 4, 22), (std::array<int, 4>{0, 0, 0, 255}));
}

// Draws the runtime cannot honour make the list invalid: Close refuses it,
// and the queue never runs it.
class RefusedDraws;
struct RefusedDraw
{
    const char* Name;
    UINT Samples;
    std::function<void(RefusedDraws* test, ID3D12GraphicsCommandList* list)> Tamper;
};

class RefusedDraws : public Draws, public ::testing::WithParamInterface<RefusedDraw>
{
public:
    using GpuTest::Device;
    ComPtr<ID3D12PipelineState> PipelineOf(UINT samples)
    {
        const D3D12_GRAPHICS_PIPELINE_STATE_DESC desc =
            ScenePipelineDesc(mSignature.Get(), samples);
        ComPtr<ID3D12PipelineState> pipeline;
        EXPECT_HRESULT_SUCCEEDED(
            Device()->CreateGraphicsPipelineState(&desc, IID_PPV_ARGS(&pipeline)));
        return pipeline;
    }
    ID3D12Resource* Objects() const { return mObjects.Get(); }
    ID3D12Resource* Indices() const { return mIndexBuffer.Get(); }
    ID3D12Resource* Vertices() const { return mVertexBuffer.Get(); }
    ID3D12DescriptorHeap* SrvHeap() const { return mSrvHeap.Get(); }
    ID3D12Resource* Target() const { return mTarget.Get(); }
};

TEST_P(RefusedDraws, MakeTheListInvalid)
{
    const RefusedDraw& c = GetParam();
    EXPECT_EQ(RecordFrame(c.Samples, [&] { c.Tamper(this, mList.Get()); }), E_INVALIDARG);
    ID3D12CommandList* lists[] = {mList.Get()};
    mQueue->ExecuteCommandLists(1, lists);
    WaitForGpu();
    // The list records validly again once reset.
    ASSERT_HRESULT_SUCCEEDED(mList->Reset(mAllocator.Get(), nullptr));
    EXPECT_HRESULT_SUCCEEDED(RecordFrame(c.Samples, {}));
}

const RefusedDraw RefusedCases[] = {
    {"PipelineOfAnotherSampleCount", 1,
     [](auto* test, auto* list)
     {
         // The list keeps the pipeline alive until it is reset.
         list->SetPipelineState(test->PipelineOf(4).Get());
     }},
    {"ConstantBufferAtNoBuffer", 1,
     [](auto*, auto* list) { list->SetGraphicsRootConstantBufferView(2, 0x1234); }},
    {"ConstantBufferMisaligned", 1,
     [](auto* test, auto* list)
     { list->SetGraphicsRootConstantBufferView(2, test->Objects()->GetGPUVirtualAddress() + 4); }},
    {"ConstantBufferInTheTableSlot", 1,
     [](auto* test, auto* list)
     { list->SetGraphicsRootConstantBufferView(3, test->Objects()->GetGPUVirtualAddress()); }},
    {"TableOutsideTheHeap", 1,
     [](auto* test, auto* list)
     {
         const UINT increment = test->Device()->GetDescriptorHandleIncrementSize(
             D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV);
         list->SetGraphicsRootDescriptorTable(
             3, CD3DX12_GPU_DESCRIPTOR_HANDLE(test->SrvHeap()->GetGPUDescriptorHandleForHeapStart(),
                                              2, increment));
     }},
    {"IndicesPastTheView", 1,
     [](auto* test, auto* list)
     {
         const D3D12_INDEX_BUFFER_VIEW shortView = {test->Indices()->GetGPUVirtualAddress(), 8,
                                                    DXGI_FORMAT_R16_UINT};
         list->IASetIndexBuffer(&shortView);
         list->DrawIndexedInstanced(6, 1, 0, 0, 0);
     }},
    {"ThirtyTwoBitIndicesMisaligned", 1,
     [](auto* test, auto* list)
     {
         const D3D12_INDEX_BUFFER_VIEW view = {test->Indices()->GetGPUVirtualAddress() + 2, 8,
                                               DXGI_FORMAT_R32_UINT};
         list->IASetIndexBuffer(&view);
     }},
    {"DrawWithoutTheObjectRecord", 1,
     [](auto* test, auto* list)
     {
         // A new signature starts with no arguments; b0 is read by both shaders.
         list->SetGraphicsRootSignature(SceneRootSignature().Create(test->Device()).Get());
         list->DrawIndexedInstanced(6, 1, 0, 0, 0);
     }},
    {"VertexStrideShorterThanAVertex", 1,
     [](auto* test, auto* list)
     {
         const D3D12_VERTEX_BUFFER_VIEW view = {test->Vertices()->GetGPUVirtualAddress(),
                                                sizeof(Vertices), 16};
         list->IASetVertexBuffers(0, 1, &view);
         list->DrawInstanced(3, 1, 0, 0);
     }},
    {"ResolveOfASingleSampleTarget", 1,
     [](auto* test, auto* list)
     { list->ResolveSubresource(test->Target(), 0, test->Target(), 0, TargetFormat); }},
};

INSTANTIATE_TEST_SUITE_P(Cases, RefusedDraws, ::testing::ValuesIn(RefusedCases),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
