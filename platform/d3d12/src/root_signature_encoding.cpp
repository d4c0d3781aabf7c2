#include "root_signature_encoding.h"

#include "translation.h"

#include <shader_bytecode.h>

#include <cstring>
#include <limits>

namespace d3d12
{
namespace
{

using shader_bytecode::RegistersPerClass;

// Flags that only restrict or describe: the runtime honours the denials by
// narrowing visibility and has nothing to do for the others.
constexpr uint32_t HonouredFlags = D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT |
                                   D3D12_ROOT_SIGNATURE_FLAG_DENY_VERTEX_SHADER_ROOT_ACCESS |
                                   D3D12_ROOT_SIGNATURE_FLAG_DENY_HULL_SHADER_ROOT_ACCESS |
                                   D3D12_ROOT_SIGNATURE_FLAG_DENY_DOMAIN_SHADER_ROOT_ACCESS |
                                   D3D12_ROOT_SIGNATURE_FLAG_DENY_GEOMETRY_SHADER_ROOT_ACCESS |
                                   D3D12_ROOT_SIGNATURE_FLAG_DENY_PIXEL_SHADER_ROOT_ACCESS |
                                   D3D12_ROOT_SIGNATURE_FLAG_ALLOW_STREAM_OUTPUT |
                                   D3D12_ROOT_SIGNATURE_FLAG_DENY_AMPLIFICATION_SHADER_ROOT_ACCESS |
                                   D3D12_ROOT_SIGNATURE_FLAG_DENY_MESH_SHADER_ROOT_ACCESS;

// The real platform's budget: 64 words, a root descriptor costing two, a
// table one and root constants one per value.
constexpr uint32_t MaxRootCost = 64;
constexpr uint32_t MaxStaticSamplers = 2032;
constexpr uint32_t MaxRangesPerTable = 64;

// Registers taken so far, one bit per register of each class.
struct RegisterUse
{
    uint32_t Taken[3] = {};

