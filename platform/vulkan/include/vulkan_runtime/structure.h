// Vulkan structures start with their type and are otherwise zero; this says
// so in one expression (aggregate initialisation with only the type would
// leave the compiler warning about the other members).
#pragma once

#include <vulkan/vulkan.h>

namespace vkrt
{

template <class T> T Structure(VkStructureType type)
{
    T value{};
    value.sType = type;
    return value;
}

} // namespace vkrt
