#include "isolated_compile.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <spawn.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace d3dcompiler
{
namespace
{

// Present in the environment of a compiler process: the program's own
// executable, started by CompileIsolated, that compiles instead of running
// the program.
constexpr char CompilerVariable[] = "CITY_HLSL_COMPILER_CHILD";
// Where a compiler process reads its request and writes its outcome: pipes
// of their own, so that whatever the front end prints cannot corrupt the
// outcome. Its standard error is the program's.
constexpr int RequestDescriptor = 0;
constexpr int OutcomeDescriptor = 3;
constexpr uint32_t EndMarker = 0x444E4521;

// Requests and outcomes are encoded as words in the machine's byte order,
// texts as their length (8 bytes) and bytes, and end with EndMarker.
void AppendWord(std::string* out, uint64_t value, size_t bytes)
{
    out->append(reinterpret_cast<const char*>(&value), bytes);
}

void AppendText(std::string* out, std::string_view text)
{
    AppendWord(out, text.size(), 8);
    out->append(text);
}

// Reads an encoding back; each read fails rather than go past the end.
class Reader
{
public:
    explicit Reader(const std::string& data) : mData(data) {}

    bool Word(void* value, size_t bytes)
    {
        if (mData.size() - mAt < bytes)
            return false;
        std::memcpy(value, mData.data() + mAt, bytes);
        mAt += bytes;
        return true;
    }

    bool Flag(bool* value)
    {
        uint8_t byte = 0;
        if (!Word(&byte, 1) || byte > 1)
            return false;
        *value = byte == 1;
        return true;
    }

    bool Text(std::string* text)
    {
        uint64_t length = 0;
        if (!Word(&length, 8) || length > mData.size() - mAt)
            return false;
        text->assign(mData, mAt, size_t(length));
        mAt += size_t(length);
        return true;
    }

    // The end marker, and nothing after it.
    bool End()
    {
        uint32_t marker = 0;
        return Word(&marker, 4) && marker == EndMarker && mAt == mData.size();
    }

private:
    const std::string& mData;
    size_t mAt = 0;
};

// path, macro count (8), each macro's name and value, standard includes (1),
// entry point, stage (4), debug information (1), end marker
std::string EncodeRequest(const CompileRequest& request)
{
    std::string out;
    AppendText(&out, request.Path);
    AppendWord(&out, request.Macros.size(), 8);
    for (const auto& [name, value] : request.Macros)
    {
        AppendText(&out, name);
        AppendText(&out, value);
    }
    AppendWord(&out, request.StandardIncludes, 1);
    AppendText(&out, request.EntryPoint);
    AppendWord(&out, uint32_t(request.Stage), 4);
    AppendWord(&out, request.DebugInfo, 1);
    AppendWord(&out, EndMarker, 4);
    return out;
}

bool DecodeRequest(const std::string& data, CompileRequest* request)
{
    Reader in(data);
    uint64_t macros = 0;
    if (!in.Text(&request->Path) || !in.Word(&macros, 8))
        return false;
    // Each macro takes at least 16 bytes: the count cannot exceed what is left.
    for (uint64_t i = 0; i < macros; ++i)
    {
        std::string name, value;
        if (!in.Text(&name) || !in.Text(&value))
            return false;
        request->Macros.emplace_back(std::move(name), std::move(value));
    }
    uint32_t stage = 0;
    if (!in.Flag(&request->StandardIncludes) || !in.Text(&request->EntryPoint) ||
        !in.Word(&stage, 4) || !in.Flag(&request->DebugInfo) || !in.End())
        return false;
    if (stage != uint32_t(shader_bytecode::Stage::Vertex) &&
        stage != uint32_t(shader_bytecode::Stage::Pixel))
        return false;
    request->Stage = shader_bytecode::Stage(stage);
    return true;
}

// result (4), messages, code, end marker
std::string EncodeOutcome(const CompileOutcome& outcome)
{
    std::string out;
    AppendWord(&out, uint32_t(outcome.Result), 4);
    AppendText(&out, outcome.Messages);
    AppendText(&out, std::string_view(reinterpret_cast<const char*>(outcome.Bytecode.data()),
                                      outcome.Bytecode.size()));
    AppendWord(&out, EndMarker, 4);
    return out;
}

bool DecodeOutcome(const std::string& data, CompileOutcome* outcome)
{
    Reader in(data);
    uint32_t result = 0;
    std::string code;
    if (!in.Word(&result, 4) || !in.Text(&outcome->Messages) || !in.Text(&code) || !in.End())
        return false;
    outcome->Result = HRESULT(result);
    outcome->Bytecode.assign(code.begin(), code.end());
    return true;
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

double SecondsNow()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

enum class ReadEnd
{
    Complete, // the writer closed its end
    TimedOut,
    Failed,
};

ReadEnd ReadAll(int fd, int timeLimitSeconds, std::string* data)
{
    const double deadline = SecondsNow() + timeLimitSeconds;
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

// A compiler process is given its request and outcome as pipes.
bool IsPipe(int fd)
{
    struct stat status;
    return fstat(fd, &status) == 0 && S_ISFIFO(status.st_mode);
}

// The compiler process: the request in, the outcome out. _exit: it must not
// run the program's exit handlers (nor the sanitizers' leak check, which
// would find the program's start-up state).
[[noreturn]] void RunCompilerProcess()
{
    // A crash must end the process with its signal, whatever handlers the
    // program's libraries or a sanitizer installed while it started.
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        std::signal(signal, SIG_DFL);
    unsetenv(CompilerVariable);
    std::string data;
    CompileRequest request;
    CompileOutcome outcome{E_FAIL, "error: the HLSL compiler received a malformed request\n", {}};
    if (ReadAll(RequestDescriptor, CompileTimeLimitSeconds, &data) == ReadEnd::Complete &&
        DecodeRequest(data, &request))
        outcome = CompileCatching(request);
    _exit(WriteAll(OutcomeDescriptor, EncodeOutcome(outcome)) ? 0 : 1);
}

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

// The program's environment and the compiler variable, built apart: the
// program's own environment is left as it is.
std::vector<char*> CompilerEnvironment()
{
    static const std::string Name = std::string(CompilerVariable) + "=";
    static std::string assignment = Name + "1";
    std::vector<char*> environment;
    for (char** entry = environ; *entry; ++entry)
        if (!std::string_view(*entry).starts_with(Name))
            environment.push_back(*entry);
    environment.push_back(assignment.data());
    environment.push_back(nullptr);
    return environment;
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

CompileOutcome CannotStart(const std::string& path, int error)
{
    return Failure(error == ENOMEM || error == EAGAIN || error == EMFILE ? E_OUTOFMEMORY : E_FAIL,
                   path, std::string("cannot start the HLSL compiler: ") + std::strerror(error));
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
    // threads' locks behind: the compiler starts afresh from the program's
    // executable.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, requestRead.Get(), RequestDescriptor);
    posix_spawn_file_actions_adddup2(&actions, outcomeWrite.Get(), OutcomeDescriptor);
    char name[] = "hlsl-compiler";
    char* arguments[] = {name, nullptr};
    std::vector<char*> environment = CompilerEnvironment();
    pid_t child = 0;
    int error =
        posix_spawn(&child, "/proc/self/exe", &actions, nullptr, arguments, environment.data());
    posix_spawn_file_actions_destroy(&actions);
    requestRead.Reset();
    outcomeWrite.Reset();
    if (error != 0)
        return CannotStart(request.Path, error);

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

extern "C" int __real_main(int argc, char** argv, char** envp);

// The programs that link the compiler are linked with --wrap=main (see
// CMakeLists.txt), so that this runs in place of their main: after the whole
// program's static initialisation, which the front end's libraries need,
// and before anything the program itself does.
extern "C" int __wrap_main(int argc, char** argv, char** envp)
{
    // The variable alone does not make a compiler: a program started with it
    // by hand, its request and outcome descriptors not pipes, runs as itself.
    if (std::getenv(d3dcompiler::CompilerVariable) &&
        d3dcompiler::IsPipe(d3dcompiler::RequestDescriptor) &&
        d3dcompiler::IsPipe(d3dcompiler::OutcomeDescriptor))
        d3dcompiler::RunCompilerProcess();
    return __real_main(argc, argv, envp);
}
