// Renders the demo's music to a 16-bit stereo WAV file:
//   musicgen <output.wav>
#include "Song.h"
#include "Wav.h"

#include <filesystem>
#include <fstream>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::cerr << "usage: musicgen <output.wav>\n";
        return 2;
    }
    const std::vector<uint8_t> wav = synth::EncodeWav16(song::Render(), synth::SampleRate);
    // Written beside the target and renamed, so a failed run leaves no
    // truncated file that the build would take as up to date.
    const std::filesystem::path path = argv[1];
    const std::filesystem::path temporary = path.string() + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(wav.data()), std::streamsize(wav.size()));
        if (!out)
        {
            std::cerr << "musicgen: cannot write " << temporary << "\n";
            return 1;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error)
    {
        std::cerr << "musicgen: cannot write " << path << ": " << error.message() << "\n";
        return 1;
    }
    return 0;
}
