// ShapesApp: the per-pass half of the frame. The ring of frame resources
// advances on every pass; the current set receives the constants of every
// item and material still dirty for it, the moving spheres and the pass.
#include "ShapesApp.h"

#include <cstring>

namespace
{
// Constant records hold matrices transposed: the shader reads the columns of
// the row-vector matrices the scene works with.
void StoreTransposed(float (&target)[16], const Matrix4& m)
{
    const Matrix4 transposed = MatrixTranspose(m);
    std::memcpy(target, &transposed[0][0], sizeof target);
}

void Store(float (&target)[3], Float3 v)
{
    target[0] = v.x;
    target[1] = v.y;
    target[2] = v.z;
}
} // namespace

void ShapesApp::WaitForFrameResource()
{
    mFrameRingIndex = (mFrameRingIndex + 1) % FrameRingSize;
    mCurrFrameResource = mFrameRing[mFrameRingIndex].get();

    // Wait until the GPU has finished the frame last drawn with this set.
    if (mCurrFrameResource->Fence != 0 && mFence->GetCompletedValue() < mCurrFrameResource->Fence)
    {
        HANDLE eventHandle = CreateEventExW(nullptr, nullptr, 0, EVENT_ALL_ACCESS);
        CheckHr(mFence->SetEventOnCompletion(mCurrFrameResource->Fence, eventHandle));
        WaitForSingleObject(eventHandle, INFINITE);
        CloseHandle(eventHandle);
    }
}

void ShapesApp::UploadObjectConstants(const FrameClock& clock)
{
    const float t = clock.RunningSeconds();
    auto& objectBuffer = *mCurrFrameResource->ObjectBuffer;
    for (auto& item : mAllItems)
    {
        AnimateOrbitingItems(*item, t);
        if (item->DirtyFrames > 0)
        {
            PerObjectConstants constants;
            StoreTransposed(constants.World, item->World);
            StoreTransposed(constants.TexTransform, item->TexTransform);
            objectBuffer.WriteElement(item->ObjectIndex, constants);
            --item->DirtyFrames;
        }
    }
}

void ShapesApp::UploadMaterialConstants()
{
    auto& materialBuffer = *mCurrFrameResource->MaterialBuffer;
    for (auto& [name, material] : mMaterialTable)
    {
        if (material->DirtyFrames > 0)
        {
            PerMaterialConstants constants;
            std::memcpy(constants.DiffuseAlbedo, &material->DiffuseAlbedo[0],
                        sizeof constants.DiffuseAlbedo);
            Store(constants.FresnelR0, material->FresnelR0);
            constants.Roughness = material->Roughness;
            StoreTransposed(constants.MaterialTransform, material->MaterialTransform);
            materialBuffer.WriteElement(material->MaterialIndex, constants);
            --material->DirtyFrames;
        }
    }
}

void ShapesApp::UploadPassConstants(const FrameClock& clock)
{
    const Matrix4 view = mViewMatrix;
    const Matrix4 proj = mProjMatrix;
    const Matrix4 viewProj = MatrixMultiply(view, proj);

    StoreTransposed(mPassData.ViewMatrix, view);
    StoreTransposed(mPassData.InvViewMatrix, MatrixInverse(view));
    StoreTransposed(mPassData.ProjMatrix, proj);
    StoreTransposed(mPassData.InvProjMatrix, MatrixInverse(proj));
    StoreTransposed(mPassData.ViewProjMatrix, viewProj);
    StoreTransposed(mPassData.InvViewProjMatrix, MatrixInverse(viewProj));
    Store(mPassData.EyePosition, mCameraEye);
    mPassData.TargetSize[0] = float(mClientWidth);
    mPassData.TargetSize[1] = float(mClientHeight);
    mPassData.InvTargetSize[0] = 1.0f / float(mClientWidth);
    mPassData.InvTargetSize[1] = 1.0f / float(mClientHeight);
    mPassData.NearPlane = 1.0f;
    mPassData.FarPlane = 1000.0f;
    mPassData.ElapsedSeconds = clock.RunningSeconds();
    mPassData.FrameSeconds = clock.StepSeconds();

    const float ambient[4] = {0.25f, 0.25f, 0.35f, 1.0f};
    std::memcpy(mPassData.AmbientColor, ambient, sizeof ambient);
    // Three directional lights: a key light, a fill and a back light. The
    // other entries keep their initial values.
    Store(mPassData.Lights[0].LightDirection, {0.57735f, -0.57735f, 0.57735f});
    Store(mPassData.Lights[0].LightColor, {0.8f, 0.8f, 0.8f});
    Store(mPassData.Lights[1].LightDirection, {-0.57735f, -0.57735f, 0.57735f});
    Store(mPassData.Lights[1].LightColor, {0.4f, 0.4f, 0.4f});
    Store(mPassData.Lights[2].LightDirection, {0.0f, -0.707f, -0.707f});
    Store(mPassData.Lights[2].LightColor, {0.2f, 0.2f, 0.2f});

    mCurrFrameResource->PassBuffer->WriteElement(0, mPassData);
}
