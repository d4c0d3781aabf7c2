#include "spirv_module.h"

#include <spirv/unified1/spirv.hpp11>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <optional>

namespace d3dcompiler
{
namespace
{

using shader_bytecode::ComponentType;
using shader_bytecode::ResourceBinding;
using shader_bytecode::ResourceKind;
using shader_bytecode::ShaderBytecode;
using shader_bytecode::SignatureElement;

constexpr size_t HeaderWords = 5;

struct Instruction
{
    spv::Op Op;
    const uint32_t* Words; // Words[0] is the opcode and word count
    uint32_t Count;
};

// Calls `visit` for every instruction after the header; false when the module
// is not SPIR-V or an instruction runs past its end.
template <class Visit> bool ForEachInstruction(const std::vector<uint32_t>& spirv, Visit visit)
{
    if (spirv.size() < HeaderWords || spirv[0] != spv::MagicNumber)
        return false;
    for (size_t at = HeaderWords; at < spirv.size();)
    {
        uint32_t count = spirv[at] >> spv::WordCountShift;
        if (count == 0 || count > spirv.size() - at)
            return false;
        visit(Instruction{spv::Op(spirv[at] & spv::OpCodeMask), &spirv[at], count});
        at += count;
    }
    return true;
}

// The zero-terminated string that starts at word `first` of an instruction.
std::string LiteralString(const Instruction& in, uint32_t first)
{
    std::string text;
    for (uint32_t w = first; w < in.Count; ++w)
    {
        for (int byte = 0; byte < 4; ++byte)
        {
            char c = char((in.Words[w] >> (8 * byte)) & 0xFF);
            if (c == '\0')
                return text;
            text += c;
        }
    }
    return text;
}

uint32_t LiteralStringWords(const std::string& text)
{
    return uint32_t(text.size() / 4 + 1);
}

struct Decorations
{
    std::optional<uint32_t> Location;
    std::optional<uint32_t> Binding;
    std::optional<uint32_t> DescriptorSet;
    bool BuiltIn = false;
    bool Block = false;
    std::string Semantic;
};

struct Variable
{
    uint32_t Id;
    uint32_t PointerType;
    spv::StorageClass Storage;
};

// The parts of a module that reflection reads, by result id.
struct ModuleIndex
{
    bool HasEntryPoint = false;
    spv::ExecutionModel Model = spv::ExecutionModel::Max;
    std::string EntryPoint;
    std::vector<uint32_t> Interface;
    std::map<uint32_t, Decorations> Decorated;
    std::map<uint32_t, std::vector<uint32_t>> Types;
    std::map<uint32_t, uint32_t> Constants;
    std::vector<Variable> Variables;

