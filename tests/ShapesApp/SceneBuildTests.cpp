// The scene's start-up steps as the program runs them, on the runtime, in the
// run directory beside the data: the textures and their views in the
// descriptor heap, the root signature and the pipelines, checked in what the
// runtime made of them.
#include "GpuTest.h"
#include "ShapesApp.h"
#include "TestApp.h"
#include "TextureCatalog.h"

#include "descriptor_heap.h"
#include "pipeline_state.h"
#include "resource.h"
#include "root_signature.h"

#include <d3d12_vulkan.h>

#include <cstring>
#include <string>

namespace
{

class BuiltScene : public ShapesApp
{
public:
    // The framework's graphics on a message-only window, then the scene's
    // start-up, with multisampling on or off.
    explicit BuiltScene(bool multisampled) : ShapesApp(nullptr)
    {
        mWindow = CreateFrameworkTestWindow(L"");
        mClientWidth = 64;
        mClientHeight = 48;
        EXPECT_TRUE(InitGraphics());
        mMsaa4xEnabled = multisampled;
        HandleResize();
        BuildScene();
        WaitForGpuIdle();
    }

    using D3DApp::HandleWindowMessage;
    using D3DApp::mCbvSrvUavIncrement;
    using ShapesApp::mPSOs;
    using ShapesApp::mRootSignature;
    using ShapesApp::mSrvDescriptorHeap;
    using ShapesApp::mTextureTable;
};

class SceneBuild : public GpuTest
{
};

TEST_F(SceneBuild, EachTextureHasItsFileAndItsPlaceInTheHeap)
{
    BuiltScene app(false);
    auto* heap = dynamic_cast<d3d12::DescriptorHeap*>(app.mSrvDescriptorHeap.Get());
    ASSERT_NE(heap, nullptr);
    auto viewAt = [&](size_t index)
    {
        const CD3DX12_CPU_DESCRIPTOR_HANDLE handle(heap->GetCPUDescriptorHandleForHeapStart(),
                                                   int(index), app.mCbvSrvUavIncrement);
        return heap->RecordAt(handle.ptr);
    };

    const struct
    {
        const char* Name;
        const wchar_t* File;
        size_t HeapIndex;
    } named[] = {{"woodTex", L"Textures/corona.dds", 3}, {"f1", L"Textures/f6.dds", 9}};
    for (const auto& n : named)
    {
        SCOPED_TRACE(n.Name);
        const TextureRecord& texture = *app.mTextureTable.at(n.Name);
        EXPECT_EQ(texture.Filename, n.File);
        const d3d12::Descriptor* view = viewAt(n.HeapIndex);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->Image, d3d12::VulkanImageOf(texture.Resource.Get()));
    }

    // Every place holds a view of one texture, in the order the build's
    // texture catalogue gives, with the texture's own format and all its mips.
    const auto catalogue = SceneTextures();
    ASSERT_EQ(heap->GetDesc().NumDescriptors, catalogue.size());
    ASSERT_EQ(app.mTextureTable.size(), catalogue.size());
    for (size_t i = 0; i < catalogue.size(); ++i)
    {
        SCOPED_TRACE(testing::Message() << "heap index " << i);
        const d3d12::Descriptor* view = viewAt(i);
        ASSERT_NE(view, nullptr);
        ASSERT_EQ(view->Kind, d3d12::DescriptorKind::ShaderResource);
        const TextureRecord* texture = nullptr;
        for (const auto& [name, record] : app.mTextureTable)
        {
            if (d3d12::VulkanImageOf(record->Resource.Get()) == view->Image)
                texture = record.get();
        }
        ASSERT_NE(texture, nullptr);
        const char* file = catalogue[i].FileName;
        EXPECT_EQ(texture->Filename, L"Textures/" + std::wstring(file, file + std::strlen(file)));
        const auto* resource = dynamic_cast<d3d12::Resource*>(texture->Resource.Get());
        ASSERT_NE(resource, nullptr);
        EXPECT_EQ(view->Format, resource->ImageFormat());
        EXPECT_EQ(view->Range.baseMipLevel, 0u);
        EXPECT_EQ(view->Range.levelCount, resource->Mips());
    }
}

TEST_F(SceneBuild, OnlyThePixelStageSeesTheTextureTable)
{
    BuiltScene app(false);
    auto* signature = dynamic_cast<d3d12::RootSignature*>(app.mRootSignature.Get());
    ASSERT_NE(signature, nullptr);
    ASSERT_EQ(signature->Slots().size(), 4u);
    const d3d12::RootSlot& table = signature->Slots()[3];
    EXPECT_EQ(table.Type, D3D12_ROOT_PARAMETER_TYPE_DESCRIPTOR_TABLE);
    const uint32_t binding = signature->WriteTemplate()[table.FirstWrite].dstBinding;
    EXPECT_EQ(signature->StagesOfBinding(binding),
              VkShaderStageFlags(VK_SHADER_STAGE_FRAGMENT_BIT));
}

TEST_F(SceneBuild, BothSampleCountsHaveAPipelineAndTheCurrentOneIsChosen)
{
    for (const bool multisampled : {false, true})
    {
        SCOPED_TRACE(multisampled ? "built with 4 samples" : "built with 1 sample");
        BuiltScene app(multisampled);
        auto samples = [&](const char* name)
        {
            const auto* pipeline = dynamic_cast<d3d12::PipelineState*>(app.mPSOs.at(name).Get());
            return pipeline ? int(pipeline->Samples()) : 0;
        };
        EXPECT_EQ(samples("opaque1x"), 1);
        EXPECT_EQ(samples("opaque4x"), 4);
        EXPECT_EQ(app.mPSOs.at("opaque").Get(),
                  app.mPSOs.at(multisampled ? "opaque4x" : "opaque1x").Get());
        // The multisampling key switches to the other one.
        app.HandleWindowMessage(0, WM_KEYUP, VK_F2, 0);
        EXPECT_EQ(app.mPSOs.at("opaque").Get(),
                  app.mPSOs.at(multisampled ? "opaque1x" : "opaque4x").Get());
    }
}

} // namespace
