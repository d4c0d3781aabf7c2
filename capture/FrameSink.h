// Where the captured frames go: a video through ffmpeg, numbered PNG files,
// or nowhere (the benchmark). Frames arrive in order as RGBA rows.
#pragma once

#include "CaptureOptions.h"

#include <cstdint>
#include <memory>
#include <string>

class FrameSink
{
public:
    virtual ~FrameSink() = default;

    // Frame `number` of the run (frame n is drawn at n/60 s of running time),
    // `rowPitch` bytes from one row to the next.
    virtual bool Write(int number, const uint8_t* rgba, size_t rowPitch) = 0;
    // Finishes the output; false where it could not be completed.
    virtual bool Finish() = 0;
    // What went wrong, after a false result.
    const std::string& Error() const { return mError; }

protected:
    std::string mError;
};

// The PNG file of frame `number` of the run: "frame-000600.png" is the frame
// drawn at 10 s of running time.
std::string FrameFileName(int number);

// The sink the options ask for, checked before anything is drawn (ffmpeg
// present, the output writable); null with the reason in `error`.
std::unique_ptr<FrameSink> OpenFrameSink(const CaptureOptions& options, std::string* error);
