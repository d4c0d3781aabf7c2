// The demo with one call of the runtime refused. REFUSE_CALL="CALL N RESULT"
// makes the N-th use of CALL, and every later one, fail with RESULT (an
// HRESULT such as 0x8007000E, or a VkResult such as -4); then the demo runs
// exactly as its own entry runs it.
#include "ShapesApp.h"

#include <d3d12_refusals.h>

#include <cstdio>
#include <cstdlib>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    char call[64] = {};
    unsigned nth = 0;
    long long result = 0;
    const char* refusal = std::getenv("REFUSE_CALL");
    if (refusal && std::sscanf(refusal, "%63s %u %lli", call, &nth, &result) == 3)
        d3d12::RefuseCall(call, nth, int32_t(result));
    return RunApplication<ShapesApp>(hInstance);
}
