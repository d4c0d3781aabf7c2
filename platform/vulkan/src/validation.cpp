#include <vulkan_runtime/validation.h>

#include <cstdio>
#include <mutex>

namespace vkrt
{
namespace
{
std::mutex gMutex;
std::vector<std::string> gMessages;
} // namespace

size_t ValidationMessageCount()
{
    std::lock_guard lock(gMutex);
    return gMessages.size();
}

std::vector<std::string> ValidationMessages()
{
    std::lock_guard lock(gMutex);
    return gMessages;
}

void ClearValidationMessages()
{
    std::lock_guard lock(gMutex);
    gMessages.clear();
}

void RecordValidationMessage(std::string message)
{
    std::fprintf(stderr, "vulkan validation: %s\n", message.c_str());
    std::lock_guard lock(gMutex);
    gMessages.push_back(std::move(message));
}

} // namespace vkrt
