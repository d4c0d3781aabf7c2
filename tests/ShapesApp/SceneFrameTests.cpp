// The scene's frames on the runtime, without a window: the frame-resource
// ring and the constant records it uploads, and the pictures it draws.
// The tests run in the run directory, where the shaders and textures are.
#include "FakeTimeSource.h"
#include "GpuTest.h"
#include "ShapesApp.h"
#include "TestApp.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <optional>
#include <string>

using Microsoft::WRL::ComPtr;

namespace
{

class SceneGpuApp : public ShapesApp
{
public:
    // `reportedQuality`, where given, stands for the device's count of
    // 4-sample quality levels.
    SceneGpuApp(int width, int height, std::optional<UINT> reportedQuality = {})
        : ShapesApp(nullptr)
    {
        mWindow = CreateFrameworkTestWindow(L"");
        mClientWidth = width;
        mClientHeight = height;
        EXPECT_TRUE(InitGraphics());
        if (reportedQuality)
            mMsaa4xQuality = *reportedQuality;
        HandleResize();
        BuildScene();
    }

    using D3DApp::HandleWindowMessage;
    using D3DApp::mBackBufferIndex;
    using D3DApp::mCommandQueue;
    using D3DApp::mCurrentFence;
    using D3DApp::md3dDevice;
    using D3DApp::mFence;
    using D3DApp::mSwapChainBuffer;
    using D3DApp::WaitForGpuIdle;
    using ShapesApp::DrawFrame;
    using ShapesApp::mAllItems;
    using ShapesApp::mCameraEye;
    using ShapesApp::mCurrFrameResource;
    using ShapesApp::mFrameRing;
    using ShapesApp::mFrameRingIndex;
    using ShapesApp::mMaterialTable;
    using ShapesApp::mPassData;
    using ShapesApp::mProjMatrix;
    using ShapesApp::mPSOs;
    using ShapesApp::mRiseHeight;
    using ShapesApp::mViewMatrix;
    using ShapesApp::UpdateFrame;
    using ShapesApp::UploadPassConstants;

    // The pixels of a texture in the present state, copied out with the
    // framework's own command list once the GPU is idle.
    std::vector<uint8_t> ReadTexture(ID3D12Resource* texture, int width, int height)
    {
        D3D12_PLACED_SUBRESOURCE_FOOTPRINT footprint{};
        UINT64 total = 0;
        const D3D12_RESOURCE_DESC desc = texture->GetDesc();
        md3dDevice->GetCopyableFootprints(&desc, 0, 1, 0, &footprint, nullptr, nullptr, &total);
        ComPtr<ID3D12Resource> readback;
        const CD3DX12_HEAP_PROPERTIES heap(D3D12_HEAP_TYPE_READBACK);
        const CD3DX12_RESOURCE_DESC bufferDesc = CD3DX12_RESOURCE_DESC::Buffer(total);
        EXPECT_HRESULT_SUCCEEDED(md3dDevice->CreateCommittedResource(
            &heap, D3D12_HEAP_FLAG_NONE, &bufferDesc, D3D12_RESOURCE_STATE_COPY_DEST, nullptr,
            IID_PPV_ARGS(&readback)));
        EXPECT_HRESULT_SUCCEEDED(mDirectCmdListAlloc->Reset());
        EXPECT_HRESULT_SUCCEEDED(mCommandList->Reset(mDirectCmdListAlloc.Get(), nullptr));
        const D3D12_RESOURCE_BARRIER toCopy = CD3DX12_RESOURCE_BARRIER::Transition(
            texture, D3D12_RESOURCE_STATE_PRESENT, D3D12_RESOURCE_STATE_COPY_SOURCE);
        mCommandList->ResourceBarrier(1, &toCopy);
        const CD3DX12_TEXTURE_COPY_LOCATION to(readback.Get(), footprint);
        const CD3DX12_TEXTURE_COPY_LOCATION from(texture, 0);
        mCommandList->CopyTextureRegion(&to, 0, 0, 0, &from, nullptr);
        const D3D12_RESOURCE_BARRIER back = CD3DX12_RESOURCE_BARRIER::Transition(
            texture, D3D12_RESOURCE_STATE_COPY_SOURCE, D3D12_RESOURCE_STATE_PRESENT);
        mCommandList->ResourceBarrier(1, &back);
        EXPECT_HRESULT_SUCCEEDED(mCommandList->Close());
        ID3D12CommandList* lists[] = {mCommandList.Get()};
        mCommandQueue->ExecuteCommandLists(1, lists);
        WaitForGpuIdle();

        std::vector<uint8_t> pixels(size_t(width) * height * 4);
        void* data = nullptr;
        EXPECT_HRESULT_SUCCEEDED(readback->Map(0, nullptr, &data));
        for (int row = 0; row < height; ++row)
            std::memcpy(&pixels[size_t(row) * width * 4],
                        static_cast<const char*>(data) + row * footprint.Footprint.RowPitch,
                        size_t(width) * 4);
        readback->Unmap(0, nullptr);
        return pixels;
    }
};

// The bytes of element `index` of an upload buffer, read through a mapping of
// its own.
template <class Record> Record ReadElement(ID3D12Resource* buffer, UINT index, UINT stride)
{
    void* data = nullptr;
    EXPECT_HRESULT_SUCCEEDED(buffer->Map(0, nullptr, &data));
    Record record;
    std::memcpy(&record, static_cast<const char*>(data) + size_t(index) * stride, sizeof record);
    buffer->Unmap(0, nullptr);
    return record;
}

// Holds the application's queue at a fence that only the test signals: work
// submitted after Hold waits until Open. Declared after the application, it
// opens on destruction, so the application's last wait never meets it shut.
class QueueGate
{
public:
    explicit QueueGate(SceneGpuApp& app) : mQueue(app.mCommandQueue.Get())
    {
        EXPECT_HRESULT_SUCCEEDED(
            app.md3dDevice->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&mFence)));
    }
    ~QueueGate() { Open(); }

    void Hold() { EXPECT_HRESULT_SUCCEEDED(mQueue->Wait(mFence.Get(), ++mHeld)); }
    void Open()
    {
        if (mFence->GetCompletedValue() < mHeld)
        {
            EXPECT_HRESULT_SUCCEEDED(mFence->Signal(mHeld));
        }
    }

