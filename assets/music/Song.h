// The demo's music: a piece in A minor at 120 beats per minute, sixty bars
// long, composed as sections of chords, a bass line, drums, an arpeggio and
// a lead melody, and rendered into a stereo buffer.
#pragma once

#include "Synth.h"

#include <vector>

namespace song
{

constexpr float BeatsPerMinute = 120.0f;
constexpr int StepsPerBar = 16; // sixteenth notes
constexpr double SecondsPerStep = 60.0 / BeatsPerMinute / 4.0;
constexpr double SecondsPerBar = SecondsPerStep * StepsPerBar;

struct Chord
{
    int Root; // MIDI note of the bass root
    bool Minor;
};

// A section of the arrangement: its chords (one per bar, repeated to fill
// it) and which parts play.
struct Section
{
    const char* Name;
    int Bars;
    std::vector<Chord> Chords;
    bool Kick = false;
    bool Snare = false;
    bool Hats = false;
    bool Bass = false;
    bool Arp = false;     // the pad plays in every section
    int Melody = -1;      // index of the lead melody, -1 for none
    bool Harmony = false; // a second lead a third below the melody
    bool Build = false;   // noise riser over the section's second half
};

// A note of a melody, in eighth notes from the melody's start.
struct MelodyNote
{
    int Start;
    int Length;
    int Note;
};

const std::vector<Section>& Arrangement();
const std::vector<MelodyNote>& Melody(int index);

int TotalBars();
double LengthSeconds(); // the bars plus a tail for the last notes to ring out

// The notes of a chord as the pad plays it: root, third and fifth in the
// octave from A3 up, plus the root an octave higher.
std::vector<int> PadVoicing(const Chord& chord);

// The whole piece, mastered to a peak of 0.9.
synth::StereoBuffer Render();

} // namespace song
