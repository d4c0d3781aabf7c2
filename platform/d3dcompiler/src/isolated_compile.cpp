#include "isolated_compile.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace d3dcompiler
{
namespace
{

// Far beyond any real shader's compile time; only a hung front end reaches it.
constexpr int TimeLimitSeconds = 60;
constexpr uint32_t EndMarker = 0x444E4521;

void AppendWord(std::string* out, uint64_t value, size_t bytes)
{
    out->append(reinterpret_cast<const char*>(&value), bytes);
}

// result (4 bytes), message length (8), messages, code length (8), code, end marker (4)
std::string Encode(const CompileOutcome& outcome)
{
    std::string out;
    AppendWord(&out, uint32_t(outcome.Result), 4);
    AppendWord(&out, outcome.Messages.size(), 8);
    out += outcome.Messages;
    AppendWord(&out, outcome.Bytecode.size(), 8);
    out.append(reinterpret_cast<const char*>(outcome.Bytecode.data()), outcome.Bytecode.size());
    AppendWord(&out, EndMarker, 4);
    return out;
}

bool Decode(const std::string& data, CompileOutcome* outcome)
{
    size_t at = 0;
    auto take = [&data, &at](void* value, size_t bytes)
    {
        if (data.size() - at < bytes)
            return false;
        std::memcpy(value, data.data() + at, bytes);
        at += bytes;
        return true;
    };
    uint32_t result = 0;
    uint64_t length = 0;
    if (!take(&result, 4) || !take(&length, 8) || length > data.size() - at)
        return false;
    outcome->Result = HRESULT(result);
    outcome->Messages.assign(data, at, size_t(length));
    at += size_t(length);
    if (!take(&length, 8) || length > data.size() - at)
        return false;
    outcome->Bytecode.assign(data.begin() + at, data.begin() + at + ptrdiff_t(length));
    at += size_t(length);
    uint32_t marker = 0;
    return take(&marker, 4) && marker == EndMarker && at == data.size();
}

bool WriteAll(int fd, const std::string& data)
{
    for (size_t at = 0; at < data.size();)
    {
        ssize_t written = write(fd, data.data() + at, data.size() - at);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        at += size_t(written);
    }
    return true;
}

// The front end's exceptions become failed compilations.
CompileOutcome CompileCatching(const CompileRequest& request)
{
    try
    {
        return CompileHlslFile(request);
    }
    catch (const std::bad_alloc&)
    {
        return {E_OUTOFMEMORY, request.Path + ": error: out of memory\n", {}};
    }
    catch (...)
    {
        return {E_FAIL, request.Path + ": error: internal compiler error\n", {}};
    }
}

[[noreturn]] void RunChild(int fd, const CompileRequest& request)
{
    // A crash must end the child with its signal, whatever handlers the
    // program installed.
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        std::signal(signal, SIG_DFL);
    const CompileOutcome outcome = CompileCatching(request);
    // _exit: the child must not run the program's exit handlers or flush
    // its copies of the program's buffered output.
    _exit(WriteAll(fd, Encode(outcome)) ? 0 : 1);
}

double SecondsNow()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

enum class ReadEnd
{
    Complete, // the child closed its end
    TimedOut,
    Failed,
};

ReadEnd ReadAll(int fd, std::string* data)
{
    const double deadline = SecondsNow() + TimeLimitSeconds;
    char buffer[65536];
    for (;;)
    {
        const double left = deadline - SecondsNow();
        if (left <= 0)
            return ReadEnd::TimedOut;
        pollfd request{fd, POLLIN, 0};
        int ready = poll(&request, 1, int(left * 1000) + 1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            return ReadEnd::TimedOut;
        if (ready < 0)
            return ReadEnd::Failed;
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return ReadEnd::Failed;
        if (got == 0)
            return ReadEnd::Complete;
        data->append(buffer, size_t(got));
    }
}

std::string DescribeEnd(bool timedOut, int status, bool waited)
{
    if (timedOut)
        return "the HLSL compiler did not finish within " + std::to_string(TimeLimitSeconds) +
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

} // namespace

CompileOutcome CompileIsolated(const CompileRequest& request)
{
#ifdef D3DCOMPILER_IN_PROCESS
    // The sanitized builds compile in the calling process. Their sanitizer
    // runtime does not hold its allocator across fork(), so a child forked
    // while another thread allocates can hang on its first allocation; in
    // process, the sanitizer also sees into the front end.
    return CompileCatching(request);
#endif
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return Failure(E_OUTOFMEMORY, request.Path,
                       std::string("cannot start the HLSL compiler: ") + std::strerror(errno));
    pid_t child = fork();
    if (child < 0)
    {
        int error = errno;
        close(ends[0]);
        close(ends[1]);
        return Failure(E_OUTOFMEMORY, request.Path,
                       std::string("cannot start the HLSL compiler: ") + std::strerror(error));
    }
    if (child == 0)
    {
        close(ends[0]);
        RunChild(ends[1], request);
    }

    close(ends[1]);
    std::string data;
    ReadEnd end = ReadAll(ends[0], &data);
    close(ends[0]);
    if (end != ReadEnd::Complete)
        kill(child, SIGKILL);
    int status = 0;
    pid_t waited;
    while ((waited = waitpid(child, &status, 0)) < 0 && errno == EINTR)
    {
    }

    // The complete message is what counts: the exit status may be lost to a
    // program that ignores SIGCHLD.
    CompileOutcome outcome;
    if (end == ReadEnd::Complete && Decode(data, &outcome))
        return outcome;
    return Failure(E_FAIL, request.Path,
                   DescribeEnd(end == ReadEnd::TimedOut, status, waited == child));
}

} // namespace d3dcompiler