private:
    ID3D12CommandQueue* mQueue;
    ComPtr<ID3D12Fence> mFence;
    UINT64 mHeld = 0;
};

class SceneFrames : public GpuTest
{
protected:
    FakeTimeSource time;
    FrameClock clock;

    void Pass(SceneGpuApp& app)
    {
        time.AdvanceSeconds(0.02);
        clock.Advance();
        app.UpdateFrame(clock);
    }

    struct HeldPass
    {
        bool Returned;       // within the patience given, with the gate still shut
        UINT64 FenceReached; // the fence's completed value when the pass returned
    };

    // Runs one pass on a thread of its own. A pass that has not returned
    // after `patience` is waiting: the gate opens, and then it must return.
    HeldPass PassWhileHeld(SceneGpuApp& app, QueueGate& gate, std::chrono::milliseconds patience)
    {
        time.AdvanceSeconds(0.02);
        clock.Advance();
        auto pass = std::async(std::launch::async,
                               [&]
                               {
                                   app.UpdateFrame(clock);
                                   return app.mFence->GetCompletedValue();
                               });
        const bool returned = pass.wait_for(patience) == std::future_status::ready;
        if (!returned)
            gate.Open();
        if (pass.wait_for(std::chrono::seconds(10)) != std::future_status::ready)
        {
            // It waits for a value nobody signals; the test cannot end.
            std::fprintf(stderr, "an update pass still waits with the queue open\n");
            std::abort();
        }
        return {returned, pass.get()};
    }

    // Draws a frame and reads the back buffer it drew into.
    std::vector<uint8_t> DrawAndRead(SceneGpuApp& app, int width, int height)
    {
        const int drawn = app.mBackBufferIndex;
        app.DrawFrame(clock);
        app.WaitForGpuIdle();
        return app.ReadTexture(app.mSwapChainBuffer[drawn].Get(), width, height);
    }
};

