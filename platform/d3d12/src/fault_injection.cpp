#include "fault_injection.h"

#include <d3d12_fault_injection.h>

#include <atomic>
#include <mutex>
#include <vector>

namespace d3d12
{
namespace
{

struct Injection
{
    std::string Call;
    uint32_t UsesBefore; // uses that still go ahead
    int32_t Result;
};

std::atomic<bool> gArmed{false};
std::mutex gMutex;
std::vector<Injection> gInjections;

} // namespace

void InjectFailure(const std::string& call, uint32_t nth, int32_t result)
{
    std::lock_guard lock(gMutex);
    std::erase_if(gInjections, [&](const Injection& injection) { return injection.Call == call; });
    gInjections.push_back({call, nth > 0 ? nth - 1 : 0, result});
    gArmed = true;
}

void ClearInjectedFailures()
{
    std::lock_guard lock(gMutex);
    gInjections.clear();
    gArmed = false;
}

int32_t InjectedFailure(const char* call)
{
    if (!gArmed)
        return 0;
    std::lock_guard lock(gMutex);
    for (Injection& injection : gInjections)
    {
        if (injection.Call != call)
            continue;
        if (injection.UsesBefore == 0)
            return injection.Result;
        --injection.UsesBefore;
        return 0;
    }
    return 0;
}

} // namespace d3d12
