// What the compiler reads from and changes in the SPIR-V that the HLSL front
// end produces.
#pragma once

#include "shader_bytecode.h"

#include <cstdint>
#include <string>
#include <vector>

namespace d3dcompiler
{

// Fills the entry point, stage, signatures and bindings of `shader` from a
// module compiled with HLSL semantics kept as UserSemantic decorations. A
// module that uses what the runtime cannot bind or pass between stages gives
// false and a message.
bool ReflectSpirv(const std::vector<uint32_t>& spirv, shader_bytecode::ShaderBytecode* shader,
                  std::string* error);

// The module without the HLSL semantic and type decorations and the
// extensions they need: they exist for reflection only, and Vulkan drivers do
// not accept those extensions.
std::vector<uint32_t> StripHlslDecorations(const std::vector<uint32_t>& spirv);

} // namespace d3dcompiler
