// The demo's entry: one ShapesApp, started and run until it ends.
#include "ShapesApp.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    return RunApplication<ShapesApp>(hInstance);
}
