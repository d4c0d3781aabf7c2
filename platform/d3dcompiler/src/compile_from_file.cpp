// D3DCompileFromFile: checks and translates the call, compiles in a compiler
// process, and hands the results out as blobs.
#include <d3dcompiler.h>

#include "blob.h"
#include "isolated_compile.h"

#include <win32_support.h>

#include <algorithm>

namespace d3dcompiler
{
namespace
{

using shader_bytecode::Stage;

// "vs_5_1" -> vertex; the shader models that the platform's compiler takes
// for vertex and pixel shaders.
bool ParseTarget(const std::string& target, Stage* stage)
{
    static const char* const Models[] = {"4_0", "4_1", "5_0", "5_1"};
    if (target.size() != 6 || target[2] != '_' ||
        std::none_of(std::begin(Models), std::end(Models),
                     [&target](const char* model) { return target.substr(3) == model; }))
        return false;
    if (target.starts_with("vs"))
        *stage = Stage::Vertex;
    else if (target.starts_with("ps"))
        *stage = Stage::Pixel;
    else
        return false;
    return true;
}

HRESULT Finish(const CompileOutcome& outcome, ID3DBlob** code, ID3DBlob** errors)
{
    if (errors && !outcome.Messages.empty())
    {
        HRESULT hr = CreateTextBlob(outcome.Messages, errors);
        if (FAILED(hr))
            return hr;
    }
    if (FAILED(outcome.Result))
        return outcome.Result;
    HRESULT hr = CreateBlob(outcome.Bytecode.data(), outcome.Bytecode.size(), code);
    if (FAILED(hr) && errors && *errors)
    {
        (*errors)->Release();
        *errors = nullptr;
    }
    return hr;
}

// A call that cannot be compiled, with the reason in the error blob.
HRESULT FailWithReason(HRESULT result, const std::string& path, const std::string& reason,
                       ID3DBlob** errors)
{
    return Finish({result, path + ": error: " + reason + "\n", {}}, nullptr, errors);
}

} // namespace
} // namespace d3dcompiler

extern "C" HRESULT WINAPI D3DCompileFromFile(LPCWSTR pFileName, const D3D_SHADER_MACRO* pDefines,
                                             ID3DInclude* pInclude, LPCSTR pEntrypoint,
                                             LPCSTR pTarget, UINT Flags1, UINT Flags2,
                                             ID3DBlob** ppCode, ID3DBlob** ppErrorMsgs)
{
    using namespace d3dcompiler;
    if (ppCode)
        *ppCode = nullptr;
    if (ppErrorMsgs)
        *ppErrorMsgs = nullptr;
    if (!pFileName || !pEntrypoint || !pTarget || !ppCode)
        return E_INVALIDARG;

    CompileRequest request;
    request.Path = win32::Utf8FromWide(pFileName);
    // Paths written for the platform may separate directories with backslashes.
    std::replace(request.Path.begin(), request.Path.end(), '\\', '/');
    if (!ParseTarget(pTarget, &request.Stage))
        return FailWithReason(E_INVALIDARG, request.Path,
                              "unsupported target '" + std::string(pTarget) +
                                  "' (vertex and pixel shaders of models 4_0 to 5_1 only)",
                              ppErrorMsgs);
    if ((Flags1 & ~UINT(D3DCOMPILE_DEBUG)) != 0 || Flags2 != 0)
        return FailWithReason(E_NOTIMPL, request.Path, "unsupported compile flags", ppErrorMsgs);
    if (pInclude && pInclude != D3D_COMPILE_STANDARD_FILE_INCLUDE)
        return FailWithReason(E_NOTIMPL, request.Path,
                              "include handlers of the program's own are not supported",
                              ppErrorMsgs);

    request.EntryPoint = pEntrypoint;
    request.StandardIncludes = pInclude == D3D_COMPILE_STANDARD_FILE_INCLUDE;
    request.DebugInfo = (Flags1 & D3DCOMPILE_DEBUG) != 0;
    for (const D3D_SHADER_MACRO* macro = pDefines; macro && macro->Name; ++macro)
        request.Macros.emplace_back(macro->Name, macro->Definition ? macro->Definition : "");
    return Finish(CompileIsolated(request), ppCode, ppErrorMsgs);
}