TEST_F(SceneFrames, TheRingStartsAtEntryOneAndDirtyRecordsReachEachEntryOnce)
{
    clock.Restart();
    SceneGpuApp app(160, 120);
    // The GPU is held short of the fence's last value: any wait would block.
    QueueGate gate(app);
    gate.Hold();
    ASSERT_HRESULT_SUCCEEDED(app.mCommandQueue->Signal(app.mFence.Get(), ++app.mCurrentFence));
    EXPECT_TRUE(PassWhileHeld(app, gate, std::chrono::seconds(5)).Returned)
        << "no frame has been drawn with entry 1, so nothing is waited for";
    EXPECT_EQ(app.mFrameRingIndex, 1);
    gate.Open();
    Pass(app);
    Pass(app);
    EXPECT_EQ(app.mFrameRingIndex, 0);

    // Every entry holds item 3's world matrix, transposed: the translation
    // (0, 16, 30) in the fourth column.
    const SceneItem* building = app.mAllItems[3].get();
    for (const auto& frame : app.mFrameRing)
    {
        const auto record = ReadElement<PerObjectConstants>(frame->ObjectBuffer->GpuResource(),
                                                            UINT(building->ObjectIndex), 256);
        EXPECT_EQ(record.World[3], 0.0f);
        EXPECT_EQ(record.World[7], 16.0f);
        EXPECT_EQ(record.World[11], 30.0f);
        EXPECT_EQ(record.World[15], 1.0f);
    }
    for (const auto& item : app.mAllItems)
        EXPECT_EQ(item->DirtyFrames, 0);
    for (const auto& [name, material] : app.mMaterialTable)
        EXPECT_EQ(material->DirtyFrames, 0) << name;

    // From then on only the spheres are rewritten.
    FrameResource& next = *app.mFrameRing[1];
    void* data = nullptr;
    ASSERT_HRESULT_SUCCEEDED(next.ObjectBuffer->GpuResource()->Map(0, nullptr, &data));
    std::memset(data, 0x7F, 256 * app.mAllItems.size());
    next.ObjectBuffer->GpuResource()->Unmap(0, nullptr);
    Pass(app);
    for (const auto& item : app.mAllItems)
    {
        const auto record = ReadElement<PerObjectConstants>(next.ObjectBuffer->GpuResource(),
                                                            UINT(item->ObjectIndex), 256);
        const bool sphere =
            item->ObjectIndex == 2 || item->ObjectIndex == 25 || item->ObjectIndex == 26;
        EXPECT_EQ(record.World[15] == 1.0f, sphere) << "slot " << item->ObjectIndex;
    }
}

// Passes 1 to 3 each take a ring entry no frame has been drawn with yet; the
// fourth takes entry 1 again, drawn with after the first pass. Only while
// that frame still runs must it wait, whatever later frames do.
TEST_F(SceneFrames, TheFourthPassWaitsOnlyForTheFrameLastDrawnWithItsEntry)
{
    enum Frame
    {
        NoFrame,
        FinishedFrame,
        HeldFrame
    };
    const struct
    {
        const char* Name;
        Frame After[3]; // what follows passes 1 to 3
        bool Waits;
    } cases[] = {
        {"entry 1's frame still runs", {HeldFrame, NoFrame, NoFrame}, true},
        {"only a later frame still runs", {FinishedFrame, HeldFrame, NoFrame}, false},
    };
    using std::chrono::milliseconds;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Name);
        clock.Restart();
        SceneGpuApp app(64, 48);
        QueueGate gate(app);
        UINT64 first = 0;
        for (Frame after : c.After)
        {
            ASSERT_TRUE(PassWhileHeld(app, gate, milliseconds(5000)).Returned)
                << "a pass waited on an entry no frame was drawn with";
            if (after == NoFrame)
                continue;
            if (after == HeldFrame)
                gate.Hold();
            app.DrawFrame(clock);
            if (first == 0)
                first = app.mCurrFrameResource->Fence;
            if (after == FinishedFrame)
                app.WaitForGpuIdle();
        }
        const HeldPass fourth = PassWhileHeld(app, gate, milliseconds(c.Waits ? 300 : 5000));
        EXPECT_EQ(app.mFrameRingIndex, 1);
        EXPECT_EQ(fourth.Returned, !c.Waits);
        EXPECT_GE(fourth.FenceReached, first) << "returned before entry 1's frame was done";
    }
}

