// The Windows build's music back end on Wine's MCI, whose MPEG device decodes
// through quartz and GStreamer: run from the Windows run directory, the
// demo's piece opens, plays and advances as the demo expects; a piece that is
// missing or cannot be decoded leaves the demo silent, and no window (no box)
// opens either way.
#include <windows.h>

#include <music.h>

#include <gtest/gtest.h>

#include <string>

namespace
{

// The back end names its first stream "citymusic1".
std::wstring Status(const wchar_t* item)
{
    wchar_t reply[64] = L"";
    const std::wstring command = std::wstring(L"status citymusic1 ") + item;
    return mciSendStringW(command.c_str(), reply, 64, nullptr) == 0 ? reply : L"(error)";
}

BOOL CALLBACK CountVisible(HWND window, LPARAM count)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window))
        ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int VisibleWindows()
{
    int count = 0;
    EnumWindows(CountVisible, LPARAM(&count));
    return count;
}

music::System* OpenSystem()
{
    music::System* system = nullptr;
    EXPECT_EQ(music::CreateSystem(&system), music::Result::Ok);
    if (music::Init(system, 100) == music::Result::NoOutput)
        return nullptr;
    return system;
}

TEST(MusicMci, TheDemosPiecePlaysFromItsStartAndAdvances)
{
    music::System* system = OpenSystem();
    if (!system)
        GTEST_SKIP() << "no audio output: Wine needs an ALSA device (the test names a null one)";
    music::Sound* sound = nullptr;
    music::Channel* channel = nullptr;
    ASSERT_EQ(music::CreateStream(system, "2.mp3", &sound), music::Result::Ok);
    ASSERT_EQ(music::PlaySound(system, sound, false, &channel), music::Result::Ok);

    ASSERT_EQ(mciSendStringW(L"set citymusic1 time format milliseconds", nullptr, 0, nullptr), 0u);
    EXPECT_EQ(Status(L"mode"), L"playing");
    EXPECT_NEAR(std::stoi(Status(L"length")), 124000, 2000);
    const int before = std::stoi(Status(L"position"));
    const ULONGLONG start = GetTickCount64();
    Sleep(1500);
    const int advanced = std::stoi(Status(L"position")) - before;
    EXPECT_NEAR(advanced, int(GetTickCount64() - start), 500);
    EXPECT_EQ(Status(L"mode"), L"playing");
    EXPECT_EQ(VisibleWindows(), 0);
}

// A piece that cannot be opened: nothing plays and nothing is shown.
struct BrokenPiece
{
    const char* Name;
    const char* Content; // nullptr: no file; "/": a folder of that name
};

class BrokenPieces : public ::testing::TestWithParam<BrokenPiece>
{
};

TEST_P(BrokenPieces, LeaveTheDemoSilentWithoutABox)
{
    music::System* system = OpenSystem();
    if (!system)
        GTEST_SKIP() << "no audio output: Wine needs an ALSA device (the test names a null one)";
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "city-music-" + GetParam().Name + ".mp3";
    const std::string content = GetParam().Content ? GetParam().Content : "";
    if (content == "/")
        CreateDirectoryA(path.c_str(), nullptr);
    else if (GetParam().Content)
    {
        HANDLE file =
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, content.data(), DWORD(content.size()), &written, nullptr);
        CloseHandle(file);
    }

    music::Sound* sound = nullptr;
    EXPECT_EQ(music::CreateStream(system, path.c_str(), &sound), music::Result::FileError);
    EXPECT_EQ(sound, nullptr);
    EXPECT_EQ(music::PlaySound(system, sound, false, nullptr), music::Result::InvalidArgument);
    EXPECT_EQ(VisibleWindows(), 0);
    DeleteFileA(path.c_str());
    RemoveDirectoryA(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Music, BrokenPieces,
    ::testing::Values(BrokenPiece{"missing", nullptr}, BrokenPiece{"empty", ""},
                      BrokenPiece{"text", "not music at all, only words in a file\n"},
                      BrokenPiece{"folder", "/"}),
    [](const ::testing::TestParamInfo<BrokenPiece>& info) { return info.param.Name; });

} // namespace
