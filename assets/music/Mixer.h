// The mixing desk: instruments add their samples into a dry bus and two
// effect sends (a ping-pong echo and a room reverb); Master() folds the
// returns in, saturates gently and normalises the peak.
#pragma once

#include "Synth.h"

#include <cstddef>

namespace synth
{

// Where and how loud one instrument sits in the mix.
struct Channel
{
    float Gain = 1.0f;
    float Pan = 0.0f;    // -1 left .. +1 right
    float Echo = 0.0f;   // send level to the echo
    float Reverb = 0.0f; // send level to the reverb
};

class Mixer
{
public:
    explicit Mixer(size_t frames);

    size_t Frames() const { return mDry.Frames(); }
    // Adds a mono sample at `frame` through the channel; frames past the end are dropped.
    void Add(size_t frame, float sample, const Channel& channel);
    // Adds a stereo sample (each side panned by the channel as well).
    void AddStereo(size_t frame, float left, float right, const Channel& channel);

    // Runs the effects and returns the final mix, its peak at `peak`.
    StereoBuffer Master(float echoSeconds, float peak);

private:
    StereoBuffer mDry;
    StereoBuffer mEchoSend;
    StereoBuffer mReverbSend;
};

} // namespace synth
