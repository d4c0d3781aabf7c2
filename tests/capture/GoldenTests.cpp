// One picture of each camera phase, and one with multisampling, drawn by
// CityCapture on lavapipe and compared with the pictures kept beside this
// file. UPDATE_GOLDENS=1 in the environment writes the pictures anew
// instead (look at them before committing them).
#include "CaptureOptions.h"
#include "FrameSink.h"
#include "Personalities.h"
#include "Png.h"
#include "XTools.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <string>

namespace
{

// Largest difference in one channel that still counts as the same colour,
// and the share of pixels allowed past it (edges that a change of the
// rasteriser moves by a pixel).
constexpr int ChannelTolerance = 3;
constexpr double PixelShareAllowed = 0.002;

struct Golden
{
    const char* Name;
    int Second; // of running time
    bool Msaa;
};

void PrintTo(const Golden& golden, std::ostream* os)
{
    *os << golden.Name;
}

// Channel by channel difference, scaled up so that small ones show.
RgbImage Difference(const RgbImage& a, const RgbImage& b)
{
    RgbImage difference = a;
    for (size_t i = 0; i < a.Pixels.size(); ++i)
        difference.Pixels[i] = uint8_t(std::min(255, 8 * std::abs(a.Pixels[i] - b.Pixels[i])));
    return difference;
}

// Draws the golden's frame with CityCapture in the environment given (the
// validation layer on) and compares it with its picture; returns the
// program's standard error.
std::string CheckGolden(const Golden& golden, const std::string& environment)
{
    const std::string frames = "/tmp/golden-" + std::to_string(getpid()) + "-" + golden.Name;
    const std::string seconds = std::to_string(golden.Second);
    int exitCode = -1;
    const std::string log =
        RunCommand("cd '" CITY_RUN_DIR "' && " + environment +
                       " ./CityCapture --size 320x180 "
                       "--from " +
                       seconds + " --to " + seconds + (golden.Msaa ? " --msaa" : "") + " --png '" +
                       frames + "' 2>&1",
                   &exitCode);
    EXPECT_EQ(exitCode, 0) << log;
    EXPECT_EQ(log.find("vulkan validation:"), std::string::npos) << log;

    RgbImage frame;
    std::string error;
    const bool read =
        ReadPng(frames + "/" + FrameFileName(golden.Second * CaptureOptions().Fps), &frame, &error);
    RunCommand("rm -rf '" + frames + "'");
    if (!read)
    {
        ADD_FAILURE() << error;
        return log;
    }

    const std::string goldenPath = std::string(GOLDEN_DIR "/") + golden.Name + ".png";
    if (std::getenv("UPDATE_GOLDENS"))
    {
        EXPECT_TRUE(WritePng(goldenPath, frame, &error)) << error;
        return log;
    }
    RgbImage expected;
    if (!ReadPng(goldenPath, &expected, &error) || frame.Width != expected.Width ||
        frame.Height != expected.Height)
    {
        ADD_FAILURE() << "no picture of the frame's size at " << goldenPath << ": " << error;
        return log;
    }

    size_t differing = 0;
    for (size_t i = 0; i < frame.Pixels.size(); i += 3)
    {
        bool differs = false;
        for (size_t c = 0; c < 3; ++c)
            differs |= std::abs(frame.Pixels[i + c] - expected.Pixels[i + c]) > ChannelTolerance;
        differing += differs;
    }
    const size_t allowed = size_t(PixelShareAllowed * double(frame.Width * frame.Height));
    if (differing > allowed)
    {
        mkdir(FAILURE_DIR, 0777);
        const std::string actualPath = std::string(FAILURE_DIR "/") + golden.Name + "-actual.png";
        const std::string differencePath =
            std::string(FAILURE_DIR "/") + golden.Name + "-difference.png";
        WritePng(actualPath, frame, &error);
        WritePng(differencePath, Difference(frame, expected), &error);
        ADD_FAILURE() << differing << " pixels differ from " << goldenPath << " (" << allowed
                      << " allowed); the frame is " << actualPath << ", the difference "
                      << differencePath;
    }
    return log;
}

class Goldens : public ::testing::TestWithParam<Golden>
{
};

TEST_P(Goldens, TheFrameMatchesItsPicture)
{
#ifndef LAVAPIPE_DRIVER
    GTEST_SKIP() << "the pictures are lavapipe's, and it is not installed";
#else
    CheckGolden(GetParam(), "VK_ICD_FILENAMES='" LAVAPIPE_DRIVER
                            "' VK_INSTANCE_LAYERS=VK_LAYER_KHRONOS_validation");
#endif
}

// The same pictures on lavapipe dressed as other devices: the program runs on
// the personality's device, or is refused it with its reason and draws on the
// software adapter. Capturing presents nothing, so a device's presentation
// makes no difference here.
class Personalities : public ::testing::TestWithParam<std::tuple<Personality, Golden>>
{
};

TEST_P(Personalities, DrawTheGoldenPicture)
{
    const auto& [personality, golden] = GetParam();
    std::string environment;
    for (const std::string& variable : PersonalityEnvironment(personality))
        environment += "'" + variable + "' ";
    if (environment.empty())
        GTEST_SKIP() << "needs lavapipe and the tests' personality layer";
    const std::string log = CheckGolden(golden, "env " + environment);
    ExpectRanAsThePersonalitySays(personality, log);
}

const Golden AllGoldens[] = {{"rise", 10, false},      {"sweep", 35, false},
                             {"low-pass", 45, false},  {"middle-pass", 60, false},
                             {"high-pass", 90, false}, {"rise-msaa", 10, true}};

INSTANTIATE_TEST_SUITE_P(Phases, Goldens, ::testing::ValuesIn(AllGoldens));

std::string GoldenName(const ::testing::TestParamInfo<std::tuple<Personality, Golden>>& info)
{
    std::string name = std::get<1>(info.param).Name;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

#define UNDER_PERSONALITY(Prefix, index)                                                           \
    INSTANTIATE_TEST_SUITE_P(Prefix, Personalities,                                                \
                             ::testing::Combine(::testing::Values(DevicePersonalities[index]),     \
                                                ::testing::ValuesIn(AllGoldens)),                  \
                             GoldenName)
UNDER_PERSONALITY(AmdLike, 0);
UNDER_PERSONALITY(NvidiaLike, 1);
UNDER_PERSONALITY(IntelLike, 2);
UNDER_PERSONALITY(FifoOnly, 3);
UNDER_PERSONALITY(PresentOnlyFamily, 4);
UNDER_PERSONALITY(NoPresent, 5);
UNDER_PERSONALITY(NoBc, 6);
UNDER_PERSONALITY(PiLike, 7);

} // namespace
