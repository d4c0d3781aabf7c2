#include "CaptureBench.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{

const char* PhaseName(ShapesApp::CameraPhase phase)
{
    switch (phase)
    {
    case ShapesApp::CameraPhase::Rise:
        return "rise";
    case ShapesApp::CameraPhase::Sweep:
        return "sweep";
    case ShapesApp::CameraPhase::LowPass:
        return "low pass";
    case ShapesApp::CameraPhase::MidPass:
        return "middle pass";
    case ShapesApp::CameraPhase::HighPass:
        return "high pass";
    }
    return "?";
}

// The value below which `share` of the sorted values lie (nearest rank).
double Percentile(const std::vector<double>& sorted, double share)
{
    const size_t rank = size_t(std::ceil(share * double(sorted.size())));
    return sorted[std::min(sorted.size(), std::max<size_t>(rank, 1)) - 1];
}

} // namespace

std::vector<PhaseFigures> FiguresByPhase(const std::vector<CaptureApp::FrameCost>& costs)
{
    // The camera's phase follows the whole seconds of running time.
    constexpr ShapesApp::CameraPhase Phases[] = {
        ShapesApp::CameraPhase::Rise, ShapesApp::CameraPhase::Sweep,
        ShapesApp::CameraPhase::LowPass, ShapesApp::CameraPhase::MidPass,
        ShapesApp::CameraPhase::HighPass};
    std::vector<PhaseFigures> figures;
    for (ShapesApp::CameraPhase phase : Phases)
    {
        std::vector<double> times;
        double cpu = 0.0;
        for (const CaptureApp::FrameCost& cost : costs)
        {
            if (ShapesApp::SelectCameraPhase(std::floor(cost.RunningSeconds)) == phase)
            {
                times.push_back(cost.FrameMilliseconds);
                cpu += cost.CpuMilliseconds;
            }
        }
        if (times.empty())
            continue;
        PhaseFigures row;
        row.Phase = PhaseName(phase);
        row.Frames = times.size();
        double sum = 0.0;
        for (double t : times)
            sum += t;
        row.MeanMs = sum / double(times.size());
        std::sort(times.begin(), times.end());
        row.MedianMs = Percentile(times, 0.5);
        row.P95Ms = Percentile(times, 0.95);
        row.CpuMsPerFrame = cpu / double(times.size());
        figures.push_back(row);
    }
    return figures;
}

bool PrintBench(const std::vector<CaptureApp::FrameCost>& costs, const std::string& csvPath,
                std::string* error)
{
    const std::vector<PhaseFigures> figures = FiguresByPhase(costs);
    std::printf("%-12s %7s %9s %9s %9s %13s\n", "phase", "frames", "mean ms", "median ms", "p95 ms",
                "cpu ms/frame");
    for (const PhaseFigures& row : figures)
        std::printf("%-12s %7zu %9.2f %9.2f %9.2f %13.3f\n", row.Phase, row.Frames, row.MeanMs,
                    row.MedianMs, row.P95Ms, row.CpuMsPerFrame);
    if (csvPath.empty())
        return true;
    FILE* csv = std::fopen(csvPath.c_str(), "w");
    if (!csv)
    {
        *error = "cannot write '" + csvPath + "': " + std::strerror(errno);
        return false;
    }
    std::fputs("phase,frames,mean_ms,median_ms,p95_ms,cpu_ms_per_frame\n", csv);
    for (const PhaseFigures& row : figures)
        std::fprintf(csv, "%s,%zu,%.3f,%.3f,%.3f,%.4f\n", row.Phase, row.Frames, row.MeanMs,
                     row.MedianMs, row.P95Ms, row.CpuMsPerFrame);
    const bool closed = std::fclose(csv) == 0;
    if (!closed)
        *error = "cannot write '" + csvPath + "'";
    return closed;
}
