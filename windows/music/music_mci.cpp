// The music interface on the Media Control Interface of winmm: Windows opens
// the MP3 file, decodes it and plays it on threads of its own. The objects
// live until the process ends, as the program never releases them; the MCI
// devices are closed as it ends (see CloseAtExit). Without an audio output
// every call reports it and nothing plays.
// <windows.h> comes first, as in the program: it declares the system's own
// PlaySound as a macro (PlaySoundW), which then renames music::PlaySound
// alike in the program and here.
#include <windows.h>

#include <music.h>

#include <cstdlib>
#include <string>

namespace music
{

struct System
{
    bool Open = false;
};

struct Sound
{
    std::wstring Alias;
};

struct Channel
{
    bool Paused = false;
};

namespace
{

// Numbers the MCI aliases, which are per process, whatever the system.
int gStreams = 0;

bool SendCommand(const std::wstring& command)
{
    return mciSendStringW(command.c_str(), nullptr, 0, nullptr) == 0;
}

// The file's full path as a wide string, or empty where there is none. The
// path goes into an MCI command between double quotes, so a name holding one
// (never a valid Windows file name) is refused rather than let it end the
// quoted text early.
std::wstring FullPathOf(const char* fileName)
{
    wchar_t wide[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, fileName, -1, wide, MAX_PATH) <= 0)
        return {};
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(wide, MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return {};
    std::wstring path(full, length);
    if (path.find(L'"') != std::wstring::npos)
        return {};
    return path;
}

// Closes every device this process opened, as the process ends: ending the
// process ends them on Windows, while Wine ends a process that leaves its
// MPEG device open in a crash (decoding threads outlive their libraries),
// losing the program's exit code.
void CloseAtExit()
{
    static const bool registered =
        std::atexit([] { mciSendStringW(L"close all", nullptr, 0, nullptr); }) == 0;
    (void)registered;
}

} // namespace

Result CreateSystem(System** system)
{
    if (!system)
        return Result::InvalidArgument;
    *system = new System();
    return Result::Ok;
}

Result Init(System* system, int maxChannels)
{
    if (!system || maxChannels <= 0)
        return Result::InvalidArgument;
    if (waveOutGetNumDevs() == 0)
        return Result::NoOutput;
    system->Open = true;
    return Result::Ok;
}

Result CreateStream(System* system, const char* fileName, Sound** sound)
{
    if (!system || !fileName || !sound)
        return Result::InvalidArgument;
    *sound = nullptr;
    if (!system->Open)
        return Result::NotInitialised;

    const std::wstring path = FullPathOf(fileName);
    const DWORD attributes =
        path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Result::FileError;

    // "mpegvideo" is the MCI device of the system's media decoders, MP3 included.
    const std::wstring alias = L"citymusic" + std::to_wstring(++gStreams);
    if (!SendCommand(L"open \"" + path + L"\" type mpegvideo alias " + alias))
        return Result::FileError;
    CloseAtExit();
    *sound = new Sound{alias};
    return Result::Ok;
}

Result PlaySound(System* system, Sound* sound, bool paused, Channel** channel)
{
    if (!system || !sound || sound->Alias.empty())
        return Result::InvalidArgument;
    if (!system->Open)
        return Result::NotInitialised;
    // One pass through the piece from its start; it is not restarted when it ends.
    if (!SendCommand(L"play " + sound->Alias + L" from 0"))
        return Result::PlayFailed;
    if (paused && !SendCommand(L"pause " + sound->Alias))
        return Result::PlayFailed;
    if (channel)
        *channel = new Channel{paused};
    return Result::Ok;
}

} // namespace music
