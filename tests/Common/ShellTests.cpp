// The application shell run as a user would, under a virtual X display: the
// shell check program (a frame that clears to a changing colour).
#include "ProgramUnderTest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <set>

namespace
{

using namespace std::chrono_literals;

class ShellTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X display (run through ctest, which starts Xvfb)";
    }

    // Every run has the validation layer on; a message from it fails the test.
    void TearDown() override
    {
        for (const std::string& log : mLogs)
            EXPECT_EQ(log.find("vulkan validation:"), std::string::npos) << log;
    }

    std::unique_ptr<ProgramUnderTest> Start(std::vector<std::string> environment = {})
    {
        environment.push_back("VK_INSTANCE_LAYERS=VK_LAYER_KHRONOS_validation");
        auto program = std::make_unique<ProgramUnderTest>(SHELL_CHECK_PROGRAM, "/tmp", environment);
        EXPECT_TRUE(program->Started());
        return program;
    }

    // Keeps what a program wrote, for the validation check at the end.
    void Keep(const ProgramUnderTest& program) { mLogs.push_back(program.ErrorOutput()); }

    std::vector<std::string> mLogs;
};

TEST_F(ShellTest, BorderlessWindowCoversTheScreenAndReportsOncePerSecond)
{
    auto program = Start();
    ASSERT_FALSE(program->WaitForWindow(20s).empty()) << program->ErrorOutput();
    const std::string geometry = program->Geometry();
    EXPECT_NE(geometry.find("Absolute upper-left X:  0"), std::string::npos) << geometry;
    EXPECT_NE(geometry.find("Absolute upper-left Y:  0"), std::string::npos) << geometry;
    EXPECT_NE(geometry.find("Width: 1280"), std::string::npos) << geometry;
    EXPECT_NE(geometry.find("Height: 720"), std::string::npos) << geometry;

    // The title changes once per second; the window start counts whole seconds.
    const std::regex format(
        R"(d3d App    fps: \d+\.\d{6}   mspf: \d+\.\d{6}   timeElapsed: (\d+)\.000000)");
    std::set<int> windows;
    for (int i = 0; i < 50 && windows.size() < 3; ++i)
    {
        std::smatch match;
        const std::string title = program->Title();
        if (std::regex_match(title, match, format))
            windows.insert(std::stoi(match[1]));
        else
            EXPECT_EQ(title, "d3d App") << "unexpected title";
        std::this_thread::sleep_for(100ms);
    }
    ASSERT_GE(windows.size(), 2u) << program->ErrorOutput();
    EXPECT_EQ(*windows.begin(), 0);
    EXPECT_EQ(*std::next(windows.begin()), 1);

    program->Key("Escape");
    EXPECT_EQ(program->WaitForExit(10s), 0);
    EXPECT_EQ(program->ErrorOutput().find("HR Failed"), std::string::npos)
        << program->ErrorOutput();
    Keep(*program);
}

TEST_F(ShellTest, F2TogglesMultisamplingAndBackWithoutError)
{
    auto program = Start();
    ASSERT_FALSE(program->WaitForWindow(20s).empty()) << program->ErrorOutput();
    for (int i = 0; i < 4; ++i)
    {
        program->Key("F2");
        std::this_thread::sleep_for(500ms);
        ASSERT_FALSE(program->HasExited()) << program->ErrorOutput();
    }
    program->Key("Escape");
    EXPECT_EQ(program->WaitForExit(10s), 0);
    EXPECT_EQ(program->ErrorOutput().find("HR Failed"), std::string::npos)
        << program->ErrorOutput();
    Keep(*program);
}

TEST_F(ShellTest, ClosingTheWindowEndsTheProgram)
{
    auto program = Start();
    const std::string window = program->WaitForWindow(20s);
    ASSERT_FALSE(window.empty()) << program->ErrorOutput();
    RunCommand(std::string(X_CLOSE_WINDOW) + " " + window);
    EXPECT_EQ(program->WaitForExit(10s), 0);
    Keep(*program);
}

TEST_F(ShellTest, LeftDragReachesTheMouseHandlers)
{
    auto program = Start();
    ASSERT_FALSE(program->WaitForWindow(20s).empty()) << program->ErrorOutput();
    program->LeftDrag(200, 300, 260, 280);
    std::this_thread::sleep_for(500ms);
    program->Key("Escape");
    EXPECT_EQ(program->WaitForExit(10s), 0);

    const std::string log = program->ErrorOutput();
    EXPECT_NE(log.find("mouse down flags=0x1 x=200 y=300"), std::string::npos) << log;
    EXPECT_NE(log.find("mouse move flags=0x1 x=260 y=280"), std::string::npos) << log;
    EXPECT_NE(log.find("mouse up flags=0x0 x=260 y=280"), std::string::npos) << log;
    Keep(*program);
}

TEST_F(ShellTest, WithoutADisplayTheWindowFailureIsReported)
{
    auto program = Start({"DISPLAY=", "WAYLAND_DISPLAY="});
    EXPECT_EQ(program->WaitForExit(10s), 0);
    EXPECT_NE(program->ErrorOutput().find("Error: CreateWindow Failed.\n"), std::string::npos)
        << program->ErrorOutput();
}

TEST_F(ShellTest, WithoutAnyVulkanDeviceTheWarpFailureIsReportedInABox)
{
    auto program =
        Start({"VK_ICD_FILENAMES=/nonexistent/icd.json", "VK_DRIVER_FILES=/nonexistent/icd.json"});
    // The box is a window of its own; dismiss it as a user would.
    std::string box;
    for (int i = 0; i < 100 && box.empty() && !program->HasExited(); ++i)
    {
        box = FindWindowByName("HR Failed");
        std::this_thread::sleep_for(100ms);
    }
    ASSERT_FALSE(box.empty()) << program->ErrorOutput();
    RunCommand("xdotool windowfocus --sync " + box + " key Return");
    EXPECT_EQ(program->WaitForExit(10s), 0);
    EXPECT_NE(program->ErrorOutput().find(
                  "HR Failed: D3D12CreateDevice( pWarpAdapter.Get(), D3D_FEATURE_LEVEL_11_0, "
                  "IID_PPV_ARGS(&md3dDevice)) failed in "),
              std::string::npos)
        << program->ErrorOutput();
}

} // namespace
