// The demo on the desktops its users run it on, with the validation layer on:
// under an X11 window manager, natively on Wayland under a tiling compositor,
// and under a performance overlay. Each desktop is a CTest test of its own
// (desktop.window_manager, desktop.wayland, desktop.wayland_end,
// desktop.mangohud); one whose compositor or tool is missing is skipped,
// saying which.
#include "ProgramUnderTest.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <regex>

namespace
{

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string Validation = "VK_INSTANCE_LAYERS=VK_LAYER_KHRONOS_validation";
const std::regex
    TitleFormat(R"(d3d App    fps: \d+\.\d{6}   mspf: \d+\.\d{6}   timeElapsed: (\d+)\.000000)");

// A rectangle as "WIDTHxHEIGHT+X+Y", from a command's "X Y WIDTH HEIGHT".
std::string Box(const std::string& numbers)
{
    int x = 0, y = 0, width = 0, height = 0;
    std::sscanf(numbers.c_str(), "%d %d %d %d", &x, &y, &width, &height);
    return std::to_string(width) + "x" + std::to_string(height) + "+" + std::to_string(x) + "+" +
           std::to_string(y);
}

// The lines of a log that hold `text`, leaving out those that hold `excused`.
std::string LinesWith(const std::string& log, const std::string& text,
                      const std::string& excused = "\n")
{
    std::istringstream lines(log);
    std::string line, found;
    while (std::getline(lines, line))
        if (line.find(text) != std::string::npos && line.find(excused) == std::string::npos)
            found += line + "\n";
    return found;
}

std::string Missing(const std::vector<std::string>& tools)
{
    std::string missing;
    for (const std::string& tool : tools)
        if (RunCommandLine("command -v '" + tool + "'").empty())
            missing += " " + tool;
    return missing.empty() ? "" : "not installed:" + missing;
}

// A desktop as its user meets it: where the demo's window goes, what its
// title says, keys, a drag and screenshots, and taking the focus away.
class Desktop
{
public:
    virtual ~Desktop() = default;
    std::string Unavailable; // why this desktop cannot run here, or ""

    virtual std::vector<std::string> Environment() const { return {Validation}; }
    virtual bool WaitForWindow(ProgramUnderTest& demo) = 0;
    virtual std::string Title() const = 0;
    // The window as placed, a compositor's frame around it included, and the
    // area the desktop gives to windows.
    virtual std::string Frame() const = 0;
    virtual std::string WorkArea() const = 0;
    // The size the demo last drew at, where the desktop lets the test see it,
    // and the size the desktop gives the window's content.
    virtual std::string DrawnSize(const std::string&) const { return ""; }
    virtual std::string ContentSize() const { return ""; }
    virtual void Key(const std::string& key) = 0;
    virtual void Drag(int fromX, int fromY, int toX, int toY) = 0;
    virtual void Screenshot(const std::string& file) const = 0;
    virtual void Deactivate() = 0;
    virtual void Activate() = 0;

    // The running time the title reports, or -1 before the first report.
    int TitleSeconds() const
    {
        std::smatch match;
        const std::string title = Title();
        return std::regex_match(title, match, TitleFormat) ? std::stoi(match[1]) : -1;
    }

    // Waits until the title reports `seconds` of running time or more.
    int WaitForTitleSeconds(int seconds, ProgramUnderTest& demo, std::chrono::seconds timeout)
    {
        const auto end = Clock::now() + timeout;
        int reported = TitleSeconds();
        while (reported < seconds && Clock::now() < end && !demo.HasExited())
        {
            std::this_thread::sleep_for(200ms);
            reported = TitleSeconds();
        }
        return reported;
    }
};

// The tests' X display, under openbox (which the test starts) or bare.
class XDesktop : public Desktop
{
public:
    explicit XDesktop(bool withManager = true)
    {
        Unavailable = withManager ? Missing({"openbox"}) : "";
        if (!std::getenv("DISPLAY"))
            Unavailable = "needs an X display (run through ctest, which starts Xvfb)";
        if (!Unavailable.empty() || !withManager)
            return;
        mManager = std::make_unique<ProgramUnderTest>("openbox", "/tmp", std::vector<std::string>{},
                                                      std::vector<std::string>{"--sm-disable"});
        for (int i = 0;
             i < 100 && RunCommand("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") ==
                            std::string::npos;
             ++i)
            std::this_thread::sleep_for(100ms);
    }

