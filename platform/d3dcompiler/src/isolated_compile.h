// Compilation in a child process: the HLSL front end crashes on some
// malformed sources, and a shader file is data that must never take the
// program down. A crash or hang of the child becomes a failed compilation
// with a message.
#pragma once

#include "hlsl_front_end.h"

namespace d3dcompiler
{

CompileOutcome CompileIsolated(const CompileRequest& request);

} // namespace d3dcompiler
