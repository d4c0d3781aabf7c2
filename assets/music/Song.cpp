#include "Song.h"

#include "Instruments.h"

#include <algorithm>
#include <cmath>

namespace song
{

namespace
{

using synth::Channel;

const std::vector<Chord> Verse = {{33, true}, {29, false}, {36, false}, {31, false}}; // Am F C G
const std::vector<Chord> Chorus = {{29, false}, {31, false}, {28, true}, {33, true}}; // F G Em Am
const std::vector<Chord> Bridge = {{38, true}, {29, false}, {36, false}, {31, false}, // Dm F C G
                                   {38, true}, {29, false}, {31, false}, {33, true}}; // Dm F G Am

Section MakeSection(const char* name, int bars, const std::vector<Chord>& chords)
{
    Section s;
    s.Name = name;
    s.Bars = bars;
    s.Chords = chords;
    return s;
}

// Everything on but the lead, as most sections have it.
Section Groove(const char* name, int bars, const std::vector<Chord>& chords)
{
    Section s = MakeSection(name, bars, chords);
    s.Kick = s.Snare = s.Hats = s.Bass = s.Arp = true;
    return s;
}

std::vector<Section> MakeArrangement()
{
    std::vector<Section> sections;
    Section intro = MakeSection("intro", 4, Verse);
    intro.Arp = true;
    sections.push_back(intro);
    Section groove = MakeSection("groove", 8, Verse);
    groove.Kick = groove.Hats = groove.Bass = true;
    sections.push_back(groove);
    sections.push_back(Groove("groove with arpeggio", 8, Verse));
    Section chorus = Groove("chorus", 8, Chorus);
    chorus.Melody = 0;
    sections.push_back(chorus);
    Section breakdown = MakeSection("breakdown", 4, Verse);
    breakdown.Arp = true;
    breakdown.Build = true;
    sections.push_back(breakdown);
    sections.push_back(Groove("second groove", 8, Verse));
    Section chorus2 = Groove("second chorus", 8, Chorus);
    chorus2.Melody = 0;
    chorus2.Harmony = true;
    sections.push_back(chorus2);
    Section finale = Groove("finale", 8, Bridge);
    finale.Melody = 1;
    sections.push_back(finale);
    Section outro = MakeSection("outro", 4, Verse);
    outro.Arp = true;
    sections.push_back(outro);
    return sections;
}

// Channel settings: level, pan, echo send, reverb send.
constexpr Channel KickChannel{0.95f, 0.0f, 0.0f, 0.02f};
constexpr Channel SnareChannel{0.5f, 0.05f, 0.0f, 0.3f};
constexpr Channel HatChannel{0.5f, 0.3f, 0.0f, 0.05f};
constexpr Channel CrashChannel{0.22f, -0.15f, 0.0f, 0.2f};
constexpr Channel BassChannel{0.45f, 0.0f, 0.0f, 0.0f};
constexpr Channel PadChannel{0.65f, 0.0f, 0.0f, 0.35f};
constexpr Channel ArpChannel{0.16f, -0.3f, 0.4f, 0.15f};
constexpr Channel LeadChannel{0.5f, 0.1f, 0.3f, 0.3f};
constexpr Channel HarmonyChannel{0.3f, -0.35f, 0.3f, 0.3f};
constexpr Channel RiserChannel{0.3f, 0.0f, 0.2f, 0.4f};

// The section playing in a bar, or none past the end.
const Section* SectionAtBar(int bar)
{
    for (const Section& section : Arrangement())
    {
        if (bar < section.Bars)
            return &section;
        bar -= section.Bars;
    }
    return nullptr;
}

// Side-chain pumping: the pad dips on every kick and swells back.
float Duck(double seconds)
{
    const Section* section = SectionAtBar(int(seconds / SecondsPerBar));
    if (!section || !section->Kick)
        return 1.0f;
    const double sinceBeat = std::fmod(seconds, 4.0 * SecondsPerStep);
    return 1.0f - 0.5f * float(std::exp(-sinceBeat * 9.0));
}

// A diatonic third below, in A natural minor.
int ThirdBelow(int note)
{
    static const int scale[] = {0, 2, 3, 5, 7, 8, 10}; // A B C D E F G from A
    const int fromA = ((note - 9) % 12 + 12) % 12;
    int degree = 0;
    while (degree < 6 && scale[degree + 1] <= fromA)
        ++degree;
    const int target = degree - 2;
    const int octaveShift = target < 0 ? -12 : 0;
    return note - fromA + scale[(target + 7) % 7] + octaveShift;
}

double StepTime(int bar, int step)
{
    return (bar * StepsPerBar + step) * SecondsPerStep;
}

void PlayDrums(synth::Mixer& mix, const Section& s, int bar, bool lastBarOfSection, bool fill)
{
    for (int step = 0; step < StepsPerBar; ++step)
    {
        const double t = StepTime(bar, step);
        if (s.Kick && step % 4 == 0)
            PlayKick(mix, t, 1.0f, KickChannel);
        if (s.Snare && (step == 4 || step == 12))
            PlaySnare(mix, t, 1.0f, SnareChannel);
        if (s.Snare && fill && lastBarOfSection && step >= 13)
            PlaySnare(mix, t, 0.45f + 0.15f * float(step - 13), SnareChannel);
        if (s.Hats)
        {
            const bool open = step == 14 && bar % 2 == 1;
            if (step % 4 == 2)
                PlayHat(mix, t, open ? 0.8f : 1.0f, open, HatChannel);
            else if (s.Snare && step % 2 == 1)
                PlayHat(mix, t, 0.35f, false, HatChannel); // ghost sixteenths
        }
    }
}

void PlayBassLine(synth::Mixer& mix, const Chord& chord, int bar)
{
    static const int pattern[] = {0, 0, 12, 0, 0, 12, 7, 12};
    for (int eighth = 0; eighth < 8; ++eighth)
    {
        const float velocity = eighth % 2 == 0 ? 1.0f : 0.8f;
        PlayBass(mix, StepTime(bar, eighth * 2), float(chord.Root + pattern[eighth]),
                 float(SecondsPerStep * 1.6), velocity, BassChannel);
    }
}

void PlayArpeggio(synth::Mixer& mix, const Chord& chord, int bar, float brightness, float level)
{
    static const int order[] = {0, 1, 2, 3, 2, 1, 2, 3};
    std::vector<int> tones = PadVoicing(chord);
    for (int step = 0; step < StepsPerBar; ++step)
    {
        const float accent = step % 4 == 0 ? 1.0f : 0.7f;
        PlayPluck(mix, StepTime(bar, step), float(tones[order[step % 8]] + 12), accent * level,
                  brightness, ArpChannel);
    }
}

void PlayMelody(synth::Mixer& mix, const Section& s, int firstBar)
{
    const double start = StepTime(firstBar, 0);
    for (const MelodyNote& n : Melody(s.Melody))
    {
        const double t = start + n.Start * 2 * SecondsPerStep;
        const float held = float(n.Length * 2 * SecondsPerStep * 0.92);
        PlayLead(mix, t, float(n.Note), held, 1.0f, LeadChannel);
        if (s.Harmony)
            PlayLead(mix, t, float(ThirdBelow(n.Note)), held, 0.8f, HarmonyChannel);
    }
}

void PlaySection(synth::Mixer& mix, const Section& s, int firstBar, bool nextHasDrums)
{
    if (s.Kick)
        PlayCrash(mix, StepTime(firstBar, 0), 1.0f, CrashChannel);
    for (int b = 0; b < s.Bars; ++b)
    {
        const int bar = firstBar + b;
        const Chord& chord = s.Chords[size_t(b) % s.Chords.size()];
        const float progress = float(b + 1) / float(s.Bars);
        const bool intro = firstBar == 0; // the opening fades in
        const float padLevel = intro ? progress : 1.0f;
        PlayPad(mix, StepTime(bar, 0), PadVoicing(chord), float(SecondsPerBar), padLevel, Duck,
                PadChannel);
        PlayDrums(mix, s, bar, b == s.Bars - 1, nextHasDrums);
        if (s.Bass)
            PlayBassLine(mix, chord, bar);
        if (s.Arp)
            PlayArpeggio(mix, chord, bar, 0.35f + 0.5f * progress,
                         intro ? 0.5f + 0.5f * progress : 1.0f);
    }
    if (s.Build)
    {
        const int half = s.Bars / 2;
        PlayRiser(mix, StepTime(firstBar + half, 0), float((s.Bars - half) * SecondsPerBar), 1.0f,
                  RiserChannel);
    }
    if (s.Melody >= 0)
        PlayMelody(mix, s, firstBar);
}

// The last chord, struck once after the final bar and left to ring.
void PlayEnding(synth::Mixer& mix, int bar)
{
    const Chord home{33, true};
    const double t = StepTime(bar, 0);
    PlayKick(mix, t, 1.0f, KickChannel);
    PlayCrash(mix, t, 1.0f, CrashChannel);
    PlayBass(mix, t, float(home.Root), 1.5f, 1.0f, BassChannel);
    PlayPad(
        mix, t, PadVoicing(home), 1.5f, 1.0f, [](double) { return 1.0f; }, PadChannel);
}

// A short fade over the last second, so the file ends in silence whatever
// the effects still carry.
void FadeOut(synth::StereoBuffer& buffer, float seconds)
{
    const size_t frames = std::min(buffer.Frames(), size_t(seconds * synth::SampleRate));
    const size_t first = buffer.Frames() - frames;
    for (size_t i = 0; i < frames; ++i)
    {
        const float gain = 1.0f - float(i + 1) / float(frames);
        buffer.Left[first + i] *= gain;
        buffer.Right[first + i] *= gain;
    }
}

} // namespace

const std::vector<Section>& Arrangement()
{
    static const std::vector<Section> sections = MakeArrangement();
    return sections;
}

const std::vector<MelodyNote>& Melody(int index)
{
    // Eighth-note positions over eight bars.
    static const std::vector<MelodyNote> chorusTune = {
        {0, 2, 81},  {2, 1, 79},  {3, 1, 77},  {4, 3, 76},  {7, 1, 77},  // F
        {8, 2, 79},  {10, 1, 77}, {11, 1, 76}, {12, 3, 74}, {15, 1, 76}, // G
        {16, 2, 76}, {18, 1, 74}, {19, 1, 72}, {20, 2, 71}, {22, 2, 76}, // Em
        {24, 6, 69}, {30, 1, 71}, {31, 1, 72},                           // Am
        {32, 2, 81}, {34, 1, 79}, {35, 1, 77}, {36, 3, 76}, {39, 1, 77}, // F
        {40, 2, 79}, {42, 1, 81}, {43, 1, 83}, {44, 3, 84}, {47, 1, 83}, // G
        {48, 2, 79}, {50, 2, 83}, {52, 2, 76}, {54, 2, 79},              // Em
        {56, 8, 81},                                                     // Am
    };
    static const std::vector<MelodyNote> finaleTune = {
        {0, 3, 74},  {3, 1, 77},  {4, 2, 81},  {6, 2, 77},  // Dm
        {8, 3, 72},  {11, 1, 77}, {12, 4, 81},              // F
        {16, 2, 79}, {18, 2, 76}, {20, 2, 72}, {22, 2, 76}, // C
        {24, 6, 74}, {30, 2, 71},                           // G
        {32, 3, 74}, {35, 1, 77}, {36, 2, 81}, {38, 2, 84}, // Dm
        {40, 3, 84}, {43, 1, 81}, {44, 4, 77},              // F
        {48, 2, 79}, {50, 2, 83}, {52, 2, 86}, {54, 2, 83}, // G
        {56, 8, 81},                                        // Am
    };
    return index == 0 ? chorusTune : finaleTune;
}

int TotalBars()
{
    int bars = 0;
    for (const Section& section : Arrangement())
        bars += section.Bars;
    return bars;
}

double LengthSeconds()
{
    return TotalBars() * SecondsPerBar + 4.0;
}

std::vector<int> PadVoicing(const Chord& chord)
{
    constexpr int Lowest = 57; // A3
    auto place = [](int note) { return Lowest + ((note - Lowest) % 12 + 12) % 12; };
    std::vector<int> notes = {place(chord.Root), place(chord.Root + (chord.Minor ? 3 : 4)),
                              place(chord.Root + 7)};
    std::sort(notes.begin(), notes.end());
    notes.push_back(place(chord.Root) + 12);
    return notes;
}

synth::StereoBuffer Render()
{
    synth::Mixer mix(size_t(LengthSeconds() * synth::SampleRate));
    const std::vector<Section>& sections = Arrangement();
    int bar = 0;
    for (size_t i = 0; i < sections.size(); ++i)
    {
        const bool nextHasDrums = i + 1 < sections.size() && sections[i + 1].Kick;
        PlaySection(mix, sections[i], bar, nextHasDrums);
        bar += sections[i].Bars;
    }
    PlayEnding(mix, bar);
    synth::StereoBuffer out = mix.Master(float(3 * SecondsPerStep), 0.9f);
    FadeOut(out, 1.0f);
    return out;
}

} // namespace song
