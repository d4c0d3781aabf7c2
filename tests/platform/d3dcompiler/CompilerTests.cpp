// D3DCompileFromFile on real HLSL files: results, messages, includes, macros,
// and the signatures and bindings recorded in the byte code.
#include "ShaderCompilation.h"
#include "isolated_compile.h"

#include <gtest/gtest.h>

#include <spirv/unified1/spirv.hpp11>

#include <filesystem>
#include <sys/wait.h>

namespace
{

using shader_bytecode::ComponentType;
using shader_bytecode::ResourceKind;
using shader_bytecode::Stage;

std::string ShaderPath(const std::string& name)
{
    return std::string(TEST_SHADER_DIR) + "/" + name;
}

TEST(CompileFromFile, CompilesBothStagesIntoByteCodeWithoutMessages)
{
    for (auto [entry, target, stage] :
         {std::tuple{"VS", "vs_5_1", Stage::Vertex}, std::tuple{"PS", "ps_5_1", Stage::Pixel},
          std::tuple{"VS", "vs_5_0", Stage::Vertex}})
    {
        Compilation c = CompileHlsl(ShaderPath("passthrough.hlsl"), entry, target);
        ASSERT_EQ(c.Result, S_OK) << target << ": " << c.Messages;
        EXPECT_EQ(c.Messages, "") << target;
        shader_bytecode::ShaderBytecode shader = c.Bytecode();
        EXPECT_EQ(shader.ShaderStage, stage);
        EXPECT_EQ(shader.EntryPoint, entry);
    }
}

TEST(CompileFromFile, WarningsOfASuccessfulCompilationComeInTheErrorBlob)
{
    Compilation c = CompileHlsl(ShaderPath("warning.hlsl"), "VS", "vs_5_1");
    EXPECT_EQ(c.Result, S_OK);
    EXPECT_TRUE(c.Code);
    EXPECT_NE(c.Messages.find("warning"), std::string::npos) << c.Messages;
    EXPECT_TRUE(c.MessagesTerminated);
}

TEST(CompileFromFile, ErrorsGiveANegativeResultAndTheirText)
{
    Compilation c = CompileHlsl(ShaderPath("syntax_error.hlsl"), "VS", "vs_5_1");
    EXPECT_EQ(c.Result, E_FAIL);
    EXPECT_FALSE(c.Code);
    EXPECT_NE(c.Messages.find("undeclaredValue"), std::string::npos) << c.Messages;
    EXPECT_NE(c.Messages.find("syntax_error.hlsl:3"), std::string::npos) << c.Messages;
    EXPECT_TRUE(c.MessagesTerminated);
}

TEST(CompileFromFile, AMissingEntryPointFails)
{
    Compilation c = CompileHlsl(ShaderPath("passthrough.hlsl"), "Main", "vs_5_1");
    EXPECT_EQ(c.Result, E_FAIL);
    EXPECT_FALSE(c.Code);
    EXPECT_NE(c.Messages.find("error: compiling entry point 'Main' failed"), std::string::npos)
        << c.Messages;
}

TEST(CompileFromFile, AFrontEndCrashBecomesAFailedCompilation)
{
    Compilation c = CompileHlsl(ShaderPath("front_end_crash.hlsl"), "VS", "vs_5_1");
    EXPECT_EQ(c.Result, E_FAIL);
    EXPECT_FALSE(c.Code);
    EXPECT_NE(c.Messages.find("front_end_crash.hlsl"), std::string::npos) << c.Messages;
    EXPECT_NE(c.Messages.find("crashed on this source"), std::string::npos) << c.Messages;
}

TEST(CompileFromFile, ACompilerPastItsTimeLimitIsKilledAndEachCompilerReaped)
{
    auto openDescriptors = []
    { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
    const auto descriptorsBefore = openDescriptors();
    d3dcompiler::CompileRequest request;
    request.Path = ShaderPath("passthrough.hlsl");
    request.EntryPoint = "VS";
    EXPECT_EQ(d3dcompiler::CompileIsolated(request).Result, S_OK);
    d3dcompiler::CompileOutcome late = d3dcompiler::CompileIsolated(request, 0);
    EXPECT_EQ(late.Result, E_FAIL);
    EXPECT_NE(late.Messages.find("did not finish within 0 seconds"), std::string::npos)
        << late.Messages;
    // No compiler is left running or unreaped, and the program keeps none of
    // their pipes.
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(openDescriptors(), descriptorsBefore);
}

// A copy of this program in a folder without the compiler: its compilations
// fail, naming the compiler it could not start.
TEST(CompileFromFile, WithoutTheCompilerBesideTheProgramCompilationsFailNamingIt)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("no-compiler-" + std::to_string(getpid()));
    std::filesystem::create_directory(folder);
    const std::filesystem::path copy = folder / "d3dcompiler_tests";
    std::filesystem::copy_file("/proc/self/exe", copy);
    std::filesystem::permissions(copy, std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    const std::string command =
        copy.string() + " --gtest_filter=CompileFromFile.CompilesBothStages* 2>&1";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r"))
    {
        char buffer[4096];
        while (size_t got = fread(buffer, 1, sizeof buffer, pipe))
            output.append(buffer, got);
        EXPECT_NE(pclose(pipe), 0);
    }
    std::filesystem::remove_all(folder);
    EXPECT_NE(output.find("passthrough.hlsl: error: cannot start the HLSL compiler " +
                          (folder / "HlslCompiler").string() + ": No such file or directory"),
              std::string::npos)
        << output;
}

TEST(CompileFromFile, AMissingFileGivesTheWin32FileError)
{
    Compilation file = CompileHlsl(ShaderPath("absent.hlsl"), "VS", "vs_5_1");
    EXPECT_EQ(file.Result, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(file.Code);
    EXPECT_NE(file.Messages.find("absent.hlsl"), std::string::npos) << file.Messages;

    Compilation directory = CompileHlsl(ShaderPath("absent/shader.hlsl"), "VS", "vs_5_1");
    EXPECT_EQ(directory.Result, HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
}

TEST(CompileFromFile, IncludesResolveRelativeToTheIncludingFile)
{
    // lib/scale.hlsl includes "factor.hlsl", found beside it in lib/.
    Compilation c = CompileHlsl(ShaderPath("include_main.hlsl"), "VS", "vs_5_1");
    EXPECT_EQ(c.Result, S_OK) << c.Messages;

    Compilation missing = CompileHlsl(ShaderPath("missing_include.hlsl"), "VS", "vs_5_1");
    EXPECT_EQ(missing.Result, E_FAIL);
    EXPECT_NE(missing.Messages.find("absent.hlsl"), std::string::npos) << missing.Messages;

    Compilation noHandler =
        CompileHlsl(ShaderPath("include_main.hlsl"), "VS", "vs_5_1", nullptr, nullptr);
    EXPECT_EQ(noHandler.Result, E_FAIL);
    EXPECT_NE(noHandler.Messages.find("no include handler"), std::string::npos)
        << noHandler.Messages;
}

TEST(CompileFromFile, MacrosReachThePreprocessor)
{
    const D3D_SHADER_MACRO defines[] = {{"SCALE", "2.0f"}, {"ALPHA", nullptr}, {nullptr, nullptr}};
    Compilation with = CompileHlsl(ShaderPath("macros.hlsl"), "VS", "vs_5_1", defines);
    // A null definition defines the name as empty, which leaves "float4(..., )".
    EXPECT_EQ(with.Result, E_FAIL);

    const D3D_SHADER_MACRO scaleOnly[] = {{"SCALE", "2.0f"}, {nullptr, nullptr}};
    EXPECT_EQ(CompileHlsl(ShaderPath("macros.hlsl"), "VS", "vs_5_1", scaleOnly).Result, S_OK);

    Compilation without = CompileHlsl(ShaderPath("macros.hlsl"), "VS", "vs_5_1");
    EXPECT_EQ(without.Result, E_FAIL);
    EXPECT_NE(without.Messages.find("SCALE must be defined"), std::string::npos)
        << without.Messages;
}

TEST(CompileFromFile, RefusesCallsItCannotHonour)
{
    const std::string path = ShaderPath("passthrough.hlsl");
    Microsoft::WRL::ComPtr<ID3DBlob> code;
    EXPECT_EQ(D3DCompileFromFile(nullptr, nullptr, nullptr, "VS", "vs_5_1", 0, 0, &code, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(
        D3DCompileFromFile(L"x.hlsl", nullptr, nullptr, "VS", "vs_5_1", 0, 0, nullptr, nullptr),
        E_INVALIDARG);

    for (const char* target : {"gs_5_0", "cs_5_1", "vs_6_0", "vs_5_1x", "ps"})
    {
        Compilation c = CompileHlsl(path, "VS", target);
        EXPECT_EQ(c.Result, E_INVALIDARG) << target;
        EXPECT_NE(c.Messages.find(target), std::string::npos) << c.Messages;
    }

    // Flags beyond D3DCOMPILE_DEBUG are not implemented.
    EXPECT_EQ(CompileHlsl(path, "VS", "vs_5_1", nullptr, nullptr, 1u << 15).Result, E_NOTIMPL);

    struct OwnInclude : ID3DInclude
    {
        HRESULT STDMETHODCALLTYPE Open(D3D_INCLUDE_TYPE, LPCSTR, LPCVOID, LPCVOID*, UINT*) override
        {
            return E_FAIL;
        }
        HRESULT STDMETHODCALLTYPE Close(LPCVOID) override { return S_OK; }
    } own;
    EXPECT_EQ(CompileHlsl(path, "VS", "vs_5_1", nullptr, &own).Result, E_NOTIMPL);
}

TEST(CompileFromFile, ShadersTheRuntimeCannotBindAreRefused)
{
    struct Case
    {
        const char* File;
        const char* Entry;
        const char* Target;
        const char* Message;
    };
    const Case cases[] = {
        {"unbindable_uav.hlsl", "PS", "ps_5_1", "only constant buffers, textures and samplers"},
        {"register_out_of_range.hlsl", "PS", "ps_5_1", "t16 lies outside the registers t0 to t15"},
        {"matrix_input.hlsl", "VS", "vs_5_1", "TRANSFORM"},
    };
    for (const Case& test : cases)
    {
        Compilation c = CompileHlsl(ShaderPath(test.File), test.Entry, test.Target);
        EXPECT_EQ(c.Result, E_FAIL) << test.File;
        EXPECT_NE(c.Messages.find(test.Message), std::string::npos) << c.Messages;
    }
}

TEST(CompileFromFile, SignaturesListSemanticsLocationsAndComponents)
{
    shader_bytecode::ShaderBytecode vs =
        CompileHlsl(ShaderPath("signature.hlsl"), "VS", "vs_5_1").Bytecode();
    // Inputs by location; SV_VertexID is a built-in and absent.
    ASSERT_EQ(vs.Inputs.size(), 4u);
    struct Expected
    {
        const char* Name;
        uint32_t Index;
        uint32_t Components;
        ComponentType Type;
    };
    const Expected inputs[] = {{"COLOR", 1, 4, ComponentType::Float},
                               {"POSITION", 0, 3, ComponentType::Float},
                               {"BLENDINDICES", 0, 1, ComponentType::UInt},
                               {"TEXCOORD", 3, 2, ComponentType::SInt}};
    for (size_t i = 0; i < vs.Inputs.size(); ++i)
    {
        EXPECT_EQ(vs.Inputs[i].SemanticName, inputs[i].Name);
        EXPECT_EQ(vs.Inputs[i].SemanticIndex, inputs[i].Index) << inputs[i].Name;
        EXPECT_EQ(vs.Inputs[i].ComponentCount, inputs[i].Components) << inputs[i].Name;
        EXPECT_EQ(vs.Inputs[i].Type, inputs[i].Type) << inputs[i].Name;
        EXPECT_EQ(vs.Inputs[i].Location, i) << inputs[i].Name;
    }

    shader_bytecode::ShaderBytecode ps =
        CompileHlsl(ShaderPath("signature.hlsl"), "PS", "ps_5_1").Bytecode();
    ASSERT_EQ(vs.Outputs.size(), 2u);
    ASSERT_EQ(ps.Inputs.size(), 2u);
    for (size_t i = 0; i < 2; ++i)
    {
        EXPECT_EQ(ps.Inputs[i].SemanticName, vs.Outputs[i].SemanticName);
        EXPECT_EQ(ps.Inputs[i].Location, vs.Outputs[i].Location);
    }
    ASSERT_EQ(ps.Outputs.size(), 1u);
    EXPECT_EQ(ps.Outputs[0].SemanticName, "SV_TARGET");
    EXPECT_EQ(ps.Outputs[0].SemanticIndex, 1u);
    EXPECT_EQ(ps.Outputs[0].Location, 1u);
}

TEST(CompileFromFile, BindingsFollowTheRegisterScheme)
{
    shader_bytecode::ShaderBytecode ps =
        CompileHlsl(ShaderPath("resources.hlsl"), "PS", "ps_5_1").Bytecode();
    struct Expected
    {
        ResourceKind Kind;
        uint32_t Register, Space, Binding, Count;
    };
    // Sorted by space, then binding.
    const Expected expected[] = {{ResourceKind::ConstantBuffer, 0, 0, 0, 1},
                                 {ResourceKind::ConstantBuffer, 2, 0, 2, 1},
                                 {ResourceKind::Texture, 4, 0, 20, 2},
                                 {ResourceKind::Sampler, 5, 0, 37, 1},
                                 {ResourceKind::Texture, 3, 1, 19, 1}};
    ASSERT_EQ(ps.Bindings.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i)
    {
        const shader_bytecode::ResourceBinding& b = ps.Bindings[i];
        EXPECT_EQ(b.Kind, expected[i].Kind) << i;
        EXPECT_EQ(b.Register, expected[i].Register) << i;
        EXPECT_EQ(b.Space, expected[i].Space) << i;
        EXPECT_EQ(b.Binding, expected[i].Binding) << i;
        EXPECT_EQ(b.Count, expected[i].Count) << i;
    }
}

TEST(CompileFromFile, TheSpirvCarriesNoHlslOnlyExtensions)
{
    // Drivers refuse modules that declare the front end's reflection
    // extensions; their decorations are stripped after reflection.
    shader_bytecode::ShaderBytecode vs =
        CompileHlsl(ShaderPath("signature.hlsl"), "VS", "vs_5_1").Bytecode();
    ASSERT_GE(vs.Spirv.size(), 5u);
    for (size_t at = 5; at < vs.Spirv.size();)
    {
        uint32_t count = vs.Spirv[at] >> 16;
        auto op = spv::Op(vs.Spirv[at] & 0xFFFF);
        ASSERT_GT(count, 0u);
        EXPECT_NE(op, spv::Op::OpExtension);
        EXPECT_NE(op, spv::Op::OpDecorateString);
        at += count;
    }
}

} // namespace
