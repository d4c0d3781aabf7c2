// What the Vulkan validation layer reported in this process. The layer is
// switched on from outside (VK_INSTANCE_LAYERS=VK_LAYER_KHRONOS_validation,
// as the tests do); the runtime installs a messenger whenever the instance
// offers debug utilities, keeps the layer's warnings and errors here and
// echoes them to standard error. Tests read this log; the program never does.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vkrt
{

size_t ValidationMessageCount();
std::vector<std::string> ValidationMessages();
void ClearValidationMessages();

// Records one message (the messenger's callback; tests of the log itself).
void RecordValidationMessage(std::string message);

} // namespace vkrt
