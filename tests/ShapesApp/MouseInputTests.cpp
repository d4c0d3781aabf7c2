#include "SceneTestApp.h"

#include <gtest/gtest.h>

namespace
{

constexpr float OneDegree = 0.0174533f;
constexpr float InitialAzimuth = 1.5f * Pi;
constexpr float InitialPolar = 0.2f * Pi;

TEST(MouseInput, PressCapturesAndRemembersReleaseLetsGoAndRemembersNothing)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = L"mouse input tests";
    RegisterClassW(&wc);
    SceneTestApp app;
    app.mWindow = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(app.mWindow, HWND{});

    app.HandleMouseDown(MK_RBUTTON, 120, 45);
    EXPECT_EQ(GetCapture(), app.mWindow);
    app.HandleMouseUp(0, 300, 300);
    EXPECT_EQ(GetCapture(), HWND{});

    // The next left drag measures from the press, not from the release.
    app.HandleMouseMove(MK_LBUTTON, 116, 45);
    EXPECT_NEAR(app.mOrbitAzimuth, InitialAzimuth + OneDegree, 1e-6f);
    DestroyWindow(app.mWindow);
}

TEST(MouseInput, LeftDragTurnsTheAnglesAQuarterDegreePerPixel)
{
    SceneTestApp app;
    app.HandleMouseMove(MK_LBUTTON, -4, 0); // 4 left of (0, 0), with no press seen
    EXPECT_NEAR(app.mOrbitAzimuth, InitialAzimuth + OneDegree, 1e-6f);
    EXPECT_EQ(app.mOrbitPolar, InitialPolar);
    app.HandleMouseMove(MK_LBUTTON | MK_RBUTTON, 4, 12); // 8 right and 12 down, both buttons
    EXPECT_NEAR(app.mOrbitAzimuth, InitialAzimuth - OneDegree, 1e-6f);
    EXPECT_NEAR(app.mOrbitPolar, InitialPolar - 3 * OneDegree, 1e-6f);

    // Other buttons turn nothing, but the position is still remembered.
    app.HandleMouseMove(MK_RBUTTON | MK_MBUTTON, 400, 400);
    EXPECT_NEAR(app.mOrbitAzimuth, InitialAzimuth - OneDegree, 1e-6f);
    EXPECT_EQ(app.mLastMouse.x, 400);
    EXPECT_EQ(app.mLastMouse.y, 400);
}

TEST(MouseInput, PolarAngleStaysOffThePoles)
{
    SceneTestApp app;
    app.HandleMouseMove(MK_LBUTTON, 0, 30000); // far down
    EXPECT_EQ(app.mOrbitPolar, 0.1f);
    app.HandleMouseMove(MK_LBUTTON, 0, -30000); // far up
    EXPECT_EQ(app.mOrbitPolar, 3.0415928f);
    app.HandleMouseMove(MK_LBUTTON, 0, -29992); // down by 8 moves off the bound
    EXPECT_NEAR(app.mOrbitPolar, 3.0415928f - 2 * OneDegree, 1e-6f);
}

} // namespace
