// The demo itself, run as a user would under a virtual X display with the
// Vulkan validation layer on: it plays through its 110 seconds and ends by
// itself, survives the multisampling key and a drag, and reports failures as
// a user meets them.
#include "Personalities.h"
#include "ProgramUnderTest.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>

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
    // Resident memory once the first F2 has been pressed twice, and just
    // before the last F2: steady through the run, whatever the camera shows.
    // The first round of 4-sample targets costs some megabytes once (its
    // pipelines' first draws compiled, a new swap chain); later rounds cost
    // nothing more, which demo_storm checks.
    long residentEarly = 0, residentLate = 0, residentPeak = 0;
    const std::string shots = "/tmp/demo-run-" + std::to_string(getpid());
    while (!demo.HasExited() && elapsed() < 150.0)
    {
        std::smatch match;
        const std::string title = demo.Title();
        if (std::regex_match(title, match, format))
            windows.insert(std::stoi(match[1]));

        const double t = elapsed();
        if (!residentEarly && t > 19.5)
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
    std::printf("resident memory: %ld KiB at 20 s, %ld KiB at 100 s, peak %ld KiB\n", residentEarly,
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

// The demo on lavapipe dressed as other devices: twenty seconds with the
// multisampling key, a resize and a drag, drawing the city, then Escape. A
// device refused as the hardware adapter says why and the demo runs on the
// software adapter; a window the device cannot present to ends in the box
// naming the swap chain's creation.
class Personalities : public DemoRun, public ::testing::WithParamInterface<Personality>
{
};

TEST_P(Personalities, PlayTwentySecondsWithTheKeysAResizeAndADragOrReportTheirFailure)
{
    const Personality& personality = GetParam();
    const std::vector<std::string> environment = PersonalityEnvironment(personality);
    if (environment.empty())
        GTEST_SKIP() << "needs lavapipe and the tests' personality layer";
    ProgramUnderTest demo(CITY_DEMO, CITY_RUN_DIR, environment);
    std::string log;
    if (!personality.CanPresent)
    {
        log = RunAndDismiss(demo);
        EXPECT_NE(log.find("HR Failed: mdxgiFactory->CreateSwapChain("), std::string::npos) << log;
        EXPECT_NE(log.find("the window cannot be presented to"), std::string::npos) << log;
    }
    else
    {
        ASSERT_FALSE(demo.WaitForWindow(60s).empty()) << demo.ErrorOutput();
        std::this_thread::sleep_for(4s);
        demo.Key("F2");
        std::this_thread::sleep_for(3s);
        demo.Resize(640, 480);
        std::this_thread::sleep_for(3s);
        demo.Key("F2");
        std::this_thread::sleep_for(3s);
        demo.LeftDrag(200, 300, 500, 200);
        std::this_thread::sleep_for(5s);
        const std::string shot = "/tmp/demo-personality-" + std::to_string(getpid()) + ".png";
        Screenshot(shot);
        const double brightness =
            std::atof(RunCommand("convert '" + shot + "' -format '%[fx:mean]' info:").c_str());
        std::remove(shot.c_str());
        EXPECT_GT(brightness, 0.05) << "the window is black";
        ASSERT_FALSE(demo.HasExited()) << demo.ErrorOutput();
        demo.Key("Escape");
        EXPECT_EQ(demo.WaitForExit(60s), 0) << demo.ErrorOutput();
        log = demo.ErrorOutput();
        EXPECT_EQ(log.find("HR Failed"), std::string::npos) << log;
    }
    EXPECT_EQ(log.find("vulkan validation:"), std::string::npos) << log;
    ExpectRanAsThePersonalitySays(personality, log);
}

INSTANTIATE_TEST_SUITE_P(Devices, Personalities, ::testing::ValuesIn(DevicePersonalities),
                         [](const ::testing::TestParamInfo<Personality>& info)
                         { return std::string(info.param.TestName); });

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
// failure, and no memory kept from it: resident memory after the storm within
// 5 % of before, measured in the same state (same size, multisampling off).
// A first storm of the same size comes before: what is made only once (the
// driver's shader variants, the allocator's arenas) grows memory by some 3 %
// in the first hundred rebuilds. After that the program's own memory stays
// flat from storm to storm; the validation layer's records still grow by
// about 1.5 % a storm (2 MiB), which the 5 % leaves room for.
class DemoStorm : public DemoRun
{
protected:
    // The main loop draws only with no message waiting, and retitles the
    // window each second: a second new title means drawn after all input.
    static bool DrawnAfterInput(ProgramUnderTest& demo)
    {
        const auto end = Clock::now() + 60s;
        int changes = 0;
        for (std::string last = demo.Title(), now; changes < 2 && Clock::now() < end; last = now)
        {
            std::this_thread::sleep_for(100ms);
            changes += (now = demo.Title()) != last;
        }
        return changes == 2;
    }
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
        return DrawnAfterInput(demo);
    };

    ASSERT_TRUE(DrawnAfterInput(demo)) << demo.ErrorOutput();
    const long start = demo.MemoryKiB("VmRSS");
    ASSERT_TRUE(storm(100, 50)) << demo.ErrorOutput();
    const long before = demo.MemoryKiB("VmRSS");
    ASSERT_TRUE(storm(100, 50)) << demo.ErrorOutput();
    const long after = demo.MemoryKiB("VmRSS");
    ASSERT_GT(before, 0);
    std::printf("resident memory: %ld KiB at the start, %ld KiB after the first storm, %ld KiB "
                "after the second, peak %ld KiB\n",
                start, before, after, demo.MemoryKiB("VmHWM"));
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

// A call that only the runtime could refuse, refused at start-up by a device
// wrapped around the runtime's (tests/support/RefusingDevice.h): the failing
// check reaches the entry point, the destructors' GPU waits neither crash on
// the objects that were never made nor throw a second time, and the box names
// the check that met the failure.
struct RefusedCall
{
    const char* Refusal; // the call, its use from which on it fails, the result
    const char* Check;
};

void PrintTo(const RefusedCall& value, std::ostream* os)
{
    *os << value.Refusal;
}

class RefusedCalls : public DemoRun, public ::testing::WithParamInterface<RefusedCall>
{
};

TEST_P(RefusedCalls, EndInTheBoxNamingTheCheckWithExitCodeZero)
{
    ProgramUnderTest demo(REFUSING_DEVICE_DEMO, CITY_RUN_DIR,
                          {Validation, std::string("REFUSED_CALL=") + GetParam().Refusal});
    const std::string log = RunAndDismiss(demo);
    EXPECT_NE(log.find(std::string("HR Failed: ") + GetParam().Check + " failed in "),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("vulkan validation:"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(
    Demo, RefusedCalls,
    ::testing::Values(
        RefusedCall{"ID3D12Device::CheckFeatureSupport 1 0x80070057",
                    "md3dDevice->CheckFeatureSupport( D3D12_FEATURE_MULTISAMPLE_QUALITY_LEVELS, "
                    "&msQualityLevels, sizeof(msQualityLevels))"},
        RefusedCall{"ID3D12Device::CreateCommandQueue 1 0x8007000E",
                    "md3dDevice->CreateCommandQueue(&queueDesc, IID_PPV_ARGS(&mCommandQueue))"}));

// Failures at the Vulkan boundary, under the real demo: the tests' Vulkan
// layer (tests/vulkan_fault_layer) fails one call on its N-th use, between
// the validation layer and the driver. Where Direct3D 12 reports the failure,
// the box names the check that met it and the demo ends with exit code 0;
// where it recovers (a swap chain out of date is rebuilt), the demo goes on
// presenting. Never a signal, a hang or a validation message.
struct VulkanFault
{
    // CITY_VK_FAULT: call, use, result. The use counts from the start
    // ("5"), from the first present ("+5"), or back from the first present
    // ("-1": the last use of start-up, "-2" the one before), so rows for the
    // scene's last objects do not depend on how many textures come before.
    const char* Fault;
    const char* Check;         // the check the box names; nullptr: the demo recovers
    const char* File;          // the check's source file
    const char* Key = nullptr; // pressed once the demo presents
};

void PrintTo(const VulkanFault& value, std::ostream* os)
{
    *os << value.Fault << (value.Key ? std::string(" after ") + value.Key : std::string());
}

// The fault layer between the validation layer and the driver. The demo runs
// on lavapipe dressed as a GPU ("discrete"), which presents through the
// driver's swapchain, as a GPU does, so that the swapchain's calls can fail
// (a CPU device on an X server presents through shared memory instead).
std::vector<std::string> FaultEnvironment(std::vector<std::string> more)
{
#ifdef VULKAN_PERSONALITY_LAYER_DIR
    more.insert(more.end(),
                {"VK_INSTANCE_LAYERS=VK_LAYER_KHRONOS_validation:VK_LAYER_city_fault_injection:"
                 "VK_LAYER_city_device_personality",
                 "VK_ADD_LAYER_PATH=" VULKAN_FAULT_LAYER_PATH ":" VULKAN_PERSONALITY_LAYER_DIR,
                 "VK_ICD_FILENAMES=" VULKAN_PERSONALITY_ICD_FILENAMES,
                 "CITY_VK_PERSONALITY=discrete"});
#else
    more.insert(more.end(), {"VK_INSTANCE_LAYERS=VK_LAYER_KHRONOS_validation:"
                             "VK_LAYER_city_fault_injection",
                             "VK_ADD_LAYER_PATH=" VULKAN_FAULT_LAYER_PATH});
#endif
    return more;
}

// Lines "city fault layer: CALL USE +USE_AFTER_FIRST_PRESENT" of a logged run.
std::map<std::string, unsigned> UsesBeforeFirstPresent(const std::string& log)
{
    std::map<std::string, unsigned> uses;
    const std::regex line(R"(city fault layer: (\w+) (\d+) \+0\n)");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), line); it != std::sregex_iterator();
         ++it)
        uses[(*it)[1]] = std::max(uses[(*it)[1]], unsigned(std::stoul((*it)[2])));
    return uses;
}

unsigned Count(const std::string& text, const std::string& part)
{
    unsigned count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class VulkanFaults : public DemoRun, public ::testing::WithParamInterface<VulkanFault>
{
protected:
    // Waits until `done` holds for the demo's standard error (false if the
    // demo ended or the time ran out first).
    template <class Done>
    static bool WaitForLog(ProgramUnderTest& demo, Done&& done, std::chrono::seconds timeout)
    {
        const auto end = Clock::now() + timeout;
        while (Clock::now() < end && !demo.HasExited())
        {
            if (done(demo.ErrorOutput()))
                return true;
            std::this_thread::sleep_for(200ms);
        }
        return done(demo.ErrorOutput());
    }

    // The uses of each call before the first present, counted once in a run
    // with nothing injected, which must itself be clean: the layer passes
    // everything through.
    static const std::map<std::string, unsigned>& StartUpUses()
    {
        static const std::map<std::string, unsigned> uses = []
        {
            ProgramUnderTest demo(CITY_DEMO, CITY_RUN_DIR,
                                  FaultEnvironment({"CITY_VK_FAULT_LOG=1"}));
            EXPECT_TRUE(WaitForLog(
                demo,
                [](const std::string& log)
                { return log.find("vkQueuePresentKHR 2 +1\n") != std::string::npos; },
                60s));
            demo.WaitForWindow(10s);
            demo.Key("Escape");
            EXPECT_EQ(demo.WaitForExit(20s), 0);
            const std::string log = demo.ErrorOutput();
            EXPECT_EQ(log.find("vulkan validation:"), std::string::npos) << log;
            EXPECT_EQ(log.find("HR Failed"), std::string::npos) << log;
            return UsesBeforeFirstPresent(log);
        }();
        return uses;
    }

    // The row's failure for the layer, a use counted back turned into one
    // counted from the start.
    static std::string Fault(const char* row)
    {
        std::istringstream in(row);
        std::string call, use, rest;
        in >> call >> use;
        std::getline(in, rest);
        if (use[0] == '-')
            use = std::to_string(StartUpUses().at(call) + 1 - std::stoul(use.substr(1)));
        return call + " " + use + rest;
    }
};

TEST_P(VulkanFaults, EndInTheBoxNamingTheCheckOrRecover)
{
    const VulkanFault& row = GetParam();
    ProgramUnderTest demo(
        CITY_DEMO, CITY_RUN_DIR,
        FaultEnvironment({"CITY_VK_FAULT_LOG=1", "CITY_VK_FAULT=" + Fault(row.Fault)}));
    const std::string struck = " fails with ";
    if (row.Key)
    {
        ASSERT_TRUE(WaitForLog(
            demo,
            [](const std::string& log)
            { return log.find("vkQueuePresentKHR 2 +1\n") != std::string::npos; },
            60s))
            << demo.ErrorOutput();
        demo.WaitForWindow(10s);
        demo.Key(row.Key);
    }

    std::string log;
    if (row.Check)
    {
        log = RunAndDismiss(demo);
        const std::string report = std::string("HR Failed: ") + row.Check + " failed in ";
        const size_t at = log.find(report);
        ASSERT_NE(at, std::string::npos) << log;
        const std::string place =
            log.substr(at + report.size(), log.find("; line", at) - at - report.size());
        EXPECT_EQ(place.substr(place.rfind('/') + 1), row.File) << log;
    }
    else
    {
        // The swap chain is made again after the failure and the demo goes on
        // presenting with it.
        const bool recovered = WaitForLog(
            demo,
            [&](const std::string& text)
            {
                const size_t at = text.find(struck);
                const size_t rebuilt = text.find("vkCreateSwapchainKHR 2 ", at);
                return at != std::string::npos && rebuilt != std::string::npos &&
                       Count(text.substr(rebuilt), "vkQueuePresentKHR") >= 10;
            },
            60s);
        EXPECT_TRUE(recovered) << demo.ErrorOutput();
        demo.WaitForWindow(10s);
        demo.Key("Escape");
        EXPECT_EQ(demo.WaitForExit(20s), 0);
        log = demo.ErrorOutput();
        EXPECT_EQ(log.find("HR Failed"), std::string::npos) << log;
    }
    EXPECT_NE(log.find(struck), std::string::npos) << "the failure was never injected\n" << log;
    EXPECT_EQ(log.find("vulkan validation:"), std::string::npos) << log;
}

// The framework's objects come first at start-up, in a fixed order: two swap
// chain buffers, a wait for the GPU, the two buffers again at their size, the
// depth buffer, its transition and a wait. Then the scene: a texture and its
// staging buffer at a time, the geometry's buffers and staging buffers, three
// frame resources of three constant buffers each, two pipelines and the
// start-up list. The frame: its list, the copy into the acquired image and
// the present, the fence signal.
INSTANTIATE_TEST_SUITE_P(
    Demo, VulkanFaults,
    ::testing::Values(
        // The device's own timeline is the first semaphore, the framework's
        // fence the second.
        VulkanFault{"vkCreateSemaphore 2 VK_ERROR_OUT_OF_HOST_MEMORY",
                    "md3dDevice->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&mFence))",
                    "d3dAppGraphics.cpp"},
        VulkanFault{"vkCreateImage 1 VK_ERROR_OUT_OF_DEVICE_MEMORY",
                    "mdxgiFactory->CreateSwapChain( mCommandQueue.Get(), &sd, "
                    "mSwapChain.GetAddressOf())",
                    "d3dAppGraphics.cpp"},
        VulkanFault{"vkQueueSubmit2 1 VK_ERROR_DEVICE_LOST",
                    "mCommandQueue->Signal(mFence.Get(), mCurrentFence)", "d3dAppGraphics.cpp"},
        VulkanFault{"vkAllocateMemory 3 VK_ERROR_OUT_OF_DEVICE_MEMORY",
                    "mSwapChain->ResizeBuffers( SwapChainBufferCount, mClientWidth, mClientHeight, "
                    "mBackBufferFormat, DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH)",
                    "d3dAppGraphics.cpp"},
        VulkanFault{"vkCreateImage 5 VK_ERROR_OUT_OF_DEVICE_MEMORY",
                    "md3dDevice->CreateCommittedResource( "
                    "&CD3DX12_HEAP_PROPERTIES(D3D12_HEAP_TYPE_DEFAULT), D3D12_HEAP_FLAG_NONE, "
                    "&depthStencilDesc, D3D12_RESOURCE_STATE_COMMON, &optClear, "
                    "IID_PPV_ARGS(mDepthStencilBuffer.GetAddressOf()))",
                    "d3dAppGraphics.cpp"},
        // A submission refused for memory removes the device: the list's
        // work and the depth buffer's set-up never ran.
        VulkanFault{"vkQueueSubmit2 2 VK_ERROR_OUT_OF_DEVICE_MEMORY",
                    "mCommandQueue->Signal(mFence.Get(), mCurrentFence)", "d3dAppGraphics.cpp"},
        VulkanFault{"vkCreateImage 6 VK_ERROR_OUT_OF_DEVICE_MEMORY",
                    "CreateDDSTextureFromFile12(md3dDevice.Get(), mCommandList.Get(), "
                    "texMap->Filename.c_str(), texMap->Resource, texMap->UploadHeap)",
                    "ShapesAppStartUp.cpp"},
        VulkanFault{"vkAllocateMemory 7 VK_ERROR_OUT_OF_HOST_MEMORY",
                    "CreateDDSTextureFromFile12(md3dDevice.Get(), mCommandList.Get(), "
                    "texMap->Filename.c_str(), texMap->Resource, texMap->UploadHeap)",
                    "ShapesAppStartUp.cpp"},
        VulkanFault{"vkCreateBuffer -13 VK_ERROR_OUT_OF_DEVICE_MEMORY",
                    "device->CreateCommittedResource( "
                    "&CD3DX12_HEAP_PROPERTIES(D3D12_HEAP_TYPE_DEFAULT), D3D12_HEAP_FLAG_NONE, "
                    "&CD3DX12_RESOURCE_DESC::Buffer(byteSize), D3D12_RESOURCE_STATE_COMMON, "
                    "nullptr, IID_PPV_ARGS(defaultBuffer.GetAddressOf()))",
                    "d3dUtil.cpp"},
        VulkanFault{"vkAllocateMemory -10 VK_ERROR_OUT_OF_DEVICE_MEMORY",
                    "device->CreateCommittedResource( "
                    "&CD3DX12_HEAP_PROPERTIES(D3D12_HEAP_TYPE_UPLOAD), D3D12_HEAP_FLAG_NONE, "
                    "&CD3DX12_RESOURCE_DESC::Buffer(byteSize), D3D12_RESOURCE_STATE_GENERIC_READ, "
                    "nullptr, IID_PPV_ARGS(uploadBuffer.GetAddressOf()))",
                    "d3dUtil.cpp"},
        VulkanFault{"vkCreateBuffer -9 VK_ERROR_OUT_OF_DEVICE_MEMORY",
                    "device->CreateCommittedResource( "
                    "&CD3DX12_HEAP_PROPERTIES(D3D12_HEAP_TYPE_UPLOAD), D3D12_HEAP_FLAG_NONE, "
                    "&CD3DX12_RESOURCE_DESC::Buffer(mElementByteSize*elementCount), "
                    "D3D12_RESOURCE_STATE_GENERIC_READ, nullptr, IID_PPV_ARGS(&mUploadBuffer))",
                    "UploadBuffer.h"},
        VulkanFault{"vkAllocateMemory -1 VK_ERROR_OUT_OF_DEVICE_MEMORY",
                    "device->CreateCommittedResource( "
                    "&CD3DX12_HEAP_PROPERTIES(D3D12_HEAP_TYPE_UPLOAD), D3D12_HEAP_FLAG_NONE, "
                    "&CD3DX12_RESOURCE_DESC::Buffer(mElementByteSize*elementCount), "
                    "D3D12_RESOURCE_STATE_GENERIC_READ, nullptr, IID_PPV_ARGS(&mUploadBuffer))",
                    "UploadBuffer.h"},
        VulkanFault{"vkCreateGraphicsPipelines 1 VK_ERROR_OUT_OF_DEVICE_MEMORY",
                    "md3dDevice->CreateGraphicsPipelineState(&opaquePsoDesc, "
                    "IID_PPV_ARGS(mPSOs[\"opaque\"].GetAddressOf()))",
                    "ShapesAppStartUp.cpp"},
        VulkanFault{"vkCreateGraphicsPipelines 2 VK_ERROR_OUT_OF_HOST_MEMORY",
                    "md3dDevice->CreateGraphicsPipelineState( &opaquePsoDesc, "
                    "IID_PPV_ARGS(mPSOs[multisampled ? \"opaque1x\" : "
                    "\"opaque4x\"].GetAddressOf()))",
                    "ShapesAppStartUp.cpp"},
        // The start-up list, then the swapchain made at the first present.
        VulkanFault{"vkQueueSubmit2 4 VK_ERROR_DEVICE_LOST", "mSwapChain->Present(0, 0)",
                    "ShapesAppDraw.cpp"},
        VulkanFault{"vkQueueSubmit2 4 VK_ERROR_OUT_OF_HOST_MEMORY", "mSwapChain->Present(0, 0)",
                    "ShapesAppDraw.cpp"},
        VulkanFault{"vkCreateSwapchainKHR 1 VK_ERROR_OUT_OF_DEVICE_MEMORY",
                    "mSwapChain->Present(0, 0)", "ShapesAppDraw.cpp"},
        // Mid-run: a frame's list, its copy and present, its acquire.
        VulkanFault{"vkQueueSubmit2 +60 VK_ERROR_DEVICE_LOST", "mSwapChain->Present(0, 0)",
                    "ShapesAppDraw.cpp"},
        VulkanFault{"vkQueueSubmit2 +61 VK_ERROR_OUT_OF_DEVICE_MEMORY", "mSwapChain->Present(0, 0)",
                    "ShapesAppDraw.cpp"},
        VulkanFault{"vkAcquireNextImageKHR 20 VK_ERROR_DEVICE_LOST", "mSwapChain->Present(0, 0)",
                    "ShapesAppDraw.cpp"},
        VulkanFault{"vkQueuePresentKHR 20 VK_ERROR_DEVICE_LOST", "mSwapChain->Present(0, 0)",
                    "ShapesAppDraw.cpp"},
        VulkanFault{"vkAcquireNextImageKHR 20 VK_ERROR_OUT_OF_DATE_KHR", nullptr, nullptr},
        VulkanFault{"vkAcquireNextImageKHR 20 VK_SUBOPTIMAL_KHR", nullptr, nullptr},
        VulkanFault{"vkQueuePresentKHR 20 VK_ERROR_OUT_OF_DATE_KHR", nullptr, nullptr},
        VulkanFault{"vkQueuePresentKHR 20 VK_ERROR_SURFACE_LOST_KHR", nullptr, nullptr},
        // The multisampling key: a new swap chain, its buffers at their size,
        // the depth buffer, the 4-sample target.
        VulkanFault{"vkAllocateMemory +5 VK_ERROR_OUT_OF_DEVICE_MEMORY",
                    "md3dDevice->CreateCommittedResource( "
                    "&CD3DX12_HEAP_PROPERTIES(D3D12_HEAP_TYPE_DEFAULT), D3D12_HEAP_FLAG_NONE, "
                    "&depthStencilDesc, D3D12_RESOURCE_STATE_COMMON, &optClear, "
                    "IID_PPV_ARGS(mDepthStencilBuffer.GetAddressOf()))",
                    "d3dAppGraphics.cpp", "F2"},
        VulkanFault{"vkCreateImage +6 VK_ERROR_OUT_OF_DEVICE_MEMORY",
                    "md3dDevice->CreateCommittedResource( "
                    "&CD3DX12_HEAP_PROPERTIES(D3D12_HEAP_TYPE_DEFAULT), D3D12_HEAP_FLAG_NONE, "
                    "&msaaDesc, D3D12_RESOURCE_STATE_RESOLVE_SOURCE, &clear, "
                    "IID_PPV_ARGS(mMsaaTarget.GetAddressOf()))",
                    "d3dAppGraphics.cpp", "F2"}));

} // namespace
