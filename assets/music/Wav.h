// 16-bit PCM WAV files: what the MP3 encoder reads.
#pragma once

#include "Synth.h"

#include <cstdint>
#include <vector>

namespace synth
{

// A canonical 44-byte-header RIFF/WAVE file of interleaved stereo 16-bit
// samples; values outside [-1, 1] are clamped.
std::vector<uint8_t> EncodeWav16(const StereoBuffer& buffer, int sampleRate);

} // namespace synth
