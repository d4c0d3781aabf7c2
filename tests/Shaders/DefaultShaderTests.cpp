// "Shaders/Default.hlsl" against its contract: the inputs of the vertex
// layout, the registers of the root signature, and constant buffers laid out
// byte for byte as the records of FrameResource.h.
#include "FrameResource.h"
#include "ShaderCompilation.h"

#include <gtest/gtest.h>

#include <spirv/unified1/spirv.hpp11>

#include <map>

namespace
{

using shader_bytecode::ResourceKind;
using shader_bytecode::ShaderBytecode;

// Tests run in the repository root, where the program finds its data.
const char* const ShaderFile = "Shaders/Default.hlsl";

ShaderBytecode CompileDefault(const char* entry, const char* target,
                              const D3D_SHADER_MACRO* defines = nullptr, UINT flags = 0)
{
    Compilation c =
        CompileHlsl(ShaderFile, entry, target, defines, D3D_COMPILE_STANDARD_FILE_INCLUDE, flags);
    EXPECT_EQ(c.Result, S_OK) << c.Messages;
    EXPECT_EQ(c.Messages, "");
    return c.Bytecode();
}

// The structure layouts a SPIR-V module declares, read from its names and
// decorations.
class SpirvLayouts
{
public:
    struct Member
    {
        std::string Name;
        uint32_t Offset = 0;
        uint32_t Type = 0;
        uint32_t MatrixStride = 0;
        bool RowMajor = false;
    };

    explicit SpirvLayouts(const std::vector<uint32_t>& spirv)
    {
        for (size_t at = 5; at < spirv.size();)
        {
            const uint32_t count = spirv[at] >> 16;
            if (count == 0 || at + count > spirv.size())
                break;
            Read(spv::Op(spirv[at] & 0xFFFF), &spirv[at], count);
            at += count;
        }
    }

    // The structure of the constant buffer at `binding` in set 0, or 0.
    uint32_t BlockAt(uint32_t binding) const
    {
        for (const auto& [variable, pointer] : mVariables)
        {
            auto b = mBindings.find(variable);
            if (b != mBindings.end() && b->second == binding)
                return Operand(pointer, 3);
        }
        return 0;
    }

    std::string Name(uint32_t id) const
    {
        auto found = mNames.find(id);
        return found == mNames.end() ? std::string() : found->second;
    }

    std::vector<Member> Members(uint32_t structure) const
    {
        std::vector<Member> members;
        for (uint32_t i = 0; i + 2 < Operands(structure).size(); ++i)
        {
            auto found = mMembers.find({structure, i});
            Member m = found == mMembers.end() ? Member{} : found->second;
            m.Type = Operand(structure, 2 + i);
            members.push_back(m);
        }
        return members;
    }

    spv::Op OpOf(uint32_t type) const { return spv::Op(Operand(type, 0) & 0xFFFF); }
    uint32_t Operand(uint32_t type, size_t i) const
    {
        const std::vector<uint32_t>& words = Operands(type);
        return i < words.size() ? words[i] : 0;
    }
    uint32_t ArrayStride(uint32_t type) const { return Lookup(mArrayStrides, type); }
    uint32_t Constant(uint32_t id) const { return Lookup(mConstants, id); }

    // Bytes a value of `type` occupies, as the shader reads it.
    uint32_t Size(uint32_t type, uint32_t matrixStride = 0) const
    {
        switch (OpOf(type))
        {
        case spv::Op::OpTypeFloat:
        case spv::Op::OpTypeInt:
            return 4;
        case spv::Op::OpTypeVector:
            return 4 * Operand(type, 3);
        case spv::Op::OpTypeMatrix:
            return matrixStride * Operand(type, 3);
        case spv::Op::OpTypeArray:
            return ArrayStride(type) * Constant(Operand(type, 3));
        case spv::Op::OpTypeStruct:
        {
            uint32_t end = 0;
            for (const Member& m : Members(type))
                end = std::max(end, m.Offset + Size(m.Type, m.MatrixStride));
            return end;
        }
        default:
            return 0;
        }
    }

private:
    void Read(spv::Op op, const uint32_t* w, uint32_t count)
    {
        auto text = [w, count](uint32_t first)
        {
            std::string words(reinterpret_cast<const char*>(w + first), (count - first) * 4);
            return words.substr(0, words.find('\0'));
        };
        switch (op)
        {
        case spv::Op::OpName:
            mNames[w[1]] = text(2);
            break;
        case spv::Op::OpMemberName:
            mMembers[{w[1], w[2]}].Name = text(3);
            break;
        case spv::Op::OpMemberDecorate:
            if (spv::Decoration(w[3]) == spv::Decoration::Offset)
                mMembers[{w[1], w[2]}].Offset = w[4];
            if (spv::Decoration(w[3]) == spv::Decoration::MatrixStride)
                mMembers[{w[1], w[2]}].MatrixStride = w[4];
            if (spv::Decoration(w[3]) == spv::Decoration::RowMajor)
                mMembers[{w[1], w[2]}].RowMajor = true;
            break;
        case spv::Op::OpDecorate:
            if (spv::Decoration(w[2]) == spv::Decoration::ArrayStride)
                mArrayStrides[w[1]] = w[3];
            if (spv::Decoration(w[2]) == spv::Decoration::Binding)
                mBindings[w[1]] = w[3];
            break;
        case spv::Op::OpConstant:
            mConstants[w[2]] = w[3];
            break;
        case spv::Op::OpVariable:
            if (spv::StorageClass(w[3]) == spv::StorageClass::Uniform)
                mVariables[w[2]] = w[1];
            break;
        default:
            if (op >= spv::Op::OpTypeVoid && op <= spv::Op::OpTypePointer)
                mTypes[w[1]].assign(w, w + count);
            break;
        }
    }

