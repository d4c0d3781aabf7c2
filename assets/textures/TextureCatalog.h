// The twelve textures of the city: file, encoding and picture of each, in the
// order of the program's texture list (its descriptor-heap order).
#pragma once

#include "DdsWriter.h"
#include "Image.h"

#include <cstdint>
#include <span>

struct TextureEntry
{
    const char* FileName; // under Textures/
    DdsEncoding Encoding;
    Image (*Paint)(uint32_t size);
};

constexpr uint32_t SceneTextureSize = 512;

std::span<const TextureEntry> SceneTextures();
