// The synthesiser's building blocks: envelopes without jumps, filters that
// pass and stop what they should, the WAV encoding.
#include "AssetFiles.h"
#include "Mixer.h"
#include "Synth.h"
#include "Wav.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

using namespace synth;

TEST(Synth, PitchesFollowEqualTemperament)
{
    EXPECT_FLOAT_EQ(MidiToHz(69.0f), 440.0f);
    EXPECT_NEAR(MidiToHz(57.0f), 220.0f, 1e-3);
    EXPECT_NEAR(MidiToHz(60.0f), 261.626f, 1e-2);
}

TEST(Synth, EnvelopeRisesHoldsAndFallsWithoutJumps)
{
    const Adsr env{0.1f, 0.2f, 0.5f, 0.4f};
    struct Point
    {
        float T, Held, Level;
    };
    const Point points[] = {
        {0.0f, 1.0f, 0.0f},
        {0.05f, 1.0f, 0.5f},
        {0.1f, 1.0f, 1.0f},
        {0.2f, 1.0f, 0.75f},
        {0.5f, 1.0f, 0.5f},
        {1.2f, 1.0f, 0.25f},
        {1.4f, 1.0f, 0.0f},
        {2.0f, 1.0f, 0.0f},
        // Released during the attack: falls from where it was, not from 1.
        {0.05f, 0.05f, 0.5f},
        {0.25f, 0.05f, 0.25f},
    };
    for (const Point& p : points)
        EXPECT_NEAR(env.Level(p.T, p.Held), p.Level, 1e-4) << "t " << p.T << " held " << p.Held;

    // No step bigger than a smooth envelope can make between two samples.
    float previous = 0.0f;
    for (int i = 0; i < SampleRate * 2; ++i)
    {
        const float level = env.Level(float(i) / SampleRate, 0.7f);
        ASSERT_LT(std::abs(level - previous), 0.001f) << "sample " << i;
        previous = level;
    }
}

// Amplitude of a sine of `hz` after it has passed the filter.
float FilteredAmplitude(float hz, float cutoff, int output)
{
    Svf filter;
    filter.Set(cutoff, 0.707f);
    Phase phase;
    float peak = 0.0f;
    for (int i = 0; i < SampleRate; ++i)
    {
        phase.Advance(hz);
        const Svf::Out out = filter.Process(Sine(phase));
        const float y = output == 0 ? out.Low : output == 1 ? out.Band : out.High;
        if (i > SampleRate / 2) // after the filter has settled
            peak = std::max(peak, std::abs(y));
    }
    return peak;
}

TEST(Synth, FilterPassesAndStopsTheRightBands)
{
    struct Case
    {
        const char* What;
        float Hz;
        int Output; // 0 low, 1 band, 2 high
        float Min, Max;
    };
    const Case cases[] = {
        {"low-pass passes a low tone", 100.0f, 0, 0.95f, 1.05f},
        {"low-pass stops a high tone", 10000.0f, 0, 0.0f, 0.015f},
        {"high-pass stops a low tone", 100.0f, 2, 0.0f, 0.015f},
        {"high-pass passes a high tone", 10000.0f, 2, 0.95f, 1.05f},
        {"band-pass peaks at the cutoff", 1000.0f, 1, 0.6f, 0.8f},
    };
    for (const Case& c : cases)
    {
        const float amplitude = FilteredAmplitude(c.Hz, 1000.0f, c.Output);
        EXPECT_GE(amplitude, c.Min) << c.What;
        EXPECT_LE(amplitude, c.Max) << c.What;
    }
}

TEST(Synth, OscillatorsStayInRangeAndCentred)
{
    for (float hz : {55.0f, 440.0f, 3520.0f})
    {
        Phase saw;
        Phase square;
        double sumSaw = 0.0;
        double sumSquare = 0.0;
        for (int i = 0; i < SampleRate; ++i)
        {
            saw.Advance(hz);
            square.Advance(hz);
            ASSERT_LE(std::abs(Saw(saw)), 1.2f);
            ASSERT_LE(std::abs(Square(square)), 1.2f);
            sumSaw += Saw(saw);
            sumSquare += Square(square);
        }
        EXPECT_NEAR(sumSaw / SampleRate, 0.0, 0.01) << hz << " Hz";
        EXPECT_NEAR(sumSquare / SampleRate, 0.0, 0.01) << hz << " Hz";
    }
}

TEST(Mixer, PanningAndMasteringKeepTheBalanceAndThePeak)
{
    Mixer mix(1000);
    mix.Add(10, 0.5f, Channel{1.0f, -1.0f}); // hard left
    mix.Add(20, 0.5f, Channel{1.0f, 1.0f});  // hard right
    mix.Add(30, 0.5f, Channel{1.0f, 0.0f});  // centre
    const StereoBuffer out = mix.Master(0.01f, 0.5f);
    EXPECT_NEAR(out.Right[10], 0.0f, 1e-6);
    EXPECT_NEAR(out.Left[20], 0.0f, 1e-6);
    EXPECT_NEAR(out.Left[30], out.Right[30], 1e-6);
    EXPECT_NEAR(std::max(out.Left[10], out.Right[20]), 0.5f, 1e-6); // the loudest is the peak
    EXPECT_LT(out.Left[30], out.Left[10]);                          // centre: each side -3 dB
}

TEST(Wav, HeaderAndSamplesAreCanonicalPcm)
{
    StereoBuffer buffer(3);
    buffer.Left = {0.0f, 1.5f, -0.5f};
    buffer.Right = {-1.5f, 0.25f, 1.0f};
    assettest::Pcm16 pcm;
    ASSERT_TRUE(assettest::ParseWav(EncodeWav16(buffer, 44100), pcm));
    EXPECT_EQ(pcm.Channels, 2);
    EXPECT_EQ(pcm.SampleRate, 44100u);
    EXPECT_EQ(pcm.BitsPerSample, 16);
    // Out-of-range values are clamped, not wrapped round.
    const std::vector<int16_t> expected = {0, -32767, 32767, 8192, -16384, 32767};
    EXPECT_EQ(pcm.Samples, expected);
}

} // namespace
