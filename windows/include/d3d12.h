// DirectX-Headers' d3d12.h followed by its interface identifiers for GCC:
// dxguids.h gives each Direct3D 12 interface the __uuidof that
// IID_PPV_ARGS and ComPtr use. The Linux platform layer's d3d12.h does the
// same; d3dx12.h reads d3d12.h by a path of its own, so this file comes first.
#pragma once

#include_next <d3d12.h>

#include <dxguids/dxguids.h>
