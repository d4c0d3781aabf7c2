#include "d3dUtil.h"

#include <cwchar>
#include <vector>

DxException::DxException(HRESULT result, const std::wstring& expression,
                         const std::wstring& sourceFile, int sourceLine)
    : Result(result), Expression(expression), SourceFile(sourceFile), SourceLine(sourceLine)
{
}

std::wstring DxException::Describe() const
{
    return Expression + L" failed in " + SourceFile + L"; line " + std::to_wstring(SourceLine) +
           L"; error: " + ResultCodeText(Result);
}

std::wstring WidenAnsi(const std::string& text)
{
    wchar_t buffer[512];
    if (MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, buffer, 512) > 0)
        return std::wstring(buffer);

    // Longer texts do not fit the fixed buffer; convert them whole rather than
    // lose the file name of a report.
    int needed = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (needed <= 0)
        return std::wstring();
    std::vector<wchar_t> large(size_t(needed), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, large.data(), needed);
    return std::wstring(large.data());
}

std::wstring ResultCodeText(HRESULT code)
{
    LPWSTR systemText = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, DWORD(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                  reinterpret_cast<LPWSTR>(&systemText), 0, nullptr);

    std::wstring text;
    if (length > 0 && systemText)
    {
        text.assign(systemText, length);
        // Drop a trailing line feed and, only then, a carriage return before it.
        if (text.size() > 1 && text.back() == L'\n')
        {
            text.pop_back();
            if (!text.empty() && text.back() == L'\r')
                text.pop_back();
        }
    }
    else
    {
        // Fallbacks worded as the platform's COM error class words them.
        wchar_t buffer[32];
        const uint32_t value = uint32_t(code);
        if (value > 0x80040200u && value <= 0x8004FFFFu)
            std::swprintf(buffer, 32, L"IDispatch error #%d", int(value - 0x80040200u));
        else
            std::swprintf(buffer, 32, L"Unknown error 0x%0lX", static_cast<unsigned long>(value));
        text = buffer;
    }
    if (systemText)
        LocalFree(systemText);
    return text;
}

Microsoft::WRL::ComPtr<ID3DBlob> CompileShaderFile(const std::wstring& filename,
                                                   const D3D_SHADER_MACRO* defines,
                                                   const std::string& entrypoint,
                                                   const std::string& target)
{
    return ShaderCompilation(filename, defines, entrypoint, target, std::launch::deferred).Finish();
}

ShaderCompilation::ShaderCompilation(const std::wstring& filename, const D3D_SHADER_MACRO* defines,
                                     const std::string& entrypoint, const std::string& target,
                                     std::launch policy)
    // With both policies, where no thread can be started the compilation
    // runs in Finish instead.
    : mOutcome(std::async(policy, [=] { return Run(filename, defines, entrypoint, target); }))
{
}

Microsoft::WRL::ComPtr<ID3DBlob> ShaderCompilation::Finish()
{
    return Report(mOutcome.get());
}

ShaderCompilation::Outcome ShaderCompilation::Run(const std::wstring& filename,
                                                  const D3D_SHADER_MACRO* defines,
                                                  const std::string& entrypoint,
                                                  const std::string& target)
{
    Outcome outcome;
    outcome.Result = D3DCompileFromFile(filename.c_str(), defines,
                                        D3D_COMPILE_STANDARD_FILE_INCLUDE, entrypoint.c_str(),
                                        target.c_str(), 0, 0, &outcome.ByteCode, &outcome.Errors);
    return outcome;
}

Microsoft::WRL::ComPtr<ID3DBlob> ShaderCompilation::Report(const Outcome& outcome)
{
    HRESULT hr = outcome.Result;

    // The messages go out before the result is examined, so warnings of a
    // successful compilation are seen too.
    if (outcome.Errors != nullptr)
        OutputDebugStringA(static_cast<const char*>(outcome.Errors->GetBufferPointer()));

    CheckHr(hr);
    return outcome.ByteCode;
}

Microsoft::WRL::ComPtr<ID3D12Resource>
CreateStaticBuffer(ID3D12Device* device, ID3D12GraphicsCommandList* cmdList, const void* initData,
                   UINT64 byteSize, Microsoft::WRL::ComPtr<ID3D12Resource>& uploadBuffer)
{
    Microsoft::WRL::ComPtr<ID3D12Resource> defaultBuffer;

    // clang-format off
    CheckHr(device->CreateCommittedResource(
        &CD3DX12_HEAP_PROPERTIES(D3D12_HEAP_TYPE_DEFAULT),
        D3D12_HEAP_FLAG_NONE,
        &CD3DX12_RESOURCE_DESC::Buffer(byteSize),
        D3D12_RESOURCE_STATE_COMMON,
        nullptr,
        IID_PPV_ARGS(defaultBuffer.GetAddressOf())));

    CheckHr(device->CreateCommittedResource(
        &CD3DX12_HEAP_PROPERTIES(D3D12_HEAP_TYPE_UPLOAD),
        D3D12_HEAP_FLAG_NONE,
        &CD3DX12_RESOURCE_DESC::Buffer(byteSize),
        D3D12_RESOURCE_STATE_GENERIC_READ,
        nullptr,
        IID_PPV_ARGS(uploadBuffer.GetAddressOf())));
    // clang-format on

    D3D12_SUBRESOURCE_DATA subResourceData = {};
    subResourceData.pData = initData;
    subResourceData.RowPitch = LONG_PTR(byteSize);
    subResourceData.SlicePitch = subResourceData.RowPitch;

    // The copy goes through the staging buffer. d3dx12 answers 0, having
    // copied nothing, when the staging buffer is too small or cannot be
    // mapped: the buffer would stay empty while the call succeeded.
    cmdList->ResourceBarrier(
        1, &CD3DX12_RESOURCE_BARRIER::Transition(defaultBuffer.Get(), D3D12_RESOURCE_STATE_COMMON,
                                                 D3D12_RESOURCE_STATE_COPY_DEST));
    // clang-format off
    CheckCopied(UpdateSubresources<1>(cmdList, defaultBuffer.Get(), uploadBuffer.Get(), 0, 0, 1, &subResourceData));
    // clang-format on
    cmdList->ResourceBarrier(1, &CD3DX12_RESOURCE_BARRIER::Transition(
                                    defaultBuffer.Get(), D3D12_RESOURCE_STATE_COPY_DEST,
                                    D3D12_RESOURCE_STATE_GENERIC_READ));

    return defaultBuffer;
}
