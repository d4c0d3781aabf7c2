// The device personalities the tests run the programs under: the tests'
// Vulkan layer makes the first of two lavapipe devices look like another
// device (the second stays a CPU device, the software adapter, as on a
// machine with a GPU driver and lavapipe), and each row says what the
// programs must do there.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <sstream>
#include <string>
#include <vector>

struct Personality
{
    const char* TestName; // as test names carry it
    const char* Name;     // the layer's CITY_VK_PERSONALITY
    // Where the hardware adapter is refused: the reason the runtime gives.
    // Otherwise null, and the program runs on the personality's device.
    const char* Refusal;
    bool CanPresent;               // the device can show the demo's window
    const char* Setting = nullptr; // another setting of the layer, where one is made
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
    // Blanks slower than the frames: a present that waited for them would
    // show as the layer's waits.
    {"FifoOnlyAtTenHertz", "fifo-only", nullptr, true, "CITY_VK_REFRESH_HZ=10"},
};

// The environment that puts a program on `personality` under the validation
// layer; empty where the layer or lavapipe was not built or found.
inline std::vector<std::string> PersonalityEnvironment(const Personality& personality)
{
#if defined(VULKAN_PERSONALITY_LAYER_PATH) && defined(VULKAN_PERSONALITY_ICD_FILENAMES)
    std::vector<std::string> environment = {
        "VK_ICD_FILENAMES=" VULKAN_PERSONALITY_ICD_FILENAMES,
        "VK_ADD_LAYER_PATH=" VULKAN_PERSONALITY_LAYER_PATH,
        "VK_INSTANCE_LAYERS=VK_LAYER_KHRONOS_validation:VK_LAYER_city_device_personality",
        std::string("CITY_VK_PERSONALITY=") + personality.Name};
    if (personality.Setting)
        environment.push_back(personality.Setting);
    return environment;
#else
    (void)personality;
    return {};
#endif
}

// Checks a program's standard error: it ran on the personality's device, or
// was refused it with the row's reason; and the layer said nothing but that
// the device was created (no refusal of a call, no wait for a vertical blank).
inline void ExpectRanAsThePersonalitySays(const Personality& personality, const std::string& log)
{
    const std::string device =
        std::string("city personality layer: device created on ") + personality.Name;
    std::istringstream lines(log);
    std::string said;
    for (std::string line; std::getline(lines, line);)
    {
        if (line.find("city personality layer:") != std::string::npos && line != device)
            said += line + "\n";
    }
    EXPECT_EQ(said, "") << "the layer refused calls or waited for the blank";
    const bool ranOnPersonality = log.find(device) != std::string::npos;
    EXPECT_EQ(ranOnPersonality, personality.Refusal == nullptr) << log;
    if (personality.Refusal)
    {
        EXPECT_NE(log.find(personality.Refusal), std::string::npos) << log;
    }
}