    void Add(const Instruction& in);
    const std::vector<uint32_t>* Type(uint32_t id) const
    {
        auto found = Types.find(id);
        return found == Types.end() ? nullptr : &found->second;
    }
};

void ModuleIndex::Add(const Instruction& in)
{
    const uint32_t* w = in.Words;
    switch (in.Op)
    {
    case spv::Op::OpEntryPoint:
        if (!HasEntryPoint && in.Count >= 4)
        {
            HasEntryPoint = true;
            Model = spv::ExecutionModel(w[1]);
            EntryPoint = LiteralString(in, 3);
            Interface.assign(w + std::min(in.Count, 3 + LiteralStringWords(EntryPoint)),
                             w + in.Count);
        }
        break;
    case spv::Op::OpDecorate:
        if (in.Count >= 3)
        {
            Decorations& d = Decorated[w[1]];
            switch (spv::Decoration(w[2]))
            {
            case spv::Decoration::Location:
                if (in.Count >= 4)
                    d.Location = w[3];
                break;
            case spv::Decoration::Binding:
                if (in.Count >= 4)
                    d.Binding = w[3];
                break;
            case spv::Decoration::DescriptorSet:
                if (in.Count >= 4)
                    d.DescriptorSet = w[3];
                break;
            case spv::Decoration::BuiltIn:
                d.BuiltIn = true;
                break;
            case spv::Decoration::Block:
                d.Block = true;
                break;
            default:
                break;
            }
        }
        break;
    case spv::Op::OpDecorateString:
        if (in.Count >= 4 && spv::Decoration(w[2]) == spv::Decoration::UserSemantic)
            Decorated[w[1]].Semantic = LiteralString(in, 3);
        break;
    case spv::Op::OpTypeInt:
    case spv::Op::OpTypeFloat:
    case spv::Op::OpTypeVector:
    case spv::Op::OpTypeMatrix:
    case spv::Op::OpTypeImage:
    case spv::Op::OpTypeSampler:
    case spv::Op::OpTypeSampledImage:
    case spv::Op::OpTypeArray:
    case spv::Op::OpTypeRuntimeArray:
    case spv::Op::OpTypeStruct:
    case spv::Op::OpTypePointer:
    case spv::Op::OpTypeBool:
        if (in.Count >= 2)
            Types[w[1]].assign(w, w + in.Count);
        break;
    case spv::Op::OpConstant:
        if (in.Count >= 4)
            Constants[w[2]] = w[3];
        break;
    case spv::Op::OpVariable:
        if (in.Count >= 4 && spv::StorageClass(w[3]) != spv::StorageClass::Function)
            Variables.push_back({w[2], w[1], spv::StorageClass(w[3])});
        break;
    default:
        break;
    }
}

spv::Op TypeOp(const std::vector<uint32_t>& type)
{
    return spv::Op(type[0] & spv::OpCodeMask);
}

// The type a variable's pointer type points to, or null.
const std::vector<uint32_t>* Pointee(const ModuleIndex& module, const Variable& variable)
{
    const std::vector<uint32_t>* pointer = module.Type(variable.PointerType);
    if (!pointer || TypeOp(*pointer) != spv::Op::OpTypePointer || pointer->size() < 4)
        return nullptr;
    return module.Type((*pointer)[3]);
}

// "TEXCOORD1" -> ("TEXCOORD", 1); upper case, as semantics match regardless of case.
bool SplitSemantic(const std::string& semantic, std::string* name, uint32_t* index)
{
    size_t digits = semantic.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(semantic[digits - 1])))
        --digits;
    if (digits == 0 || semantic.size() - digits > 9)
        return false;
    name->clear();
    for (char c : semantic.substr(0, digits))
        *name += char(std::toupper(static_cast<unsigned char>(c)));
    *index = digits < semantic.size()
                 ? uint32_t(std::strtoul(semantic.c_str() + digits, nullptr, 10))
                 : 0;
    return true;
}

// Component count and type of a 32-bit scalar or vector stage variable.
bool ComponentsOf(const ModuleIndex& module, const std::vector<uint32_t>& type,
                  SignatureElement* element)
{
    const std::vector<uint32_t>* scalar = &type;
    element->ComponentCount = 1;
    if (TypeOp(type) == spv::Op::OpTypeVector && type.size() >= 4)
    {
        scalar = module.Type(type[2]);
        element->ComponentCount = type[3];
        if (!scalar || element->ComponentCount > 4)
            return false;
    }
    spv::Op op = TypeOp(*scalar);
    if (op == spv::Op::OpTypeFloat && scalar->size() >= 3 && (*scalar)[2] == 32)
        element->Type = ComponentType::Float;
    else if (op == spv::Op::OpTypeInt && scalar->size() >= 4 && (*scalar)[2] == 32)
        element->Type = (*scalar)[3] ? ComponentType::SInt : ComponentType::UInt;
    else
        return false;
    return true;
}

bool Fail(std::string* error, const std::string& message)
{
    *error = message;
    return false;
}

bool ReflectStageVariable(const ModuleIndex& module, const Variable& variable,
                          SignatureElement* element, std::string* error)
{
    const Decorations& d = module.Decorated.at(variable.Id);
    const std::string& semantic = d.Semantic;
    if (!SplitSemantic(semantic, &element->SemanticName, &element->SemanticIndex))
        return Fail(error, "stage variable without a valid semantic ('" + semantic + "')");
    if (!d.Location)
        return Fail(error, "stage variable " + semantic + " has no location");
    element->Location = *d.Location;
    const std::vector<uint32_t>* type = Pointee(module, variable);
    if (!type || !ComponentsOf(module, *type, element))
        return Fail(error, "stage variable " + semantic +
                               " is not a 32-bit scalar or vector, the only types passed "
                               "between stages here");
    return true;
}

