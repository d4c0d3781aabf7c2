#include "view.h"

#include "resource.h"

namespace d3d12
{
namespace
{

// The mips and slices a view covers, before they are checked.
struct ViewRange
{
    uint32_t Mip = 0;
    uint32_t MipCount = 1;
    uint32_t Slice = 0;
    uint32_t SliceCount = 1;
};

// A count of -1 (all ones) means "to the end", as in the view descriptions.
uint32_t Rest(uint32_t count, uint32_t first, uint32_t total)
{
    return count == UINT(-1) ? (first < total ? total - first : 0) : count;
}

// The range of a render-target or depth-stencil view description. Both kinds
// list their two-dimensional dimensions in the same order (texture, array,
// multisampled, multisampled array) from `texture2D` on, with fields of the
// same shape; any other dimension is refused.
template <class Desc, class Dimension>
bool TargetViewRange(const Desc& desc, Dimension texture2D, uint32_t slices, ViewRange* range)
{
    switch (int(desc.ViewDimension) - int(texture2D))
    {
    case 0:
        *range = {desc.Texture2D.MipSlice, 1, 0, 1};
        return true;
    case 1:
        *range = {desc.Texture2DArray.MipSlice, 1, desc.Texture2DArray.FirstArraySlice,
                  Rest(desc.Texture2DArray.ArraySize, desc.Texture2DArray.FirstArraySlice, slices)};
        return true;
    case 2:
        *range = {0, 1, 0, 1};
        return true;
    case 3:
        *range = {
            0, 1, desc.Texture2DMSArray.FirstArraySlice,
            Rest(desc.Texture2DMSArray.ArraySize, desc.Texture2DMSArray.FirstArraySlice, slices)};
        return true;
    default:
        return false;
    }
}

bool Fits(const ViewRange& range, const Resource& resource)
{
    return range.MipCount > 0 && range.SliceCount > 0 && range.Mip < resource.Mips() &&
           range.MipCount <= resource.Mips() - range.Mip && range.Slice < resource.Slices() &&
           range.SliceCount <= resource.Slices() - range.Slice;
}

// The format a view sees, where the view may use it: a typed member of a
// typeless resource's family, or the typed resource's own format.
const FormatInfo* ViewFormat(const Resource& resource, DXGI_FORMAT requested)
{
    const DXGI_FORMAT own = resource.Desc().Format;
    const DXGI_FORMAT format = requested == DXGI_FORMAT_UNKNOWN ? own : requested;
    const FormatInfo* info = FindFormat(format);
    if (!info || info->Typeless)
        return nullptr;
    const bool allowed = FindFormat(own)->Typeless ? SameFamily(format, own) : format == own;
    return allowed ? info : nullptr;
}

void Fill(Resource& resource, DescriptorKind kind, const FormatInfo& format, const ViewKey& key,
          Descriptor* record)
{
    VkImageView view = resource.View(key);
    if (view == VK_NULL_HANDLE)
        return;
    const VkExtent3D extent = resource.MipExtent(key.Range.baseMipLevel);
    record->Kind = kind;
    record->Resource = resource.Id();
    record->View = view;
    record->Image = resource.Image();
    record->Format = key.Format;
    record->Clear = format.Clear;
    record->Range = key.Range;
    record->Extent = {extent.width, extent.height};
    record->Samples = resource.Samples();
}

VkImageViewType TwoDimensional(uint32_t slices)
{
    return slices > 1 ? VK_IMAGE_VIEW_TYPE_2D_ARRAY : VK_IMAGE_VIEW_TYPE_2D;
}

bool IsStencilReadFormat(DXGI_FORMAT format)
{
    return format == DXGI_FORMAT_X24_TYPELESS_G8_UINT ||
           format == DXGI_FORMAT_X32_TYPELESS_G8X24_UINT;
}

} // namespace

void WriteRenderTargetView(Resource* resource, const D3D12_RENDER_TARGET_VIEW_DESC* desc,
                           Descriptor* record)
{
    *record = {};
    if (!resource || resource->IsBuffer() ||
        !(resource->Desc().Flags & D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET))
        return;
    const FormatInfo* format = ViewFormat(*resource, desc ? desc->Format : DXGI_FORMAT_UNKNOWN);
    if (!format)
        return;

    ViewRange range;
    range.SliceCount = resource->Slices();
    if (desc && !TargetViewRange(*desc, D3D12_RTV_DIMENSION_TEXTURE2D, resource->Slices(), &range))
        return;
    if (!Fits(range, *resource))
        return;

    ViewKey key{};
    key.Type = TwoDimensional(range.SliceCount);
    key.Format = resource->Owner().ImageFormat(*format);
    key.Range = {VK_IMAGE_ASPECT_COLOR_BIT, range.Mip, 1, range.Slice, range.SliceCount};
    Fill(*resource, DescriptorKind::RenderTarget, *format, key, record);
}

void WriteDepthStencilView(Resource* resource, const D3D12_DEPTH_STENCIL_VIEW_DESC* desc,
                           Descriptor* record)
{
    *record = {};
    if (!resource || resource->IsBuffer() ||
        !(resource->Desc().Flags & D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL))
        return;
    const FormatInfo* format = ViewFormat(*resource, desc ? desc->Format : DXGI_FORMAT_UNKNOWN);
    if (!format || !format->DepthStencilAspects)
        return;

    // A two-dimensional view of a multisampled depth buffer covers its
    // samples all the same.
    ViewRange range;
    range.SliceCount = resource->Slices();
    if (desc)
    {
        if (!TargetViewRange(*desc, D3D12_DSV_DIMENSION_TEXTURE2D, resource->Slices(), &range))
            return;
        if (desc->Flags & ~(D3D12_DSV_FLAG_READ_ONLY_DEPTH | D3D12_DSV_FLAG_READ_ONLY_STENCIL))
            return;
    }
    if (!Fits(range, *resource))
        return;

    ViewKey key{};
    key.Type = TwoDimensional(range.SliceCount);
    key.Format = resource->ImageFormat();
    key.Range = {resource->Aspects(), range.Mip, 1, range.Slice, range.SliceCount};
    Fill(*resource, DescriptorKind::DepthStencil, *format, key, record);
    if (desc && record->Kind == DescriptorKind::DepthStencil)
        record->DepthStencilFlags = desc->Flags;
}

void WriteShaderResourceView(Resource* resource, bool resourceGiven,
                             const D3D12_SHADER_RESOURCE_VIEW_DESC* desc, Descriptor* record)
{
    *record = {};
    if (!resourceGiven)
    {
        // A null view needs a description to say what it stands for.
        if (desc)
            record->Kind = DescriptorKind::NullShaderResource;
        return;
    }
    if (!resource || resource->IsBuffer() ||
        (resource->Desc().Flags & D3D12_RESOURCE_FLAG_DENY_SHADER_RESOURCE))
        return;
    const FormatInfo* format = ViewFormat(*resource, desc ? desc->Format : DXGI_FORMAT_UNKNOWN);
    if (!format)
        return;

    ViewRange range{0, resource->Mips(), 0, resource->Slices()};
    VkImageViewType type = TwoDimensional(resource->Slices());
    if (desc)
    {
        const uint32_t mips = resource->Mips();
        const uint32_t slices = resource->Slices();
        switch (desc->ViewDimension)
        {
        case D3D12_SRV_DIMENSION_TEXTURE2D:
        {
            const auto& view = desc->Texture2D;
            range = {view.MostDetailedMip, Rest(view.MipLevels, view.MostDetailedMip, mips), 0, 1};
            type = VK_IMAGE_VIEW_TYPE_2D;
            break;
        }
        case D3D12_SRV_DIMENSION_TEXTURE2DARRAY:
        {
            const auto& view = desc->Texture2DArray;
            range = {view.MostDetailedMip, Rest(view.MipLevels, view.MostDetailedMip, mips),
                     view.FirstArraySlice, Rest(view.ArraySize, view.FirstArraySlice, slices)};
            type = VK_IMAGE_VIEW_TYPE_2D_ARRAY;
            break;
        }
        case D3D12_SRV_DIMENSION_TEXTURECUBE:
        {
            const auto& view = desc->TextureCube;
            range = {view.MostDetailedMip, Rest(view.MipLevels, view.MostDetailedMip, mips), 0, 6};
            type = VK_IMAGE_VIEW_TYPE_CUBE;
            break;
        }
        case D3D12_SRV_DIMENSION_TEXTURE2DMS:
            range = {0, 1, 0, 1};
            type = VK_IMAGE_VIEW_TYPE_2D;
            break;
        default:
            return;
        }
    }
    if (!Fits(range, *resource) ||
        (type == VK_IMAGE_VIEW_TYPE_CUBE && resource->Desc().Width != resource->Desc().Height))
        return;

    ViewKey key{};
    key.Type = type;
    key.Range = {VK_IMAGE_ASPECT_COLOR_BIT, range.Mip, range.MipCount, range.Slice,
                 range.SliceCount};
    key.Format = resource->Owner().ImageFormat(*format);
    if (resource->Format().DepthStencilAspects)
    {
        // A depth-stencil resource is read one aspect at a time, through the
        // image's own format.
        key.Format = resource->ImageFormat();
        key.Range.aspectMask = IsStencilReadFormat(format->Dxgi) ? VK_IMAGE_ASPECT_STENCIL_BIT
                                                                 : VK_IMAGE_ASPECT_DEPTH_BIT;
    }
    key.Components = ComposeComponents(format->Components,
                                       desc ? desc->Shader4ComponentMapping
                                            : UINT(D3D12_DEFAULT_SHADER_4_COMPONENT_MAPPING));
    Fill(*resource, DescriptorKind::ShaderResource, *format, key, record);
}

VkComponentMapping ComposeComponents(const VkComponentMapping& components, UINT mapping)
{
    const VkComponentSwizzle own[4] = {components.r, components.g, components.b, components.a};
    constexpr VkComponentSwizzle Named[4] = {VK_COMPONENT_SWIZZLE_R, VK_COMPONENT_SWIZZLE_G,
                                             VK_COMPONENT_SWIZZLE_B, VK_COMPONENT_SWIZZLE_A};
    VkComponentSwizzle out[4];
    for (int i = 0; i < 4; ++i)
    {
        const UINT source = (mapping >> (3 * i)) & 7;
        if (source < 4)
            out[i] = own[source] == VK_COMPONENT_SWIZZLE_IDENTITY ? Named[source] : own[source];
        else
            out[i] = source == 4 ? VK_COMPONENT_SWIZZLE_ZERO : VK_COMPONENT_SWIZZLE_ONE;
    }
    // Identity where a component reads itself, as Vulkan spells it.
    for (int i = 0; i < 4; ++i)
    {
        if (out[i] == Named[i])
            out[i] = VK_COMPONENT_SWIZZLE_IDENTITY;
    }
    return {out[0], out[1], out[2], out[3]};
}

} // namespace d3d12
