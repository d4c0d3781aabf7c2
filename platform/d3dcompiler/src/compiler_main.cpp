// HlslCompiler: the compiler process. Programs that compile shaders start it
// from their own folder for each compilation (isolated_compile.h) and give it
// the request and take the outcome through pipes (compiler_protocol.h). It
// is small beside them, so it starts quickly, and a crash or hang of the
// front end ends it alone.
#include "compiler_protocol.h"

#include <csignal>
#include <cstdio>
#include <new>
#include <unistd.h>

namespace
{

using namespace d3dcompiler;

// The front end's exceptions become failed compilations.
CompileOutcome CompileCatching(const CompileRequest& request)
{
    try
    {
        return CompileHlslFile(request);
    }
    catch (const std::bad_alloc&)
    {
        return {E_OUTOFMEMORY, request.Path + ": error: out of memory\n", {}};
    }
    catch (...)
    {
        return {E_FAIL, request.Path + ": error: internal compiler error\n", {}};
    }
}

} // namespace

int main()
{
    if (!IsPipe(RequestDescriptor) || !IsPipe(OutcomeDescriptor))
    {
        std::fprintf(stderr, "HlslCompiler compiles one shader for the programs beside it, which "
                             "start it; it is not run by hand.\n");
        return 2;
    }
    // A crash must end the process with its signal, whatever handlers a
    // sanitizer installed while it started.
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        std::signal(signal, SIG_DFL);
    std::string data;
    CompileRequest request;
    CompileOutcome outcome{E_FAIL, "error: the HLSL compiler received a malformed request\n", {}};
    if (ReadAll(RequestDescriptor, CompileTimeLimitSeconds, &data) == ReadEnd::Complete &&
        DecodeRequest(data, &request))
        outcome = CompileCatching(request);
    // _exit: no leak check of the sanitizers, whose report would be noise in
    // the program's error output.
    _exit(WriteAll(OutcomeDescriptor, EncodeOutcome(outcome)) ? 0 : 1);
}
