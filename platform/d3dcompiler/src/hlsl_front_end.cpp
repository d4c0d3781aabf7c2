#include "hlsl_front_end.h"

#include "source_files.h"
#include "spirv_module.h"

#include <shaderc/shaderc.h>
#include <spirv-tools/libspirv.hpp>

#include <cstring>
#include <memory>

namespace d3dcompiler
{
namespace
{

// Each class of register gets its own range of bindings, see shader_bytecode.h.
void SetBindingScheme(shaderc_compile_options_t options)
{
    using shader_bytecode::BindingForRegister;
    using shader_bytecode::ResourceKind;
    shaderc_compile_options_set_hlsl_io_mapping(options, true);
    shaderc_compile_options_set_auto_bind_uniforms(options, true);
    shaderc_compile_options_set_binding_base(options, shaderc_uniform_kind_buffer,
                                             BindingForRegister(ResourceKind::ConstantBuffer, 0));
    shaderc_compile_options_set_binding_base(options, shaderc_uniform_kind_texture,
                                             BindingForRegister(ResourceKind::Texture, 0));
    shaderc_compile_options_set_binding_base(options, shaderc_uniform_kind_sampler,
                                             BindingForRegister(ResourceKind::Sampler, 0));
}

using Options =
    std::unique_ptr<shaderc_compile_options, decltype(&shaderc_compile_options_release)>;

Options MakeOptions(const CompileRequest& request)
{
    Options options(shaderc_compile_options_initialize(), shaderc_compile_options_release);
    shaderc_compile_options_t o = options.get();
    shaderc_compile_options_set_source_language(o, shaderc_source_language_hlsl);
    shaderc_compile_options_set_target_env(o, shaderc_target_env_vulkan,
                                           shaderc_env_version_vulkan_1_3);
    // Constant buffers packed as the platform's compiler packs them.
    shaderc_compile_options_set_hlsl_offsets(o, true);
    // Keeps each stage variable's semantic for the signatures; removed again
    // before the module is handed out.
    shaderc_compile_options_set_hlsl_functionality1(o, true);
    // Optimised, as the platform's compiler does by default; the HLSL front
    // end also needs the optimiser to legalise what it produces.
    shaderc_compile_options_set_optimization_level(o, shaderc_optimization_level_performance);
    if (request.DebugInfo)
        shaderc_compile_options_set_generate_debug_info(o);
    SetBindingScheme(o);
    SetIncludeResolution(o, request.StandardIncludes);
    for (const auto& [name, value] : request.Macros)
        shaderc_compile_options_add_macro_definition(o, name.data(), name.size(), value.data(),
                                                     value.size());
    return options;
}

// Checks what the front end produced against Vulkan 1.3's rules, so that a
// module the driver would refuse fails here, with a message, rather than at
// pipeline creation.
bool Validate(const std::vector<uint32_t>& spirv, std::string* message)
{
    spvtools::SpirvTools tools(SPV_ENV_VULKAN_1_3);
    tools.SetMessageConsumer([message](spv_message_level_t, const char*, const spv_position_t&,
                                       const char* text) { *message += std::string(text) + "\n"; });
    return tools.Validate(spirv);
}

void AddMessage(std::string* messages, const std::string& path, const std::string& text)
{
    *messages += path + ": error: " + text + "\n";
}

// Turns the front end's SPIR-V into the container the runtime reads.
HRESULT Package(const std::vector<uint32_t>& spirv, const CompileRequest& request,
                CompileOutcome* outcome)
{
    shader_bytecode::ShaderBytecode shader;
    std::string error;
    if (!ReflectSpirv(spirv, &shader, &error))
    {
        AddMessage(&outcome->Messages, request.Path, error);
        return E_FAIL;
    }
    shader.Spirv = StripHlslDecorations(spirv);
    if (!Validate(shader.Spirv, &error))
    {
        AddMessage(&outcome->Messages, request.Path,
                   "internal compiler error: the SPIR-V produced is not valid:\n" + error);
        return E_FAIL;
    }
    outcome->Bytecode = shader_bytecode::Serialize(shader);
    return S_OK;
}

} // namespace

CompileOutcome CompileHlslFile(const CompileRequest& request)
{
    CompileOutcome outcome;
    std::string source;
    outcome.Result = ReadSourceFile(request.Path, &source, &outcome.Messages);
    if (FAILED(outcome.Result))
        return outcome;

    std::unique_ptr<shaderc_compiler, decltype(&shaderc_compiler_release)> compiler(
        shaderc_compiler_initialize(), shaderc_compiler_release);
    if (!compiler)
    {
        outcome.Result = E_OUTOFMEMORY;
        return outcome;
    }
    Options options = MakeOptions(request);
    const shaderc_shader_kind kind = request.Stage == shader_bytecode::Stage::Vertex
                                         ? shaderc_vertex_shader
                                         : shaderc_fragment_shader;
    std::unique_ptr<shaderc_compilation_result, decltype(&shaderc_result_release)> result(
        shaderc_compile_into_spv(compiler.get(), source.data(), source.size(), kind,
                                 request.Path.c_str(), request.EntryPoint.c_str(), options.get()),
        shaderc_result_release);
    if (!result)
    {
        outcome.Result = E_OUTOFMEMORY;
        return outcome;
    }

    outcome.Messages = shaderc_result_get_error_message(result.get());
    if (shaderc_result_get_compilation_status(result.get()) != shaderc_compilation_status_success)
    {
        // The front end reports some failures, such as a missing entry
        // point, as warnings only; say that they failed the compilation.
        if (outcome.Messages.find("error") == std::string::npos)
            AddMessage(&outcome.Messages, request.Path,
                       "compiling entry point '" + request.EntryPoint + "' failed");
        outcome.Result = E_FAIL;
        return outcome;
    }
    std::vector<uint32_t> spirv(shaderc_result_get_length(result.get()) / 4);
    std::memcpy(spirv.data(), shaderc_result_get_bytes(result.get()), spirv.size() * 4);
    outcome.Result = Package(spirv, request, &outcome);
    return outcome;
}

} // namespace d3dcompiler
