// The device personalities the tests run the programs under: the tests'
// Vulkan layer makes the first of two lavapipe devices look like another
// device (the second stays a CPU device, the software adapter, as on a
// machine with a GPU driver and lavapipe), and each row says what the
// programs must do there.
#pragma once

#include <ostream>
#include <string>
#include <vector>

struct Personality
{
    const char* TestName; // as test names carry it
    const char* Name;     // the layer's CITY_VK_PERSONALITY
    // Where the hardware adapter is refused: the reason the runtime gives.
    // Otherwise null, and the program runs on the personality's device.
    const char* Refusal;
    bool CanPresent; // the device can show the demo's window
};

inline void PrintTo(const Personality& personality, std::ostream* os)
{
    *os << personality.TestName;
}

constexpr Personality DevicePersonalities[] = {
    {"AmdLike", "amd-like", nullptr, true},
    {"NvidiaLike", "nvidia-like", nullptr, true},
    {"IntelLike", "intel-like", nullptr, true},
    {"FifoOnly", "fifo-only", nullptr, true},
    {"PresentOnlyFamily", "present-only-family", nullptr, true},
    {"NoPresent", "no-present", nullptr, false},
    {"NoBc", "no-bc", "it has no block-compressed texture formats", true},
    {"PiLike", "pi-like", "it offers Vulkan 1.2, and the runtime needs 1.3", true},
};

// The environment that puts a program on `personality` under the validation
// layer; empty where the layer or lavapipe was not built or found.
inline std::vector<std::string> PersonalityEnvironment(const Personality& personality)
{
#if defined(VULKAN_PERSONALITY_LAYER_PATH) && defined(LAVAPIPE_DRIVER) &&                        \
    defined(SECOND_LAVAPIPE_DRIVER)
    return {"VK_ICD_FILENAMES=" LAVAPIPE_DRIVER ":" SECOND_LAVAPIPE_DRIVER,
            "VK_ADD_LAYER_PATH=" VULKAN_PERSONALITY_LAYER_PATH,
            "VK_INSTANCE_LAYERS=VK_LAYER_KHRONOS_validation:VK_LAYER_city_device_personality",
            std::string("CITY_VK_PERSONALITY=") + personality.Name};
#else
    (void)personality;
    return {};
#endif
}

// The line the layer writes when a device is created on the personality.
inline std::string PersonalityDeviceLine(const Personality& personality)
{
    return std::string("city personality layer: device created on ") + personality.Name;
}
