// The presentation engine's queue of a FIFO swapchain, as the layer keeps
// it over lavapipe's (see swapchain.cpp): which image shows from when, and
// which images the engine, the program and the layer hold.
#pragma once

#include <vulkan/vulkan.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <vector>

namespace city_personality
{

using Clock = std::chrono::steady_clock;
// A 60 Hz display's; CITY_VK_REFRESH_HZ sets another for a swapchain.
constexpr Clock::duration BlankPeriod = std::chrono::nanoseconds(1'000'000'000 / 60);

struct FifoSwapchain
{
    VkPresentModeKHR Mode = VK_PRESENT_MODE_FIFO_KHR; // FIFO or FIFO_RELAXED
    Clock::time_point FirstBlank;                     // blanks follow every Period
    Clock::duration Period = BlankPeriod;
    VkFence AcquireFence = VK_NULL_HANDLE;

    struct Shown
    {
        uint32_t Image;
        Clock::time_point From;
    };
    std::deque<Shown> Engine;  // front: the image on screen, then those waiting to show
    std::vector<bool> Program; // images the program has acquired
    std::vector<bool> Aside;   // acquired from lavapipe, not yet handed over
    bool Suboptimal = false;   // lavapipe said so for an image set aside

    Clock::time_point NextBlank(Clock::time_point after) const
    {
        return FirstBlank + ((after - FirstBlank) / Period + 1) * Period;
    }

    // The engine lets go of each image once the one after it shows.
    void Retire(Clock::time_point now)
    {
        while (Engine.size() >= 2 && Engine[1].From <= now)
            Engine.pop_front();
    }

    bool EngineHolds(uint32_t image) const
    {
        return std::any_of(Engine.begin(), Engine.end(),
                           [&](const Shown& shown) { return shown.Image == image; });
    }

    Clock::time_point NextRelease() const
    {
        return Engine.size() >= 2 ? Engine[1].From : Clock::time_point::max();
    }

    // The image shows from the first blank after both now and the image
    // queued last; FIFO_RELAXED shows it at once where the queue ran dry and
    // the image on screen has stayed a whole blank.
    void Present(uint32_t image, Clock::time_point now)
    {
        if (image >= Program.size())
            return;
        Program[image] = false;
        const bool late = Engine.empty() || NextBlank(Engine.back().From) <= now;
        if (Mode == VK_PRESENT_MODE_FIFO_RELAXED_KHR && late)
            Engine.push_back({image, now});
        else
            Engine.push_back(
                {image, NextBlank(Engine.empty() ? now : std::max(now, Engine.back().From))});
    }
};

} // namespace city_personality
