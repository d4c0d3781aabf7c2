// A program whose per-pass update fails a check: the exception must travel
// through the main loop to the entry point and end in the "HR Failed" report.
#include "d3dApp.h"

#include <cstdio>

class FailingApp : public D3DApp
{
public:
    explicit FailingApp(HINSTANCE instance) : D3DApp(instance) {}
    ~FailingApp() override { std::fputs("FailingApp destroyed\n", stderr); }

    bool StartUp() override { return true; }

protected:
    void UpdateFrame(const FrameClock&) override
    {
        CheckHr(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)); // the failing check
    }
    void DrawFrame(const FrameClock&) override {}
};

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    return RunApplication<FailingApp>(hInstance);
}
