// The demo itself, run as a user would under a virtual X display with the
// Vulkan validation layer on: it plays through its 110 seconds and ends by
// itself, survives the multisampling key and a drag, and reports failures as
// a user meets them.
#include "ProgramUnderTest.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <regex>
#include <set>

namespace
{

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* Validation = "VK_INSTANCE_LAYERS=VK_LAYER_KHRONOS_validation";

// Under a sanitizer the demo's resident memory is mostly the sanitizer's own
// (shadow memory, freed blocks held in quarantine): its figures are printed
// but not held to the limits.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool MemoryIsTheProgramsOwn = false;
#else
constexpr bool MemoryIsTheProgramsOwn = true;
#endif

class DemoRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X display (run through ctest, which starts Xvfb)";
    }
};

// Mean absolute difference of two screenshots, in 0..1, compared as 16 × 12
// thumbnails: the camera's own drift moves fine detail (window rows) a lot
// and the picture as a whole little, while turning the view changes it all.
double Difference(const std::string& a, const std::string& b)
{
    RunCommand("convert '" + a + "' -resize '16x12!' '" + a + ".small.png'");
    RunCommand("convert '" + b + "' -resize '16x12!' '" + b + ".small.png'");
    const std::string out = RunCommand("compare -metric MAE '" + a + ".small.png' '" + b +
                                       ".small.png' null: 2>&1 | sed 's/.*(//;s/)//'");
    std::remove((a + ".small.png").c_str());
    std::remove((b + ".small.png").c_str());
    return std::atof(out.c_str());
}

void Screenshot(const std::string& file)
{
    RunCommand("import -window root '" + file + "'");
}

TEST_F(DemoRun, PlaysThroughToTheEndWithKeysAndADragAndNoValidationMessage)
{
    ProgramUnderTest demo(CITY_DEMO, CITY_RUN_DIR, {Validation});
    ASSERT_TRUE(demo.Started());
    ASSERT_FALSE(demo.WaitForWindow(30s).empty()) << demo.ErrorOutput();
    const auto start = Clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };

    const std::regex format(
        R"(d3d App    fps: \d+\.\d{6}   mspf: \d+\.\d{6}   timeElapsed: (\d+)\.000000)");
    std::set<int> windows;
    bool pressedOn = false, pressedOff = false, dragged = false, baselineTaken = false;
    bool pressedLast = false;
    double baseline = 0.0, afterDrag = 0.0;
    // Resident memory just before the first and the last F2, with the same
    // targets in use: steady through the run, whatever the camera shows.
    long residentEarly = 0, residentLate = 0, residentPeak = 0;
    const std::string shots = "/tmp/demo-run-" + std::to_string(getpid());
    while (!demo.HasExited() && elapsed() < 150.0)
    {
        std::smatch match;
        const std::string title = demo.Title();
        if (std::regex_match(title, match, format))
            windows.insert(std::stoi(match[1]));

        const double t = elapsed();
        if (!residentEarly && t > 9.5)
            residentEarly = demo.MemoryKiB("VmRSS");
        if (!residentLate && t > 99.5)
            residentLate = demo.MemoryKiB("VmRSS");
        if (t > 105.0)
            residentPeak = std::max(residentPeak, demo.MemoryKiB("VmHWM"));
        if (!pressedOn && t > 10.0)
        {
            demo.Key("F2");
            pressedOn = true;
        }
        if (!pressedOff && t > 16.0)
        {
            demo.Key("F2");
            pressedOff = true;
        }
        // In the sweep (31 s to 41 s of running time): the view moves little
        // by itself in a second; a long drag turns it far.
        if (!baselineTaken && t > 33.0)
        {
            Screenshot(shots + "-a.png");
            std::this_thread::sleep_for(1s);
            Screenshot(shots + "-b.png");
            baseline = Difference(shots + "-a.png", shots + "-b.png");
            baselineTaken = true;
        }
        if (baselineTaken && !dragged && t > 36.0)
        {
            Screenshot(shots + "-c.png");
            demo.LeftDrag(200, 300, 600, 200);
            std::this_thread::sleep_for(1s);
            Screenshot(shots + "-d.png");
            afterDrag = Difference(shots + "-c.png", shots + "-d.png");
            dragged = true;
        }
        // A key release as the last input before the end: the exit code must
        // still be the end's own 0, not the key's code.
        if (!pressedLast && t > 100.0)
        {
            demo.Key("F2");
            pressedLast = true;
        }
        std::this_thread::sleep_for(250ms);
    }

    const std::optional<int> exitCode = demo.WaitForExit(30s);
    const std::string log = demo.ErrorOutput();
    ASSERT_TRUE(exitCode.has_value()) << "the demo did not end by itself";
    EXPECT_EQ(*exitCode, 0) << log;
    // It ends once a frame has been drawn at 110 s of running time.
    EXPECT_GT(elapsed(), 105.0);
    EXPECT_EQ(log.find("vulkan validation:"), std::string::npos) << log;
    EXPECT_EQ(log.find("HR Failed"), std::string::npos) << log;

    // The title reported about once per second, every window in order.
    EXPECT_GE(windows.size(), 90u);
    EXPECT_EQ(*windows.begin(), 0);
    EXPECT_GE(*windows.rbegin(), 105);

    ASSERT_GT(residentEarly, 0);
    ASSERT_GT(residentLate, 0);
    std::printf("resident memory: %ld KiB at 10 s, %ld KiB at 100 s, peak %ld KiB\n", residentEarly,
                residentLate, residentPeak);
    if (MemoryIsTheProgramsOwn)
    {
        EXPECT_NEAR(double(residentLate), double(residentEarly), 0.05 * double(residentEarly));
    }

    ASSERT_TRUE(dragged);
    EXPECT_TRUE(pressedLast);
    EXPECT_GT(afterDrag, 2.0 * baseline) << "drag " << afterDrag << ", baseline " << baseline;
    for (const char* shot : {"-a.png", "-b.png", "-c.png", "-d.png"})
        std::remove((shots + shot).c_str());
}

