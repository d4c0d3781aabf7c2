// A fresh directory under the system's temporary folder, removed with its
// contents when the object goes.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

class TempDir
{
public:
    TempDir()
    {
#ifdef _WIN32
        // No mkdtemp here: a random name, created only if it does not exist.
        std::random_device random;
        for (int attempt = 0; attempt < 100 && mPath.empty(); ++attempt)
        {
            const std::filesystem::path path =
                std::filesystem::temp_directory_path() / ("citydemo-" + std::to_string(random()));
            if (std::filesystem::create_directory(path))
                mPath = path;
        }
        if (mPath.empty())
            std::abort();
#else
        std::string pattern = (std::filesystem::temp_directory_path() / "citydemo-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        mPath = pattern;
#endif
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(mPath, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const
    {
        return mPath;
    }

    // Writes `bytes` to `name` inside the directory and returns its path.
    std::filesystem::path Write(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        const std::filesystem::path path = mPath / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }

private:
    std::filesystem::path mPath;
};
