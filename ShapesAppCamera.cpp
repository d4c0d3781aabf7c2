// ShapesApp: everything that moves with time. The camera follows five phases
// keyed to whole seconds of running time; three spheres tumble and circle.
#include "ShapesApp.h"

#include "RunTiming.h"

#include <cmath>

namespace
{

const Float3 Up{0.0f, 1.0f, 0.0f};

// Adds the step to the phase's timer; once the timer passes the gate the
// offset moves by one increment and the timer starts again. The remainder is
// dropped, so a long pass still moves the offset only once.
void StepDrift(float& timer, float& offset, float stepSeconds, float gate, float increment)
{
    timer += stepSeconds;
    if (timer > gate)
    {
        offset += increment;
        timer = 0.0f;
    }
}

} // namespace

float ShapesApp::AdvancePhaseClock(float runningSeconds)
{
    static float sPhaseSeconds = 0.0f;
    if (runningSeconds - sPhaseSeconds >= 1.0f)
        sPhaseSeconds += 1.0f;
    return sPhaseSeconds;
}

ShapesApp::CameraPhase ShapesApp::SelectCameraPhase(float c)
{
    if (c > 0.0f && c <= 30.0f)
        return CameraPhase::Rise;
    if (c > 30.0f && c <= 40.0f)
        return CameraPhase::Sweep;
    if (c > 40.0f && c <= 50.0f)
        return CameraPhase::LowPass;
    if (c > 50.0f && c <= 70.0f)
        return CameraPhase::MidPass;
    if (c > 70.0f && c <= 120.0f)
        return CameraPhase::HighPass;
    // The first second, and anything past the schedule.
    return CameraPhase::Rise;
}

void ShapesApp::AnimateCamera(const FrameClock& clock)
{
    const float c = AdvancePhaseClock(clock.RunningSeconds());
    const float dt = clock.StepSeconds();
    switch (SelectCameraPhase(c))
    {
    case CameraPhase::Rise:
        UpdateRiseCamera(dt);
        break;
    case CameraPhase::Sweep:
        UpdateSweepCamera(dt);
        break;
    case CameraPhase::LowPass:
        UpdateLowPassCamera(dt);
        break;
    case CameraPhase::MidPass:
        UpdateMidPassCamera(dt);
        break;
    case CameraPhase::HighPass:
        UpdateHighPassCamera(dt);
        break;
    }
}

// Each phase sets the reported eye, steps its drift, then builds the view
// from the updated drift.

void ShapesApp::UpdateRiseCamera(float stepSeconds)
{
    // The reported eye creeps along x by a fixed amount per pass; the view
    // looks along +z from in front of the city and rises with the drift.
    const float s = std::sin(mOpeningPolar) * mOpeningRadius;
    mCameraEye.x = std::cos(mOpeningAzimuth) * s + (mCameraEye.x + 0.0001f);
    mCameraEye.z = std::sin(mOpeningAzimuth) * s;
    mCameraEye.y = std::cos(mOpeningPolar) * mOpeningRadius;

    StepDrift(mRiseTimer, mRiseHeight, stepSeconds, 0.0166f, mDriftStep);

    const float h = mRiseHeight;
    mViewMatrix = MatrixLookToLH({0.0f, h, -71.0f}, {0.0f, 0.0f, 51.0f}, Up);
}

void ShapesApp::UpdateSweepCamera(float stepSeconds)
{
    // A point on the orbit sphere, sliding out along the (1, 1, 1) diagonal
    // and looking at the origin.
    const float s = std::sin(mOrbitPolar) * mSweepRadius;
    mCameraEye = {std::cos(mOrbitAzimuth) * s, std::cos(mOrbitPolar) * mSweepRadius,
                  std::sin(mOrbitAzimuth) * s};

    StepDrift(mSweepTimer, mSweepDrift, stepSeconds, 0.0166f, mDriftStep);

    const float d = mSweepDrift;
    const Float3 eye = mCameraEye + Float3(d, d, d);
    mViewMatrix = MatrixLookToLH(eye, -eye, Up);
}

void ShapesApp::UpdateLowPassCamera(float stepSeconds)
{
    const float z = std::sin(mOrbitPolar) * mLowHeight * std::sin(mOrbitAzimuth);
    mCameraEye = {3.0f, mLowHeight, z};

    StepDrift(mLowTimer, mLowDrift, stepSeconds, 0.0166f, mDriftStep);

    // The view sits on the +z side of the reported eye.
    const float d = mLowDrift;
    const Float3 eye{3.0f - d, mLowHeight + d, -z};
    mViewMatrix = MatrixLookToLH(eye, -eye, Up);
}

void ShapesApp::UpdateMidPassCamera(float stepSeconds)
{
    const float z = std::sin(mOrbitPolar) * mMidRadius * std::sin(mOrbitAzimuth);
    mCameraEye = {3.0f, mLowHeight, z};

    StepDrift(mMidTimer, mMidDrift, stepSeconds, 0.0066f, 0.01f);

    const float d = mMidDrift;
    const Float3 eye{3.0f - d, mLowHeight + d, -z};
    mViewMatrix = MatrixLookToLH(eye, -eye, Up);
}

void ShapesApp::UpdateHighPassCamera(float stepSeconds)
{
    const float z = std::sin(mOrbitPolar) * mHighHeight * std::sin(mOrbitAzimuth);
    mCameraEye = {3.0f, mHighHeight, z};

    StepDrift(mHighTimer, mHighDrift, stepSeconds, FinestDriftGateSeconds, 0.001f);

    // Unlike the lower passes, z keeps its sign and drifts too.
    const float d = mHighDrift;
    const Float3 eye{3.0f - d, mHighHeight + d, z + d};
    mViewMatrix = MatrixLookToLH(eye, -eye, Up);
}

void ShapesApp::AnimateOrbitingItems(SceneItem& item, float t)
{
    // Per sphere: tumble rates a, b about z and x, the circling rate c about
    // y, the wobble v(t) and the point p the sphere circles.
    float a, b, c;
    Float3 v, p;
    switch (item.ObjectIndex)
    {
    case 2:
        a = 2.0f;
        b = 0.5f;
        c = 1.5f;
        v = {-0.5f * std::sin(t), 0.5f * std::sin(t), -0.5f * std::cos(t)};
        p = {0.5f, 6.5f, 0.5f};
        break;
    case 25:
        a = 2.0f;
        b = 0.5f;
        c = 1.5f;
        v = {-std::sin(t), -0.5f * std::sin(t), std::cos(t)};
        p = {0.5f, 10.5f, 0.5f};
        break;
    case 26:
        a = 0.3f;
        b = 0.2f;
        c = 0.1f;
        v = {1.5f * std::cos(t), -1.5f * std::sin(t), -1.5f * std::cos(t)};
        p = {0.5f, 18.5f, 0.5f};
        break;
    default:
        return;
    }

    Matrix4 world = MatrixScaling(0.2f, 0.2f, 0.2f);
    world = MatrixMultiply(world, MatrixRotationY(2.0f * t));
    world = MatrixMultiply(world, MatrixRotationZ(a * t));
    world = MatrixMultiply(world, MatrixRotationX(b * t));
    world = MatrixMultiply(world, MatrixTranslation(v.x, v.y, v.z));
    world = MatrixMultiply(world, MatrixRotationY(c * t));
    world = MatrixMultiply(world, MatrixTranslation(p.x, p.y, p.z));
    item.World = world;
    item.DirtyFrames = 1;
}
