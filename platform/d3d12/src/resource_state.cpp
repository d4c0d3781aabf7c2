#include "resource_state.h"

namespace d3d12
{
namespace
{

struct StateEntry
{
    D3D12_RESOURCE_STATES State;
    StateScope Scope;
};

// The pre-rasterisation stage group names the vertex, tessellation and
// geometry stages without requiring the optional shader features.
constexpr VkPipelineStageFlags2 NonPixelShaders =
    VK_PIPELINE_STAGE_2_PRE_RASTERIZATION_SHADERS_BIT | VK_PIPELINE_STAGE_2_COMPUTE_SHADER_BIT;
constexpr VkPipelineStageFlags2 AllShaders =
    NonPixelShaders | VK_PIPELINE_STAGE_2_FRAGMENT_SHADER_BIT;
constexpr VkPipelineStageFlags2 DepthTests =
    VK_PIPELINE_STAGE_2_EARLY_FRAGMENT_TESTS_BIT | VK_PIPELINE_STAGE_2_LATE_FRAGMENT_TESTS_BIT;

// clang-format off
constexpr StateEntry States[] = {
    {D3D12_RESOURCE_STATE_VERTEX_AND_CONSTANT_BUFFER,
        {VK_PIPELINE_STAGE_2_VERTEX_ATTRIBUTE_INPUT_BIT | AllShaders,
         VK_ACCESS_2_VERTEX_ATTRIBUTE_READ_BIT | VK_ACCESS_2_UNIFORM_READ_BIT}},
    {D3D12_RESOURCE_STATE_INDEX_BUFFER,
        {VK_PIPELINE_STAGE_2_INDEX_INPUT_BIT, VK_ACCESS_2_INDEX_READ_BIT}},
    {D3D12_RESOURCE_STATE_RENDER_TARGET,
        {VK_PIPELINE_STAGE_2_COLOR_ATTACHMENT_OUTPUT_BIT,
         VK_ACCESS_2_COLOR_ATTACHMENT_READ_BIT | VK_ACCESS_2_COLOR_ATTACHMENT_WRITE_BIT}},
    {D3D12_RESOURCE_STATE_UNORDERED_ACCESS,
        {AllShaders, VK_ACCESS_2_SHADER_STORAGE_READ_BIT | VK_ACCESS_2_SHADER_STORAGE_WRITE_BIT}},
    {D3D12_RESOURCE_STATE_DEPTH_WRITE,
        {DepthTests, VK_ACCESS_2_DEPTH_STENCIL_ATTACHMENT_READ_BIT |
                         VK_ACCESS_2_DEPTH_STENCIL_ATTACHMENT_WRITE_BIT}},
    {D3D12_RESOURCE_STATE_DEPTH_READ,
        {DepthTests, VK_ACCESS_2_DEPTH_STENCIL_ATTACHMENT_READ_BIT}},
    {D3D12_RESOURCE_STATE_NON_PIXEL_SHADER_RESOURCE,
        {NonPixelShaders, VK_ACCESS_2_SHADER_SAMPLED_READ_BIT | VK_ACCESS_2_SHADER_STORAGE_READ_BIT}},
    {D3D12_RESOURCE_STATE_PIXEL_SHADER_RESOURCE,
        {VK_PIPELINE_STAGE_2_FRAGMENT_SHADER_BIT,
         VK_ACCESS_2_SHADER_SAMPLED_READ_BIT | VK_ACCESS_2_SHADER_STORAGE_READ_BIT}},
    {D3D12_RESOURCE_STATE_STREAM_OUT,
        {VK_PIPELINE_STAGE_2_ALL_COMMANDS_BIT, VK_ACCESS_2_MEMORY_READ_BIT | VK_ACCESS_2_MEMORY_WRITE_BIT}},
    {D3D12_RESOURCE_STATE_INDIRECT_ARGUMENT,
        {VK_PIPELINE_STAGE_2_DRAW_INDIRECT_BIT, VK_ACCESS_2_INDIRECT_COMMAND_READ_BIT}},
    {D3D12_RESOURCE_STATE_COPY_DEST,
        {VK_PIPELINE_STAGE_2_COPY_BIT, VK_ACCESS_2_TRANSFER_WRITE_BIT}},
    {D3D12_RESOURCE_STATE_COPY_SOURCE,
        {VK_PIPELINE_STAGE_2_COPY_BIT, VK_ACCESS_2_TRANSFER_READ_BIT}},
    {D3D12_RESOURCE_STATE_RESOLVE_DEST,
        {VK_PIPELINE_STAGE_2_RESOLVE_BIT, VK_ACCESS_2_TRANSFER_WRITE_BIT}},
    {D3D12_RESOURCE_STATE_RESOLVE_SOURCE,
        {VK_PIPELINE_STAGE_2_RESOLVE_BIT, VK_ACCESS_2_TRANSFER_READ_BIT}},
};
// clang-format on

constexpr D3D12_RESOURCE_STATES KnownStates = D3D12_RESOURCE_STATES(0x3FFF);

constexpr D3D12_RESOURCE_STATES ShaderResource = D3D12_RESOURCE_STATES(
    D3D12_RESOURCE_STATE_NON_PIXEL_SHADER_RESOURCE | D3D12_RESOURCE_STATE_PIXEL_SHADER_RESOURCE);
constexpr D3D12_RESOURCE_STATES GeneralLayoutStates =
    D3D12_RESOURCE_STATES(D3D12_RESOURCE_STATE_UNORDERED_ACCESS | D3D12_RESOURCE_STATE_COPY_DEST |
                          D3D12_RESOURCE_STATE_COPY_SOURCE | D3D12_RESOURCE_STATE_RESOLVE_DEST |
                          D3D12_RESOURCE_STATE_RESOLVE_SOURCE);

} // namespace

bool IsKnownState(D3D12_RESOURCE_STATES state)
{
    return (state & ~KnownStates) == 0;
}

StateScope ScopeOfState(D3D12_RESOURCE_STATES state)
{
    // The common state (also the present state) is where anything may have
    // happened before and anything may follow: a resource in it can be
    // promoted to other states without a barrier.
    if (state == D3D12_RESOURCE_STATE_COMMON)
        return {VK_PIPELINE_STAGE_2_ALL_COMMANDS_BIT,
                VK_ACCESS_2_MEMORY_READ_BIT | VK_ACCESS_2_MEMORY_WRITE_BIT};
    StateScope scope{};
    for (const StateEntry& entry : States)
    {
        if (state & entry.State)
        {
            scope.Stages |= entry.Scope.Stages;
            scope.Access |= entry.Scope.Access;
        }
    }
    return scope;
}

VkImageLayout LayoutOfState(D3D12_RESOURCE_STATES state)
{
    // Copies and resolves use the general layout, as does the common state:
    // a texture in the common state may be copied to or from without a
    // barrier (implicit promotion), so the layout must not change between
    // them. Shader reads use it too: a texture may also be promoted from the
    // common state to a shader-resource state, and a descriptor pushed at a
    // draw must name the layout the image will have when the draw runs,
    // which the list cannot know. Only attachments get layouts of their own.
    if (state & D3D12_RESOURCE_STATE_RENDER_TARGET)
        return VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL;
    if (state & D3D12_RESOURCE_STATE_DEPTH_WRITE)
        return VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL;
    if (state & (GeneralLayoutStates | ShaderResource))
        return VK_IMAGE_LAYOUT_GENERAL;
    if (state & D3D12_RESOURCE_STATE_DEPTH_READ)
        return VK_IMAGE_LAYOUT_DEPTH_STENCIL_READ_ONLY_OPTIMAL;
    return VK_IMAGE_LAYOUT_GENERAL;
}

} // namespace d3d12
