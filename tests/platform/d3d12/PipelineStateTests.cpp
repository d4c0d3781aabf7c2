// Graphics pipeline states: the scene's description made into pipelines of
// one and four samples, the variations the runtime accepts, and descriptions
// that cannot work refused with a negative result.
#include "ScenePipeline.h"

using Microsoft::WRL::ComPtr;

namespace
{

class PipelineStates : public GpuTest
{
protected:
    void SetUp() override
    {
        GpuTest::SetUp();
        ASSERT_HRESULT_SUCCEEDED(SceneShaders::Get().Vertex.Result);
        ASSERT_HRESULT_SUCCEEDED(SceneShaders::Get().Pixel.Result);
        mSignature = SceneRootSignature().Create(Device());
        ASSERT_TRUE(mSignature);
    }

    HRESULT Create(const D3D12_GRAPHICS_PIPELINE_STATE_DESC& desc)
    {
        ComPtr<ID3D12PipelineState> pipeline;
        const HRESULT hr = Device()->CreateGraphicsPipelineState(&desc, IID_PPV_ARGS(&pipeline));
        EXPECT_EQ(SUCCEEDED(hr), pipeline != nullptr);
        return hr;
    }

    ComPtr<ID3D12RootSignature> mSignature;
};

// A description changed one way, made with the scene's root signature or
// one changed another way.
struct Variation
{
    const char* Name;
    void (*Change)(D3D12_GRAPHICS_PIPELINE_STATE_DESC& desc);
    void (*ChangeSignature)(SceneRootSignature& signature) = nullptr;
};

class AcceptedPipelines : public PipelineStates, public ::testing::WithParamInterface<Variation>
{
};

TEST_P(AcceptedPipelines, AreCreated)
{
    D3D12_GRAPHICS_PIPELINE_STATE_DESC desc = ScenePipelineDesc(mSignature.Get(), 1);
    GetParam().Change(desc);
    EXPECT_HRESULT_SUCCEEDED(Create(desc));
}

// An input layout with an element the shader does not read, and offsets
// appended after the previous element.
const D3D12_INPUT_ELEMENT_DESC WiderLayout[] = {
    {"position", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA,
     0},
    {"COLOR", 0, DXGI_FORMAT_R8G8B8A8_UNORM, 0, D3D12_APPEND_ALIGNED_ELEMENT,
     D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0},
    {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, D3D12_APPEND_ALIGNED_ELEMENT,
     D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0},
    {"TEXCOORD", 0, DXGI_FORMAT_R16G16_UNORM, 1, 0, D3D12_INPUT_CLASSIFICATION_PER_INSTANCE_DATA,
     1},
};

const Variation Accepted[] = {
    {"SceneSingleSample", [](auto&) {}},
    {"SceneFourSamples", [](auto& d) { d.SampleDesc.Count = 4; }},
    {"WiderLayoutByLowerCaseSemantic",
     [](auto& d) {
         d.InputLayout = {WiderLayout, UINT(std::size(WiderLayout))};
     }},
    {"WireframeFrontCulledCounterClockwise",
     [](auto& d)
     {
         d.RasterizerState.FillMode = D3D12_FILL_MODE_WIREFRAME;
         d.RasterizerState.CullMode = D3D12_CULL_MODE_FRONT;
         d.RasterizerState.FrontCounterClockwise = TRUE;
     }},
    {"AlphaBlendingAndStencil",
     [](auto& d)
     {
         auto& target = d.BlendState.RenderTarget[0];
         target.BlendEnable = TRUE;
         target.SrcBlend = D3D12_BLEND_SRC_ALPHA;
         target.DestBlend = D3D12_BLEND_INV_SRC_ALPHA;
         target.BlendOp = D3D12_BLEND_OP_ADD;
         target.SrcBlendAlpha = D3D12_BLEND_BLEND_FACTOR;
         target.RenderTargetWriteMask = D3D12_COLOR_WRITE_ENABLE_RED;
         d.DepthStencilState.StencilEnable = TRUE;
         d.DepthStencilState.FrontFace.StencilPassOp = D3D12_STENCIL_OP_INCR_SAT;
         d.DepthStencilState.DepthFunc = D3D12_COMPARISON_FUNC_GREATER_EQUAL;
     }},
    {"DepthBiasAndNoDepthClip",
     [](auto& d)
     {
         d.RasterizerState.DepthBias = 100;
         d.RasterizerState.SlopeScaledDepthBias = 1.5f;
         d.RasterizerState.DepthClipEnable = FALSE;
     }},
    {"NoDepthBuffer",
     [](auto& d)
     {
         d.DSVFormat = DXGI_FORMAT_UNKNOWN;
         d.DepthStencilState.DepthEnable = TRUE; // no depth plane, so no test
     }},
};

INSTANTIATE_TEST_SUITE_P(Variations, AcceptedPipelines, ::testing::ValuesIn(Accepted),
                         [](const auto& info) { return std::string(info.param.Name); });

class RefusedPipelines : public PipelineStates, public ::testing::WithParamInterface<Variation>
{
};

TEST_P(RefusedPipelines, GiveANegativeResult)
{
    SceneRootSignature signature;
    if (GetParam().ChangeSignature)
    {
        GetParam().ChangeSignature(signature);
        mSignature = signature.Create(Device());
        ASSERT_TRUE(mSignature);
    }
    D3D12_GRAPHICS_PIPELINE_STATE_DESC desc = ScenePipelineDesc(mSignature.Get(), 1);
    GetParam().Change(desc);
    EXPECT_EQ(Create(desc), E_INVALIDARG);
}

const D3D12_INPUT_ELEMENT_DESC WithoutNormal[] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA,
     0},
    {"TEXCOORD", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 24, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0},
};
const D3D12_INPUT_ELEMENT_DESC IntegerTexCoord[] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA,
     0},
    {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA,
     0},
    {"TEXCOORD", 0, DXGI_FORMAT_R32G32_UINT, 0, 24, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0},
};

