// The window system behind visible windows: SDL windows, and SDL's events
// turned into the messages a window procedure expects.
#pragma once

#include "window_table.h"

namespace win32::display
{

// Creates the native window of `window` with the given outer size. False when
// no display can be reached (the last error is set).
bool CreateNativeWindow(WindowRecord& window, int width, int height);
void DestroyNativeWindow(WindowRecord& window);

// Shows, maximises, minimises or hides the window, sending the resulting
// messages synchronously as the real platform does. Returns whether the window
// was visible before.
bool Show(WindowRecord& window, int command);

void SetTitle(WindowRecord& window);

// Moves pending window-system events into the message queue.
void PumpEvents();

// Routes the mouse to `window` even outside it (nullptr releases it).
void CaptureMouse(WindowRecord* window);

} // namespace win32::display