    // Takes `count` registers from `first`; false where one is out of range
    // or already taken.
    bool Take(shader_bytecode::ResourceKind kind, uint32_t first, uint32_t count)
    {
        if (count == 0 || first >= RegistersPerClass || count > RegistersPerClass - first)
            return false;
        const uint32_t bits = uint32_t(((uint64_t(1) << count) - 1) << first);
        uint32_t& taken = Taken[uint32_t(kind)];
        if (taken & bits)
            return false;
        taken |= bits;
        return true;
    }
};

bool Fail(std::string* error, const std::string& reason)
{
    if (error)
        *error = reason;
    return false;
}

std::string Where(size_t parameter)
{
    return "root parameter " + std::to_string(parameter) + ": ";
}

bool CheckParameter(const RootParameter& parameter, size_t index, RegisterUse* registers,
                    uint32_t* cost, std::string* error)
{
    VkShaderStageFlags stages = 0;
    if (!TranslateVisibility(parameter.Visibility, &stages))
        return Fail(error, Where(index) + "only the visibilities all, vertex and pixel exist here");
    switch (parameter.Type)
    {
    case D3D12_ROOT_PARAMETER_TYPE_CBV:
        *cost += 2;
        if (parameter.Space != 0)
            return Fail(error, Where(index) + "only register space 0 is supported");
        if (!registers->Take(shader_bytecode::ResourceKind::ConstantBuffer, parameter.Register, 1))
            return Fail(error, Where(index) + "register b" + std::to_string(parameter.Register) +
                                   " is out of range (b0-b15) or used twice");
        return true;
    case D3D12_ROOT_PARAMETER_TYPE_DESCRIPTOR_TABLE:
        *cost += 1;
        if (parameter.Ranges.empty())
            return Fail(error, Where(index) + "a descriptor table needs at least one range");
        for (const RootDescriptorRange& range : parameter.Ranges)
        {
            if (range.Type != D3D12_DESCRIPTOR_RANGE_TYPE_SRV)
                return Fail(error, Where(index) +
                                       "tables of shader-resource views are the only tables "
                                       "supported");
            if (range.Space != 0)
                return Fail(error, Where(index) + "only register space 0 is supported");
            if (!registers->Take(shader_bytecode::ResourceKind::Texture, range.BaseRegister,
                                 range.Count))
                return Fail(error, Where(index) + "registers t" +
                                       std::to_string(range.BaseRegister) + " (" +
                                       std::to_string(range.Count) +
                                       " of them) are out of range (t0-t15) or used twice");
        }
        return true;
    case D3D12_ROOT_PARAMETER_TYPE_32BIT_CONSTANTS:
        *cost += parameter.Constants;
        return Fail(error, Where(index) + "root constants are not supported");
    default:
        return Fail(error, Where(index) +
                               "root shader-resource and unordered-access views are not supported");
    }
}

bool CheckSampler(const D3D12_STATIC_SAMPLER_DESC& sampler, size_t index, RegisterUse* registers,
                  std::string* error)
{
    const std::string where = "static sampler " + std::to_string(index) + ": ";
    VkShaderStageFlags stages = 0;
    if (!TranslateVisibility(sampler.ShaderVisibility, &stages))
        return Fail(error, where + "only the visibilities all, vertex and pixel exist here");
    if (sampler.RegisterSpace != 0)
        return Fail(error, where + "only register space 0 is supported");
    if (!registers->Take(shader_bytecode::ResourceKind::Sampler, sampler.ShaderRegister, 1))
        return Fail(error, where + "register s" + std::to_string(sampler.ShaderRegister) +
                               " is out of range (s0-s15) or used twice");
    const SamplerLimits any = {true, 16.0f, std::numeric_limits<float>::max()};
    VkSamplerCreateInfo info{};
    if (!TranslateSampler(sampler, any, &info))
        return Fail(error, where + "the filter, an address mode, the anisotropy, the comparison, "
                                   "the border colour or the LOD range cannot be honoured");
    return true;
}

// Little-endian words in and out.
class Writer
{
public:
    void Word(uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            mBytes.push_back(uint8_t(value >> (8 * i)));
    }
    void Float(float value)
    {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof(bits));
        Word(bits);
    }
    std::vector<uint8_t>& Bytes() { return mBytes; }

private:
    std::vector<uint8_t> mBytes;
};

class Reader
{
public:
    Reader(const uint8_t* data, size_t size) : mData(data), mSize(size) {}

