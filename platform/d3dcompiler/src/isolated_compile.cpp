#include "isolated_compile.h"

#include "compiler_protocol.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace d3dcompiler
{
namespace
{

// The compiler program's name; it lies beside the program's executable.
constexpr char CompilerProgram[] = "HlslCompiler";

// A descriptor closed when it goes out of scope.
class Descriptor
{
public:
    Descriptor() = default;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { Reset(); }

    int Get() const { return mFd; }
    void Reset(int fd = -1)
    {
        if (mFd >= 0)
            close(mFd);
        mFd = fd;
    }

private:
    int mFd = -1;
};

// A pipe, both ends closed on exec; false with errno set if there is none.
// The end that the compiler process is given is moved above the descriptors
// it is given as (0 and 3), so that placing one end there cannot replace the
// other before that is placed.
bool MakePipe(Descriptor* readEnd, Descriptor* writeEnd, Descriptor* compilerEnd)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return false;
    readEnd->Reset(ends[0]);
    writeEnd->Reset(ends[1]);
    if (compilerEnd->Get() > OutcomeDescriptor)
        return true;
    int moved = fcntl(compilerEnd->Get(), F_DUPFD_CLOEXEC, OutcomeDescriptor + 1);
    if (moved < 0)
        return false;
    compilerEnd->Reset(moved);
    return true;
}

// The compiler beside the program's own executable, where the package
// installs it and the build places it.
std::string CompilerPath()
{
    std::string self(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", self.data(), self.size());
    if (length <= 0 || size_t(length) >= self.size())
        return CompilerProgram; // not found: the start reports it
    self.resize(size_t(length));
    return self.substr(0, self.rfind('/') + 1) + CompilerProgram;
}

std::string DescribeEnd(bool timedOut, int timeLimitSeconds, int status, bool waited)
{
    if (timedOut)
        return "the HLSL compiler did not finish within " + std::to_string(timeLimitSeconds) +
               " seconds";
    if (waited && WIFSIGNALED(status))
        return "the HLSL compiler crashed on this source (" +
               std::string(strsignal(WTERMSIG(status))) + ")";
    return "the HLSL compiler stopped unexpectedly";
}

CompileOutcome Failure(HRESULT result, const std::string& path, const std::string& text)
{
    return {result, path + ": error: " + text + "\n", {}};
}

// `compiler` names the program where it could not be started from its file.
CompileOutcome CannotStart(const std::string& path, int error, const std::string& compiler = {})
{
    const std::string which = compiler.empty() ? "" : " " + compiler;
    return Failure(error == ENOMEM || error == EAGAIN || error == EMFILE ? E_OUTOFMEMORY : E_FAIL,
                   path, "cannot start the HLSL compiler" + which + ": " + std::strerror(error));
}

} // namespace

CompileOutcome CompileIsolated(const CompileRequest& request, int timeLimitSeconds)
{
    const std::string encoded = EncodeRequest(request);
    Descriptor requestRead, requestWrite, outcomeRead, outcomeWrite;
    if (!MakePipe(&requestRead, &requestWrite, &requestRead) ||
        !MakePipe(&outcomeRead, &outcomeWrite, &outcomeWrite))
        return CannotStart(request.Path, errno);
    // The whole request is in the pipe before the compiler starts, so that
    // writing it can neither wait for the compiler nor meet a closed pipe.
    if (encoded.size() > size_t(fcntl(requestWrite.Get(), F_GETPIPE_SZ)) &&
        fcntl(requestWrite.Get(), F_SETPIPE_SZ, int(encoded.size())) < 0)
        return CannotStart(request.Path, errno);
    if (!WriteAll(requestWrite.Get(), encoded))
        return CannotStart(request.Path, errno);
    requestWrite.Reset();

    // posix_spawn, unlike fork, leaves no copy of the program's other
    // threads' locks behind: the compiler starts afresh.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, requestRead.Get(), RequestDescriptor);
    posix_spawn_file_actions_adddup2(&actions, outcomeWrite.Get(), OutcomeDescriptor);
    static const std::string compiler = CompilerPath();
    char name[] = "HlslCompiler";
    char* arguments[] = {name, nullptr};
    // The program's environment as it is: the compiler's front end reads
    // none of it, and a sanitized build's options reach its compiler too.
    pid_t child = 0;
    int error = posix_spawn(&child, compiler.c_str(), &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    requestRead.Reset();
    outcomeWrite.Reset();
    if (error != 0)
        return CannotStart(request.Path, error, compiler);

    std::string data;
    const ReadEnd end = ReadAll(outcomeRead.Get(), timeLimitSeconds, &data);
    outcomeRead.Reset();
    if (end != ReadEnd::Complete)
        kill(child, SIGKILL);
    int status = 0;
    pid_t waited;
    while ((waited = waitpid(child, &status, 0)) < 0 && errno == EINTR)
    {
    }

    // The complete outcome is what counts: the exit status is lost to a
    // program that ignores SIGCHLD (waitpid then fails once the child ended).
    CompileOutcome outcome;
    if (end == ReadEnd::Complete && DecodeOutcome(data, &outcome))
        return outcome;
    return Failure(
        E_FAIL, request.Path,
        DescribeEnd(end == ReadEnd::TimedOut, timeLimitSeconds, status, waited == child));
}

} // namespace d3dcompiler
