// Reading files: CreateFile2, GetFileInformationByHandleEx and ReadFile on
// POSIX descriptors. A file is a kernel object that owns its descriptor, so
// CloseHandle closes it and a stale handle is refused like any other.
#include "handles.h"

#include <win32_support.h>

#include <cerrno>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win32
{

DWORD Win32ErrorFromErrno(int error)
{
    switch (error)
    {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: // opening a directory as a file is refused as access denied
        return ERROR_ACCESS_DENIED;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case EBUSY:
    case ETXTBSY:
        return ERROR_SHARING_VIOLATION;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case ELOOP:
        return ERROR_CANT_RESOLVE_FILENAME;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case ENOSPC:
        return ERROR_DISK_FULL;
    case EIO:
        return ERROR_READ_FAULT;
    case ENOSYS:
        return ERROR_CALL_NOT_IMPLEMENTED;
    case EOPNOTSUPP:
        return ERROR_NOT_SUPPORTED;
    default:
        // A failure is never reported as ERROR_SUCCESS, even if errno was 0.
        return ERROR_GEN_FAILURE;
    }
}

namespace
{
class File final : public KernelObject
{
public:
    explicit File(int descriptor) : mDescriptor(descriptor) {}
    ~File() override { close(mDescriptor); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    int Descriptor() const { return mDescriptor; }

private:
    const int mDescriptor;
};

HANDLE FailOpen(DWORD error)
{
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

// Both separators of the real platform name folders; here only '/' does.
std::string PosixPath(LPCWSTR name)
{
    std::string path = Utf8FromWide(name);
    for (char& c : path)
    {
        if (c == '\\')
            c = '/';
    }
    return path;
}

// POSIX says ENOENT both for a missing file and a missing folder on its way;
// the real platform tells the two apart (file or path not found).
bool ParentFolderExists(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return true;
    const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
    struct stat status;
    return stat(parent.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Opens `path` for reading. Only regular files are taken: a directory is
// refused as the real platform refuses it, and pipes or devices, which could
// block a read for ever, are not supported.
int OpenRegularFile(const std::string& path, DWORD& error)
{
    // O_NONBLOCK keeps the open itself from waiting on a pipe with no writer;
    // it changes nothing for regular files.
    int descriptor;
    do
    {
        descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0)
    {
        error = FileErrorFromErrno(errno, path);
        return -1;
    }
    struct stat status;
    if (fstat(descriptor, &status) != 0)
        error = Win32ErrorFromErrno(errno);
    else if (S_ISDIR(status.st_mode))
        error = ERROR_ACCESS_DENIED;
    else if (!S_ISREG(status.st_mode))
        error = ERROR_NOT_SUPPORTED;
    else
        return descriptor;
    close(descriptor);
    return -1;
}
} // namespace
DWORD FileErrorFromErrno(int errnoValue, const std::string& path)
{
    return errnoValue == ENOENT && !ParentFolderExists(path) ? ERROR_PATH_NOT_FOUND
                                                             : Win32ErrorFromErrno(errnoValue);
}

} // namespace win32

extern "C" HANDLE WINAPI CreateFile2(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                     DWORD dwCreationDisposition,
                                     LPCREATEFILE2_EXTENDED_PARAMETERS pCreateExParams)
{
    // Linux has no share modes: other openers are never locked out, so any
    // share mode is accepted as given.
    (void)dwShareMode;
    if (!lpFileName || dwCreationDisposition < CREATE_NEW ||
        dwCreationDisposition > TRUNCATE_EXISTING ||
        (pCreateExParams && pCreateExParams->dwSize != sizeof(CREATEFILE2_EXTENDED_PARAMETERS)))
        return win32::FailOpen(ERROR_INVALID_PARAMETER);

    // The program only reads existing files; creating, writing and the
    // extended open flags are not offered. The attributes of the extended
    // parameters apply only to new files and are ignored.
    if (dwDesiredAccess != GENERIC_READ || dwCreationDisposition != OPEN_EXISTING ||
        (pCreateExParams &&
         (pCreateExParams->dwFileFlags != 0 || pCreateExParams->lpSecurityAttributes != nullptr ||
          pCreateExParams->hTemplateFile != nullptr)))
        return win32::FailOpen(ERROR_NOT_SUPPORTED);

    DWORD error = ERROR_SUCCESS;
    const int descriptor = win32::OpenRegularFile(win32::PosixPath(lpFileName), error);
    if (descriptor < 0)
        return win32::FailOpen(error);

    auto* file = new (std::nothrow) win32::File(descriptor);
    if (!file)
    {
        close(descriptor);
        return win32::FailOpen(ERROR_NOT_ENOUGH_MEMORY);
    }
    try
    {
        // On a failed registration the shared pointer deletes the file, which
        // closes the descriptor.
        return win32::OpenHandle(std::shared_ptr<win32::KernelObject>(file));
    }
    catch (const std::bad_alloc&)
    {
        return win32::FailOpen(ERROR_NOT_ENOUGH_MEMORY);
    }
}

extern "C" BOOL WINAPI GetFileInformationByHandleEx(HANDLE hFile,
                                                    FILE_INFO_BY_HANDLE_CLASS FileInformationClass,
                                                    LPVOID lpFileInformation, DWORD dwBufferSize)
{
    auto file = win32::LookUpHandleAs<win32::File>(hFile);
    if (!file)
        return win32::Fail(ERROR_INVALID_HANDLE);
    if (FileInformationClass != FileStandardInfo)
        return win32::Fail(ERROR_NOT_SUPPORTED);
    if (!lpFileInformation)
        return win32::Fail(ERROR_INVALID_PARAMETER);
    if (dwBufferSize < sizeof(FILE_STANDARD_INFO))
        return win32::Fail(ERROR_BAD_LENGTH);

    struct stat status;
    if (fstat(file->Descriptor(), &status) != 0)
        return win32::Fail(win32::Win32ErrorFromErrno(errno));

    FILE_STANDARD_INFO info = {};
    info.AllocationSize.QuadPart = int64_t(status.st_blocks) * 512;
    info.EndOfFile.QuadPart = int64_t(status.st_size);
    info.NumberOfLinks = DWORD(status.st_nlink);
    // A file removed while open lives on until its last handle closes, as a
    // file with a pending delete does on the real platform.
    info.DeletePending = status.st_nlink == 0;
    info.Directory = FALSE;
    *static_cast<FILE_STANDARD_INFO*>(lpFileInformation) = info;
    return TRUE;
}

extern "C" BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                                LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped)
{
    if (lpNumberOfBytesRead)
        *lpNumberOfBytesRead = 0;
    auto file = win32::LookUpHandleAs<win32::File>(hFile);
    if (!file)
        return win32::Fail(ERROR_INVALID_HANDLE);
    // Files are opened for synchronous access only.
    if (lpOverlapped)
        return win32::Fail(ERROR_NOT_SUPPORTED);
    if (!lpBuffer && nNumberOfBytesToRead > 0)
        return win32::Fail(ERROR_INVALID_PARAMETER);

    // A synchronous read of a file returns fewer bytes than asked only at the
    // end of the file; read(2) may stop early (signals, its 2 GiB cap), so
    // keep reading until the count is reached or the file ends.
    auto* bytes = static_cast<unsigned char*>(lpBuffer);
    DWORD done = 0;
    while (done < nNumberOfBytesToRead)
    {
        const ssize_t got = read(file->Descriptor(), bytes + done, nNumberOfBytesToRead - done);
        if (got < 0)
        {
            if (errno == EINTR)
                continue;
            return win32::Fail(win32::Win32ErrorFromErrno(errno));
        }
        if (got == 0)
            break;
        done += DWORD(got);
    }
    if (lpNumberOfBytesRead)
        *lpNumberOfBytesRead = done;
    return TRUE;
}
