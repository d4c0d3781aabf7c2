#include <TempDir.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

HANDLE OpenForReading(const std::filesystem::path& path)
{
    return CreateFile2(path.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                       nullptr);
}

std::vector<uint8_t> Pattern(size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = uint8_t(i * 13);
    return bytes;
}

TEST(Files, AFileIsReadWholeAndItsSizeReported)
{
    TempDir dir;
    const std::vector<uint8_t> bytes = Pattern(300);
    HANDLE file = OpenForReading(dir.Write("data.bin", bytes));
    ASSERT_NE(file, INVALID_HANDLE_VALUE);

    FILE_STANDARD_INFO info = {};
    ASSERT_TRUE(GetFileInformationByHandleEx(file, FileStandardInfo, &info, sizeof(info)));
    EXPECT_EQ(info.EndOfFile.QuadPart, 300);
    EXPECT_EQ(info.NumberOfLinks, 1u);
    EXPECT_FALSE(info.Directory);

    // Asking for more than there is reads to the end; at the end a read
    // succeeds with nothing.
    std::vector<uint8_t> read(1000);
    DWORD count = 12345;
    ASSERT_TRUE(ReadFile(file, read.data(), DWORD(read.size()), &count, nullptr));
    ASSERT_EQ(count, 300u);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), read.begin()));
    EXPECT_TRUE(ReadFile(file, read.data(), DWORD(read.size()), &count, nullptr));
    EXPECT_EQ(count, 0u);

    ASSERT_TRUE(CloseHandle(file));
    EXPECT_FALSE(ReadFile(file, read.data(), 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(GetFileInformationByHandleEx(file, FileStandardInfo, &info, sizeof(info)));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

TEST(Files, NamesAreWideWithEitherSeparator)
{
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "Textures");
    dir.Write("Textures/b\xC3\xA4ume \xE2\x82\xAC.dds", Pattern(5));

    const std::wstring base = dir.Path().wstring();
    for (const std::wstring& name :
         {base + L"/Textures/b\u00E4ume \u20AC.dds", base + L"\\Textures\\b\u00E4ume \u20AC.dds"})
    {
        HANDLE file =
            CreateFile2(name.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }
}

TEST(Files, FailedOpensReportTheirWin32Error)
{
    TempDir dir;
    const auto file = dir.Write("file.bin", Pattern(4));
    std::filesystem::create_symlink("loop", dir.Path() / "loop");
    ASSERT_EQ(mkfifo((dir.Path() / "fifo").c_str(), 0600), 0);

    struct Row
    {
        std::filesystem::path Path;
        DWORD Error;
    };
    const Row rows[] = {
        {dir.Path() / "missing.bin", ERROR_FILE_NOT_FOUND},
        {dir.Path() / "missing" / "file.bin", ERROR_PATH_NOT_FOUND},
        {file / "child", ERROR_PATH_NOT_FOUND},
        // A directory is not a file, as on the real platform.
        {dir.Path(), ERROR_ACCESS_DENIED},
        {dir.Path() / std::string(300, 'n'), ERROR_FILENAME_EXCED_RANGE},
        {dir.Path() / "loop", ERROR_CANT_RESOLVE_FILENAME},
        // A pipe without a writer could block the reader for ever.
        {dir.Path() / "fifo", ERROR_NOT_SUPPORTED},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.Path.string());
        SetLastError(0);
        EXPECT_EQ(OpenForReading(row.Path), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), row.Error);
    }

    // Permissions do not stop the superuser.
    if (geteuid() != 0)
    {
        std::filesystem::permissions(file, std::filesystem::perms::none);
        EXPECT_EQ(OpenForReading(file), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    }
}

TEST(Files, RunningOutOfDescriptorsIsTooManyOpenFiles)
{
    TempDir dir;
    const auto path = dir.Write("file.bin", Pattern(4));
    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    // The lowest free descriptor number is how many are in use below it.
    const int next = dup(0);
    ASSERT_GE(next, 0);
    close(next);
    rlimit tight = saved;
    tight.rlim_cur = rlim_t(next);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    const HANDLE file = OpenForReading(path);
    const DWORD error = GetLastError();
    setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(error, DWORD(ERROR_TOO_MANY_OPEN_FILES));
}

TEST(Files, OnlyReadingExistingFilesIsOffered)
{
    TempDir dir;
    const auto path = dir.Write("file.bin", Pattern(4));
    const std::wstring name = path.wstring();
    struct Row
    {
        DWORD Access, Disposition;
        DWORD Error;
    };
    const Row rows[] = {
        {GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, ERROR_NOT_SUPPORTED},
        {GENERIC_READ, CREATE_ALWAYS, ERROR_NOT_SUPPORTED},
        {GENERIC_READ, 0, ERROR_INVALID_PARAMETER},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message() << std::hex << row.Access << " " << row.Disposition);
        EXPECT_EQ(CreateFile2(name.c_str(), row.Access, FILE_SHARE_READ, row.Disposition, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), row.Error);
    }
    EXPECT_EQ(CreateFile2(nullptr, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

    CREATEFILE2_EXTENDED_PARAMETERS extended = {};
    extended.dwSize = sizeof(extended) - 1;
    EXPECT_EQ(CreateFile2(name.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, &extended),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    extended.dwSize = sizeof(extended);
    HANDLE file =
        CreateFile2(name.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, &extended);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
}

TEST(Files, UnsupportedQueriesAndReadsAreRefused)
{
    TempDir dir;
    HANDLE file = OpenForReading(dir.Write("file.bin", Pattern(4)));
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILE_STANDARD_INFO info = {};
    EXPECT_FALSE(GetFileInformationByHandleEx(file, FileBasicInfo, &info, sizeof(info)));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
    EXPECT_FALSE(GetFileInformationByHandleEx(file, FileStandardInfo, &info, sizeof(info) - 1));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BAD_LENGTH));

    uint8_t byte;
    DWORD count = 0;
    OVERLAPPED overlapped = {};
    EXPECT_FALSE(ReadFile(file, &byte, 1, &count, &overlapped));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
    EXPECT_FALSE(ReadFile(file, nullptr, 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    CloseHandle(file);

    // An event is a handle, but not a file.
    HANDLE event = CreateEventExW(nullptr, nullptr, 0, EVENT_ALL_ACCESS);
    EXPECT_FALSE(ReadFile(event, &byte, 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    CloseHandle(event);
}

} // namespace
