// POSIX file errors in their Win32 form.
#include <win32_support.h>

#include <cerrno>
#include <sys/stat.h>

namespace win32
{
namespace
{

// True when the directory that would hold `path` exists.
bool ParentDirectoryExists(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return true;
    std::string parent = slash == 0 ? "/" : path.substr(0, slash);
    struct stat info;
    return stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

DWORD FileErrorFromErrno(int errnoValue, const std::string& path)
{
    switch (errnoValue)
    {
    case ENOENT:
        return ParentDirectoryExists(path) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: // opening a directory as a file is refused this way on Windows
        return ERROR_ACCESS_DENIED;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL:
        return ERROR_INVALID_NAME;
    default:
        return ERROR_READ_FAULT;
    }
}

} // namespace win32
