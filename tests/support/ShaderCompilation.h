// D3DCompileFromFile's results gathered for assertions, and the container of
// a successful compilation read back.
#pragma once

#include <d3dcompiler.h>
#include <shader_bytecode.h>
#include <win32_support.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

struct Compilation
{
    HRESULT Result = E_FAIL;
    Microsoft::WRL::ComPtr<ID3DBlob> Code;
    std::string Messages; // the error blob's text; empty without one
    bool MessagesTerminated = true;

    shader_bytecode::ShaderBytecode Bytecode() const
    {
        shader_bytecode::ShaderBytecode shader;
        std::string error;
        EXPECT_TRUE(Code);
        if (Code)
        {
            EXPECT_TRUE(shader_bytecode::Parse(Code->GetBufferPointer(), Code->GetBufferSize(),
                                               &shader, &error))
                << error;
        }
        return shader;
    }
};

inline Compilation CompileHlsl(const std::string& path, const char* entry, const char* target,
                               const D3D_SHADER_MACRO* defines = nullptr,
                               ID3DInclude* include = D3D_COMPILE_STANDARD_FILE_INCLUDE,
                               UINT flags = 0)
{
    Compilation c;
    Microsoft::WRL::ComPtr<ID3DBlob> errors;
    c.Result = D3DCompileFromFile(win32::WideFromUtf8(path).c_str(), defines, include, entry,
                                  target, flags, 0, &c.Code, &errors);
    if (errors)
    {
        const char* text = static_cast<const char*>(errors->GetBufferPointer());
        size_t size = errors->GetBufferSize();
        c.MessagesTerminated = size > 0 && text[size - 1] == '\0';
        c.Messages.assign(text, c.MessagesTerminated ? size - 1 : size);
    }
    return c;
}
