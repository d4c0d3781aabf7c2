// Root-signature descriptions as a plain record, the rules of what this
// runtime can honour, and the versioned byte encoding that
// D3D12SerializeRootSignature writes and CreateRootSignature reads back.
//
// What can be honoured: every parameter and static sampler maps to one
// binding of one Vulkan push-descriptor set (register space 0), by the
// compiler's register scheme (b0-b15, t0-t15, s0-s15). Parameters are root
// constant-buffer views and descriptor tables of shader-resource views;
// visibility is all stages, the vertex shader or the pixel shader.
//
// Encoding: little-endian 32-bit words.
//     header: magic 0x31475352 ("RSG1"), version (1), total size in bytes,
//             flags, parameter count, static-sampler count
//     parameter: type, visibility, then
//         root descriptor: register, space
//         root constants:  register, space, value count
//         table:           range count, then per range: type, descriptor
//                          count, base register, space, offset in the table
//     static sampler, 13 words: filter, address U, V, W, LOD bias (float
//         bits), max anisotropy, comparison, border colour, min LOD, max LOD
//         (float bits), register, space, visibility
#pragma once

#include <windows.h>

#include <d3d12.h>

#include <cstdint>
#include <string>
#include <vector>

namespace d3d12
{

struct RootDescriptorRange
{
    D3D12_DESCRIPTOR_RANGE_TYPE Type = D3D12_DESCRIPTOR_RANGE_TYPE_SRV;
    uint32_t Count = 0;
    uint32_t BaseRegister = 0;
    uint32_t Space = 0;
    uint32_t Offset = D3D12_DESCRIPTOR_RANGE_OFFSET_APPEND;
};

struct RootParameter
{
    D3D12_ROOT_PARAMETER_TYPE Type = D3D12_ROOT_PARAMETER_TYPE_CBV;
    D3D12_SHADER_VISIBILITY Visibility = D3D12_SHADER_VISIBILITY_ALL;
    uint32_t Register = 0;                   // root descriptors and constants
    uint32_t Space = 0;                      // root descriptors and constants
    uint32_t Constants = 0;                  // root constants: number of 32-bit values
    std::vector<RootDescriptorRange> Ranges; // tables
};

struct RootSignatureLayout
{
    D3D12_ROOT_SIGNATURE_FLAGS Flags = D3D12_ROOT_SIGNATURE_FLAG_NONE;
    std::vector<RootParameter> Parameters;
    std::vector<D3D12_STATIC_SAMPLER_DESC> Samplers;
};

constexpr uint32_t RootSignatureMagic = 0x31475352;
constexpr uint32_t RootSignatureVersion = 1;

// The description as a record; false with a reason where its arrays are
// missing.
bool LayoutOf(const D3D12_ROOT_SIGNATURE_DESC& desc, RootSignatureLayout* layout,
              std::string* error);

// Whether this runtime can honour `layout`; the reason where it cannot.
bool CheckLayout(const RootSignatureLayout& layout, std::string* error);

std::vector<uint8_t> EncodeLayout(const RootSignatureLayout& layout);

// Reads an encoding back and checks it with CheckLayout: anything malformed
// gives false and a reason, never a crash.
bool DecodeLayout(const void* data, size_t size, RootSignatureLayout* layout, std::string* error);

} // namespace d3d12
