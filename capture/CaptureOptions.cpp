#include "CaptureOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace
{

bool ReadInt(const std::string& text, int low, int high, int* value)
{
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || parsed < low || parsed > high)
        return false;
    *value = int(parsed);
    return true;
}

bool ReadSeconds(const std::string& text, double* value)
{
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(parsed) || parsed < 0.0)
        return false;
    *value = parsed;
    return true;
}

// "1280x720"
bool ReadSize(const std::string& text, int* width, int* height)
{
    const auto x = text.find('x');
    return x != std::string::npos && ReadInt(text.substr(0, x), 16, 7680, width) &&
           ReadInt(text.substr(x + 1), 16, 4320, height);
}

} // namespace

bool ParseCaptureOptions(const std::vector<std::string>& arguments, CaptureOptions* options,
                         std::string* error)
{
    for (size_t i = 0; i < arguments.size(); ++i)
    {
        const std::string& option = arguments[i];
        auto value = [&](std::string* text)
        {
            if (i + 1 >= arguments.size())
            {
                *error = option + " needs a value";
                return false;
            }
            *text = arguments[++i];
            return true;
        };
        std::string text;
        if (option == "--help" || option == "-h")
            options->Help = true;
        else if (option == "--msaa")
            options->Msaa = true;
        else if (option == "--bench")
            options->Bench = true;
        else if (option == "--size")
        {
            if (!value(&text))
                return false;
            if (!ReadSize(text, &options->Width, &options->Height))
            {
                *error = "--size takes WIDTHxHEIGHT, from 16x16 to 7680x4320, not '" + text + "'";
                return false;
            }
        }
        else if (option == "--fps")
        {
            if (!value(&text))
                return false;
            if (text != "60" && text != "30")
            {
                *error = "--fps takes 60 or 30, not '" + text + "'";
                return false;
            }
            options->Fps = text == "60" ? 60 : 30;
        }
        else if (option == "--from" || option == "--to")
        {
            if (!value(&text))
                return false;
            if (!ReadSeconds(text, option == "--from" ? &options->From : &options->To))
            {
                *error = option + " takes seconds of running time, not '" + text + "'";
                return false;
            }
        }
        else if (option == "--output" || option == "-o")
        {
            if (!value(&options->Output))
                return false;
        }
        else if (option == "--png")
        {
            if (!value(&options->PngDir))
                return false;
        }
        else if (option == "--csv")
        {
            if (!value(&options->CsvPath))
                return false;
        }
        else
        {
            *error = "unknown option '" + option + "' (see --help)";
            return false;
        }
    }
    if (options->From > options->To)
    {
        *error = "--from comes after --to";
        return false;
    }
    if (options->To > RunSeconds)
    {
        *error = "the demo ends at " + std::to_string(int(RunSeconds)) +
                 " s of running time: --to must not pass it";
        return false;
    }
    if (!options->CsvPath.empty() && !options->Bench)
    {
        *error = "--csv goes with --bench";
        return false;
    }
    if (options->Bench && !options->PngDir.empty())
    {
        *error = "--bench keeps no frames: it does not go with --png";
        return false;
    }
    return true;
}

const char* CaptureHelp()
{
    return R"(CityCapture: the city demo rendered frame by frame into a video or pictures.

Usage: CityCapture [options]     (run from the folder that holds Shaders/,
                                  Textures/ and 2.mp3, as the demo is)

  -o, --output FILE   the video: H.264 in MP4 with the music (default city.mp4)
  --png DIR           numbered PNG frames in DIR instead of a video
  --size WxH          the picture's size (default 1280x720)
  --fps 60|30         frames per second of the video (30: every second frame)
  --msaa              draw with 4-sample multisampling, as F2 does in the demo
  --from S, --to S    keep the frames of running time S to S (default 0 to 110);
                      earlier frames are still simulated, not drawn
  --bench             draw the range without keeping it and print, per camera
                      phase, the frame times and the CPU time per frame
  --csv FILE          with --bench: the same figures as CSV
  -h, --help          this text

The demo runs unchanged on a virtual clock that moves 1/1500 s per pass of
its main loop. Its frames are drawn once more than 0.0166 s has gathered, so
every 25th pass: exactly 60 frames per second of running time. Its camera
drifts in steps gated at 0.0166, 0.0066 and 0.00066 s, at most one step per
pass; 1/1500 s (0.000667 s) is the longest pass that still opens the finest
gate on every pass, so the camera moves as on a machine fast enough for it.

The video is encoded by Debian's ffmpeg program (libx264 and AAC), fed
through a pipe; an odd width or height gets one black column or row more,
as the encoder takes only even sides. The video is written under a hidden
name beside FILE and takes FILE's name once complete, so a failed capture
leaves an earlier FILE as it was. A failed check of the demo ends with its
"HR Failed" report on standard error and exit code 1; bad options, a missing
ffmpeg or an unwritable output end with a message and exit code 2. Ctrl-C,
SIGTERM or SIGHUP end the capture after the frame being drawn: the video
holds the frames drawn so far and plays, and the exit code is 128 plus the
signal's number (a second such signal ends the program at once).
)";
}