// The long run's first twenty seconds, ended by Escape: what the sanitized
// builds run in its place, so that the end of the program (its destructors,
// the leak check at exit) is reached within their time.
TEST_F(DemoRun, PlaysTwentySecondsWithTheKeysAndADragThenQuitsOnEscape)
{
    ProgramUnderTest demo(CITY_DEMO, CITY_RUN_DIR, {Validation});
    ASSERT_FALSE(demo.WaitForWindow(60s).empty()) << demo.ErrorOutput();
    std::this_thread::sleep_for(5s);
    demo.Key("F2");
    std::this_thread::sleep_for(3s);
    demo.Key("F2");
    std::this_thread::sleep_for(4s);
    demo.LeftDrag(200, 300, 600, 200);
    std::this_thread::sleep_for(8s);
    ASSERT_FALSE(demo.HasExited()) << demo.ErrorOutput();
    demo.Key("Escape");
    EXPECT_EQ(demo.WaitForExit(60s), 0) << demo.ErrorOutput();
    const std::string log = demo.ErrorOutput();
    EXPECT_EQ(log.find("vulkan validation:"), std::string::npos) << log;
    EXPECT_EQ(log.find("HR Failed"), std::string::npos) << log;
}

// Waits for the "HR Failed" box of a running demo, dismisses it as a user
// would, and expects the demo to end with exit code 0 (a signal reads as
// 128 and more). Returns the demo's standard error.
std::string RunAndDismiss(ProgramUnderTest& demo)
{
    std::string box;
    for (int i = 0; i < 300 && box.empty() && !demo.HasExited(); ++i)
    {
        box = FindWindowByName("HR Failed");
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_FALSE(box.empty()) << demo.ErrorOutput();
    if (!box.empty())
        RunCommand("xdotool windowfocus --sync " + box + " key Return");
    EXPECT_EQ(demo.WaitForExit(20s), 0);
    return demo.ErrorOutput();
}

// A run directory like the real one, but with a file taken out or changed.
class BrokenRunDirectory : public DemoRun
{
protected:
    void SetUp() override
    {
        DemoRun::SetUp();
        if (IsSkipped())
            return;
        mDirectory = "/tmp/demo-broken-" + std::to_string(getpid());
        RunCommand("rm -rf '" + mDirectory + "' && cp -r '" CITY_RUN_DIR "' '" + mDirectory + "'");
    }
    void TearDown() override
    {
        if (!mDirectory.empty())
            RunCommand("rm -rf '" + mDirectory + "'");
    }

    std::string mDirectory;
};

TEST_F(BrokenRunDirectory, AMissingTextureEndsWithTheLoadCheckAndTheFileNotFoundWording)
{
    RunCommand("rm '" + mDirectory + "/Textures/ed4.dds'");
    ProgramUnderTest demo(CITY_DEMO, mDirectory, {Validation});
    const std::string log = RunAndDismiss(demo);
    EXPECT_NE(log.find("HR Failed: CreateDDSTextureFromFile12(md3dDevice.Get(), "
                       "mCommandList.Get(), texMap->Filename.c_str(), texMap->Resource, "
                       "texMap->UploadHeap) failed in "),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("; error: The system cannot find the file specified.\n"), std::string::npos)
        << log;
}

TEST_F(BrokenRunDirectory, ABrokenShaderWritesTheCompilerMessageThenFailsOnHr)
{
    RunCommand("echo 'float4 PS() : SV_Target { return undefinedThing; }' >> '" + mDirectory +
               "/Shaders/Default.hlsl'");
    ProgramUnderTest demo(CITY_DEMO, mDirectory, {Validation});
    const std::string log = RunAndDismiss(demo);
    const size_t compiler = log.find("undefinedThing");
    const size_t report = log.find("HR Failed: hr failed in ");
    EXPECT_NE(compiler, std::string::npos) << log;
    EXPECT_NE(report, std::string::npos) << log;
    EXPECT_LT(compiler, report) << log;
}

TEST_F(BrokenRunDirectory, AMissingMusicFileLeavesTheDemoRunningSilently)
{
    RunCommand("rm '" + mDirectory + "/2.mp3'");
    ProgramUnderTest demo(CITY_DEMO, mDirectory, {Validation});
    ASSERT_FALSE(demo.WaitForWindow(30s).empty()) << demo.ErrorOutput();
    std::this_thread::sleep_for(3s);
    EXPECT_FALSE(demo.HasExited()) << demo.ErrorOutput();
    demo.Key("Escape");
    EXPECT_EQ(demo.WaitForExit(20s), 0);
    EXPECT_EQ(demo.ErrorOutput().find("HR Failed"), std::string::npos) << demo.ErrorOutput();
}

// A storm of input under synchronisation validation: the multisampling key
// pressed a hundred times and the window resized fifty times, each rebuilding
// targets or pipelines while frames are in flight. No validation message, no
// failure, and no memory kept from it: resident memory afterwards within 5 %
// of before, measured in the same state (same size, multisampling off) after
// a smaller storm has made what is made only once and the heap has settled.
class DemoStorm : public DemoRun
{
};

TEST_F(DemoStorm, StaysCleanAndKeepsNoMemoryThroughAStormOfKeysAndResizes)
{
    ProgramUnderTest demo(
        CITY_DEMO, CITY_RUN_DIR,
        {Validation,
         "VK_LAYER_ENABLES=VK_VALIDATION_FEATURE_ENABLE_SYNCHRONIZATION_VALIDATION_EXT"});
    ASSERT_FALSE(demo.WaitForWindow(30s).empty()) << demo.ErrorOutput();
    const int sizes[][2] = {{640, 480}, {720, 400}, {560, 560}, {800, 450}, {400, 300}};
    auto storm = [&](int keys, int resizes)
    {
        for (int i = 0; i < keys; ++i)
        {
            demo.Key("F2");
            if (i * resizes / keys != (i + 1) * resizes / keys)
            {
                const int* size = sizes[i % std::size(sizes)];
                demo.Resize(size[0], size[1]);
            }
        }
        demo.Resize(800, 600);
        std::this_thread::sleep_for(3s);
    };

    storm(20, 10);
    const long before = demo.MemoryKiB("VmRSS");
    storm(100, 50);
    const long after = demo.MemoryKiB("VmRSS");
    ASSERT_GT(before, 0);
    std::printf("resident memory: %ld KiB before the storm, %ld KiB after, peak %ld KiB\n", before,
                after, demo.MemoryKiB("VmHWM"));
    if (MemoryIsTheProgramsOwn)
    {
        EXPECT_NEAR(double(after), double(before), 0.05 * double(before));
    }

    ASSERT_FALSE(demo.HasExited()) << demo.ErrorOutput();
    demo.Key("Escape");
    EXPECT_EQ(demo.WaitForExit(20s), 0);
    const std::string log = demo.ErrorOutput();
    EXPECT_EQ(log.find("vulkan validation:"), std::string::npos) << log;
    EXPECT_EQ(log.find("HR Failed"), std::string::npos) << log;
}

// A call of the runtime failing at start-up or mid-run: the failing check
// reaches the entry point, the destructors' GPU waits neither crash on the
// objects that were never made nor throw a second time, and the box names
// the check that met the failure.
struct InjectedFailure
{
    const char* Failure; // the call, its use from which on it fails, the result
    const char* Check;
};

void PrintTo(const InjectedFailure& value, std::ostream* os)
{
    *os << value.Failure;
}

class InjectedFailures : public DemoRun, public ::testing::WithParamInterface<InjectedFailure>
{
};

TEST_P(InjectedFailures, EndInTheBoxNamingTheCheckWithExitCodeZero)
{
    ProgramUnderTest demo(FAULT_INJECTED_DEMO, CITY_RUN_DIR,
                          {Validation, std::string("INJECT_FAILURE=") + GetParam().Failure});
    const std::string log = RunAndDismiss(demo);
    EXPECT_NE(log.find(std::string("HR Failed: ") + GetParam().Check + " failed in "),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("vulkan validation:"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(
    Demo, InjectedFailures,
    ::testing::Values(
        InjectedFailure{"ID3D12Device::CreateFence 1 0x8007000E",
                        "md3dDevice->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&mFence))"},
        InjectedFailure{
            "ID3D12Device::CheckFeatureSupport 1 0x80070057",
            "md3dDevice->CheckFeatureSupport( D3D12_FEATURE_MULTISAMPLE_QUALITY_LEVELS, "
            "&msQualityLevels, sizeof(msQualityLevels))"},
        InjectedFailure{"ID3D12Device::CreateCommandQueue 1 0x8007000E",
                        "md3dDevice->CreateCommandQueue(&queueDesc, IID_PPV_ARGS(&mCommandQueue))"},
        // The device lost some dozens of frames in (VK_ERROR_DEVICE_LOST):
        // the next present reports the removal.
        InjectedFailure{"vkQueueSubmit2 200 -4", "mSwapChain->Present(0, 0)"}));

} // namespace