bool ReflectSignatures(const ModuleIndex& module, ShaderBytecode* shader, std::string* error)
{
    for (uint32_t id : module.Interface)
    {
        auto variable = std::find_if(module.Variables.begin(), module.Variables.end(),
                                     [id](const Variable& v) { return v.Id == id; });
        if (variable == module.Variables.end())
            continue;
        bool input = variable->Storage == spv::StorageClass::Input;
        if (!input && variable->Storage != spv::StorageClass::Output)
            continue;
        auto decorations = module.Decorated.find(id);
        if (decorations != module.Decorated.end() && decorations->second.BuiltIn)
            continue;
        if (decorations == module.Decorated.end())
            return Fail(error, "stage variable without a semantic");

        SignatureElement element;
        if (!ReflectStageVariable(module, *variable, &element, error))
            return false;
        (input ? shader->Inputs : shader->Outputs).push_back(element);
    }
    auto byLocation = [](const SignatureElement& a, const SignatureElement& b)
    { return a.Location < b.Location; };
    std::sort(shader->Inputs.begin(), shader->Inputs.end(), byLocation);
    std::sort(shader->Outputs.begin(), shader->Outputs.end(), byLocation);
    return true;
}

// The kind of resource a module-scope variable is, or nothing for what the
// runtime cannot bind. Arrays give their length in `count`.
std::optional<ResourceKind> ResourceKindOf(const ModuleIndex& module, const Variable& variable,
                                           uint32_t* count)
{
    const std::vector<uint32_t>* type = Pointee(module, variable);
    *count = 1;
    if (type && TypeOp(*type) == spv::Op::OpTypeArray && type->size() >= 4)
    {
        auto length = module.Constants.find((*type)[3]);
        if (length == module.Constants.end())
            return std::nullopt;
        *count = length->second;
        type = module.Type((*type)[2]);
    }
    if (!type)
        return std::nullopt;

    spv::Op op = TypeOp(*type);
    if (variable.Storage == spv::StorageClass::Uniform && op == spv::Op::OpTypeStruct)
    {
        auto decorations = module.Decorated.find((*type)[1]);
        if (decorations != module.Decorated.end() && decorations->second.Block)
            return ResourceKind::ConstantBuffer;
    }
    if (variable.Storage != spv::StorageClass::UniformConstant)
        return std::nullopt;
    if (op == spv::Op::OpTypeSampler)
        return ResourceKind::Sampler;
    if (op == spv::Op::OpTypeImage && type->size() >= 9)
    {
        spv::Dim dim = spv::Dim((*type)[3]);
        bool sampled = (*type)[7] == 1;
        if (sampled && (dim == spv::Dim::Dim1D || dim == spv::Dim::Dim2D ||
                        dim == spv::Dim::Dim3D || dim == spv::Dim::Cube))
            return ResourceKind::Texture;
    }
    return std::nullopt;
}

bool ReflectBinding(const ModuleIndex& module, const Variable& variable, ResourceBinding* binding,
                    std::string* error)
{
    auto kind = ResourceKindOf(module, variable, &binding->Count);
    if (!kind)
        return Fail(error, "the shader uses a kind of resource that this platform cannot bind "
                           "(only constant buffers, textures and samplers)");
    binding->Kind = *kind;

    const char registerClass = "bts"[uint32_t(*kind)];
    const uint32_t first = shader_bytecode::BindingForRegister(*kind, 0);
    auto decorations = module.Decorated.find(variable.Id);
    if (decorations == module.Decorated.end() || !decorations->second.Binding ||
        !decorations->second.DescriptorSet)
        return Fail(error, std::string("a resource of class ") + registerClass + " has no binding");
    const uint32_t vulkanBinding = *decorations->second.Binding;
    binding->Space = *decorations->second.DescriptorSet;
    binding->Binding = vulkanBinding;
    binding->Register = vulkanBinding - first;

    const uint32_t limit = shader_bytecode::RegistersPerClass;
    if (vulkanBinding < first || binding->Register >= limit || binding->Count == 0 ||
        binding->Count > limit - binding->Register)
    {
        std::string what = vulkanBinding < first
                               ? "binding " + std::to_string(vulkanBinding)
                               : registerClass + std::to_string(binding->Register);
        return Fail(error, std::string("a resource of class ") + registerClass + " at " + what +
                               " lies outside the registers " + registerClass + "0 to " +
                               registerClass + std::to_string(limit - 1) +
                               " that this platform maps");
    }
    return true;
}

