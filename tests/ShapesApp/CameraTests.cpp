// The camera phases, the projection and the moving spheres. The phase clock
// is process-wide, so these tests call the phases directly; its catch-up has
// a program of its own (PhaseClockTests.cpp).
#include "SceneTestApp.h"

#include "FakeTimeSource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace
{

void ExpectNear3(Float3 actual, Float3 expected, float tolerance)
{
    EXPECT_NEAR(glm::length(actual - expected), 0.0f, tolerance)
        << "(" << actual.x << ", " << actual.y << ", " << actual.z << ")";
}

// The view eye is the point the view maps to the origin; the camera looks at
// the world origin when that lands on +z at the eye's distance. The expected
// eyes are given to three decimals.
void ExpectViewFromLookingAtOrigin(const Matrix4& view, Float3 eye)
{
    ExpectNear3(Float3(TransformPoint(eye, view)), {0, 0, 0}, 2e-3f);
    ExpectNear3(Float3(TransformPoint({0, 0, 0}, view)), {0, 0, glm::length(eye)}, 2e-3f);
}

TEST(CameraPhase, SelectedByWholeSecondsWithTheRiseOutsideTheSchedule)
{
    using Phase = ShapesApp::CameraPhase;
    const struct
    {
        float C;
        Phase Expected;
    } cases[] = {
        {0, Phase::Rise},     {1, Phase::Rise},      {30, Phase::Rise},      {31, Phase::Sweep},
        {40, Phase::Sweep},   {41, Phase::LowPass},  {50, Phase::LowPass},   {51, Phase::MidPass},
        {70, Phase::MidPass}, {71, Phase::HighPass}, {120, Phase::HighPass}, {121, Phase::Rise},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShapesApp::SelectCameraPhase(c.C), c.Expected) << "c = " << c.C;
}

TEST(CameraPhase, EachDriftStepsOncePastItsGate)
{
    const struct
    {
        const char* Name;
        std::function<void(SceneTestApp&, float)> Run;
        float SceneTestApp::*Timer;
        float SceneTestApp::*Offset;
        float Start, Gate, Increment;
    } cases[] = {
        {"rise", &SceneTestApp::UpdateRiseCamera, &SceneTestApp::mRiseTimer,
         &SceneTestApp::mRiseHeight, -15.0f, 0.0166f, 0.035f},
        {"sweep", &SceneTestApp::UpdateSweepCamera, &SceneTestApp::mSweepTimer,
         &SceneTestApp::mSweepDrift, 5.0f, 0.0166f, 0.035f},
        {"low", &SceneTestApp::UpdateLowPassCamera, &SceneTestApp::mLowTimer,
         &SceneTestApp::mLowDrift, 5.0f, 0.0166f, 0.035f},
        {"middle", &SceneTestApp::UpdateMidPassCamera, &SceneTestApp::mMidTimer,
         &SceneTestApp::mMidDrift, 5.0f, 0.0066f, 0.01f},
        {"high", &SceneTestApp::UpdateHighPassCamera, &SceneTestApp::mHighTimer,
         &SceneTestApp::mHighDrift, 5.0f, 0.00066f, 0.001f},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Name);
        SceneTestApp app;
        c.Run(app, 0.0f);   // a zero step moves nothing
        c.Run(app, c.Gate); // reaching the gate is not passing it
        EXPECT_EQ(app.*c.Offset, c.Start);
        EXPECT_EQ(app.*c.Timer, c.Gate);
        c.Run(app, 1e-6f);
        EXPECT_EQ(app.*c.Offset, c.Start + c.Increment);
        EXPECT_EQ(app.*c.Timer, 0.0f);
        c.Run(app, 10.0f); // a long pass still steps once
        EXPECT_EQ(app.*c.Offset, c.Start + c.Increment + c.Increment);
    }
}

