#include "source_files.h"

#include <win32_support.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace d3dcompiler
{
namespace
{

// Closes a POSIX file descriptor when it goes out of scope.
struct FileDescriptor
{
    int Value;
    ~FileDescriptor()
    {
        if (Value >= 0)
            close(Value);
    }
};

HRESULT FileFailure(int error, const std::string& path, std::string* message)
{
    *message = path + ": cannot read the file: " + std::strerror(error);
    return HRESULT_FROM_WIN32(win32::FileErrorFromErrno(error, path));
}

// An included file, or the message explaining why it is not there; shaderc
// reads it through `Result` until it releases it.
struct Inclusion
{
    std::string Name;
    std::string Content;
    shaderc_include_result Result{};
};

std::string DirectoryOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

struct IncludePolicy
{
    bool Standard;
};
const IncludePolicy StandardHandler{true};
const IncludePolicy NoHandler{false};

shaderc_include_result* Resolve(void* policy, const char* requested, int /*type*/,
                                const char* requesting, size_t /*depth*/)
{
    auto* inclusion = new Inclusion;
    std::string name = requested;
    // Sources written for the platform may separate directories with backslashes.
    for (char& c : name)
        if (c == '\\')
            c = '/';
    if (!static_cast<const IncludePolicy*>(policy)->Standard)
    {
        inclusion->Content = "cannot include '" + name + "': no include handler was given";
    }
    else
    {
        std::string path = name.starts_with('/') ? name : DirectoryOf(requesting) + name;
        std::string message;
        if (SUCCEEDED(ReadSourceFile(path, &inclusion->Content, &message)))
            inclusion->Name = path;
        else
            inclusion->Content = message;
    }
    // An empty source name tells shaderc that the content is an error message.
    inclusion->Result.source_name = inclusion->Name.c_str();
    inclusion->Result.source_name_length = inclusion->Name.size();
    inclusion->Result.content = inclusion->Content.c_str();
    inclusion->Result.content_length = inclusion->Content.size();
    inclusion->Result.user_data = inclusion;
    return &inclusion->Result;
}

void Release(void* /*userData*/, shaderc_include_result* result)
{
    delete static_cast<Inclusion*>(result->user_data);
}

} // namespace

HRESULT ReadSourceFile(const std::string& path, std::string* content, std::string* message)
{
    FileDescriptor file{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.Value < 0)
        return FileFailure(errno, path, message);

    content->clear();
    char buffer[16384];
    for (;;)
    {
        ssize_t got = read(file.Value, buffer, sizeof buffer);
        if (got == 0)
            return S_OK;
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return FileFailure(errno, path, message);
        content->append(buffer, size_t(got));
    }
}

void SetIncludeResolution(shaderc_compile_options_t options, bool standard)
{
    const IncludePolicy* policy = standard ? &StandardHandler : &NoHandler;
    shaderc_compile_options_set_include_callbacks(options, Resolve, Release,
                                                  const_cast<IncludePolicy*>(policy));
}

} // namespace d3dcompiler
