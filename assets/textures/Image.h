// An 8-bit RGBA picture and the box-filtered mip chain built from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Rgba8
{
    uint8_t R = 0;
    uint8_t G = 0;
    uint8_t B = 0;
    uint8_t A = 255;

    bool operator==(const Rgba8&) const = default;
};

struct Image
{
    uint32_t Width = 0;
    uint32_t Height = 0;
    std::vector<Rgba8> Pixels; // rows top to bottom, Width pixels each

    Image() = default;
    Image(uint32_t width, uint32_t height)
        : Width(width), Height(height), Pixels(size_t(width) * height)
    {
    }

    Rgba8& At(uint32_t x, uint32_t y) { return Pixels[size_t(y) * Width + x]; }
    const Rgba8& At(uint32_t x, uint32_t y) const { return Pixels[size_t(y) * Width + x]; }
};

// Levels of a full chain down to 1 x 1: floor(log2(max(width, height))) + 1.
uint32_t FullMipCount(uint32_t width, uint32_t height);

// The next smaller level: each dimension halved (rounded down, never below 1),
// each pixel the rounded mean of the 2 x 2 (or 2 x 1 / 1 x 2 where a side is
// already 1, or 3-wide where a side is odd) source pixels it covers.
Image Downsample(const Image& source);

// Level 0 followed by every smaller level down to 1 x 1.
std::vector<Image> BuildMipChain(Image level0);
