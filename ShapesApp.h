// The scene application: a small city of boxes and three moving spheres,
// flown through by a camera on a fixed schedule. It owns every scene table and
// record; the framework (D3DApp) owns the device objects.
//
// Construction makes no platform call of its own, so the content and camera
// steps can run without a device.
#pragma once

#include "FrameResource.h"
#include "MathHelpers.h"
#include "SceneRecords.h"
#include "d3dApp.h"

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class ShapesApp : public D3DApp
{
public:
    explicit ShapesApp(HINSTANCE instance);
    ~ShapesApp() override;

    // The eight shapes of the city packed for upload; no device needed.
    static PackedSceneGeometry PackSceneGeometry();
    // The "shapesGeo" record for packed shapes: name, sizes, format and
    // ranges. Its CPU copies and GPU buffers are left to the caller.
    static std::unique_ptr<SceneGeometry> DescribeSceneGeometry(const PackedSceneGeometry& packed);

    enum class CameraPhase
    {
        Rise,
        Sweep,
        LowPass,
        MidPass,
        HighPass
    };
    // The phase for the phase clock's value (whole seconds).
    static CameraPhase SelectCameraPhase(float phaseSeconds);

    static constexpr int OpaqueLayer = 0;
    static constexpr int ItemLayerCount = 1;

    bool StartUp() override;

protected:
    void HandleResize() override;
    void UpdateFrame(const FrameClock& clock) override;
    void DrawFrame(const FrameClock& clock) override;
    void HandleMouseDown(WPARAM flags, int x, int y) override;
    void HandleMouseUp(WPARAM flags, int x, int y) override;
    void HandleMouseMove(WPARAM flags, int x, int y) override;

    // Everything after the framework's start-up: the scene's content built on
    // the start-up command list, which is then submitted. Each group of steps
    // ends in OnStartUpStep, as the framework's steps do.
    void BuildScene();
    void LoadSceneTextures();
    void BuildSceneRootSignature();
    void BuildTextureDescriptorHeap();
    void CompileSceneShaders();
    void BuildSceneGeometry();
    void BuildSceneMaterials();
    void BuildSceneItems();
    void BuildFrameRing();
    void BuildScenePipelines();
    // Points "opaque" at the pipeline whose sample count matches the current
    // multisampling setting.
    void SelectScenePipeline();

    void WaitForFrameResource();
    void UploadObjectConstants(const FrameClock& clock);
    void UploadMaterialConstants();
    void UploadPassConstants(const FrameClock& clock);
    void DrawSceneItems(ID3D12GraphicsCommandList* cmdList, const std::vector<SceneItem*>& items);

    void UpdateProjection();
    void AnimateCamera(const FrameClock& clock);
    // Counts whole seconds of running time, at most one per call, so after a
    // stall the schedule catches up one second per pass.
    static float AdvancePhaseClock(float runningSeconds);
    void UpdateRiseCamera(float stepSeconds);
    void UpdateSweepCamera(float stepSeconds);
    void UpdateLowPassCamera(float stepSeconds);
    void UpdateMidPassCamera(float stepSeconds);
    void UpdateHighPassCamera(float stepSeconds);
    // Moves the item if it is one of the three orbiting spheres.
    void AnimateOrbitingItems(SceneItem& item, float runningSeconds);

    std::vector<std::unique_ptr<FrameResource>> mFrameRing;
    FrameResource* mCurrFrameResource = nullptr;
    int mFrameRingIndex = 0;

    Microsoft::WRL::ComPtr<ID3D12RootSignature> mRootSignature;
    Microsoft::WRL::ComPtr<ID3D12DescriptorHeap> mSrvDescriptorHeap;

    std::unordered_map<std::string, std::unique_ptr<SceneGeometry>> mGeometryTable;
    std::unordered_map<std::string, std::unique_ptr<MaterialRecord>> mMaterialTable;
    std::unordered_map<std::string, std::unique_ptr<TextureRecord>> mTextureTable;
    std::unordered_map<std::string, Microsoft::WRL::ComPtr<ID3DBlob>> mShaderTable;
    std::unordered_map<std::string, Microsoft::WRL::ComPtr<ID3D12PipelineState>> mPSOs;
    std::vector<D3D12_INPUT_ELEMENT_DESC> mVertexInputLayout;

    std::vector<std::unique_ptr<SceneItem>> mAllItems;
    std::array<std::vector<SceneItem*>, ItemLayerCount> mItemLayers;

    PerPassConstants mPassData;

    // The camera. Phase 1 rises in front of the city, phase 2 sweeps around
    // the origin, phases 3 to 5 drift towards it from three heights. The
    // orbit angles (radians, polar measured from +y) follow left-drags.
    Float3 mCameraEye{0.0f, 0.0f, 0.0f};
    Matrix4 mViewMatrix = MatrixIdentity();
    Matrix4 mProjMatrix = MatrixIdentity();

    float mOrbitAzimuth = 1.5f * Pi;
    float mOrbitPolar = 0.2f * Pi;

    float mOpeningAzimuth = Pi;
    float mOpeningPolar = 0.0f;
    float mOpeningRadius = 25.0f;
    float mRiseHeight = -15.0f; // also the rise's drift offset
    float mSweepRadius = 75.0f;
    float mLowHeight = 30.0f;
    float mMidRadius = 40.0f;
    float mHighHeight = 50.0f;

    float mSweepDrift = 5.0f;
    float mLowDrift = 5.0f;
    float mMidDrift = 5.0f;
    float mHighDrift = 5.0f;
    float mDriftStep = 0.035f;

    float mRiseTimer = 0.0f;
    float mSweepTimer = 0.0f;
    float mLowTimer = 0.0f;
    float mMidTimer = 0.0f;
    float mHighTimer = 0.0f;

    POINT mLastMouse{0, 0};
};
