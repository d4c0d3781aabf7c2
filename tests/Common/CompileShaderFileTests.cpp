// CompileShaderFile and ShaderCompilation: byte code back, the compiler's
// messages on the debugger output (standard error), and a DxException for a
// failed compilation.
#include "d3dUtil.h"

#include <gtest/gtest.h>

namespace
{

std::wstring ShaderPath(const std::string& name)
{
    return WidenAnsi(std::string(TEST_SHADER_DIR) + "/" + name);
}

struct Outcome
{
    Microsoft::WRL::ComPtr<ID3DBlob> Code;
    std::string DebugOutput;
    bool Threw = false;
    DxException Exception;
};

Outcome Compile(const std::string& name)
{
    Outcome outcome;
    testing::internal::CaptureStderr();
    try
    {
        outcome.Code = CompileShaderFile(ShaderPath(name), nullptr, "VS", "vs_5_1");
    }
    catch (const DxException& e)
    {
        outcome.Threw = true;
        outcome.Exception = e;
    }
    outcome.DebugOutput = testing::internal::GetCapturedStderr();
    return outcome;
}

TEST(CompileShaderFile, ReturnsTheByteCodeQuietly)
{
    Outcome outcome = Compile("passthrough.hlsl");
    ASSERT_FALSE(outcome.Threw) << outcome.DebugOutput;
    ASSERT_TRUE(outcome.Code);
    EXPECT_GT(outcome.Code->GetBufferSize(), 0u);
    EXPECT_EQ(outcome.DebugOutput, "");
}

TEST(CompileShaderFile, SendsWarningsToTheDebuggerOutputAndSucceeds)
{
    Outcome outcome = Compile("warning.hlsl");
    ASSERT_FALSE(outcome.Threw);
    EXPECT_TRUE(outcome.Code);
    EXPECT_NE(outcome.DebugOutput.find("warning"), std::string::npos) << outcome.DebugOutput;
}

TEST(CompileShaderFile, ReportsTheErrorTextThenThrowsWithCheckTextHr)
{
    Outcome outcome = Compile("syntax_error.hlsl");
    ASSERT_TRUE(outcome.Threw);
    EXPECT_FALSE(outcome.Code);
    EXPECT_NE(outcome.DebugOutput.find("undeclaredValue"), std::string::npos)
        << outcome.DebugOutput;
    EXPECT_EQ(outcome.Exception.Result, E_FAIL);
    EXPECT_EQ(outcome.Exception.Expression, L"hr");
    EXPECT_TRUE(outcome.Exception.SourceFile.ends_with(L"Common/d3dUtil.cpp"));
}

TEST(CompileShaderFile, AMissingFileThrowsTheFileError)
{
    Outcome outcome = Compile("absent.hlsl");
    ASSERT_TRUE(outcome.Threw);
    EXPECT_EQ(outcome.Exception.Result, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_NE(outcome.DebugOutput.find("absent.hlsl"), std::string::npos);
}

// Compilations run at once report in the order they are finished, each as
// CompileShaderFile would, even when a later one is done first.
TEST(ShaderCompilation, CompilationsReportInTheOrderFinished)
{
    ShaderCompilation warning(ShaderPath("warning.hlsl"), nullptr, "VS", "vs_5_1");
    ShaderCompilation broken(ShaderPath("syntax_error.hlsl"), nullptr, "VS", "vs_5_1");
    ShaderCompilation fine(ShaderPath("passthrough.hlsl"), nullptr, "VS", "vs_5_1");
    testing::internal::CaptureStderr();
    EXPECT_TRUE(fine.Finish());
    EXPECT_TRUE(warning.Finish());
    EXPECT_THROW(broken.Finish(), DxException);
    const std::string output = testing::internal::GetCapturedStderr();
    const size_t warned = output.find("warning");
    const size_t failed = output.find("undeclaredValue");
    ASSERT_NE(warned, std::string::npos) << output;
    ASSERT_NE(failed, std::string::npos) << output;
    EXPECT_LT(warned, failed) << output;
}

} // namespace
