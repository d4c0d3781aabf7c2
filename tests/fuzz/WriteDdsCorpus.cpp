// Writes the fuzzing seed corpus: the malformed and the well-formed test
// files, one file each, into the folder named on the command line.
#include "DdsTestFiles.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    int index = 0;
    for (const auto& cases : {ddstest::MalformedFiles(), ddstest::WellFormedFiles()})
    {
        for (const ddstest::DdsCase& file : cases)
        {
            char name[32];
            std::snprintf(name, sizeof(name), "seed-%03d.dds", index++);
            std::ofstream out(folder / name, std::ios::binary);
            out.write(reinterpret_cast<const char*>(file.Bytes.data()),
                      std::streamsize(file.Bytes.size()));
            if (!out)
                return 1;
        }
    }
    std::printf("%d seeds in %s\n", index, folder.c_str());
    return 0;
}
