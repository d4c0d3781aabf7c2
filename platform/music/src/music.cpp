// The player on SDL2_mixer. The objects live until the process ends, as the
// program never releases them; the mixer plays on its own audio thread.
#include <music.h>

#include <SDL.h>
#include <SDL_mixer.h>

#include <memory>
#include <mutex>
#include <vector>

namespace music
{

struct Sound
{
    Mix_Music* Stream = nullptr;
};

struct Channel
{
    bool Paused = false;
};

// A system owns the sounds and channels made through it.
struct System
{
    bool Open = false;
    std::vector<std::unique_ptr<Sound>> Sounds;
    std::vector<std::unique_ptr<Channel>> Channels;
};

namespace
{

// Every system is kept to the end of the process, listed here: the program
// drops its own pointers while the music plays on, and what is kept on
// purpose must stay reachable, not read as lost memory to a leak check.
System* KeepSystem(std::unique_ptr<System> system)
{
    static std::mutex mutex;
    static auto* systems = new std::vector<std::unique_ptr<System>>();
    std::lock_guard lock(mutex);
    systems->push_back(std::move(system));
    return systems->back().get();
}

} // namespace

Result CreateSystem(System** system)
{
    if (!system)
        return Result::InvalidArgument;
    *system = KeepSystem(std::make_unique<System>());
    return Result::Ok;
}

Result Init(System* system, int maxChannels)
{
    if (!system || maxChannels <= 0)
        return Result::InvalidArgument;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return Result::NoOutput;
    // Without an output the audio subsystem stays up all the same: shutting
    // it down waits for its device-watching thread, which sleeps in steps of
    // 100 ms, and would hold up the demo's start by as much.
    if (Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, 4096) != 0)
        return Result::NoOutput;
    Mix_AllocateChannels(maxChannels);
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
    Mix_Music* stream = Mix_LoadMUS(fileName);
    if (!stream)
        return Result::FileError;
    system->Sounds.push_back(std::make_unique<Sound>(Sound{stream}));
    *sound = system->Sounds.back().get();
    return Result::Ok;
}

Result PlaySound(System* system, Sound* sound, bool paused, Channel** channel)
{
    if (!system || !sound || !sound->Stream)
        return Result::InvalidArgument;
    if (!system->Open)
        return Result::NotInitialised;
    // One pass through the piece; it is not restarted when it ends.
    if (Mix_PlayMusic(sound->Stream, 1) != 0)
        return Result::PlayFailed;
    if (paused)
        Mix_PauseMusic();
    if (channel)
    {
        system->Channels.push_back(std::make_unique<Channel>(Channel{paused}));
        *channel = system->Channels.back().get();
    }
    return Result::Ok;
}

} // namespace music