    bool WaitForWindow(ProgramUnderTest& demo) override
    {
        mDemo = &demo;
        return !demo.WaitForWindow(60s).empty();
    }
    std::string Title() const override { return mDemo->Title(); }
    std::string Frame() const override
    {
        return Box(RunCommand("xwininfo -id " + mDemo->Window() +
                              " | awk '/Absolute upper-left|Width:|Height:/ {print $NF}'"));
    }
    std::string WorkArea() const override
    {
        return Box(RunCommand("xprop -root _NET_WORKAREA | cut -d= -f2 | tr -d ,"));
    }
    void Key(const std::string& key) override { mDemo->Key(key); }
    void Drag(int fromX, int fromY, int toX, int toY) override
    {
        mDemo->LeftDrag(fromX, fromY, toX, toY);
    }
    void Screenshot(const std::string& file) const override
    {
        RunCommand("import -window root '" + file + "'");
    }
    void Deactivate() override { RunCommand("xdotool windowminimize --sync " + mDemo->Window()); }
    void Activate() override { RunCommand("xdotool windowactivate --sync " + mDemo->Window()); }

private:
    std::unique_ptr<ProgramUnderTest> mManager;
    ProgramUnderTest* mDemo = nullptr;
};

// sway's headless back end at 800 x 600 with its default look, without
// XWayland: the demo on SDL's Wayland driver. sway refuses to run as root,
// so under root it runs as nobody. A user's keyboard is a virtual one (wtype)
// held for as long as the demo should have the focus: keyboard focus goes
// with the last keyboard.
class WaylandDesktop : public Desktop
{
public:
    WaylandDesktop()
    {
        Unavailable = Missing({"sway", "swaymsg", "grim", "wtype", "jq", WAYLAND_DRAG});
        if (!Unavailable.empty())
            return;
        mFolder = "/tmp/desktop-sway-" + std::to_string(getpid());
        const std::string runtime = mFolder + "/run";
        std::filesystem::create_directories(runtime);
        RunCommand("echo 'output HEADLESS-1 resolution 800x600' > " + mFolder + "/config");
        chmod(mFolder.c_str(), 0755);
        chmod(runtime.c_str(), 0700);
        std::vector<std::string> command = {"sway", "-c", mFolder + "/config"};
        if (geteuid() == 0)
        {
            RunCommand("chown nobody:nogroup " + runtime);
            command.insert(command.begin(),
                           {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"});
        }
        const std::string program = command.front();
        command.erase(command.begin());
        mCompositor = std::make_unique<ProgramUnderTest>(
            program, mFolder,
            std::vector<std::string>{"XDG_RUNTIME_DIR=" + runtime, "HOME=" + mFolder,
                                     "WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1",
                                     "WLR_RENDERER=pixman", "WAYLAND_DISPLAY=", "DISPLAY="},
            command);
        std::string display, ipc;
        for (int i = 0; i < 200 && (display.empty() || ipc.empty()); ++i)
        {
            std::this_thread::sleep_for(100ms);
            display = RunCommandLine("ls " + runtime + " | grep '^wayland-[0-9]*$'");
            ipc = RunCommandLine("ls " + runtime + "/sway-ipc.*.sock 2>/dev/null");
        }
        // The test's own tools (swaymsg, grim, wtype) find the compositor here.
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        setenv("WAYLAND_DISPLAY", display.c_str(), 1);
        setenv("SWAYSOCK", ipc.c_str(), 1);
        Activate();
    }

    ~WaylandDesktop() override
    {
        mKeyboard.reset();
        mCompositor.reset();
        if (!mFolder.empty())
            std::filesystem::remove_all(mFolder);
    }

    // WAYLAND_DEBUG shows the size of every buffer the demo presents.
    std::vector<std::string> Environment() const override
    {
        return {Validation, "SDL_VIDEODRIVER=wayland", "DISPLAY=", "WAYLAND_DEBUG=1"};
    }
    bool WaitForWindow(ProgramUnderTest& demo) override
    {
        mNode = "swaymsg -t get_tree | jq -r '.. | objects | select(.pid? == " +
                std::to_string(demo.Pid()) + ") | ";
        for (int i = 0; i < 600 && !demo.HasExited(); ++i, std::this_thread::sleep_for(100ms))
            if (!RunCommandLine(mNode + ".id'").empty())
                return true;
        // Why the compositor did not show the window (it cannot run as
        // nobody, or cannot allocate its buffers), in its own words.
        std::fprintf(stderr, "sway's output:\n%s", mCompositor->ErrorOutput().c_str());
        return false;
    }
    std::string Title() const override { return RunCommandLine(mNode + ".name'"); }
    std::string Frame() const override
    {
        return Box(RunCommand(mNode + "[.rect.x, .rect.y - .deco_rect.height, .rect.width, "
                                      ".rect.height + .deco_rect.height] | @tsv'"));
    }
    std::string WorkArea() const override
    {
        return Box(RunCommand("swaymsg -t get_outputs | jq -r '.[0].rect | "
                              "[.x, .y, .width, .height] | @tsv'"));
    }
    std::string DrawnSize(const std::string& log) const override
    {
        const std::regex buffer(R"(create_buffer\(new id wl_buffer@\d+, \d+, (\d+), (\d+),)");
        std::string last;
        for (auto it = std::sregex_iterator(log.begin(), log.end(), buffer);
             it != std::sregex_iterator(); ++it)
            last = Box("0 0 " + (*it)[1].str() + " " + (*it)[2].str());
        return last;
    }
    std::string ContentSize() const override
    {
        return Box(RunCommand(mNode + "[0, 0, .window_rect.width, .window_rect.height] | @tsv'"));
    }
    void Key(const std::string& key) override { RunCommand("wtype -s 1500 -k " + key); }
    void Drag(int fromX, int fromY, int toX, int toY) override
    {
        int width = 0, height = 0;
        std::sscanf(WorkArea().c_str(), "%dx%d", &width, &height);
        RunCommand(std::string(WAYLAND_DRAG) + " " + std::to_string(fromX) + " " +
                   std::to_string(fromY) + " " + std::to_string(toX) + " " + std::to_string(toY) +
                   " " + std::to_string(width) + " " + std::to_string(height));
    }
    void Screenshot(const std::string& file) const override { RunCommand("grim '" + file + "'"); }
    void Deactivate() override { mKeyboard.reset(); }
    void Activate() override
    {
        mKeyboard = std::make_unique<ProgramUnderTest>("wtype", "/tmp", std::vector<std::string>{},
                                                       std::vector<std::string>{"-s", "600000"});
    }

private:
    std::string mFolder;
    std::string mNode;
    std::unique_ptr<ProgramUnderTest> mCompositor;
    std::unique_ptr<ProgramUnderTest> mKeyboard;
};

// Mean absolute difference of two screenshots, in 0..1, compared as 16 × 12
// thumbnails: the camera's drift moves fine detail a lot and the picture as a
// whole little.
double Difference(const std::string& a, const std::string& b)
{
    for (const std::string& file : {a, b})
        RunCommand("convert '" + file + "' -resize '16x12!' '" + file + ".small.png'");
    const std::string out = RunCommand("compare -metric MAE '" + a + ".small.png' '" + b +
                                       ".small.png' null: 2>&1 | sed 's/.*(//;s/)//'");
    std::remove((a + ".small.png").c_str());
    std::remove((b + ".small.png").c_str());
    return std::atof(out.c_str());
}

double Brightness(const std::string& file)
{
    return std::atof(RunCommand("convert '" + file + "' -format '%[fx:mean]' info:").c_str());
}

struct DesktopRow
{
    const char* Name;
    std::unique_ptr<Desktop> (*Make)();
};

class Desktops : public ::testing::TestWithParam<DesktopRow>
{
};

// Placed over the work area, the fps line in the title, a screenshot of the
// city, F2 building the 4-sample targets, a pause while the focus is away,
// a drag turning the view in the sweep, and Escape ending with 0.
TEST_P(Desktops, PlaceTheDemoAndPassItsInputAsAUserExpects)
{
    const std::unique_ptr<Desktop> desktop = GetParam().Make();
    if (!desktop->Unavailable.empty())
        GTEST_SKIP() << desktop->Unavailable;
    ProgramUnderTest demo(CITY_DEMO, CITY_RUN_DIR, desktop->Environment());
    ASSERT_TRUE(desktop->WaitForWindow(demo)) << demo.ErrorOutput();
    ASSERT_GE(desktop->WaitForTitleSeconds(2, demo, 60s), 2) << desktop->Title();
    EXPECT_EQ(desktop->Frame(), desktop->WorkArea());
    EXPECT_EQ(desktop->DrawnSize(demo.ErrorOutput()), desktop->ContentSize())
        << "the demo does not draw at the size its window is given";

    const std::string shots = "/tmp/desktop-run-" + std::to_string(getpid());
    desktop->Screenshot(shots + "-city.png");
    EXPECT_GT(Brightness(shots + "-city.png"), 0.05) << "the screen is black";

    // Four samples of colour and depth at 4 bytes each: 32 bytes a pixel.
    long width = 0, height = 0;
    std::sscanf(desktop->Frame().c_str(), "%ldx%ld", &width, &height);
    const long before = demo.MemoryKiB("VmRSS");
    desktop->Key("F2");
    std::this_thread::sleep_for(4s);
    const long grown = demo.MemoryKiB("VmRSS") - before;
    std::printf("resident memory grew by %ld KiB with 4 samples at %ldx%ld\n", grown, width,
                height);
    EXPECT_GT(grown, width * height * 16 / 1024);
    desktop->Key("F2");

    desktop->Deactivate();
    std::this_thread::sleep_for(1s);
    const int paused = desktop->TitleSeconds();
    const std::string pausedTitle = desktop->Title();
    std::this_thread::sleep_for(6s);
    EXPECT_EQ(desktop->Title(), pausedTitle) << "the demo went on while the focus was away";
    desktop->Activate();
    const auto resumed = Clock::now();
    std::this_thread::sleep_for(8s);
    const int after = desktop->TitleSeconds();
    EXPECT_GE(after, paused + 3) << "the demo did not resume";
    // The clock stood still: the running time moved on only since the resume.
    EXPECT_LE(after - paused, std::chrono::duration<double>(Clock::now() - resumed).count() + 2.5);

    // In the sweep (31 s to 40 s of running time; a title reporting 31 s
    // comes at 32 s) a long drag turns the view far more than it drifts by
    // itself in a second. The screenshots are taken early: under load each
    // takes a second or more, and the next phase must not begin among them.
    ASSERT_GE(desktop->WaitForTitleSeconds(31, demo, 120s), 31) << demo.ErrorOutput();
    desktop->Screenshot(shots + "-a.png");
    std::this_thread::sleep_for(1s);
    desktop->Screenshot(shots + "-b.png");
    desktop->Drag(200, 300, 600, 200);
    std::this_thread::sleep_for(1s);
    desktop->Screenshot(shots + "-c.png");
    EXPECT_LE(desktop->TitleSeconds(), 39) << "the screenshots ran into the next phase";
    const double drift = Difference(shots + "-a.png", shots + "-b.png");
    const double turn = Difference(shots + "-b.png", shots + "-c.png");
    std::printf("view moved %.3f in a second by itself, %.3f with the drag\n", drift, turn);
    EXPECT_GT(turn, 2.0 * drift);

    desktop->Key("Escape");
    EXPECT_EQ(demo.WaitForExit(30s), 0) << demo.ErrorOutput();
    EXPECT_EQ(LinesWith(demo.ErrorOutput(), "vulkan validation:"), "");
    EXPECT_EQ(LinesWith(demo.ErrorOutput(), "HR Failed"), "");
    for (const char* shot : {"-city.png", "-a.png", "-b.png", "-c.png"})
        std::remove((shots + shot).c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Desktop, Desktops,
    ::testing::Values(
        DesktopRow{"WindowManager", [] { return std::unique_ptr<Desktop>(new XDesktop); }},
        DesktopRow{"Wayland", [] { return std::unique_ptr<Desktop>(new WaylandDesktop); }}),
    [](const ::testing::TestParamInfo<DesktopRow>& info) { return std::string(info.param.Name); });

// On Wayland the demo keeps the focus for its whole flight and ends by itself.
// Not asked for Wayland, it finds it by itself where no X server is reachable.
TEST(WaylandEnd, TheDemoEndsByItselfAfter110Seconds)
{
    WaylandDesktop desktop;
    if (!desktop.Unavailable.empty())
        GTEST_SKIP() << desktop.Unavailable;
    ProgramUnderTest demo(CITY_DEMO, CITY_RUN_DIR, {Validation, "SDL_VIDEODRIVER=", "DISPLAY="});
    ASSERT_TRUE(desktop.WaitForWindow(demo)) << demo.ErrorOutput();
    const auto start = Clock::now();
    int last = -1;
    while (!demo.HasExited() && Clock::now() - start < 150s)
    {
        last = std::max(last, desktop.TitleSeconds());
        std::this_thread::sleep_for(500ms);
    }
    EXPECT_EQ(demo.WaitForExit(10s), 0) << "the demo did not end by itself";
    EXPECT_GT(Clock::now() - start, 105s);
    EXPECT_GE(last, 105);
    EXPECT_EQ(LinesWith(demo.ErrorOutput(), "vulkan validation:"), "");
}

// MangoHud over the demo on the tests' X display: its overlay in the top
// left corner (on a magenta background, a colour the city never shows) and
// its frame log, while the demo's own title, exit code and Vulkan use stay as
// they are. A run without it has no magenta there.
// One validation message is MangoHud's own (0.6 passes core features in
// pEnabledFeatures also where the program chains VkPhysicalDeviceFeatures2,
// as ours does), reported by the layer below it on the device creation it
// makes of the program's.
TEST(MangoHud, DrawsItsOverlayAndLogsFramesLeavingTheDemoAsItIs)
{
    XDesktop desktop(false);
    if (!desktop.Unavailable.empty())
        GTEST_SKIP() << desktop.Unavailable;
    if (RunCommandLine("ls /usr/share/vulkan/implicit_layer.d/MangoHud*.json 2>/dev/null").empty())
        GTEST_SKIP() << "MangoHud is not installed";
    const std::string folder = "/tmp/desktop-mangohud-" + std::to_string(getpid());
    std::filesystem::create_directories(folder);
    for (const bool overlay : {false, true})
    {
        std::vector<std::string> environment = {Validation};
        if (overlay)
            environment.insert(environment.end(),
                               {"MANGOHUD=1", "MANGOHUD_CONFIG=background_color=FF00FF,"
                                              "background_alpha=1,output_folder=" +
                                                  folder + ",autostart_log=8,log_duration=5"});
        ProgramUnderTest demo(CITY_DEMO, CITY_RUN_DIR, environment);
        ASSERT_TRUE(desktop.WaitForWindow(demo)) << demo.ErrorOutput();
        ASSERT_GE(desktop.WaitForTitleSeconds(16, demo, 90s), 16) << desktop.Title();
        desktop.Screenshot(folder + (overlay ? "/with.png" : "/without.png"));
        desktop.Key("Escape");
        EXPECT_EQ(demo.WaitForExit(30s), 0) << demo.ErrorOutput();
        EXPECT_EQ(LinesWith(demo.ErrorOutput(),
                            "vulkan validation:", "VUID-VkDeviceCreateInfo-pNext-00373"),
                  "");
    }
    // The share of magenta in the top left corner.
    const auto magenta = [&](const char* shot)
    {
        return std::atof(RunCommand("convert " + folder + shot +
                                    " -crop 200x100+0+0 -fuzz 10% -fill black +opaque '#FF00FF' "
                                    "-fill white -opaque '#FF00FF' -format '%[fx:mean]' info:")
                             .c_str());
    };
    EXPECT_GT(magenta("/with.png"), 0.5) << "no overlay";
    EXPECT_LT(magenta("/without.png"), 0.01);

    // The frame log: one row a tenth of a second, frames per second first.
    const std::string log = RunCommandLine("ls " + folder + "/CityDemo_*[0-9].csv");
    ASSERT_FALSE(log.empty()) << "no frame log";
    const int frames = std::atoi(
        RunCommand("awk -F, 'NR > 3 && $1 > 0.5 && $1 < 1000' " + log + " | wc -l").c_str());
    EXPECT_GE(frames, 10);
    std::filesystem::remove_all(folder);
}

} // namespace
