#include "Wav.h"

#include <algorithm>
#include <cmath>

namespace synth
{

namespace
{

void Put16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value)
{
    Put16(out, uint16_t(value));
    Put16(out, uint16_t(value >> 16));
}

void PutTag(std::vector<uint8_t>& out, const char (&tag)[5])
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(tag[i]));
}

int16_t ToPcm(float x)
{
    return int16_t(std::lround(std::clamp(x, -1.0f, 1.0f) * 32767.0f));
}

} // namespace

std::vector<uint8_t> EncodeWav16(const StereoBuffer& buffer, int sampleRate)
{
    constexpr uint16_t Channels = 2;
    constexpr uint16_t BytesPerSample = 2;
    const uint32_t dataBytes = uint32_t(buffer.Frames() * Channels * BytesPerSample);
    std::vector<uint8_t> out;
    out.reserve(44 + dataBytes);
    PutTag(out, "RIFF");
    Put32(out, 36 + dataBytes);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1); // PCM
    Put16(out, Channels);
    Put32(out, uint32_t(sampleRate));
    Put32(out, uint32_t(sampleRate) * Channels * BytesPerSample);
    Put16(out, Channels * BytesPerSample);
    Put16(out, 8 * BytesPerSample);
    PutTag(out, "data");
    Put32(out, dataBytes);
    for (size_t i = 0; i < buffer.Frames(); ++i)
    {
        Put16(out, uint16_t(ToPcm(buffer.Left[i])));
        Put16(out, uint16_t(ToPcm(buffer.Right[i])));
    }
    return out;
}

} // namespace synth
