// Compilation in a compiler process of its own: the HLSL front end crashes
// on some malformed sources, and a shader file is data that must never take
// the program down. The compiler process is the program's own executable,
// started afresh; a crash or hang of it becomes a failed compilation with a
// message.
#pragma once

#include "hlsl_front_end.h"

namespace d3dcompiler
{

// Far beyond any real shader's compile time; only a hung front end reaches it.
constexpr int CompileTimeLimitSeconds = 60;

// A compiler that has not finished after the time limit is killed.
CompileOutcome CompileIsolated(const CompileRequest& request,
                               int timeLimitSeconds = CompileTimeLimitSeconds);

} // namespace d3dcompiler
