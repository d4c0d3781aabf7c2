// The runtime's side of the failures tests inject (d3d12_fault_injection.h).
#pragma once

#include <cstdint>

namespace d3d12
{

// The result armed for this use of `call`, or 0 (S_OK, VK_SUCCESS) where it
// goes ahead. Costs one atomic load while nothing is armed.
int32_t InjectedFailure(const char* call);

} // namespace d3d12
