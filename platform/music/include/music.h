// Music playback: a streaming player the program starts once and never
// touches again. Every call returns a result; the program may ignore them, and
// whatever fails leaves the rest silent rather than failing the program.
#pragma once

namespace music
{

enum class Result
{
    Ok = 0,
    InvalidArgument,
    NotInitialised,
    NoOutput,  // no audio device could be opened
    FileError, // the file is missing or cannot be decoded
    PlayFailed,
};

struct System;
struct Sound;
struct Channel;

// Creates the player. Nothing is opened yet.
Result CreateSystem(System** system);

// Opens the default audio output with room for `maxChannels` voices.
Result Init(System* system, int maxChannels);

// Opens a file as a stream: decoded while it plays, not loaded whole.
Result CreateStream(System* system, const char* fileName, Sound** sound);

// Starts playing the stream once, from its beginning.
Result PlaySound(System* system, Sound* sound, bool paused, Channel** channel);

} // namespace music