bool ReflectBindings(const ModuleIndex& module, ShaderBytecode* shader, std::string* error)
{
    for (const Variable& variable : module.Variables)
    {
        switch (variable.Storage)
        {
        case spv::StorageClass::Input:
        case spv::StorageClass::Output:
        case spv::StorageClass::Private:
        case spv::StorageClass::Workgroup:
            continue;
        default:
            break;
        }
        ResourceBinding binding;
        if (!ReflectBinding(module, variable, &binding, error))
            return false;
        shader->Bindings.push_back(binding);
    }
    std::sort(shader->Bindings.begin(), shader->Bindings.end(),
              [](const ResourceBinding& a, const ResourceBinding& b)
              { return std::tie(a.Space, a.Binding) < std::tie(b.Space, b.Binding); });
    return true;
}

bool IsHlslExtension(const std::string& name)
{
    return name == "SPV_GOOGLE_hlsl_functionality1" || name == "SPV_GOOGLE_user_type" ||
           name == "SPV_GOOGLE_decorate_string";
}

bool IsHlslDecoration(const Instruction& in)
{
    switch (in.Op)
    {
    case spv::Op::OpExtension:
        return IsHlslExtension(LiteralString(in, 1));
    case spv::Op::OpDecorateString:
    case spv::Op::OpDecorateId:
        return in.Count >= 3 &&
               (spv::Decoration(in.Words[2]) == spv::Decoration::UserSemantic ||
                spv::Decoration(in.Words[2]) == spv::Decoration::UserTypeGOOGLE ||
                spv::Decoration(in.Words[2]) == spv::Decoration::HlslCounterBufferGOOGLE);
    case spv::Op::OpMemberDecorateString:
        return in.Count >= 4 && (spv::Decoration(in.Words[3]) == spv::Decoration::UserSemantic ||
                                 spv::Decoration(in.Words[3]) == spv::Decoration::UserTypeGOOGLE);
    default:
        return false;
    }
}

} // namespace

bool ReflectSpirv(const std::vector<uint32_t>& spirv, ShaderBytecode* shader, std::string* error)
{
    ModuleIndex module;
    if (!ForEachInstruction(spirv, [&module](const Instruction& in) { module.Add(in); }))
        return Fail(error, "the HLSL front end produced malformed SPIR-V");
    if (!module.HasEntryPoint)
        return Fail(error, "the module has no entry point");

    if (module.Model == spv::ExecutionModel::Vertex)
        shader->ShaderStage = shader_bytecode::Stage::Vertex;
    else if (module.Model == spv::ExecutionModel::Fragment)
        shader->ShaderStage = shader_bytecode::Stage::Pixel;
    else
        return Fail(error, "the entry point is neither a vertex nor a pixel shader");
    shader->EntryPoint = module.EntryPoint;

    return ReflectSignatures(module, shader, error) && ReflectBindings(module, shader, error);
}

std::vector<uint32_t> StripHlslDecorations(const std::vector<uint32_t>& spirv)
{
    std::vector<uint32_t> stripped(spirv.begin(),
                                   spirv.begin() + std::min(spirv.size(), HeaderWords));
    ForEachInstruction(spirv,
                       [&stripped](const Instruction& in)
                       {
                           if (!IsHlslDecoration(in))
                               stripped.insert(stripped.end(), in.Words, in.Words + in.Count);
                       });
    return stripped;
}

} // namespace d3dcompiler