// With the GPU held before the first frame, the program records and submits
// a frame with each of the ring's three entries without waiting (each
// execution records anew, so none waits for an earlier run of its list); the
// fence wait of the fourth pass is the first thing that blocks. Presenting
// (here without a surface) adds no wait of its own.
TEST_F(SceneFrames, FramesRunAheadOfAHeldGpuUntilTheRingComesRound)
{
    clock.Restart();
    SceneGpuApp app(64, 48);
    QueueGate gate(app);
    gate.Hold();
    const UINT64 completed = app.mFence->GetCompletedValue();
    auto ahead = std::async(std::launch::async,
                            [&]
                            {
                                for (int frame = 0; frame < 3; ++frame)
                                {
                                    Pass(app);
                                    app.DrawFrame(clock);
                                }
                            });
    const bool ranAhead = ahead.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    if (!ranAhead)
        gate.Open();
    ahead.wait();
    ASSERT_TRUE(ranAhead) << "a frame waited for an earlier one while the GPU was held";
    EXPECT_EQ(app.mFence->GetCompletedValue(), completed) << "the GPU was not held";
    EXPECT_EQ(app.mCurrentFence, completed + 3);
    EXPECT_FALSE(PassWhileHeld(app, gate, std::chrono::milliseconds(300)).Returned)
        << "the fourth pass did not wait for the first frame";
}

