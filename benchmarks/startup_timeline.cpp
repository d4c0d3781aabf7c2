// Where the demo's start-up spends its time, step by step, from the process's
// start to the first frame presented: the window, the device and swap chain,
// the music, the first resize, each step of the scene's build, the first
// frame. It runs the program's own start-up (ShapesApp::StartUp), which
// reports each step as it ends; the window is the demo's, maximised, so the
// picture is the display's size:
//   cd build/run && xvfb-run -a -s '-screen 0 1920x1080x24 -noreset' ../benchmarks/startup_timeline
#include "ShapesApp.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{

// Milliseconds since the process started (the kernel counts its start in
// clock ticks, usually of 10 ms).
double SinceProcessStart()
{
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 22; ++i)
        fields >> field; // field 22: the start time in ticks since boot
    const double startSeconds = std::stod(field) / double(sysconf(_SC_CLK_TCK));
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return (double(now.tv_sec) + double(now.tv_nsec) / 1e9 - startSeconds) * 1e3;
}

class TimedStartUp : public ShapesApp
{
public:
    TimedStartUp() : ShapesApp(nullptr) {}

    // The program's own start-up, each step timed as it reports itself.
    bool Run()
    {
        Mark("process start to main");
        if (!StartUp())
            return false;

        mClock.Restart();
        mClock.Advance();
        UpdateFrame(mClock);
        DrawFrame(mClock);
        Mark("first frame presented");
        WaitForGpuIdle();
        Mark("first frame finished on the GPU");
        return true;
    }

    void Print() const
    {
        std::printf("%d x %d\n%-34s %10s %10s\n", mClientWidth, mClientHeight, "step", "ms",
                    "total ms");
        double last = 0.0;
        for (const auto& [step, at] : mMarks)
        {
            std::printf("%-34s %10.1f %10.1f\n", step.c_str(), at - last, at);
            last = at;
        }
    }

protected:
    void OnStartUpStep(const char* step) override { Mark(step); }

private:
    void Mark(const char* step) { mMarks.push_back({step, SinceProcessStart()}); }

    std::vector<std::pair<std::string, double>> mMarks;
};

} // namespace

int main()
{
    try
    {
        TimedStartUp app;
        if (!app.Run())
        {
            std::fprintf(stderr, "startup_timeline: no window (is there a display?)\n");
            return 1;
        }
        app.Print();
    }
    catch (const DxException& e)
    {
        std::fprintf(stderr, "HR Failed: %ls\n", e.Describe().c_str());
        return 1;
    }
    return 0;
}
