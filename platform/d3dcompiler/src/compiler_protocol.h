// What passes between a program and the compiler process it starts for one
// compilation (isolated_compile.h, compiler_main.cpp): the request goes in
// on the compiler's descriptor 0 and the outcome comes back on its
// descriptor 3, pipes of their own, so that whatever the front end prints
// cannot corrupt the outcome. Its standard error is the program's.
#pragma once

#include "hlsl_front_end.h"

#include <string>

namespace d3dcompiler
{

constexpr int RequestDescriptor = 0;
constexpr int OutcomeDescriptor = 3;

// Far beyond any real shader's compile time; only a hung front end reaches it.
constexpr int CompileTimeLimitSeconds = 60;

std::string EncodeRequest(const CompileRequest& request);
bool DecodeRequest(const std::string& data, CompileRequest* request);
std::string EncodeOutcome(const CompileOutcome& outcome);
bool DecodeOutcome(const std::string& data, CompileOutcome* outcome);

// Writes all of `data`; false where the descriptor refuses it.
bool WriteAll(int fd, const std::string& data);

enum class ReadEnd
{
    Complete, // the writer closed its end
    TimedOut,
    Failed,
};

// Reads until the writer closes its end, for at most `timeLimitSeconds`.
ReadEnd ReadAll(int fd, int timeLimitSeconds, std::string* data);

bool IsPipe(int fd);

} // namespace d3dcompiler
