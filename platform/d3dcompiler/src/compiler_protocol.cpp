#include "compiler_protocol.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace d3dcompiler
{
namespace
{

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

double SecondsNow()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

} // namespace

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

bool IsPipe(int fd)
{
    struct stat status;
    return fstat(fd, &status) == 0 && S_ISFIFO(status.st_mode);
}

} // namespace d3dcompiler
