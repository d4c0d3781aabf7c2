// Part of every program of the address-sanitized build. The Vulkan loader
// unloads the driver and the layers once the last instance is gone, and the
// leak check at exit can then no longer tell whose allocations it finds, nor
// apply the suppressions that name those libraries. Opened here first, with
// RTLD_NODELETE, they stay loaded to the end; RTLD_LOCAL keeps their symbols
// from standing in for the loader's.
#include <dlfcn.h>

#include <initializer_list>

namespace
{

struct KeepVulkanLibraries
{
    KeepVulkanLibraries()
    {
        for (const char* library : {"libvulkan_lvp.so", "libVkLayer_khronos_validation.so"})
            dlopen(library, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    }
} keepVulkanLibraries;

} // namespace
