// Error reporting for platform calls, and the small utilities shared by the
// framework and the scene.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <d3dx12.h>
#include <d3dcompiler.h>
#include <wrl/client.h>

#include <future>
#include <memory>
#include <string>

// One exception type for every failed platform call: the result code, the
// checked expression exactly as written, and where the check sits.
class DxException
{
public:
    DxException() = default;
    DxException(HRESULT result, const std::wstring& expression, const std::wstring& sourceFile,
                int sourceLine);

    // "<expression> failed in <file>; line <n>; error: <system text>"
    std::wstring Describe() const;

    HRESULT Result = S_OK;
    std::wstring Expression;
    std::wstring SourceFile;
    int SourceLine = -1;
};

// Converts text in the system's ANSI code page to a wide string.
std::wstring WidenAnsi(const std::string& text);

// The system's message for a result code, without its trailing line break, or
// the fallback wording for codes the system has no text for.
std::wstring ResultCodeText(HRESULT code);

// Evaluates a platform call and throws DxException if its result is a failure.
// The file name is widened on every check, as the call's result is known only
// afterwards.
#define CheckHr(expression)                                                                        \
    do                                                                                             \
    {                                                                                              \
        HRESULT checkResult_ = (expression);                                                       \
        std::wstring checkFile_ = WidenAnsi(__FILE__);                                             \
        if (FAILED(checkResult_))                                                                  \
        {                                                                                          \
            throw DxException(checkResult_, L"" #expression, checkFile_, __LINE__);                \
        }                                                                                          \
    } while (false)

// Evaluates a copy through a staging buffer (d3dx12's UpdateSubresources),
// which answers the bytes it needed, or 0 having copied nothing, and throws
// DxException with E_FAIL for the latter.
#define CheckCopied(expression)                                                                    \
    do                                                                                             \
    {                                                                                              \
        if ((expression) == 0)                                                                     \
            throw DxException(E_FAIL, L"" #expression, WidenAnsi(__FILE__), __LINE__);             \
    } while (false)

// Compiles entry point `entrypoint` of the HLSL file `filename` for `target`
// ("vs_5_1", "ps_5_1") and returns the byte code. The compiler's messages,
// warnings included, go to the debugger output; a failed compilation throws
// DxException.
Microsoft::WRL::ComPtr<ID3DBlob> CompileShaderFile(const std::wstring& filename,
                                                   const D3D_SHADER_MACRO* defines,
                                                   const std::string& entrypoint,
                                                   const std::string& target);

// A compilation started on a thread of its own (by default), so that
// start-up can compile several stages at once. Finish waits for it, then
// reports as CompileShaderFile does: the compiler's messages to the debugger
// output, then DxException for a failed compilation. Finishing in a fixed
// order keeps the messages in that order. `defines` must outlive Finish.
class ShaderCompilation
{
public:
    ShaderCompilation(const std::wstring& filename, const D3D_SHADER_MACRO* defines,
                      const std::string& entrypoint, const std::string& target,
                      std::launch policy = std::launch::async | std::launch::deferred);
    Microsoft::WRL::ComPtr<ID3DBlob> Finish();

private:
    struct Outcome
    {
        HRESULT Result = E_FAIL;
        Microsoft::WRL::ComPtr<ID3DBlob> ByteCode;
        Microsoft::WRL::ComPtr<ID3DBlob> Errors;
    };
    static Outcome Run(const std::wstring& filename, const D3D_SHADER_MACRO* defines,
                       const std::string& entrypoint, const std::string& target);
    static Microsoft::WRL::ComPtr<ID3DBlob> Report(const Outcome& outcome);

    std::future<Outcome> mOutcome;
};

// Check sites pass the address of a temporary description, such as
// &CD3DX12_HEAP_PROPERTIES(D3D12_HEAP_TYPE_DEFAULT), as the platform's own
// compiler accepts. These overloads give that expression the same meaning in
// standard C++: the temporary lives until the end of the full call.
inline const CD3DX12_HEAP_PROPERTIES* operator&(CD3DX12_HEAP_PROPERTIES&& value)
{
    return std::addressof(value);
}
inline const CD3DX12_RESOURCE_DESC* operator&(CD3DX12_RESOURCE_DESC&& value)
{
    return std::addressof(value);
}
inline const CD3DX12_RESOURCE_BARRIER* operator&(CD3DX12_RESOURCE_BARRIER&& value)
{
    return std::addressof(value);
}

// A descriptor heap's first handles and a resource's description. Direct3D 12
// returns these records the way MSVC returns a record from a member function,
// through a hidden pointer; for GCC on Windows the headers spell that pointer
// out, so the call is written that way there.
inline D3D12_CPU_DESCRIPTOR_HANDLE CpuHeapStart(ID3D12DescriptorHeap* heap)
{
#if defined(_WIN32) && !defined(_MSC_VER)
    D3D12_CPU_DESCRIPTOR_HANDLE handle;
    return *heap->GetCPUDescriptorHandleForHeapStart(&handle);
#else
    return heap->GetCPUDescriptorHandleForHeapStart();
#endif
}
inline D3D12_GPU_DESCRIPTOR_HANDLE GpuHeapStart(ID3D12DescriptorHeap* heap)
{
#if defined(_WIN32) && !defined(_MSC_VER)
    D3D12_GPU_DESCRIPTOR_HANDLE handle;
    return *heap->GetGPUDescriptorHandleForHeapStart(&handle);
#else
    return heap->GetGPUDescriptorHandleForHeapStart();
#endif
}
inline D3D12_RESOURCE_DESC DescOf(ID3D12Resource* resource)
{
#if defined(_WIN32) && !defined(_MSC_VER)
    D3D12_RESOURCE_DESC desc;
    return *resource->GetDesc(&desc);
#else
    return resource->GetDesc();
#endif
}

// The size of a constant record rounded up to the 256 bytes that separate
// constant-buffer views: (size + 255) with the low 8 bits cleared.
inline UINT PadToConstantAlignment(UINT byteSize)
{
    return (byteSize + 255) & ~255u;
}

// Creates a buffer of `byteSize` bytes in GPU-local memory and records on
// `cmdList` the copy of `initData` into it through a staging buffer in the
// upload heap, which is returned in `uploadBuffer`. The caller keeps the
// staging buffer alive until the list has executed.
Microsoft::WRL::ComPtr<ID3D12Resource>
CreateStaticBuffer(ID3D12Device* device, ID3D12GraphicsCommandList* cmdList, const void* initData,
                   UINT64 byteSize, Microsoft::WRL::ComPtr<ID3D12Resource>& uploadBuffer);
