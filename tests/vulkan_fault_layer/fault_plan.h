// What the fault layer injects and when: the plan read from CITY_VK_FAULT's
// text, and the count of every call's uses that picks the use to fail.
#pragma once

#include <vulkan/vulkan.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

namespace fault_layer
{

struct ResultName
{
    const char* Name;
    VkResult Value;
};

constexpr ResultName ResultNames[] = {
    {"VK_SUCCESS", VK_SUCCESS},
    {"VK_SUBOPTIMAL_KHR", VK_SUBOPTIMAL_KHR},
    {"VK_ERROR_OUT_OF_HOST_MEMORY", VK_ERROR_OUT_OF_HOST_MEMORY},
    {"VK_ERROR_OUT_OF_DEVICE_MEMORY", VK_ERROR_OUT_OF_DEVICE_MEMORY},
    {"VK_ERROR_INITIALIZATION_FAILED", VK_ERROR_INITIALIZATION_FAILED},
    {"VK_ERROR_DEVICE_LOST", VK_ERROR_DEVICE_LOST},
    {"VK_ERROR_SURFACE_LOST_KHR", VK_ERROR_SURFACE_LOST_KHR},
    {"VK_ERROR_OUT_OF_DATE_KHR", VK_ERROR_OUT_OF_DATE_KHR},
    {"VK_ERROR_UNKNOWN", VK_ERROR_UNKNOWN},
};

inline const char* NameOf(VkResult result)
{
    for (const ResultName& name : ResultNames)
    {
        if (name.Value == result)
            return name.Name;
    }
    return "a result";
}

struct Injection
{
    std::string Call;
    bool AfterFirstPresent = false; // uses are counted from the first present on
    unsigned First = 0;             // 0: nothing is injected
    unsigned Times = 1;             // 0: for ever
    VkResult Result = VK_SUCCESS;
};

// Reads "CALL N RESULT [TIMES]"; null or empty text injects nothing, and so
// does text of another form, which leaves `readable` false.
inline Injection ParseInjection(const char* text, bool* readable)
{
    Injection injection;
    char call[64] = {}, nth[16] = {}, result[64] = {};
    unsigned times = 1;
    const int fields = text ? std::sscanf(text, "%63s %15s %63s %u", call, nth, result, &times) : 0;
    *readable = fields >= 3 || !text || !*text;
    if (fields < 3)
        return injection;
    injection.Call = call;
    injection.AfterFirstPresent = nth[0] == '+';
    injection.First = unsigned(std::strtoul(nth + (nth[0] == '+' ? 1 : 0), nullptr, 10));
    injection.Times = times;
    injection.Result = VkResult(std::strtol(result, nullptr, 0));
    for (const ResultName& name : ResultNames)
    {
        if (std::strcmp(name.Name, result) == 0)
            injection.Result = name.Value;
    }
    return injection;
}

// One counted use of a call: its number over the whole process, its number
// after the first present (0 before it), and the result to inject or
// VK_SUCCESS.
struct Use
{
    unsigned Number = 0;
    unsigned NumberAfterFirstPresent = 0;
    VkResult Injected = VK_SUCCESS;
};

class UseCounter
{
public:
    explicit UseCounter(Injection injection) : mInjection(std::move(injection)) {}

    Use Count(const std::string& call)
    {
        Use use;
        use.Number = ++mUses[call];
        // The first present opens the count after it; the present itself is
        // not counted there.
        const bool presented = mUses.count("vkQueuePresentKHR") != 0;
        if (presented && (call != "vkQueuePresentKHR" || use.Number > 1))
            use.NumberAfterFirstPresent = ++mUsesAfterFirstPresent[call];
        const unsigned counted =
            mInjection.AfterFirstPresent ? use.NumberAfterFirstPresent : use.Number;
        if (mInjection.First != 0 && mInjection.Call == call && counted >= mInjection.First &&
            (mInjection.Times == 0 || counted < mInjection.First + mInjection.Times))
            use.Injected = mInjection.Result;
        return use;
    }

private:
    const Injection mInjection;
    std::map<std::string, unsigned> mUses;
    std::map<std::string, unsigned> mUsesAfterFirstPresent;
};

} // namespace fault_layer
