#include "Synth.h"

#include <algorithm>
#include <cmath>

namespace synth
{

float MidiToHz(float note)
{
    return 440.0f * std::exp2((note - 69.0f) / 12.0f);
}

uint32_t Noise::Next()
{
    mState ^= mState << 13;
    mState ^= mState >> 17;
    mState ^= mState << 5;
    return mState;
}

float Noise::Unit()
{
    return float(Next() >> 8) * (1.0f / 16777216.0f);
}

float Noise::Bipolar()
{
    return 2.0f * Unit() - 1.0f;
}

float Adsr::Level(float t, float held) const
{
    auto gated = [this](float s)
    {
        if (s < 0.0f)
            return 0.0f;
        if (s < Attack)
            return s / Attack;
        s -= Attack;
        if (s < Decay)
            return 1.0f + (Sustain - 1.0f) * (s / Decay);
        return Sustain;
    };
    if (t < held)
        return gated(t);
    if (Release <= 0.0f)
        return 0.0f;
    const float fromLevel = gated(held);
    return std::max(0.0f, fromLevel * (1.0f - (t - held) / Release));
}

void Phase::Advance(float hz)
{
    mIncrement = hz / float(SampleRate);
    mValue += mIncrement;
    mValue -= std::floor(mValue);
}

namespace
{

// Residual of a band-limited step at phase t, for increment dt.
float PolyBlep(float t, float dt)
{
    if (dt <= 0.0f)
        return 0.0f;
    if (t < dt)
    {
        t /= dt;
        return t + t - t * t - 1.0f;
    }
    if (t > 1.0f - dt)
    {
        t = (t - 1.0f) / dt;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

} // namespace

float Saw(const Phase& phase)
{
    const float t = phase.Value();
    return 2.0f * t - 1.0f - PolyBlep(t, phase.Increment());
}

float Square(const Phase& phase)
{
    const float t = phase.Value();
    const float dt = phase.Increment();
    float shifted = t + 0.5f;
    shifted -= std::floor(shifted);
    return (t < 0.5f ? 1.0f : -1.0f) + PolyBlep(t, dt) - PolyBlep(shifted, dt);
}

float Sine(const Phase& phase)
{
    return std::sin(2.0f * Pi * phase.Value());
}

void Svf::Set(float cutoffHz, float resonance)
{
    const float limited = std::clamp(cutoffHz, 10.0f, 0.45f * float(SampleRate));
    mG = std::tan(Pi * limited / float(SampleRate));
    mK = 1.0f / std::max(resonance, 0.5f);
    mA1 = 1.0f / (1.0f + mG * (mG + mK));
    mA2 = mG * mA1;
    mA3 = mG * mA2;
}

Svf::Out Svf::Process(float x)
{
    const float v3 = x - mIc2;
    const float v1 = mA1 * mIc1 + mA2 * v3;
    const float v2 = mIc2 + mA2 * mIc1 + mA3 * v3;
    mIc1 = 2.0f * v1 - mIc1;
    mIc2 = 2.0f * v2 - mIc2;
    return {v2, v1, x - mK * v1 - v2};
}

} // namespace synth
