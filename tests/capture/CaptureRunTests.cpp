// CityCapture run as a user runs it, in the demo's run directory: its
// failures, the same pictures on every run, and a short video with sound.
#include "CaptureOptions.h"
#include "FrameSink.h"
#include "XTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace
{

struct Outcome
{
    int ExitCode = -1;
    std::string Output; // standard output and error together
};

// Runs a shell command line, its standard error with its output.
Outcome Shell(const std::string& command)
{
    Outcome outcome;
    outcome.Output = RunCommand(command + " 2>&1", &outcome.ExitCode);
    return outcome;
}

// Runs CityCapture with `arguments` in `directory`, under the validation
// layer, `environment` ("NAME=value ...") added.
Outcome Capture(const std::string& arguments, const std::string& environment = "",
                const std::string& directory = CITY_RUN_DIR)
{
    return Shell("cd '" + directory + "' && env " + environment +
                 " VK_INSTANCE_LAYERS=VK_LAYER_KHRONOS_validation ./CityCapture " + arguments);
}

std::string Scratch(const std::string& name)
{
    return "/tmp/capture-test-" + std::to_string(getpid()) + "-" + name;
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(CaptureRun, FailuresEndWithAMessageAndTheirExitCode)
{
    // An earlier capture survives each failure, and nothing else is left.
    const std::string folder = Scratch("failures");
    Shell("mkdir -p '" + folder + "' && echo earlier > '" + folder + "/kept.mp4'");
    const struct
    {
        std::string Arguments;
        const char* Environment;
        int ExitCode;
        const char* Message;
    } cases[] = {
        {"--fps 25", "", 2, "CityCapture: --fps takes 60 or 30"},
        {"-o /nonexistent-folder/city.mp4", "", 2,
         "CityCapture: cannot write "
         "'/nonexistent-folder/city.mp4'"},
        {"--to 1 -o " + folder + "/kept.mp4", "PATH=/nonexistent", 2, "ffmpeg is not installed"},
        {"--png /proc/capture-frames", "", 2, "CityCapture: cannot make '/proc/capture-frames'"},
        // ffmpeg refuses the name and ends while frames are being drawn.
        {"--size 160x90 --to 20 -o " + folder + "/kept", "", 2,
         "CityCapture: ffmpeg stopped taking frames"},
    };
    for (const auto& c : cases)
    {
        const Outcome outcome = Capture(c.Arguments, c.Environment);
        EXPECT_EQ(outcome.ExitCode, c.ExitCode) << c.Arguments << "\n" << outcome.Output;
        EXPECT_NE(outcome.Output.find(c.Message), std::string::npos) << outcome.Output;
    }
    EXPECT_EQ(FileBytes(folder + "/kept.mp4"), "earlier\n");
    EXPECT_EQ(Shell("ls -A '" + folder + "'").Output, "kept.mp4\n");
    Shell("rm -rf '" + folder + "'");
    EXPECT_NE(Capture("--help").Output.find("1/1500 s"), std::string::npos);
}

TEST(CaptureRun, AFailedCheckOfTheDemoEndsInItsReport)
{
    // A run directory without the demo's shader.
    const std::string directory = Scratch("broken");
    Shell("rm -rf '" + directory + "' && cp -r '" CITY_RUN_DIR "' '" + directory + "' && rm '" +
          directory + "/Shaders/Default.hlsl'");
    const Outcome outcome = Capture("--png frames", "", directory);
    EXPECT_EQ(outcome.ExitCode, 1) << outcome.Output;
    EXPECT_NE(outcome.Output.find("HR Failed: hr failed in "), std::string::npos) << outcome.Output;
    Shell("rm -rf '" + directory + "'");
}

TEST(CaptureRun, TwoCapturesOfARangeAreTheSameByteForByte)
{
    const std::string first = Scratch("first"), second = Scratch("second");
    for (const std::string& directory : {first, second})
    {
        const Outcome outcome =
            Capture("--size 160x90 --from 44.9 --to 45 --png '" + directory + "'");
        ASSERT_EQ(outcome.ExitCode, 0) << outcome.Output;
        EXPECT_EQ(outcome.Output.find("vulkan validation:"), std::string::npos) << outcome.Output;
    }
    // The frames of 44.9 s to 45 s of the run, and none around them.
    const int fps = CaptureOptions().Fps;
    const int firstFrame = int(std::ceil(44.9 * fps)), lastFrame = 45 * fps;
    for (int frame = firstFrame; frame <= lastFrame; ++frame)
    {
        const std::string name = "/" + FrameFileName(frame);
        const std::string bytes = FileBytes(first + name);
        EXPECT_FALSE(bytes.empty()) << name;
        EXPECT_EQ(bytes, FileBytes(second + name)) << name;
    }
    EXPECT_TRUE(FileBytes(first + "/" + FrameFileName(firstFrame - 1)).empty());
    EXPECT_TRUE(FileBytes(first + "/" + FrameFileName(lastFrame + 1)).empty());
    Shell("rm -rf '" + first + "' '" + second + "'");
}

// The video replaces an earlier one once complete; an odd size is padded.
TEST(CaptureRun, AVideoHasItsFramesAndTheMusic)
{
    const std::string video = Scratch("video.mp4");
    Shell("echo earlier > '" + video + "'");
    const Outcome outcome = Capture("--size 161x91 --fps 30 --from 20 --to 21 -o '" + video + "'");
    ASSERT_EQ(outcome.ExitCode, 0) << outcome.Output;
    EXPECT_NE(outcome.Output.find("the video is 162x92"), std::string::npos) << outcome.Output;
    const std::string streams =
        Shell("ffprobe -v error -count_frames -show_entries "
              "stream=codec_name,width,height,nb_read_frames -of csv=p=0 '" +
              video + "'")
            .Output;
    // Frames 1200 to 1260 of the run, every second one.
    EXPECT_NE(streams.find("h264,162,92,31"), std::string::npos) << streams;
    EXPECT_NE(streams.find("aac,"), std::string::npos) << streams;
    std::remove(video.c_str());
}

// SIGTERM once the video has begun: the frames drawn so far make a video
// that plays, under its name, and the encoder has ended too.
TEST(CaptureRun, AStoppedCaptureEndsItsVideo)
{
    const std::string folder = Scratch("stopped");
    const Outcome outcome =
        Shell("mkdir -p '" + folder + "' && cd '" CITY_RUN_DIR "' && (" +
              "VK_INSTANCE_LAYERS=VK_LAYER_KHRONOS_validation ./CityCapture --size 160x90 -o '" +
              folder + "/city.mp4' & capture=$!; for i in $(seq 300); do [ -s \"$(ls '" + folder +
              "'/.city.*.mp4 2>/dev/null)\" ] && break; sleep 0.1; done; "
              "kill -TERM $capture; wait $capture; echo \"exit $?\")");
    EXPECT_NE(outcome.Output.find("stopped by SIGTERM at "), std::string::npos) << outcome.Output;
    EXPECT_NE(outcome.Output.find("exit 143"), std::string::npos) << outcome.Output;
    const std::string frames = Shell("ffprobe -v error -count_frames -select_streams v "
                                     "-show_entries stream=nb_read_frames -of csv=p=0 '" +
                                     folder + "/city.mp4'")
                                   .Output;
    EXPECT_GT(std::atoi(frames.c_str()), 0) << frames;
    EXPECT_EQ(Shell("ls -A '" + folder + "'").Output, "city.mp4\n");
    EXPECT_NE(Shell("pgrep -f '[f]fmpeg.*" + folder + "'").ExitCode, 0)
        << "the encoder is still running";
    Shell("rm -rf '" + folder + "'");
}

} // namespace
