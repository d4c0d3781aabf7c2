// The byte code that D3DCompileFromFile hands out, and how the graphics
// runtime reads it back. Platform-internal: the program only passes these
// blobs along and never looks inside.
//
// A blob holds one entry point compiled to SPIR-V for Vulkan 1.3 (SPIR-V 1.6),
// with what pipeline creation needs besides the code:
// - the stage and the SPIR-V entry-point name;
// - the input and output signatures: every user-defined stage input and
//   output with its semantic (upper-case name and index, "TEXCOORD1" being
//   TEXCOORD, 1), its SPIR-V location and its component count and type. A
//   vertex shader's inputs are what an input layout is matched against by
//   semantic. System values (SV_Position, SV_VertexID, ...) are built-ins and
//   not listed. The SPIR-V links one stage's outputs to the next stage's
//   inputs by location, so the runtime must check that a vertex shader's
//   output and a pixel shader's input with the same semantic share a location
//   (true whenever both stages use the same structure, as ours do);
// - the resource bindings, below.
//
// Binding scheme. Register space n is descriptor set n; the root signatures
// we build use space 0 only, so everything a shader uses lands in set 0, the
// one push-descriptor set. Within a set each register class owns a range of
// 16 bindings:
//     b0..b15 (constant buffers)  -> bindings  0..15, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER
//     t0..t15 (textures)          -> bindings 16..31, VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE
//     s0..s15 (samplers)          -> bindings 32..47, VK_DESCRIPTOR_TYPE_SAMPLER
// The compiler refuses a shader with a register outside these ranges, and
// any other kind of resource (UAVs, structured and typed buffers, combined
// samplers), so every binding listed is one of these three kinds.
//
// Constant buffers use the HLSL packing rules, so a C++ record laid out for the
// platform's own compiler has the same offsets here. Matrices are
// column-major by default, as on the platform.
//
// Container layout: little-endian 32-bit words; offsets in bytes from the
// start of the blob, every section 4-byte aligned.
//     header, 16 words:
//        0  magic 0x43424853 ("SHBC")     1  version (1)
//        2  stage (0 vertex, 1 pixel)     3  total size in bytes
//        4  entry point: string offset    5  entry point: length in bytes
//        6  inputs: offset                7  inputs: count
//        8  outputs: offset               9  outputs: count
//       10  bindings: offset             11  bindings: count
//       12  SPIR-V: offset               13  SPIR-V: word count
//       14  strings: offset              15  strings: size in bytes
//     signature element, 5 words: semantic-name string offset (relative to
//        the string section), semantic index, location, component count
//        (1 to 4), component type (0 float, 1 signed int, 2 unsigned int)
//     binding, 5 words: kind (0 constant buffer, 1 texture, 2 sampler),
//        register, space, binding, descriptor count (an array's length)
//     strings: UTF-8, each terminated by a zero byte
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace shader_bytecode
{

enum class Stage : uint32_t
{
    Vertex = 0,
    Pixel = 1,
};

enum class ComponentType : uint32_t
{
    Float = 0,
    SInt = 1,
    UInt = 2,
};

struct SignatureElement
{
    std::string SemanticName; // upper case, without the index
    uint32_t SemanticIndex = 0;
    uint32_t Location = 0;
    uint32_t ComponentCount = 0;
    ComponentType Type = ComponentType::Float;
};

enum class ResourceKind : uint32_t
{
    ConstantBuffer = 0, // register b
    Texture = 1,        // register t
    Sampler = 2,        // register s
};

struct ResourceBinding
{
    ResourceKind Kind = ResourceKind::ConstantBuffer;
    uint32_t Register = 0;
    uint32_t Space = 0;   // also the descriptor set
    uint32_t Binding = 0; // BindingForRegister(Kind, Register)
    uint32_t Count = 1;   // descriptors from Register on
};

struct ShaderBytecode
{
    Stage ShaderStage = Stage::Vertex;
    std::string EntryPoint;
    std::vector<SignatureElement> Inputs;
    std::vector<SignatureElement> Outputs;
    std::vector<ResourceBinding> Bindings;
    std::vector<uint32_t> Spirv;
};

constexpr uint32_t Magic = 0x43424853;
constexpr uint32_t Version = 1;
constexpr uint32_t RegistersPerClass = 16;

// The binding of register `reg` of the class of `kind` within its space's set.
constexpr uint32_t BindingForRegister(ResourceKind kind, uint32_t reg)
{
    return uint32_t(kind) * RegistersPerClass + reg;
}

std::vector<uint8_t> Serialize(const ShaderBytecode& shader);

// Reads a blob back. Anything malformed (wrong magic or version, a section
// outside the blob, a string without its terminator, a SPIR-V section that is
// not SPIR-V) gives false and a reason, never a crash.
bool Parse(const void* data, size_t size, ShaderBytecode* shader, std::string* error);

} // namespace shader_bytecode
