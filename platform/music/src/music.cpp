// The player on SDL2_mixer. The objects live until the process ends, as the
// program never releases them; the mixer plays on its own audio thread.
#include <music.h>

#include <SDL.h>
#include <SDL_mixer.h>

namespace music
{

struct System
{
    bool Open = false;
};

struct Sound
{
    Mix_Music* Stream = nullptr;
};

struct Channel
{
    bool Paused = false;
};

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
    *sound = new Sound{stream};
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
        *channel = new Channel{paused};
    return Result::Ok;
}

} // namespace music
