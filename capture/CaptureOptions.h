// The capture's command line.
#pragma once

#include "RunTiming.h"

#include <string>
#include <vector>

struct CaptureOptions
{
    int Width = 1280;
    int Height = 720;
    int Fps = FramesPerSecond; // 60, or 30: every second frame
    bool Msaa = false;         // draw with 4-sample multisampling
    std::string Output = "city.mp4";
    std::string PngDir;     // numbered PNG frames here instead of a video
    double From = 0.0;      // running time of the first frame kept, in seconds
    double To = RunSeconds; // running time after which the capture ends
    bool Bench = false;     // draw without keeping frames; print timings per phase
    std::string CsvPath;    // with Bench: the timings as CSV too
    bool Help = false;
};

// Reads `arguments` (without the program name) into `options`; false with a
// message in `error` on an unknown option, a missing or malformed value, or
// values that do not fit together.
bool ParseCaptureOptions(const std::vector<std::string>& arguments, CaptureOptions* options,
                         std::string* error);

// The text of --help.
const char* CaptureHelp();