void WithoutPassBuffer(SceneRootSignature& s)
{
    s.Parameters[2].InitAsConstantBufferView(3);
}
void TextureForVertexShader(SceneRootSignature& s)
{
    s.Parameters[3].ShaderVisibility = D3D12_SHADER_VISIBILITY_VERTEX;
}

const Variation Refused[] = {
    {"InputMissingFromTheLayout",
     [](auto& d) {
         d.InputLayout = {WithoutNormal, UINT(std::size(WithoutNormal))};
     }},
    {"InputOfAnotherNumericKind",
     [](auto& d) {
         d.InputLayout = {IntegerTexCoord, UINT(std::size(IntegerTexCoord))};
     }},
    {"RenderTargetFormatTheDeviceCannotRender",
     [](auto& d) { d.RTVFormats[0] = DXGI_FORMAT_BC1_UNORM; }},
    {"DepthFormatThatIsColour", [](auto& d) { d.DSVFormat = DXGI_FORMAT_R8G8B8A8_UNORM; }},
    {"SampleQualityOne",
     [](auto& d) {
         d.SampleDesc = {4, 1};
     }},
    {"ThreeSamples", [](auto& d) { d.SampleDesc.Count = 3; }},
    {"NoRootSignature", [](auto& d) { d.pRootSignature = nullptr; }},
    {"RegisterMissingFromTheSignature", [](auto&) {}, WithoutPassBuffer},
    {"TextureHiddenFromThePixelShader", [](auto&) {}, TextureForVertexShader},
    {"PixelShaderAsVertexShader", [](auto& d) { d.VS = d.PS; }},
    {"BytesThatAreNoShader",
     [](auto& d)
     {
         static const uint32_t garbage[16] = {0x43424853, 7};
         d.VS = {garbage, sizeof(garbage)};
     }},
    {"GeometryShader", [](auto& d) { d.GS = d.VS; }},
    {"LogicOperation", [](auto& d) { d.BlendState.RenderTarget[0].LogicOpEnable = TRUE; }},
    {"DualSourceBlending",
     [](auto& d)
     {
         d.BlendState.RenderTarget[0].BlendEnable = TRUE;
         d.BlendState.RenderTarget[0].SrcBlend = D3D12_BLEND_SRC1_COLOR;
     }},
    {"UnknownCullMode", [](auto& d) { d.RasterizerState.CullMode = D3D12_CULL_MODE(7); }},
    {"UndefinedTopologyType",
     [](auto& d) { d.PrimitiveTopologyType = D3D12_PRIMITIVE_TOPOLOGY_TYPE_UNDEFINED; }},
    {"StripCutValue",
     [](auto& d) { d.IBStripCutValue = D3D12_INDEX_BUFFER_STRIP_CUT_VALUE_0xFFFF; }},
    {"ConservativeRasterization", [](auto& d)
     { d.RasterizerState.ConservativeRaster = D3D12_CONSERVATIVE_RASTERIZATION_MODE_ON; }},
    {"NineRenderTargets", [](auto& d) { d.NumRenderTargets = 9; }},
};

INSTANTIATE_TEST_SUITE_P(Variations, RefusedPipelines, ::testing::ValuesIn(Refused),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(PipelineStates, NeedAnOutputSlotAndADescription)
{
    ComPtr<ID3D12PipelineState> pipeline;
    EXPECT_EQ(Device()->CreateGraphicsPipelineState(nullptr, IID_PPV_ARGS(&pipeline)),
              E_INVALIDARG);
    const D3D12_GRAPHICS_PIPELINE_STATE_DESC desc = ScenePipelineDesc(mSignature.Get(), 1);
    EXPECT_EQ(Device()->CreateGraphicsPipelineState(&desc, __uuidof(ID3D12PipelineState), nullptr),
              E_POINTER);
}

} // namespace
