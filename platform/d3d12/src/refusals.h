// The runtime's side of the refusals tests arm (d3d12_refusals.h).
#pragma once

#include <cstdint>

namespace d3d12
{

// The result armed for this use of `call`, or 0 (S_OK, VK_SUCCESS) where it
// goes ahead. Costs one atomic load while nothing is armed.
int32_t RefusalOf(const char* call);

} // namespace d3d12
