// Helpers shared by the asset tests: reading files, little-endian fields,
// WAV parsing and running the generators.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace assettest
{

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline uint32_t U32(const std::vector<uint8_t>& bytes, size_t offset)
{
    if (offset + 4 > bytes.size())
        return 0xDEADBEEF; // reads past the end show up as a wrong value, never UB
    return uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 |
           uint32_t(bytes[offset + 2]) << 16 | uint32_t(bytes[offset + 3]) << 24;
}

inline uint16_t U16(const std::vector<uint8_t>& bytes, size_t offset)
{
    if (offset + 2 > bytes.size())
        return 0xBEEF;
    return uint16_t(bytes[offset] | bytes[offset + 1] << 8);
}

// A fresh, empty folder under the system's temporary folder.
inline std::filesystem::path ScratchFolder(const std::string& name)
{
    const auto path =
        std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
    return path;
}

// Runs a shell command line; true when it exited with status 0.
inline bool Run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

// The sample data of a 16-bit PCM WAV file, found by walking its chunks
// (encoders differ in which chunks they put before the data).
struct Pcm16
{
    uint16_t Channels = 0;
    uint32_t SampleRate = 0;
    uint16_t BitsPerSample = 0;
    std::vector<int16_t> Samples; // interleaved

    double Seconds() const
    {
        return Channels && SampleRate ? double(Samples.size()) / Channels / SampleRate : 0.0;
    }
};

inline bool ParseWav(const std::vector<uint8_t>& bytes, Pcm16& pcm)
{
    if (bytes.size() < 12 || std::string(bytes.begin(), bytes.begin() + 4) != "RIFF" ||
        std::string(bytes.begin() + 8, bytes.begin() + 12) != "WAVE")
        return false;
    bool haveFormat = false;
    for (size_t pos = 12; pos + 8 <= bytes.size();)
    {
        const std::string tag(bytes.begin() + pos, bytes.begin() + pos + 4);
        const size_t size = U32(bytes, pos + 4);
        const size_t body = pos + 8;
        const size_t available = std::min(size, bytes.size() - body);
        if (tag == "fmt " && available >= 16)
        {
            pcm.Channels = U16(bytes, body + 2);
            pcm.SampleRate = U32(bytes, body + 4);
            pcm.BitsPerSample = U16(bytes, body + 14);
            haveFormat = U16(bytes, body) == 1;
        }
        else if (tag == "data" && haveFormat && pcm.BitsPerSample == 16)
        {
            pcm.Samples.resize(available / 2);
            for (size_t i = 0; i < pcm.Samples.size(); ++i)
                pcm.Samples[i] = int16_t(U16(bytes, body + 2 * i));
            return true;
        }
        pos = body + size + (size & 1);
    }
    return false;
}

} // namespace assettest
