#include "Instruments.h"

#include <algorithm>
#include <cmath>

namespace synth
{

namespace
{

size_t FrameAt(double seconds)
{
    return size_t(std::llround(seconds * SampleRate));
}

size_t FrameCount(float seconds)
{
    return size_t(seconds * float(SampleRate));
}

// Hits made of noise get a seed from their start, so every hit differs a
// little, yet the same song always gets the same noise.
uint32_t SeedFor(double start, uint32_t salt)
{
    return uint32_t(std::llround(start * 1000.0)) * 2654435761u + salt;
}

} // namespace

void PlayKick(Mixer& mix, double start, float velocity, const Channel& channel)
{
    const size_t first = FrameAt(start);
    Phase phase;
    Noise noise(SeedFor(start, 1));
    for (size_t i = 0, n = FrameCount(0.5f); i < n; ++i)
    {
        const float t = float(i) / float(SampleRate);
        // Pitch falls fast from a punchy attack to the body's low thump.
        phase.Advance(48.0f + 110.0f * std::exp(-t * 28.0f));
        const float body = Sine(phase) * std::exp(-t * 6.5f);
        const float click = noise.Bipolar() * std::exp(-t * 900.0f) * 0.5f;
        mix.Add(first + i, std::tanh(1.6f * (body + click)) * velocity, channel);
    }
}

void PlaySnare(Mixer& mix, double start, float velocity, const Channel& channel)
{
    const size_t first = FrameAt(start);
    Phase tone;
    Noise noise(SeedFor(start, 2));
    Svf filter;
    filter.Set(3200.0f, 0.8f);
    for (size_t i = 0, n = FrameCount(0.35f); i < n; ++i)
    {
        const float t = float(i) / float(SampleRate);
        tone.Advance(175.0f + 60.0f * std::exp(-t * 40.0f));
        const float body = Sine(tone) * std::exp(-t * 22.0f) * 0.6f;
        const Svf::Out rattle = filter.Process(noise.Bipolar());
        const float snap = (rattle.Band + 0.5f * rattle.High) * std::exp(-t * 13.0f);
        mix.Add(first + i, (body + snap) * velocity, channel);
    }
}

void PlayHat(Mixer& mix, double start, float velocity, bool open, const Channel& channel)
{
    const size_t first = FrameAt(start);
    Noise noise(SeedFor(start, 3));
    // A few square waves at unrelated pitches give the metallic ring.
    static const float partials[] = {205.3f, 304.4f, 369.6f, 522.7f, 540.0f, 800.0f};
    Phase phases[6];
    Svf filter;
    filter.Set(8000.0f, 0.7f);
    const float decay = open ? 7.0f : 55.0f;
    for (size_t i = 0, n = FrameCount(open ? 0.6f : 0.12f); i < n; ++i)
    {
        const float t = float(i) / float(SampleRate);
        float metal = 0.0f;
        for (int p = 0; p < 6; ++p)
        {
            phases[p].Advance(partials[p] * 4.0f);
            metal += Square(phases[p]);
        }
        const float source = 0.6f * noise.Bipolar() + 0.08f * metal;
        const float sample = filter.Process(source).High * std::exp(-t * decay);
        mix.Add(first + i, sample * velocity, channel);
    }
}

void PlayCrash(Mixer& mix, double start, float velocity, const Channel& channel)
{
    const size_t first = FrameAt(start);
    Noise left(SeedFor(start, 4));
    Noise right(SeedFor(start, 5));
    Svf filterLeft;
    Svf filterRight;
    filterLeft.Set(5000.0f, 0.6f);
    filterRight.Set(5200.0f, 0.6f);
    for (size_t i = 0, n = FrameCount(2.5f); i < n; ++i)
    {
        const float t = float(i) / float(SampleRate);
        const float envelope = std::exp(-t * 1.8f) * (1.0f - std::exp(-t * 400.0f));
        const float l = filterLeft.Process(left.Bipolar()).High * envelope;
        const float r = filterRight.Process(right.Bipolar()).High * envelope;
        mix.AddStereo(first + i, l * velocity, r * velocity, channel);
    }
}

void PlayBass(Mixer& mix, double start, float note, float held, float velocity,
              const Channel& channel)
{
    const size_t first = FrameAt(start);
    const Adsr envelope{0.004f, 0.12f, 0.75f, 0.06f};
    const float hz = MidiToHz(note);
    Phase saw;
    Phase sub;
    Svf filter;
    for (size_t i = 0, n = FrameCount(envelope.Length(held)); i < n; ++i)
    {
        const float t = float(i) / float(SampleRate);
        saw.Advance(hz);
        sub.Advance(hz * 0.5f);
        // The filter opens on each note and closes again: a plucked growl.
        if (i % 16 == 0)
            filter.Set(180.0f + 1600.0f * std::exp(-t * 14.0f) * velocity, 2.2f);
        const float raw = 0.7f * Saw(saw) + 0.6f * Sine(sub);
        const float sample = filter.Process(raw).Low * envelope.Level(t, held);
        mix.Add(first + i, sample * velocity, channel);
    }
}

void PlayPluck(Mixer& mix, double start, float note, float velocity, float brightness,
               const Channel& channel)
{
    const size_t first = FrameAt(start);
    const Adsr envelope{0.002f, 0.28f, 0.0f, 0.0f};
    const float hz = MidiToHz(note);
    Phase square;
    Phase saw(0.3f);
    Svf filter;
    for (size_t i = 0, n = FrameCount(0.3f); i < n; ++i)
    {
        const float t = float(i) / float(SampleRate);
        square.Advance(hz);
        saw.Advance(hz * 1.003f);
        if (i % 16 == 0)
            filter.Set(300.0f + 5200.0f * brightness * std::exp(-t * 16.0f), 1.4f);
        const float raw = 0.5f * Square(square) + 0.5f * Saw(saw);
        const float sample = filter.Process(raw).Low * envelope.Level(t, 0.3f);
        mix.Add(first + i, sample * velocity, channel);
    }
}

void PlayLead(Mixer& mix, double start, float note, float held, float velocity,
              const Channel& channel)
{
    const size_t first = FrameAt(start);
    const Adsr envelope{0.02f, 0.25f, 0.7f, 0.25f};
    Phase left;
    Phase right(0.5f);
    Phase vibrato;
    Svf filterLeft;
    Svf filterRight;
    filterLeft.Set(2600.0f, 1.0f);
    filterRight.Set(2600.0f, 1.0f);
    for (size_t i = 0, n = FrameCount(envelope.Length(held)); i < n; ++i)
    {
        const float t = float(i) / float(SampleRate);
        // Vibrato fades in after the attack, as a player would add it.
        vibrato.Advance(5.5f);
        const float depth = 0.12f * std::min(1.0f, std::max(0.0f, (t - 0.2f) * 2.0f));
        const float pitch = note + depth * Sine(vibrato);
        left.Advance(MidiToHz(pitch - 0.06f));
        right.Advance(MidiToHz(pitch + 0.06f));
        const float level = envelope.Level(t, held) * velocity;
        const float l = filterLeft.Process(Saw(left)).Low * level;
        const float r = filterRight.Process(Saw(right)).Low * level;
        mix.AddStereo(first + i, l, r, channel);
    }
}

void PlayPad(Mixer& mix, double start, const std::vector<int>& notes, float held, float velocity,
             float (*duck)(double), const Channel& channel)
{
    const size_t first = FrameAt(start);
    const Adsr envelope{0.5f, 0.6f, 0.8f, 1.0f};
    const size_t frames = FrameCount(envelope.Length(held));
    std::vector<float> left(frames, 0.0f);
    std::vector<float> right(frames, 0.0f);
    for (size_t v = 0; v < notes.size(); ++v)
    {
        // Three saws per note, detuned against each other: one centred, one
        // on each side, for a wide chorus.
        const float hz = MidiToHz(float(notes[v]));
        Phase centre(0.13f * float(v));
        Phase low(0.41f + 0.07f * float(v));
        Phase high(0.77f + 0.11f * float(v));
        for (size_t i = 0; i < frames; ++i)
        {
            centre.Advance(hz);
            low.Advance(hz * 0.9942f);
            high.Advance(hz * 1.0058f);
            const float c = 0.5f * Saw(centre);
            left[i] += c + Saw(low);
            right[i] += c + Saw(high);
        }
    }
    Svf filterLeft;
    Svf filterRight;
    Phase sweep;
    const float voiceScale = 1.0f / float(notes.empty() ? 1 : notes.size());
    for (size_t i = 0; i < frames; ++i)
    {
        const float t = float(i) / float(SampleRate);
        sweep.Advance(0.15f);
        if (i % 32 == 0)
        {
            const float cutoff = 900.0f + 500.0f * Sine(sweep);
            filterLeft.Set(cutoff, 0.9f);
            filterRight.Set(cutoff, 0.9f);
        }
        const float level =
            envelope.Level(t, held) * velocity * voiceScale * duck(start + double(t));
        mix.AddStereo(first + i, filterLeft.Process(left[i]).Low * level,
                      filterRight.Process(right[i]).Low * level, channel);
    }
}

void PlayRiser(Mixer& mix, double start, float length, float velocity, const Channel& channel)
{
    const size_t first = FrameAt(start);
    Noise noise(SeedFor(start, 6));
    Svf filter;
    for (size_t i = 0, n = FrameCount(length); i < n; ++i)
    {
        const float progress = float(i) / float(n);
        if (i % 16 == 0)
            filter.Set(300.0f * std::exp2(progress * 4.5f), 2.5f);
        const float sample = filter.Process(noise.Bipolar()).Band * progress * progress;
        mix.Add(first + i, sample * velocity, channel);
    }
}

} // namespace synth
