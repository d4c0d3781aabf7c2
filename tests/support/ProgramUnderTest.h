// Runs a program of the project as a user would, under the tests' X display:
// starts it, finds its window, types and drags with xdotool, reads its title
// with xprop, and collects its exit code and its standard error.
#pragma once

#include "XTools.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

class ProgramUnderTest
{
public:
    // Starts `program` (looked up on the PATH when it names no folder) with
    // `arguments` in `directory`, with `extraEnvironment` ("NAME=value", or
    // "NAME=" to remove NAME) added to this process's environment.
    ProgramUnderTest(const std::string& program, const std::string& directory,
                     const std::vector<std::string>& extraEnvironment = {},
                     std::vector<std::string> arguments = {})
    {
        mErrorFile = "/tmp/program-under-test-" + std::to_string(getpid()) + "-" +
                     std::to_string(sCount++) + ".err";
        std::vector<std::string> environment;
        for (char** e = environ; *e; ++e)
        {
            const std::string entry = *e;
            bool replaced = false;
            for (const std::string& extra : extraEnvironment)
                replaced |=
                    entry.substr(0, entry.find('=') + 1) == extra.substr(0, extra.find('=') + 1);
            if (!replaced)
                environment.push_back(entry);
        }
        for (const std::string& extra : extraEnvironment)
            if (extra.back() != '=')
                environment.push_back(extra);

        std::vector<char*> envp;
        for (std::string& entry : environment)
            envp.push_back(entry.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
        posix_spawn_file_actions_addopen(&actions, 2, mErrorFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::string path = program;
        std::vector<char*> argv = {path.data()};
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&mPid, path.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
            mPid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }

    ~ProgramUnderTest()
    {
        if (mPid > 0 && !mExitCode)
        {
            kill(mPid, SIGKILL);
            waitpid(mPid, nullptr, 0);
        }
        std::remove(mErrorFile.c_str());
    }

    bool Started() const { return mPid > 0; }
    pid_t Pid() const { return mPid; }
    const std::string& Window() const { return mWindow; }

    // The X window of the program, once it has one ("" if none came in time).
    std::string WaitForWindow(std::chrono::milliseconds timeout)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end && !HasExited())
        {
            const std::string id = RunCommandLine("xdotool search --onlyvisible --pid " +
                                                  std::to_string(mPid) + " 2>/dev/null");
            if (!id.empty())
                return mWindow = id;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return "";
    }

    std::string Title() const
    {
        const std::string line = RunCommandLine("xprop -id " + mWindow + " _NET_WM_NAME");
        const auto open = line.find('"');
        const auto close = line.rfind('"');
        return open == std::string::npos || close <= open ? ""
                                                          : line.substr(open + 1, close - open - 1);
    }

    std::string Geometry() const { return RunCommand("xwininfo -id " + mWindow); }

    void Key(const std::string& key) const
    {
        RunCommand("xdotool windowfocus --sync " + mWindow + " key " + key);
    }

    // Presses the left button at `from`, moves in steps to `to`, releases.
    void LeftDrag(int fromX, int fromY, int toX, int toY) const
    {
        std::ostringstream command;
        command << "xdotool mousemove " << fromX << ' ' << fromY << " mousedown 1";
        for (int step = 1; step <= 4; ++step)
            command << " mousemove " << fromX + (toX - fromX) * step / 4 << ' '
                    << fromY + (toY - fromY) * step / 4 << " sleep 0.05";
        command << " mouseup 1";
        RunCommand(command.str());
    }

    // Sets the size of the program's window, as a window manager would.
    void Resize(int width, int height) const
    {
        RunCommand("xdotool windowsize --sync " + mWindow + " " + std::to_string(width) + " " +
                   std::to_string(height));
    }

    // A memory figure of the running program, in KiB, from /proc/<pid>/status:
    // "VmRSS" (resident now) or "VmHWM" (resident at its peak); 0 once it ended.
    long MemoryKiB(const std::string& field) const
    {
        std::ifstream status("/proc/" + std::to_string(mPid) + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.compare(0, field.size() + 1, field + ":") == 0)
                return std::atol(line.c_str() + field.size() + 1);
        return 0;
    }

    bool HasExited()
    {
        if (mExitCode)
            return true;
        int status = 0;
        if (waitpid(mPid, &status, WNOHANG) == mPid)
        {
            mExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return true;
        }
        return false;
    }

    // The exit code, or nothing if the program is still running at the end.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (!HasExited() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return mExitCode;
    }

    std::string ErrorOutput() const
    {
        std::ifstream in(mErrorFile);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    static inline int sCount = 0;
    pid_t mPid = -1;
    std::optional<int> mExitCode;
    std::string mWindow;
    std::string mErrorFile;
};
