// The composition and the music file: long enough for the demo, music all
// the way through, the same bytes on every run, and an MP3 that decodes to
// the same piece.
#include "AssetFiles.h"
#include "Song.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace
{

namespace fs = std::filesystem;

// The demo ends itself after 110 seconds: the music must play that long.
constexpr double DemoSeconds = 110.0;

TEST(Song, ArrangementOutlastsTheDemoByLittle)
{
    EXPECT_GE(song::LengthSeconds(), DemoSeconds + 5.0);
    EXPECT_LE(song::LengthSeconds(), 135.0);
}

TEST(Song, MelodiesFitTheSectionsThatPlayThem)
{
    for (const song::Section& section : song::Arrangement())
    {
        ASSERT_FALSE(section.Chords.empty()) << section.Name;
        if (section.Melody < 0)
            continue;
        const int eighths = section.Bars * 8;
        for (const song::MelodyNote& note : song::Melody(section.Melody))
        {
            EXPECT_GE(note.Start, 0) << section.Name;
            EXPECT_LE(note.Start + note.Length, eighths) << section.Name;
        }
    }
}

// Level in decibels (full scale) of the interleaved samples from `from` to
// `to` seconds, both channels together.
double LevelDb(const assettest::Pcm16& pcm, double from, double to)
{
    const size_t first = size_t(from * pcm.SampleRate) * pcm.Channels;
    const size_t last = std::min(pcm.Samples.size(), size_t(to * pcm.SampleRate) * pcm.Channels);
    double sum = 0.0;
    for (size_t i = first; i < last; ++i)
        sum += double(pcm.Samples[i]) * pcm.Samples[i];
    const double rms = std::sqrt(sum / double(std::max<size_t>(last - first, 1))) / 32768.0;
    return 20.0 * std::log10(rms + 1e-12);
}

assettest::Pcm16 LoadWav(const fs::path& path)
{
    assettest::Pcm16 pcm;
    EXPECT_TRUE(assettest::ParseWav(assettest::ReadBytes(path), pcm)) << path;
    return pcm;
}

TEST(Music, RenderIsStereoMusicThroughoutTheDemo)
{
    const assettest::Pcm16 pcm = LoadWav(MUSIC_WAV);
    ASSERT_EQ(pcm.Channels, 2);
    ASSERT_EQ(pcm.SampleRate, 44100u);
    EXPECT_NEAR(pcm.Seconds(), song::LengthSeconds(), 0.01);

    // Sound in every four-second stretch the demo plays, none of it near
    // full-scale clipping.
    for (double t = 0.0; t < DemoSeconds; t += 4.0)
        EXPECT_GT(LevelDb(pcm, t, t + 4.0), -30.0) << "quiet at " << t << " s";
    int16_t peak = 0;
    size_t sideDifferences = 0;
    for (size_t i = 0; i + 1 < pcm.Samples.size(); i += 2)
    {
        peak = std::max<int16_t>(peak, int16_t(std::abs(pcm.Samples[i])));
        sideDifferences += pcm.Samples[i] != pcm.Samples[i + 1];
    }
    EXPECT_LE(peak, 32767 * 0.91);
    EXPECT_GT(peak, 32767 * 0.85); // mastered to a peak of 0.9
    EXPECT_GT(sideDifferences, pcm.Samples.size() / 4) << "the two channels are the same";
    // It ends in silence rather than being cut off.
    EXPECT_LT(LevelDb(pcm, pcm.Seconds() - 0.05, pcm.Seconds()), -60.0);
}

TEST(Music, ASecondRenderWritesTheSameBytes)
{
    const fs::path scratch = assettest::ScratchFolder("musicgen-again");
    const fs::path wav = scratch / "again.wav";
    ASSERT_TRUE(assettest::Run(std::string("'") + MUSICGEN_PROGRAM + "' '" + wav.string() + "'"));
    EXPECT_TRUE(assettest::ReadBytes(wav) == assettest::ReadBytes(MUSIC_WAV));
    fs::remove_all(scratch);
}

TEST(Music, Mp3DecodesToThePiece)
{
    const fs::path mp3 = fs::path(RUN_DIR) / "2.mp3";
    ASSERT_TRUE(fs::exists(mp3));
    // 192 kbit/s constant rate: the size gives the duration.
    const double seconds = double(fs::file_size(mp3)) * 8.0 / 192000.0;
    EXPECT_NEAR(seconds, song::LengthSeconds(), 1.0);

    const fs::path scratch = assettest::ScratchFolder("mp3-decode");
    const fs::path decoded = scratch / "decoded.wav";
    ASSERT_TRUE(assettest::Run(std::string("'") + LAME_PROGRAM + "' --silent --decode '" +
                               mp3.string() + "' '" + decoded.string() + "'"));
    const assettest::Pcm16 pcm = LoadWav(decoded);
    const assettest::Pcm16 source = LoadWav(MUSIC_WAV);
    fs::remove_all(scratch);
    ASSERT_EQ(pcm.Channels, 2);
    EXPECT_NEAR(pcm.Seconds(), source.Seconds(), 0.1);
    // Loud where the source is loud, quiet where it is quiet.
    for (double t = 0.0; t + 4.0 < source.Seconds(); t += 4.0)
        EXPECT_NEAR(LevelDb(pcm, t, t + 4.0), LevelDb(source, t, t + 4.0), 1.0)
            << "at " << t << " s";
}

} // namespace
