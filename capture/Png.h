// PNG files of RGB pictures, through libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RgbImage
{
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Pixels; // rows top to bottom, 3 bytes a pixel
};

// Writes `image` to `path`; false with the reason in `error`.
bool WritePng(const std::string& path, const RgbImage& image, std::string* error);

// Reads the PNG at `path`, whatever its colour type, as RGB; false with the
// reason in `error`.
bool ReadPng(const std::string& path, RgbImage* image, std::string* error);
