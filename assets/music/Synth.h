// Building blocks of the music synthesiser: pitches, noise, envelopes,
// band-limited oscillators and a resonant filter. Plain single-precision
// arithmetic and an own noise generator keep every render bit-identical.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace synth
{

constexpr int SampleRate = 44100;
constexpr float Pi = 3.14159265f;

// Equal temperament, note 69 = A4 = 440 Hz.
float MidiToHz(float note);

// A small, fast generator for noise: xorshift32.
class Noise
{
public:
    explicit Noise(uint32_t seed) : mState(seed ? seed : 0x1234567u) {}
    uint32_t Next();
    float Bipolar(); // uniform in [-1, 1)
    float Unit();    // uniform in [0, 1)

private:
    uint32_t mState;
};

// Attack, decay, sustain, release, in seconds (sustain a level). The gate is
// held for `held` seconds; the release starts from whatever level the
// envelope had reached then.
struct Adsr
{
    float Attack = 0.01f;
    float Decay = 0.1f;
    float Sustain = 0.7f;
    float Release = 0.2f;

    float Level(float t, float held) const;
    float Length(float held) const { return held + Release; }
};

// An oscillator phase in [0, 1) advanced by frequency / sample rate.
class Phase
{
public:
    explicit Phase(float start = 0.0f) : mValue(start) {}
    float Value() const { return mValue; }
    float Increment() const { return mIncrement; }
    void Advance(float hz);

private:
    float mValue;
    float mIncrement = 0.0f;
};

// Band-limited sawtooth and square (polynomial corrections at the jumps),
// so high notes do not alias into harsh inharmonic tones.
float Saw(const Phase& phase);
float Square(const Phase& phase);
float Sine(const Phase& phase);

// A state-variable filter (trapezoidal integration): stable under fast
// cutoff sweeps, with low-, band- and high-pass outputs from one state.
class Svf
{
public:
    struct Out
    {
        float Low;
        float Band;
        float High;
    };
    void Set(float cutoffHz, float resonance); // resonance >= 0.5, higher is sharper
    Out Process(float x);

private:
    float mG = 0.0f;
    float mK = 1.0f;
    float mA1 = 0.0f;
    float mA2 = 0.0f;
    float mA3 = 0.0f;
    float mIc1 = 0.0f;
    float mIc2 = 0.0f;
};

struct StereoBuffer
{
    std::vector<float> Left;
    std::vector<float> Right;

    explicit StereoBuffer(size_t frames = 0) : Left(frames, 0.0f), Right(frames, 0.0f) {}
    size_t Frames() const { return Left.size(); }
};

} // namespace synth