    bool Word(uint32_t* value)
    {
        if (mSize - mAt < 4)
            return false;
        *value = uint32_t(mData[mAt]) | uint32_t(mData[mAt + 1]) << 8 |
                 uint32_t(mData[mAt + 2]) << 16 | uint32_t(mData[mAt + 3]) << 24;
        mAt += 4;
        return true;
    }
    template <class Enum> bool Enumeration(Enum* value)
    {
        uint32_t word;
        if (!Word(&word))
            return false;
        *value = Enum(word);
        return true;
    }
    bool Float(float* value)
    {
        uint32_t bits;
        if (!Word(&bits))
            return false;
        std::memcpy(value, &bits, sizeof(bits));
        return true;
    }
    bool AtEnd() const { return mAt == mSize; }

private:
    const uint8_t* mData;
    size_t mSize;
    size_t mAt = 0;
};

void WriteParameter(const RootParameter& parameter, Writer* out)
{
    out->Word(parameter.Type);
    out->Word(parameter.Visibility);
    switch (parameter.Type)
    {
    case D3D12_ROOT_PARAMETER_TYPE_DESCRIPTOR_TABLE:
        out->Word(uint32_t(parameter.Ranges.size()));
        for (const RootDescriptorRange& range : parameter.Ranges)
        {
            out->Word(range.Type);
            out->Word(range.Count);
            out->Word(range.BaseRegister);
            out->Word(range.Space);
            out->Word(range.Offset);
        }
        break;
    case D3D12_ROOT_PARAMETER_TYPE_32BIT_CONSTANTS:
        out->Word(parameter.Register);
        out->Word(parameter.Space);
        out->Word(parameter.Constants);
        break;
    default:
        out->Word(parameter.Register);
        out->Word(parameter.Space);
        break;
    }
}

bool ReadParameter(Reader* in, RootParameter* parameter)
{
    if (!in->Enumeration(&parameter->Type) || !in->Enumeration(&parameter->Visibility))
        return false;
    switch (parameter->Type)
    {
    case D3D12_ROOT_PARAMETER_TYPE_DESCRIPTOR_TABLE:
    {
        uint32_t count = 0;
        if (!in->Word(&count) || count > MaxRangesPerTable)
            return false;
        parameter->Ranges.resize(count);
        for (RootDescriptorRange& range : parameter->Ranges)
        {
            if (!in->Enumeration(&range.Type) || !in->Word(&range.Count) ||
                !in->Word(&range.BaseRegister) || !in->Word(&range.Space) ||
                !in->Word(&range.Offset))
                return false;
        }
        return true;
    }
    case D3D12_ROOT_PARAMETER_TYPE_32BIT_CONSTANTS:
        return in->Word(&parameter->Register) && in->Word(&parameter->Space) &&
               in->Word(&parameter->Constants);
    default:
        return in->Word(&parameter->Register) && in->Word(&parameter->Space);
    }
}

void WriteSampler(const D3D12_STATIC_SAMPLER_DESC& sampler, Writer* out)
{
    out->Word(sampler.Filter);
    out->Word(sampler.AddressU);
    out->Word(sampler.AddressV);
    out->Word(sampler.AddressW);
    out->Float(sampler.MipLODBias);
    out->Word(sampler.MaxAnisotropy);
    out->Word(sampler.ComparisonFunc);
    out->Word(sampler.BorderColor);
    out->Float(sampler.MinLOD);
    out->Float(sampler.MaxLOD);
    out->Word(sampler.ShaderRegister);
    out->Word(sampler.RegisterSpace);
    out->Word(sampler.ShaderVisibility);
}

bool ReadSampler(Reader* in, D3D12_STATIC_SAMPLER_DESC* sampler)
{
    return in->Enumeration(&sampler->Filter) && in->Enumeration(&sampler->AddressU) &&
           in->Enumeration(&sampler->AddressV) && in->Enumeration(&sampler->AddressW) &&
           in->Float(&sampler->MipLODBias) && in->Word(&sampler->MaxAnisotropy) &&
           in->Enumeration(&sampler->ComparisonFunc) && in->Enumeration(&sampler->BorderColor) &&
           in->Float(&sampler->MinLOD) && in->Float(&sampler->MaxLOD) &&
           in->Word(&sampler->ShaderRegister) && in->Word(&sampler->RegisterSpace) &&
           in->Enumeration(&sampler->ShaderVisibility);
}

} // namespace

bool LayoutOf(const D3D12_ROOT_SIGNATURE_DESC& desc, RootSignatureLayout* layout,
              std::string* error)
{
    if (desc.NumParameters > 0 && !desc.pParameters)
        return Fail(error, "the description counts root parameters but has none");
    if (desc.NumStaticSamplers > 0 && !desc.pStaticSamplers)
        return Fail(error, "the description counts static samplers but has none");
    if (desc.NumParameters > MaxRootCost || desc.NumStaticSamplers > MaxStaticSamplers)
        return Fail(error, "too many root parameters or static samplers");
    layout->Flags = desc.Flags;
    layout->Parameters.resize(desc.NumParameters);
    for (UINT i = 0; i < desc.NumParameters; ++i)
    {
        const D3D12_ROOT_PARAMETER& in = desc.pParameters[i];
        RootParameter& out = layout->Parameters[i];
        out.Type = in.ParameterType;
        out.Visibility = in.ShaderVisibility;
        switch (in.ParameterType)
        {
        case D3D12_ROOT_PARAMETER_TYPE_DESCRIPTOR_TABLE:
        {
            const D3D12_ROOT_DESCRIPTOR_TABLE& table = in.DescriptorTable;
            if (table.NumDescriptorRanges > 0 && !table.pDescriptorRanges)
                return Fail(error, Where(i) + "the table counts ranges but has none");
            if (table.NumDescriptorRanges > MaxRangesPerTable)
                return Fail(error, Where(i) + "too many ranges");
            for (UINT r = 0; r < table.NumDescriptorRanges; ++r)
            {
                const D3D12_DESCRIPTOR_RANGE& range = table.pDescriptorRanges[r];
                out.Ranges.push_back({range.RangeType, range.NumDescriptors,
                                      range.BaseShaderRegister, range.RegisterSpace,
                                      range.OffsetInDescriptorsFromTableStart});
            }
            break;
        }
        case D3D12_ROOT_PARAMETER_TYPE_32BIT_CONSTANTS:
            out.Register = in.Constants.ShaderRegister;
            out.Space = in.Constants.RegisterSpace;
            out.Constants = in.Constants.Num32BitValues;
            break;
        default:
            out.Register = in.Descriptor.ShaderRegister;
            out.Space = in.Descriptor.RegisterSpace;
            break;
        }
    }
    layout->Samplers.assign(desc.pStaticSamplers, desc.pStaticSamplers + desc.NumStaticSamplers);
    return true;
}

