// One picture of each camera phase, and one with multisampling, drawn by
// CityCapture on lavapipe and compared with the pictures kept beside this
// file. UPDATE_GOLDENS=1 in the environment writes the pictures anew
// instead (look at them before committing them).
#include "Png.h"
#include "XTools.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
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

class Goldens : public ::testing::TestWithParam<Golden>
{
};

TEST_P(Goldens, TheFrameMatchesItsPicture)
{
#ifndef LAVAPIPE_DRIVER
    GTEST_SKIP() << "the pictures are lavapipe's, and it is not installed";
#else
    const Golden& golden = GetParam();
    const std::string frames = "/tmp/golden-" + std::to_string(getpid()) + "-" + golden.Name;
    const std::string seconds = std::to_string(golden.Second);
    int exitCode = -1;
    const std::string log =
        RunCommand("cd '" CITY_RUN_DIR "' && VK_ICD_FILENAMES='" LAVAPIPE_DRIVER
                   "' VK_INSTANCE_LAYERS=VK_LAYER_KHRONOS_validation ./CityCapture --size 320x180 "
                   "--from " +
                       seconds + " --to " + seconds + (golden.Msaa ? " --msaa" : "") + " --png '" +
                       frames + "' 2>&1",
                   &exitCode);
    ASSERT_EQ(exitCode, 0) << log;
    EXPECT_EQ(log.find("vulkan validation:"), std::string::npos) << log;

    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06d.png", golden.Second * 60);
    RgbImage frame;
    std::string error;
    ASSERT_TRUE(ReadPng(frames + name, &frame, &error)) << error;
    RunCommand("rm -rf '" + frames + "'");

    const std::string goldenPath = std::string(GOLDEN_DIR "/") + golden.Name + ".png";
    if (std::getenv("UPDATE_GOLDENS"))
    {
        ASSERT_TRUE(WritePng(goldenPath, frame, &error)) << error;
        return;
    }
    RgbImage expected;
    ASSERT_TRUE(ReadPng(goldenPath, &expected, &error)) << error;
    ASSERT_EQ(frame.Width, expected.Width);
    ASSERT_EQ(frame.Height, expected.Height);

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
#endif
}

INSTANTIATE_TEST_SUITE_P(Phases, Goldens,
                         ::testing::Values(Golden{"rise", 10, false}, Golden{"sweep", 35, false},
                                           Golden{"low-pass", 45, false},
                                           Golden{"middle-pass", 60, false},
                                           Golden{"high-pass", 90, false},
                                           Golden{"rise-msaa", 10, true}));

} // namespace
