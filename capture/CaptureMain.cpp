// CityCapture: the demo drawn frame by frame on a virtual clock into a video,
// PNG files or a benchmark table. See CaptureHelp for the options.
#include "CaptureApp.h"
#include "CaptureBench.h"
#include "CaptureOptions.h"
#include "FrameSink.h"
#include "VirtualClock.h"

#include <win32_support.h>

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{

constexpr int CheckFailed = 1; // a check of the demo failed: "HR Failed"
constexpr int UsageFailed = 2; // options, ffmpeg or the output

// The signal (SIGINT, SIGTERM or SIGHUP) that asked the capture to stop; 0
// while none has. The frame being drawn is the last: the output is finished
// with the frames drawn so far.
volatile std::sig_atomic_t gStopSignal = 0;

void AskToStop(int signal)
{
    gStopSignal = signal;
}

void StopOnSignals()
{
    struct sigaction action
    {
    };
    action.sa_handler = AskToStop;
    // A second signal of the same kind ends the program at once.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

// A line on a terminal, rewritten in place, for every few frames.
class Progress
{
public:
    Progress() : mShown(isatty(2) != 0) {}

    void SetTotal(int total) { mTotal = total; }

    void Update(int done)
    {
        const auto now = Clock::now();
        if (!mShown || now - mLast < std::chrono::milliseconds(500))
            return;
        mLast = now;
        const double seconds = std::chrono::duration<double>(now - mStart).count();
        const double rate = seconds > 0.0 ? done / seconds : 0.0;
        const double left = rate > 0.0 ? (mTotal - done) / rate : 0.0;
        std::fprintf(stderr, "\rframe %d of %d, %.1f frames/s, %.0f s left   ", done, mTotal, rate,
                     left);
    }

    void Done()
    {
        if (mShown)
            std::fputs("\r\033[K", stderr);
    }

private:
    using Clock = std::chrono::steady_clock;
    int mTotal = 0;
    bool mShown;
    Clock::time_point mStart = Clock::now();
    Clock::time_point mLast = Clock::now() - std::chrono::seconds(1);
};

// Draws the frames into a progress line: the app's DrawFrame reports here.
class ProgressApp : public CaptureApp
{
public:
    ProgressApp(const CaptureOptions& options, FrameSink& sink, Progress& progress)
        : CaptureApp(nullptr, options, sink), mProgress(progress)
    {
    }

protected:
    void DrawFrame(const FrameClock& clock) override
    {
        CaptureApp::DrawFrame(clock);
        mProgress.Update(FramesKept());
        if (gStopSignal != 0)
            PostQuitMessage(0);
    }

private:
    Progress& mProgress;
};

} // namespace

int main(int argc, char** argv)
{
    CaptureOptions options;
    std::string error;
    if (!ParseCaptureOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &error))
    {
        std::fprintf(stderr, "CityCapture: %s\n", error.c_str());
        return UsageFailed;
    }
    if (options.Help)
    {
        std::fputs(CaptureHelp(), stdout);
        return 0;
    }

    // A dead ffmpeg shows as a failed write, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);
    StopOnSignals();
    std::unique_ptr<FrameSink> sink = OpenFrameSink(options, &error);
    if (!sink)
    {
        std::fprintf(stderr, "CityCapture: %s\n", error.c_str());
        return UsageFailed;
    }

    const auto start = std::chrono::steady_clock::now();
    Progress progress;
    std::vector<CaptureApp::FrameCost> costs;
    int kept = 0;
    bool sinkFailed = false;
    try
    {
        VirtualClock clock; // before the app: its frame clock reads the frequency
        ProgressApp app(options, *sink, progress);
        progress.SetTotal((app.LastKeptFrame() - app.FirstKeptFrame()) /
                              (options.Fps == FramesPerSecond ? 1 : 2) +
                          1);
        if (!app.StartUp())
        {
            std::fputs("CityCapture: the capture's window could not be made\n", stderr);
            return CheckFailed;
        }
        app.RunLoop();
        app.FinishFrames();
        progress.Done();
        costs = app.Costs();
        kept = app.FramesKept();
        sinkFailed = app.SinkFailed();
    }
    catch (const DxException& e)
    {
        progress.Done();
        std::fprintf(stderr, "HR Failed: %s\n", win32::Utf8FromWide(e.Describe()).c_str());
        return CheckFailed;
    }
    if (sinkFailed || !sink->Finish())
    {
        std::fprintf(stderr, "CityCapture: %s\n", sink->Error().c_str());
        return UsageFailed;
    }

    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (options.Bench)
    {
        if (!PrintBench(costs, options.CsvPath, &error))
        {
            std::fprintf(stderr, "CityCapture: %s\n", error.c_str());
            return UsageFailed;
        }
        std::fprintf(stderr, "%d frames drawn in %.1f s\n", kept, wall);
    }
    else
    {
        const std::string output = options.PngDir.empty() ? options.Output : options.PngDir;
        std::fprintf(stderr, "%s: %d frames, %.2f s at %d frames/s, in %.1f s\n", output.c_str(),
                     kept, double(kept) / options.Fps, options.Fps, wall);
    }
    if (const int signal = gStopSignal)
    {
        std::fprintf(stderr, "CityCapture: stopped by SIG%s at %.2f s of the run\n",
                     sigabbrev_np(signal),
                     costs.empty() ? options.From : costs.back().RunningSeconds);
        return 128 + signal;
    }
    return 0;
}