bool CheckLayout(const RootSignatureLayout& layout, std::string* error)
{
    if ((uint32_t(layout.Flags) & ~HonouredFlags) != 0)
        return Fail(error, "root-signature flags other than the input-layout, stream-output "
                           "and denial flags are not supported");
    RegisterUse registers;
    uint32_t cost = 0;
    for (size_t i = 0; i < layout.Parameters.size(); ++i)
    {
        if (!CheckParameter(layout.Parameters[i], i, &registers, &cost, error))
            return false;
    }
    if (cost > MaxRootCost)
        return Fail(error, "the root parameters take more than 64 words");
    for (size_t i = 0; i < layout.Samplers.size(); ++i)
    {
        if (!CheckSampler(layout.Samplers[i], i, &registers, error))
            return false;
    }
    return true;
}

std::vector<uint8_t> EncodeLayout(const RootSignatureLayout& layout)
{
    Writer out;
    out.Word(RootSignatureMagic);
    out.Word(RootSignatureVersion);
    out.Word(0); // total size, filled in below
    out.Word(layout.Flags);
    out.Word(uint32_t(layout.Parameters.size()));
    out.Word(uint32_t(layout.Samplers.size()));
    for (const RootParameter& parameter : layout.Parameters)
        WriteParameter(parameter, &out);
    for (const D3D12_STATIC_SAMPLER_DESC& sampler : layout.Samplers)
        WriteSampler(sampler, &out);
    std::vector<uint8_t>& bytes = out.Bytes();
    const uint32_t size = uint32_t(bytes.size());
    for (int i = 0; i < 4; ++i)
        bytes[8 + i] = uint8_t(size >> (8 * i));
    return std::move(bytes);
}

bool DecodeLayout(const void* data, size_t size, RootSignatureLayout* layout, std::string* error)
{
    if (!data)
        return Fail(error, "no root-signature bytes");
    Reader in(static_cast<const uint8_t*>(data), size);
    uint32_t magic = 0, version = 0, total = 0, parameters = 0, samplers = 0;
    if (!in.Word(&magic) || !in.Word(&version) || !in.Word(&total) ||
        !in.Enumeration(&layout->Flags) || !in.Word(&parameters) || !in.Word(&samplers))
        return Fail(error, "the root-signature bytes are too short");
    if (magic != RootSignatureMagic || version != RootSignatureVersion)
        return Fail(error, "the bytes are not a serialized root signature of this runtime");
    if (total != size)
        return Fail(error, "the root-signature bytes are not of the size they record");
    if (parameters > MaxRootCost || samplers > MaxStaticSamplers)
        return Fail(error, "the root-signature bytes are malformed");
    layout->Parameters.assign(parameters, RootParameter{});
    for (RootParameter& parameter : layout->Parameters)
    {
        if (!ReadParameter(&in, &parameter))
            return Fail(error, "the root-signature bytes are malformed");
    }
    layout->Samplers.assign(samplers, D3D12_STATIC_SAMPLER_DESC{});
    for (D3D12_STATIC_SAMPLER_DESC& sampler : layout->Samplers)
    {
        if (!ReadSampler(&in, &sampler))
            return Fail(error, "the root-signature bytes are malformed");
    }
    if (!in.AtEnd())
        return Fail(error, "the root-signature bytes are malformed");
    return CheckLayout(*layout, error);
}

} // namespace d3d12
