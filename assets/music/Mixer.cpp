#include "Mixer.h"

#include <algorithm>
#include <cmath>

namespace synth
{

namespace
{

// Equal-power panning: the sum of the squared gains stays 1.
void PanGains(float pan, float& left, float& right)
{
    const float angle = (std::clamp(pan, -1.0f, 1.0f) + 1.0f) * 0.25f * Pi;
    left = std::cos(angle);
    right = std::sin(angle);
}

// A feedback comb with a one-pole low-pass in the loop, and an all-pass
// diffuser: the two parts of a classic parallel-comb room reverb.
class Comb
{
public:
    Comb(size_t length, float feedback, float damping)
        : mLine(length, 0.0f), mFeedback(feedback), mDamping(damping)
    {
    }
    float Process(float x)
    {
        const float out = mLine[mPos];
        mStore = out * (1.0f - mDamping) + mStore * mDamping;
        mLine[mPos] = x + mStore * mFeedback;
        mPos = (mPos + 1) % mLine.size();
        return out;
    }

private:
    std::vector<float> mLine;
    size_t mPos = 0;
    float mFeedback;
    float mDamping;
    float mStore = 0.0f;
};

class AllPass
{
public:
    explicit AllPass(size_t length) : mLine(length, 0.0f) {}
    float Process(float x)
    {
        const float delayed = mLine[mPos];
        const float out = delayed - x;
        mLine[mPos] = x + delayed * 0.5f;
        mPos = (mPos + 1) % mLine.size();
        return out;
    }

private:
    std::vector<float> mLine;
    size_t mPos = 0;
};

void ReverbChannel(std::vector<float>& samples, size_t spread, float roomSize, float damping)
{
    static const size_t combLengths[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    static const size_t allPassLengths[] = {556, 441, 341, 225};
    std::vector<Comb> combs;
    for (size_t length : combLengths)
        combs.emplace_back(length + spread, roomSize, damping);
    std::vector<AllPass> allPasses;
    for (size_t length : allPassLengths)
        allPasses.emplace_back(length + spread);
    for (float& sample : samples)
    {
        const float in = sample * 0.015f;
        float out = 0.0f;
        for (Comb& comb : combs)
            out += comb.Process(in);
        for (AllPass& allPass : allPasses)
            out = allPass.Process(out);
        sample = out;
    }
}

void ApplyPingPongEcho(StereoBuffer& buffer, float delaySeconds, float feedback)
{
    const size_t delay = size_t(std::lround(delaySeconds * float(SampleRate)));
    if (delay == 0)
        return;
    std::vector<float> lineLeft(delay, 0.0f);
    std::vector<float> lineRight(delay, 0.0f);
    float toneLeft = 0.0f;
    float toneRight = 0.0f;
    size_t pos = 0;
    for (size_t i = 0; i < buffer.Frames(); ++i)
    {
        // The repeats cross sides and lose treble each time round.
        const float outLeft = lineLeft[pos];
        const float outRight = lineRight[pos];
        toneLeft += 0.45f * (outRight - toneLeft);
        toneRight += 0.45f * (outLeft - toneRight);
        lineLeft[pos] = buffer.Left[i] + toneLeft * feedback;
        lineRight[pos] = buffer.Right[i] + toneRight * feedback;
        buffer.Left[i] = outLeft;
        buffer.Right[i] = outRight;
        pos = (pos + 1) % delay;
    }
}

void ApplyReverb(StereoBuffer& buffer, float roomSize, float damping)
{
    ReverbChannel(buffer.Left, 0, roomSize, damping);
    ReverbChannel(buffer.Right, 23, roomSize, damping);
}

} // namespace

Mixer::Mixer(size_t frames) : mDry(frames), mEchoSend(frames), mReverbSend(frames) {}

void Mixer::Add(size_t frame, float sample, const Channel& channel)
{
    AddStereo(frame, sample, sample, channel);
}

void Mixer::AddStereo(size_t frame, float left, float right, const Channel& channel)
{
    if (frame >= Frames())
        return;
    float gainLeft;
    float gainRight;
    PanGains(channel.Pan, gainLeft, gainRight);
    const float l = left * gainLeft * channel.Gain;
    const float r = right * gainRight * channel.Gain;
    mDry.Left[frame] += l;
    mDry.Right[frame] += r;
    mEchoSend.Left[frame] += l * channel.Echo;
    mEchoSend.Right[frame] += r * channel.Echo;
    mReverbSend.Left[frame] += l * channel.Reverb;
    mReverbSend.Right[frame] += r * channel.Reverb;
}

StereoBuffer Mixer::Master(float echoSeconds, float peak)
{
    ApplyPingPongEcho(mEchoSend, echoSeconds, 0.42f);
    ApplyReverb(mReverbSend, 0.84f, 0.3f);
    StereoBuffer out(Frames());
    float loudest = 0.0f;
    for (size_t i = 0; i < Frames(); ++i)
    {
        // A soft knee rounds off the rare peaks instead of clipping them.
        const float l = std::tanh(mDry.Left[i] + mEchoSend.Left[i] + mReverbSend.Left[i]);
        const float r = std::tanh(mDry.Right[i] + mEchoSend.Right[i] + mReverbSend.Right[i]);
        out.Left[i] = l;
        out.Right[i] = r;
        loudest = std::max({loudest, std::abs(l), std::abs(r)});
    }
    if (loudest > 0.0f)
    {
        const float scale = peak / loudest;
        for (size_t i = 0; i < Frames(); ++i)
        {
            out.Left[i] *= scale;
            out.Right[i] *= scale;
        }
    }
    return out;
}

} // namespace synth
