// ShapesApp: mouse input. Dragging with the left button turns the orbit
// angles that the camera's later phases read.
#include "ShapesApp.h"

#include <algorithm>
#include <cstdint>

void ShapesApp::HandleMouseDown(WPARAM, int x, int y)
{
    mLastMouse = {x, y};
    // Moves outside the window keep arriving while a button is held.
    SetCapture(mWindow);
}

void ShapesApp::HandleMouseUp(WPARAM, int, int)
{
    ReleaseCapture();
}

void ShapesApp::HandleMouseMove(WPARAM flags, int x, int y)
{
    if (flags & MK_LBUTTON)
    {
        // A quarter of a degree per pixel, in radians. The difference is
        // taken in 64 bits so no pair of coordinates can overflow it.
        const float dx = float(int64_t(x) - mLastMouse.x) * 0.25f * 0.017453292f;
        const float dy = float(int64_t(y) - mLastMouse.y) * 0.25f * 0.017453292f;

        mOrbitAzimuth -= dx;
        // The polar angle stays off the poles, where the view would flip.
        mOrbitPolar = std::clamp(mOrbitPolar - dy, 0.1f, Pi - 0.1f);
    }
    mLastMouse = {x, y};
}
