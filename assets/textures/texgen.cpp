// Writes the city's twelve DDS textures into a folder:
//   texgen <output folder> [--preview <folder>]
// --preview also writes level 0 of each texture, as stored (block-compressed
// ones decoded again), as a binary PPM picture for looking at.
#include "TextureCatalog.h"

#include <squish.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace fs = std::filesystem;

namespace
{

// Writes beside the target and renames, so an interrupted run never leaves a
// half-written texture that a later build would take as up to date.
bool WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    const fs::path temporary = path.string() + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (!out)
            return false;
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    return !error;
}

Image AsStored(const Image& level, DdsEncoding encoding)
{
    if (!IsBlockCompressed(encoding))
        return level;
    const std::vector<uint8_t> blocks = EncodeLevel(level, encoding);
    Image decoded(level.Width, level.Height);
    squish::DecompressImage(reinterpret_cast<squish::u8*>(decoded.Pixels.data()), int(level.Width),
                            int(level.Height), blocks.data(),
                            encoding == DdsEncoding::Bc3 ? squish::kDxt5 : squish::kDxt1);
    return decoded;
}

bool WritePreview(const fs::path& path, const Image& image)
{
    std::vector<uint8_t> bytes;
    const std::string header =
        "P6\n" + std::to_string(image.Width) + " " + std::to_string(image.Height) + "\n255\n";
    bytes.assign(header.begin(), header.end());
    for (const Rgba8& p : image.Pixels)
        bytes.insert(bytes.end(), {p.R, p.G, p.B});
    return WriteFile(path, bytes);
}

int Usage()
{
    std::cerr << "usage: texgen <output folder> [--preview <folder>]\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 4)
        return Usage();
    const fs::path output = argv[1];
    fs::path preview;
    if (argc == 4)
    {
        if (std::string(argv[2]) != "--preview")
            return Usage();
        preview = argv[3];
    }
    std::error_code error;
    fs::create_directories(output, error);
    if (!preview.empty())
        fs::create_directories(preview, error);

    for (const TextureEntry& entry : SceneTextures())
    {
        const std::vector<Image> levels = BuildMipChain(entry.Paint(SceneTextureSize));
        const fs::path path = output / entry.FileName;
        if (!WriteFile(path, EncodeDds(levels, entry.Encoding)))
        {
            std::cerr << "texgen: cannot write " << path << "\n";
            return 1;
        }
        if (!preview.empty())
        {
            const fs::path picture = (preview / entry.FileName).replace_extension(".ppm");
            if (!WritePreview(picture, AsStored(levels.front(), entry.Encoding)))
            {
                std::cerr << "texgen: cannot write " << picture << "\n";
                return 1;
            }
        }
    }
    return 0;
}
