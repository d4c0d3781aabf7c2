// DirectX-Headers' d3d12.h, followed by the interface identifiers that the
// platform's own compiler attaches to the interfaces. On Linux they come from
// dxguids.h, which must see d3d12.h first; this wrapper keeps that order for
// every file that includes <d3d12.h>.
#pragma once

#include_next <d3d12.h>

#include <dxguids/dxguids.h>
