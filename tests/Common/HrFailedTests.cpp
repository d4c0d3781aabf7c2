// Runs HrFailedProgram without a display and reads its report.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <string>

namespace
{

struct Outcome
{
    int ExitCode = -1;
    std::string Output;
};

Outcome RunWithoutDisplay(const std::string& program)
{
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY '" + program + "' 2>&1";
    Outcome outcome;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return outcome;
    std::array<char, 512> buffer;
    while (fgets(buffer.data(), int(buffer.size()), pipe))
        outcome.Output += buffer.data();
    const int status = pclose(pipe);
    if (WIFEXITED(status))
        outcome.ExitCode = WEXITSTATUS(status);
    return outcome;
}

int LineOf(const std::string& file, const std::string& marker)
{
    std::ifstream in(file);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number)
    {
        if (line.find(marker) != std::string::npos)
            return number;
    }
    return -1;
}

TEST(HrFailed, ExceptionFromTheLoopReachesTheEntryPointAndIsReported)
{
    const Outcome outcome = RunWithoutDisplay(HR_FAILED_PROGRAM);
    EXPECT_EQ(outcome.ExitCode, 0);

    const int line = LineOf(HR_FAILED_SOURCE, "// the failing check");
    ASSERT_GT(line, 0);
    // The file is named relative to the project, wherever it was built.
    const std::string report = std::string("HR Failed: HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ") +
                               "failed in tests/Common/HrFailedProgram.cpp; line " +
                               std::to_string(line) +
                               "; error: The system cannot find the file specified.\n";
    // The application is destroyed by the unwinding before the report.
    EXPECT_EQ(outcome.Output, "FailingApp destroyed\n" + report);
}

} // namespace
