#include "refusals.h"

#include <d3d12_refusals.h>

#include <atomic>
#include <mutex>
#include <vector>

namespace d3d12
{
namespace
{

struct Refusal
{
    std::string Call;
    uint32_t UsesBefore; // uses that still go ahead
    int32_t Result;
};

std::atomic<bool> gArmed{false};
std::mutex gMutex;
std::vector<Refusal> gRefusals;

} // namespace

void RefuseCall(const std::string& call, uint32_t nth, int32_t result)
{
    std::lock_guard lock(gMutex);
    std::erase_if(gRefusals, [&](const Refusal& refusal) { return refusal.Call == call; });
    gRefusals.push_back({call, nth > 0 ? nth - 1 : 0, result});
    gArmed = true;
}

void ClearRefusals()
{
    std::lock_guard lock(gMutex);
    gRefusals.clear();
    gArmed = false;
}

int32_t RefusalOf(const char* call)
{
    if (!gArmed)
        return 0;
    std::lock_guard lock(gMutex);
    for (Refusal& refusal : gRefusals)
    {
        if (refusal.Call != call)
            continue;
        if (refusal.UsesBefore == 0)
            return refusal.Result;
        --refusal.UsesBefore;
        return 0;
    }
    return 0;
}

} // namespace d3d12
