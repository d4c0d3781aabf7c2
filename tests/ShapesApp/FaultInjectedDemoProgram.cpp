// The demo with a failure injected into one call of the runtime. INJECT_FAILURE="CALL N RESULT"
// makes the N-th use of CALL, and every later one, fail with RESULT (an
// HRESULT such as 0x8007000E, or a VkResult such as -4); then the demo runs
// exactly as its own entry runs it.
#include "ShapesApp.h"

#include <d3d12_fault_injection.h>

#include <cstdio>
#include <cstdlib>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    char call[64] = {};
    unsigned nth = 0;
    long long result = 0;
    const char* failure = std::getenv("INJECT_FAILURE");
    if (failure && std::sscanf(failure, "%63s %u %lli", call, &nth, &result) == 3)
        d3d12::InjectFailure(call, nth, int32_t(result));
    return RunApplication<ShapesApp>(hInstance);
}