TEST_F(SceneFrames, ThePassRecordIsWrittenByteForByte)
{
    clock.Restart();
    SceneGpuApp app(200, 100);
    Pass(app);
    app.mViewMatrix = MatrixTranslation(1.0f, 2.0f, 3.0f);
    app.mProjMatrix = MatrixScaling(2.0f, 4.0f, 1.0f);
    app.mCameraEye = Float3(5.0f, 6.0f, 7.0f);
    app.UploadPassConstants(clock);

    const auto pass =
        ReadElement<PerPassConstants>(app.mCurrFrameResource->PassBuffer->GpuResource(), 0, 1280);
    PerPassConstants expected;
    const float view[16] = {1, 0, 0, 1, 0, 1, 0, 2, 0, 0, 1, 3, 0, 0, 0, 1};
    const float invView[16] = {1, 0, 0, -1, 0, 1, 0, -2, 0, 0, 1, -3, 0, 0, 0, 1};
    const float proj[16] = {2, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const float invProj[16] = {0.5f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const float viewProj[16] = {2, 0, 0, 2, 0, 4, 0, 8, 0, 0, 1, 3, 0, 0, 0, 1};
    const float invViewProj[16] = {0.5f, 0, 0, -1, 0, 0.25f, 0, -2, 0, 0, 1, -3, 0, 0, 0, 1};
    std::memcpy(expected.ViewMatrix, view, 64);
    std::memcpy(expected.InvViewMatrix, invView, 64);
    std::memcpy(expected.ProjMatrix, proj, 64);
    std::memcpy(expected.InvProjMatrix, invProj, 64);
    std::memcpy(expected.ViewProjMatrix, viewProj, 64);
    std::memcpy(expected.InvViewProjMatrix, invViewProj, 64);
    const float eye[3] = {5, 6, 7};
    std::memcpy(expected.EyePosition, eye, 12);
    expected.TargetSize[0] = 200.0f;
    expected.TargetSize[1] = 100.0f;
    expected.InvTargetSize[0] = 1.0f / 200.0f;
    expected.InvTargetSize[1] = 1.0f / 100.0f;
    expected.NearPlane = 1.0f;
    expected.FarPlane = 1000.0f;
    expected.ElapsedSeconds = clock.RunningSeconds();
    expected.FrameSeconds = clock.StepSeconds();
    const float ambient[4] = {0.25f, 0.25f, 0.35f, 1.0f};
    std::memcpy(expected.AmbientColor, ambient, 16);
    const float lights[3][2][3] = {{{0.8f, 0.8f, 0.8f}, {0.57735f, -0.57735f, 0.57735f}},
                                   {{0.4f, 0.4f, 0.4f}, {-0.57735f, -0.57735f, 0.57735f}},
                                   {{0.2f, 0.2f, 0.2f}, {0.0f, -0.707f, -0.707f}}};
    for (int i = 0; i < 3; ++i)
    {
        std::memcpy(expected.Lights[i].LightColor, lights[i][0], 12);
        std::memcpy(expected.Lights[i].LightDirection, lights[i][1], 12);
    }
    // Compared value by value (an inverse may hold -0 where 0 is expected).
    const auto* got = reinterpret_cast<const float*>(&pass);
    const auto* want = reinterpret_cast<const float*>(&expected);
    for (size_t i = 0; i < sizeof pass / sizeof(float); ++i)
        EXPECT_EQ(got[i], want[i]) << "float " << i << " (byte " << 4 * i << ")";
    EXPECT_EQ(pass.Lights[15].LightColor[0], 0.5f);
    EXPECT_EQ(pass.Lights[15].LightDirection[1], -1.0f);
    EXPECT_EQ(pass.EyePad, 0.0f);
}

TEST_F(SceneFrames, ConsecutiveFramesUseBothBackBuffersAndConsecutiveFenceValues)
{
    clock.Restart();
    SceneGpuApp app(64, 48);
    Pass(app);
    app.DrawFrame(clock);
    const UINT64 first = app.mCurrFrameResource->Fence;
    EXPECT_EQ(first, app.mCurrentFence);
    EXPECT_EQ(app.mBackBufferIndex, 1);
    Pass(app);
    app.DrawFrame(clock);
    EXPECT_EQ(app.mCurrFrameResource->Fence, first + 1);
    EXPECT_EQ(app.mBackBufferIndex, 0);
    app.WaitForGpuIdle();
}

TEST_F(SceneFrames, TheFirstPhaseShowsTheCityAndMultisamplingChangesOnlyEdges)
{
    constexpr int Width = 160, Height = 120;
    clock.Restart();
    SceneGpuApp app(Width, Height);
    // Some seconds into the rise: the camera at 20 units, level with the
    // lower floors, looking along the streets.
    app.mRiseHeight = 20.0f;
    Pass(app);
    const std::vector<uint8_t> single = DrawAndRead(app, Width, Height);

    auto pixel = [&](const std::vector<uint8_t>& image, int x, int y)
    {
        const uint8_t* p = &image[(size_t(y) * Width + x) * 4];
        return std::array<int, 3>{p[0], p[1], p[2]};
    };
    auto isBlack = [](std::array<int, 3> c) { return c[0] + c[1] + c[2] == 0; };
    // The paved ground fills the lower part: grey.
    const auto ground = pixel(single, Width / 2, Height - 2);
    EXPECT_FALSE(isBlack(ground));
    EXPECT_LT(std::abs(ground[0] - ground[2]), 40) << "ground is grey";
    // Buildings stand above it, and between them the cleared black shows.
    int black = 0, coloured = 0;
    for (int y = 0; y < Height / 6; ++y)
        for (int x = 0; x < Width; ++x)
            (isBlack(pixel(single, x, y)) ? black : coloured)++;
    EXPECT_GT(coloured, 0);
    EXPECT_GT(black, 0) << "the cleared sky above the buildings";

    // The same picture with four samples differs only along edges.
    app.HandleWindowMessage(0, WM_KEYUP, VK_F2, 0);
    const std::vector<uint8_t> multi = DrawAndRead(app, Width, Height);
    if (std::getenv("SCENE_TEST_DUMP"))
    {
        for (auto [name, image] : {std::pair{"single", &single}, std::pair{"multi", &multi}})
        {
            FILE* f = std::fopen((std::string("/tmp/") + name + ".ppm").c_str(), "wb");
            std::fprintf(f, "P6 %d %d 255\n", Width, Height);
            for (size_t i = 0; i < image->size(); i += 4)
                std::fwrite(&(*image)[i], 1, 3, f);
            std::fclose(f);
        }
    }
    int differing = 0;
    for (size_t i = 0; i < single.size(); i += 4)
        differing += single[i] != multi[i];
    EXPECT_GT(differing, 0);
    EXPECT_LT(differing, Width * Height / 8);
}

TEST_F(SceneFrames, ADeviceWithoutFourSampleLevelsStartsAndDrawsWithOnePipeline)
{
    clock.Restart();
    SceneGpuApp app(64, 48, 0u);
    EXPECT_EQ(app.mPSOs.count("opaque1x"), 1u);
    EXPECT_EQ(app.mPSOs.count("opaque4x"), 0u);
    Pass(app);
    app.DrawFrame(clock);
    app.WaitForGpuIdle();
    // Only the multisampling key fails there, at its 4-sample targets.
    EXPECT_THROW(app.HandleWindowMessage(0, WM_KEYUP, VK_F2, 0), DxException);
}

} // namespace
