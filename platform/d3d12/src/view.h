// Render-target, depth-stencil and shader-resource views: what
// CreateRenderTargetView, CreateDepthStencilView and CreateShaderResourceView
// write into a descriptor record. A view that cannot be made leaves the
// record empty, and a command list that later reads it is marked invalid.
#pragma once

#include "descriptor.h"

#include <windows.h>

#include <d3d12.h>

namespace d3d12
{

class Resource;

void WriteRenderTargetView(Resource* resource, const D3D12_RENDER_TARGET_VIEW_DESC* desc,
                           Descriptor* record);
void WriteDepthStencilView(Resource* resource, const D3D12_DEPTH_STENCIL_VIEW_DESC* desc,
                           Descriptor* record);
// `resourceGiven` tells a null view (no resource, as the program may ask)
// from a resource that is not one of this device's.
void WriteShaderResourceView(Resource* resource, bool resourceGiven,
                             const D3D12_SHADER_RESOURCE_VIEW_DESC* desc, Descriptor* record);

// The Vulkan swizzle for a view of `components` (the DXGI format's own
// swizzle) read through a Direct3D 12 four-component mapping.
VkComponentMapping ComposeComponents(const VkComponentMapping& components, UINT mapping);

} // namespace d3d12
