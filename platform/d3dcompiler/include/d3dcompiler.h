// The run-time HLSL compiler: D3DCompileFromFile on shaderc's HLSL front end,
// producing SPIR-V for the Vulkan-based Direct3D 12 runtime (the byte code's
// format is in shader_bytecode.h), and D3DCreateBlob.
//
// ID3DBlob, ID3DInclude and D3D_SHADER_MACRO come from DirectX-Headers'
// d3dcommon.h; this header adds only what it lacks.
#pragma once

#include <windows.h>

#include <d3dcommon.h>

// Pass as pInclude so that #include directives resolve relative to the
// directory of the including file.
#define D3D_COMPILE_STANDARD_FILE_INCLUDE ((ID3DInclude*)(UINT_PTR)1)

// The compile flag honoured besides 0: keep names and source in the byte code
// (optimisation stays on). Other flags give E_NOTIMPL.
#define D3DCOMPILE_DEBUG (1 << 0)

#ifdef __cplusplus
extern "C"
{
#endif

    HRESULT WINAPI D3DCreateBlob(SIZE_T Size, ID3DBlob** ppBlob);

    // Compiles entry point pEntrypoint of the HLSL file pFileName for target
    // "vs_<model>" or "ps_<model>" (models 4_0 to 5_1). Results: S_OK with the
    // byte code; E_FAIL when the source does not compile; the Win32 file
    // error (HRESULT_FROM_WIN32) when the file cannot be read; E_INVALIDARG
    // for a missing argument or an unknown target. *ppErrorMsgs receives the
    // compiler's messages, zero-terminated, whenever there are any (warnings
    // of a successful compilation too), and null otherwise.
    HRESULT WINAPI D3DCompileFromFile(LPCWSTR pFileName, const D3D_SHADER_MACRO* pDefines,
                                      ID3DInclude* pInclude, LPCSTR pEntrypoint, LPCSTR pTarget,
                                      UINT Flags1, UINT Flags2, ID3DBlob** ppCode,
                                      ID3DBlob** ppErrorMsgs);

#ifdef __cplusplus
}
#endif
