// Compilation in a compiler process of its own: the HLSL front end crashes
// on some malformed sources, and a shader file is data that must never take
// the program down. The compiler process is HlslCompiler, a program beside
// the program's own executable, started afresh for each compilation; a crash
// or hang of it becomes a failed compilation with a message.
#pragma once

#include "compiler_protocol.h"

namespace d3dcompiler
{

// A compiler that has not finished after the time limit is killed.
CompileOutcome CompileIsolated(const CompileRequest& request,
                               int timeLimitSeconds = CompileTimeLimitSeconds);

} // namespace d3dcompiler
