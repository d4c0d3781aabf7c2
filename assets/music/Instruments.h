// The band: each instrument renders one hit or one note into the mixer,
// starting at a time in seconds, through its channel.
#pragma once

#include "Mixer.h"

#include <vector>

namespace synth
{

void PlayKick(Mixer& mix, double start, float velocity, const Channel& channel);
void PlaySnare(Mixer& mix, double start, float velocity, const Channel& channel);
void PlayHat(Mixer& mix, double start, float velocity, bool open, const Channel& channel);
void PlayCrash(Mixer& mix, double start, float velocity, const Channel& channel);

// Pitched instruments take a MIDI note and how long the key is held.
void PlayBass(Mixer& mix, double start, float note, float held, float velocity,
              const Channel& channel);
void PlayPluck(Mixer& mix, double start, float note, float velocity, float brightness,
               const Channel& channel);
void PlayLead(Mixer& mix, double start, float note, float held, float velocity,
              const Channel& channel);
// A sustained chord of detuned saws, spread across the stereo field; `duck`
// gives the gain at each time (the pad dips under the kick).
void PlayPad(Mixer& mix, double start, const std::vector<int>& notes, float held, float velocity,
             float (*duck)(double), const Channel& channel);
// Noise swept upwards over `length` seconds, rising in level: a build-up.
void PlayRiser(Mixer& mix, double start, float length, float velocity, const Channel& channel);

} // namespace synth