TEST(CameraPhase, EachPhaseStartsFromItsEye)
{
    // With the initial angles (1.5 pi, 0.2 pi) and every drift at 5.
    SceneTestApp app;
    app.UpdateRiseCamera(0.0f);
    const Matrix4 rise = MatrixFromRows({1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 15, 71, 1});
    for (int r = 0; r < 4; ++r)
        ExpectNear3(Float3(app.mViewMatrix[r]), Float3(rise[r]), 1e-6f);
    ExpectNear3(app.mCameraEye, {0.0001f, 25, 0}, 1e-7f);
    app.UpdateRiseCamera(0.0f); // the reported eye creeps along x per call
    EXPECT_NEAR(app.mCameraEye.x, 0.0002f, 1e-7f);

    app.UpdateSweepCamera(0.0f);
    ExpectNear3(app.mCameraEye, {0, 60.676f, -44.084f}, 1e-3f);
    ExpectViewFromLookingAtOrigin(app.mViewMatrix, {5, 65.676f, -39.084f});

    app.UpdateLowPassCamera(0.0f);
    ExpectNear3(app.mCameraEye, {3, 30, -17.634f}, 1e-3f);
    ExpectViewFromLookingAtOrigin(app.mViewMatrix, {-2, 35, 17.634f});

    app.UpdateMidPassCamera(0.0f);
    ExpectNear3(app.mCameraEye, {3, 30, -23.511f}, 1e-3f);
    ExpectViewFromLookingAtOrigin(app.mViewMatrix, {-2, 35, 23.511f});

    app.UpdateHighPassCamera(0.0f);
    ExpectNear3(app.mCameraEye, {3, 50, -29.389f}, 1e-3f);
    ExpectViewFromLookingAtOrigin(app.mViewMatrix, {-2, 55, -24.389f});

    // The orbit angles turn the later phases but not the rise.
    app.mOrbitAzimuth = 0.0f;
    app.mOrbitPolar = 0.5f * Pi;
    app.UpdateSweepCamera(0.0f);
    ExpectViewFromLookingAtOrigin(app.mViewMatrix, {80, 5, 5});
    app.UpdateRiseCamera(0.0f);
    EXPECT_EQ(app.mViewMatrix[3], rise[3]);
}

TEST(Projection, FollowsTheClientAspect)
{
    SceneTestApp app;
    app.mClientWidth = 1920;
    app.mClientHeight = 1080;
    app.UpdateProjection();
    const Matrix4 expected = MatrixFromRows({1.357995f, 0, 0, 0}, {0, 2.414213f, 0, 0},
                                            {0, 0, 1.001001f, 1}, {0, 0, -1.001001f, 0});
    for (int r = 0; r < 4; ++r)
        ExpectNear3(Float3(app.mProjMatrix[r]), Float3(expected[r]), 2e-6f);
    EXPECT_EQ(app.mProjMatrix[2][3], 1.0f);
    EXPECT_EQ(app.mProjMatrix[3][3], 0.0f);
}

// The closed forms of the spheres' centres.
Float3 SphereCentre(int32_t slot, float t)
{
    using std::cos, std::sin;
    if (slot == 2)
        return {0.5f - 0.5f * sin(2.5f * t), 6.5f + 0.5f * sin(t), 0.5f - 0.5f * cos(2.5f * t)};
    if (slot == 25)
        return {0.5f + sin(0.5f * t), 10.5f - 0.5f * sin(t), 0.5f + cos(0.5f * t)};
    return {0.5f + 1.5f * cos(t) * (cos(0.1f * t) - sin(0.1f * t)), 18.5f - 1.5f * sin(t),
            0.5f - 1.5f * cos(t) * (cos(0.1f * t) + sin(0.1f * t))};
}

TEST(OrbitingSpheres, CentresFollowTheirOrbitsAndOnlyRotateAndScale)
{
    // Where each sphere starts: its orbit's centre plus its offset at t = 0.
    const struct
    {
        int32_t Slot;
        Float3 Start;
    } starts[] = {{2, {0.5f, 6.5f, 0}}, {25, {0.5f, 10.5f, 1.5f}}, {26, {2, 18.5f, -1}}};
    for (const auto& s : starts)
    {
        SCOPED_TRACE(testing::Message() << "slot " << s.Slot);
        SceneTestApp app;
        SceneItem item;
        item.ObjectIndex = s.Slot;
        app.AnimateOrbitingItems(item, 0.0f);
        ExpectNear3(Float3(item.World[3]), s.Start, 1e-6f);
    }
    for (const float t : {0.0f, 7.3f, 104.25f})
    {
        for (const int32_t slot : {2, 25, 26})
        {
            SCOPED_TRACE(testing::Message() << "slot " << slot << ", t = " << t);
            SceneTestApp app;
            SceneItem item;
            item.ObjectIndex = slot;
            item.DirtyFrames = 0;
            app.AnimateOrbitingItems(item, t);
            EXPECT_EQ(item.DirtyFrames, 1);
            ExpectNear3(Float3(item.World[3]), SphereCentre(slot, t), 2e-4f);
            // The upper 3 x 3 is a fifth of a rotation; at t = 0 a pure scaling.
            const glm::mat3 turn(item.World);
            EXPECT_NEAR(glm::determinant(turn), 0.008f, 1e-6f);
            for (int r = 0; r < 3; ++r)
            {
                EXPECT_NEAR(glm::length(turn[r]), 0.2f, 1e-6f);
                if (t == 0.0f)
                {
                    EXPECT_NEAR(turn[r][r], 0.2f, 1e-7f);
                }
            }
        }
    }
}

} // namespace