    const std::vector<uint32_t>& Operands(uint32_t id) const
    {
        static const std::vector<uint32_t> none;
        auto found = mTypes.find(id);
        return found == mTypes.end() ? none : found->second;
    }

    static uint32_t Lookup(const std::map<uint32_t, uint32_t>& map, uint32_t id)
    {
        auto found = map.find(id);
        return found == map.end() ? 0 : found->second;
    }

    std::map<uint32_t, std::string> mNames;
    std::map<std::pair<uint32_t, uint32_t>, Member> mMembers;
    std::map<uint32_t, uint32_t> mArrayStrides, mBindings, mConstants, mVariables;
    std::map<uint32_t, std::vector<uint32_t>> mTypes;
};

struct FieldLayout
{
    const char* Name;
    size_t Offset;
};

struct RecordLayout
{
    const char* Name;
    uint32_t Register;
    size_t Size;
    std::vector<FieldLayout> Fields;
};

#define FIELD(record, field)                                                                       \
    FieldLayout                                                                                    \
    {                                                                                              \
#field, offsetof(record, field)                                                            \
    }

const RecordLayout Records[] = {
    {"PerObjectConstants",
     0,
     sizeof(PerObjectConstants),
     {FIELD(PerObjectConstants, World), FIELD(PerObjectConstants, TexTransform)}},
    {"PerMaterialConstants",
     1,
     sizeof(PerMaterialConstants),
     {FIELD(PerMaterialConstants, DiffuseAlbedo), FIELD(PerMaterialConstants, FresnelR0),
      FIELD(PerMaterialConstants, Roughness), FIELD(PerMaterialConstants, MaterialTransform)}},
    {"PerPassConstants",
     2,
     sizeof(PerPassConstants),
     {FIELD(PerPassConstants, ViewMatrix), FIELD(PerPassConstants, InvViewMatrix),
      FIELD(PerPassConstants, ProjMatrix), FIELD(PerPassConstants, InvProjMatrix),
      FIELD(PerPassConstants, ViewProjMatrix), FIELD(PerPassConstants, InvViewProjMatrix),
      FIELD(PerPassConstants, EyePosition), FIELD(PerPassConstants, EyePad),
      FIELD(PerPassConstants, TargetSize), FIELD(PerPassConstants, InvTargetSize),
      FIELD(PerPassConstants, NearPlane), FIELD(PerPassConstants, FarPlane),
      FIELD(PerPassConstants, ElapsedSeconds), FIELD(PerPassConstants, FrameSeconds),
      FIELD(PerPassConstants, AmbientColor), FIELD(PerPassConstants, Lights)}},
};

const std::vector<FieldLayout> LightFields = {
    FIELD(LightRecord, LightColor),     FIELD(LightRecord, FalloffNear),
    FIELD(LightRecord, LightDirection), FIELD(LightRecord, FalloffFar),
    FIELD(LightRecord, LightPosition),  FIELD(LightRecord, SpotExponent)};

void ExpectFields(const SpirvLayouts& layouts, uint32_t structure,
                  const std::vector<FieldLayout>& fields)
{
    std::vector<SpirvLayouts::Member> members = layouts.Members(structure);
    ASSERT_EQ(members.size(), fields.size()) << layouts.Name(structure);
    for (size_t i = 0; i < fields.size(); ++i)
    {
        EXPECT_EQ(members[i].Name, fields[i].Name) << layouts.Name(structure) << " member " << i;
        EXPECT_EQ(members[i].Offset, fields[i].Offset) << fields[i].Name;
        if (layouts.OpOf(members[i].Type) == spv::Op::OpTypeMatrix)
        {
            // HLSL's column-major matrix: the front end expresses it as a
            // row-major SPIR-V matrix, as it swaps rows and columns. Either
            // way the CPU must store its matrices transposed.
            EXPECT_TRUE(members[i].RowMajor) << fields[i].Name;
            EXPECT_EQ(members[i].MatrixStride, 16u) << fields[i].Name;
        }
    }
}

TEST(DefaultShader, ConstantBuffersMatchTheCppRecordsByteForByte)
{
    // Debug information keeps the names; offsets do not depend on it.
    for (auto [entry, target] : {std::pair{"VS", "vs_5_1"}, std::pair{"PS", "ps_5_1"}})
    {
        ShaderBytecode shader = CompileDefault(entry, target, nullptr, D3DCOMPILE_DEBUG);
        SpirvLayouts layouts(shader.Spirv);
        for (const RecordLayout& record : Records)
        {
            uint32_t structure = layouts.BlockAt(record.Register);
            if (structure == 0)
                continue; // not read by this stage
            SCOPED_TRACE(std::string(entry) + " " + record.Name);
            EXPECT_EQ(layouts.Name(structure), record.Name);
            ExpectFields(layouts, structure, record.Fields);
            EXPECT_EQ(layouts.Size(structure), record.Size);

            if (record.Register != 2)
                continue;
            uint32_t lights = layouts.Members(structure).back().Type;
            ASSERT_EQ(layouts.OpOf(lights), spv::Op::OpTypeArray);
            EXPECT_EQ(layouts.Constant(layouts.Operand(lights, 3)), uint32_t(MaxLights));
            EXPECT_EQ(layouts.ArrayStride(lights), sizeof(LightRecord));
            uint32_t light = layouts.Operand(lights, 2);
            EXPECT_EQ(layouts.Name(light), "LightRecord");
            ExpectFields(layouts, light, LightFields);
        }
    }
}

TEST(DefaultShader, VertexInputsAreTheInputLayoutsElements)
{
    ShaderBytecode vs = CompileDefault("VS", "vs_5_1");
    EXPECT_EQ(vs.EntryPoint, "VS");
    const std::pair<const char*, uint32_t> expected[] = {
        {"POSITION", 3}, {"NORMAL", 3}, {"TEXCOORD", 2}};
    ASSERT_EQ(vs.Inputs.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i)
    {
        EXPECT_EQ(vs.Inputs[i].SemanticName, expected[i].first);
        EXPECT_EQ(vs.Inputs[i].SemanticIndex, 0u);
        EXPECT_EQ(vs.Inputs[i].ComponentCount, expected[i].second) << expected[i].first;
        EXPECT_EQ(vs.Inputs[i].Type, shader_bytecode::ComponentType::Float);
    }
}

TEST(DefaultShader, PixelInputsMeetVertexOutputsAtTheSameLocations)
{
    ShaderBytecode vs = CompileDefault("VS", "vs_5_1");
    ShaderBytecode ps = CompileDefault("PS", "ps_5_1");
    EXPECT_EQ(ps.EntryPoint, "PS");
    ASSERT_FALSE(ps.Inputs.empty());
    for (const auto& input : ps.Inputs)
    {
        auto output = std::find_if(vs.Outputs.begin(), vs.Outputs.end(),
                                   [&input](const auto& o) {
                                       return o.SemanticName == input.SemanticName &&
                                              o.SemanticIndex == input.SemanticIndex;
                                   });
        ASSERT_NE(output, vs.Outputs.end()) << input.SemanticName;
        EXPECT_EQ(output->Location, input.Location) << input.SemanticName;
        EXPECT_EQ(output->ComponentCount, input.ComponentCount) << input.SemanticName;
    }
}

// Registers as "b0", "t0", "s2", in the order the byte code lists them.
std::vector<std::string> Registers(const ShaderBytecode& shader)
{
    std::vector<std::string> registers;
    for (const auto& b : shader.Bindings)
    {
        EXPECT_EQ(b.Space, 0u);
        EXPECT_EQ(b.Count, 1u);
        registers.push_back("bts"[uint32_t(b.Kind)] + std::to_string(b.Register));
    }
    return registers;
}

TEST(DefaultShader, UsesTheRootSignaturesRegisters)
{
    using Names = std::vector<std::string>;
    EXPECT_EQ(Registers(CompileDefault("VS", "vs_5_1")), (Names{"b0", "b1", "b2"}));
    // The material record (albedo, Fresnel, roughness), the pass record
    // (eye, ambient, lights), the texture and the trilinear wrap sampler.
    EXPECT_EQ(Registers(CompileDefault("PS", "ps_5_1")), (Names{"b1", "b2", "t0", "s2"}));

    const D3D_SHADER_MACRO anisotropic[] = {{"ANISOTROPIC_FILTERING", "1"}, {nullptr, nullptr}};
    EXPECT_EQ(Registers(CompileDefault("PS", "ps_5_1", anisotropic)),
              (Names{"b1", "b2", "t0", "s4"}));
}

} // namespace
