// One compilation: HLSL file in, byte-code container and messages out.
#pragma once

#include "shader_bytecode.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace d3dcompiler
{

struct CompileRequest
{
    std::string Path; // UTF-8, directories separated by '/'
    std::vector<std::pair<std::string, std::string>> Macros;
    bool StandardIncludes = false;
    std::string EntryPoint;
    shader_bytecode::Stage Stage = shader_bytecode::Stage::Vertex;
    bool DebugInfo = false;
};

struct CompileOutcome
{
    HRESULT Result = E_FAIL;
    std::string Messages;          // the compiler's text, warnings included; may be empty
    std::vector<uint8_t> Bytecode; // the container, on success
};

// Reads, compiles, reflects and validates. Runs in a compiler process (see
// isolated_compile.h), so it may use the HLSL front end freely.
CompileOutcome CompileHlslFile(const CompileRequest& request);

} // namespace d3dcompiler
