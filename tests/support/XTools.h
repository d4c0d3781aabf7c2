// Running X11 command-line tools (xdotool, xprop, xwininfo) from tests that
// run under Xvfb, to act and look as a user would.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

// Runs a shell command and returns its standard output; `exitCode`, where
// given, receives its exit code (128 and more for a signal, -1 where it
// could not run).
inline std::string RunCommand(const std::string& command, int* exitCode = nullptr)
{
    std::string output;
    if (exitCode)
        *exitCode = -1;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return output;
    std::array<char, 512> buffer;
    while (fgets(buffer.data(), int(buffer.size()), pipe))
        output += buffer.data();
    const int status = pclose(pipe);
    if (exitCode && status != -1)
        *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return output;
}

// The first line of a command's output, without surrounding white space.
inline std::string RunCommandLine(const std::string& command)
{
    std::string line = RunCommand(command);
    line = line.substr(0, line.find('\n'));
    const auto end = line.find_last_not_of(" \t\r");
    return end == std::string::npos ? std::string() : line.substr(0, end + 1);
}

// The id of a top-level window named exactly `name` ("" if none): found in
// the window tree, which also lists windows that carry only a plain name.
inline std::string FindWindowByName(const std::string& name)
{
    const std::string tree = RunCommand("xwininfo -root -tree 2>/dev/null");
    const std::string quoted = "\"" + name + "\"";
    size_t at = tree.find(quoted);
    if (at == std::string::npos)
        return "";
    const size_t lineStart = tree.rfind('\n', at) + 1;
    const size_t idStart = tree.find("0x", lineStart);
    const size_t idEnd = tree.find(' ', idStart);
    return idStart < at ? tree.substr(idStart, idEnd - idStart) : "";
}
