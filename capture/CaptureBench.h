// The benchmark's table: frame times and CPU time per frame, by camera phase.
#pragma once

#include "CaptureApp.h"

#include <string>
#include <vector>

struct PhaseFigures
{
    const char* Phase;
    size_t Frames = 0;
    double MeanMs = 0.0;
    double MedianMs = 0.0;
    double P95Ms = 0.0;
    double CpuMsPerFrame = 0.0;
};

// The figures of each camera phase that has frames, in the phases' order.
std::vector<PhaseFigures> FiguresByPhase(const std::vector<CaptureApp::FrameCost>& costs);

// Prints the table to standard output and, where `csvPath` is not empty,
// writes the figures there as CSV.
bool PrintBench(const std::vector<CaptureApp::FrameCost>& costs, const std::string& csvPath,
                std::string* error);
