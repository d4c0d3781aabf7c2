// ShapesApp: life cycle, resize and the per-pass update. The build steps,
// the camera and the mouse are in the other ShapesApp*.cpp files.
#include "ShapesApp.h"

ShapesApp::ShapesApp(HINSTANCE instance) : D3DApp(instance) {}

ShapesApp::~ShapesApp()
{
    // The last frames may still be reading buffers and textures that the
    // members are about to release.
    WaitForGpuIdleOnExit();
}

void ShapesApp::HandleResize()
{
    D3DApp::HandleResize();
    SelectScenePipeline();
    UpdateProjection();
}

void ShapesApp::UpdateProjection()
{
    mProjMatrix = MatrixPerspectiveFovLH(0.25f * Pi, ClientAspect(), 1.0f, 1000.0f);
}

void ShapesApp::UpdateFrame(const FrameClock& clock)
{
    AnimateCamera(clock);
    WaitForFrameResource();
    UploadObjectConstants(clock);
    UploadMaterialConstants();
    UploadPassConstants(clock);
}
