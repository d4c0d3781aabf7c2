// The scene application without a device: it builds the city's content on
// the CPU and runs the camera, animation and mouse steps. Drawing is empty.
#pragma once

#include "ShapesApp.h"

class SceneTestApp : public ShapesApp
{
public:
    SceneTestApp() : ShapesApp(nullptr) {}

    // The geometry record as the geometry step leaves it, minus the GPU
    // buffers; then the materials and the items.
    void BuildContent()
    {
        mGeometryTable["shapesGeo"] = DescribeSceneGeometry(PackSceneGeometry());
        BuildSceneMaterials();
        BuildSceneItems();
    }

    using D3DApp::mClientHeight;
    using D3DApp::mClientWidth;
    using D3DApp::mWindow;

    using ShapesApp::AnimateCamera;
    using ShapesApp::AnimateOrbitingItems;
    using ShapesApp::BuildSceneMaterials;
    using ShapesApp::HandleMouseDown;
    using ShapesApp::HandleMouseMove;
    using ShapesApp::HandleMouseUp;
    using ShapesApp::UpdateFrame;
    using ShapesApp::UpdateHighPassCamera;
    using ShapesApp::UpdateLowPassCamera;
    using ShapesApp::UpdateMidPassCamera;
    using ShapesApp::UpdateProjection;
    using ShapesApp::UpdateRiseCamera;
    using ShapesApp::UpdateSweepCamera;

    using ShapesApp::mAllItems;
    using ShapesApp::mCameraEye;
    using ShapesApp::mGeometryTable;
    using ShapesApp::mHighDrift;
    using ShapesApp::mHighTimer;
    using ShapesApp::mItemLayers;
    using ShapesApp::mLastMouse;
    using ShapesApp::mLowDrift;
    using ShapesApp::mLowTimer;
    using ShapesApp::mMaterialTable;
    using ShapesApp::mMidDrift;
    using ShapesApp::mMidTimer;
    using ShapesApp::mOrbitAzimuth;
    using ShapesApp::mOrbitPolar;
    using ShapesApp::mProjMatrix;
    using ShapesApp::mRiseHeight;
    using ShapesApp::mRiseTimer;
    using ShapesApp::mSweepDrift;
    using ShapesApp::mSweepTimer;
    using ShapesApp::mViewMatrix;

protected:
    void DrawFrame(const FrameClock&) override {}
};
