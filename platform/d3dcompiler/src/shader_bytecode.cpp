#include "shader_bytecode.h"

#include <cstring>

namespace shader_bytecode
{
namespace
{

// Word positions in the header.
enum Field : size_t
{
    MagicField,
    VersionField,
    StageField,
    SizeField,
    EntryPointOffset,
    EntryPointLength,
    InputsOffset,
    InputsCount,
    OutputsOffset,
    OutputsCount,
    BindingsOffset,
    BindingsCount,
    SpirvOffset,
    SpirvWords,
    StringsOffset,
    StringsSize,
    HeaderWords
};
constexpr size_t ElementWords = 5;
constexpr size_t BindingWords = 5;
constexpr uint32_t SpirvMagic = 0x07230203;

// Appends sections to a word vector and collects the strings that follow them.
class Writer
{
public:
    std::vector<uint32_t> Words = std::vector<uint32_t>(HeaderWords, 0);
    std::string Strings;

    uint32_t AddString(const std::string& text)
    {
        uint32_t offset = uint32_t(Strings.size());
        Strings += text;
        Strings += '\0';
        return offset;
    }

    // Appends a section and records its offset and count at `field` and the word after it.
    void AddSignature(const std::vector<SignatureElement>& elements, Field field)
    {
        Words[field] = ByteOffset();
        Words[field + 1] = uint32_t(elements.size());
        for (const SignatureElement& e : elements)
            Words.insert(Words.end(), {AddString(e.SemanticName), e.SemanticIndex, e.Location,
                                       e.ComponentCount, uint32_t(e.Type)});
    }

    uint32_t ByteOffset() const { return uint32_t(Words.size() * 4); }
};

// Reads words and strings from a blob whose size is known, checking every
// offset against it.
class Reader
{
public:
    Reader(const uint8_t* data, size_t size) : mData(data), mSize(size) {}

    uint32_t Header(Field field) const { return Word(field * 4); }

    uint32_t Word(size_t byteOffset) const
    {
        uint32_t value;
        std::memcpy(&value, mData + byteOffset, 4);
        return value;
    }

    // True when `count` records of `words` words each start at `offset`
    // and end inside the blob.
    bool HasSection(uint32_t offset, uint32_t count, size_t words) const
    {
        uint64_t end = uint64_t(offset) + uint64_t(count) * words * 4;
        return offset % 4 == 0 && end <= mSize;
    }

    bool String(uint32_t offset, uint32_t size, uint32_t at, std::string* text) const
    {
        if (at >= size)
            return false;
        const char* begin = reinterpret_cast<const char*>(mData) + offset + at;
        const void* end = std::memchr(begin, '\0', size - at);
        if (!end)
            return false;
        text->assign(begin, static_cast<const char*>(end));
        return true;
    }

private:
    const uint8_t* mData;
    size_t mSize;
};

bool Fail(std::string* error, const char* reason)
{
    if (error)
        *error = std::string("shader byte code: ") + reason;
    return false;
}

bool ReadSignature(const Reader& in, uint32_t offset, uint32_t count, uint32_t stringsOffset,
                   uint32_t stringsSize, std::vector<SignatureElement>* elements,
                   std::string* error)
{
    if (!in.HasSection(offset, count, ElementWords))
        return Fail(error, "signature outside the blob");
    elements->resize(count);
    for (uint32_t i = 0; i < count; ++i)
    {
        size_t at = offset + size_t(i) * ElementWords * 4;
        SignatureElement& e = (*elements)[i];
        if (!in.String(stringsOffset, stringsSize, in.Word(at), &e.SemanticName))
            return Fail(error, "semantic name outside the string section");
        e.SemanticIndex = in.Word(at + 4);
        e.Location = in.Word(at + 8);
        e.ComponentCount = in.Word(at + 12);
        uint32_t type = in.Word(at + 16);
        if (e.ComponentCount < 1 || e.ComponentCount > 4 || type > uint32_t(ComponentType::UInt))
            return Fail(error, "bad signature element");
        e.Type = ComponentType(type);
    }
    return true;
}

bool ReadBindings(const Reader& in, uint32_t offset, uint32_t count,
                  std::vector<ResourceBinding>* bindings, std::string* error)
{
    if (!in.HasSection(offset, count, BindingWords))
        return Fail(error, "bindings outside the blob");
    bindings->resize(count);
    for (uint32_t i = 0; i < count; ++i)
    {
        size_t at = offset + size_t(i) * BindingWords * 4;
        ResourceBinding& b = (*bindings)[i];
        uint32_t kind = in.Word(at);
        if (kind > uint32_t(ResourceKind::Sampler))
            return Fail(error, "bad resource kind");
        b.Kind = ResourceKind(kind);
        b.Register = in.Word(at + 4);
        b.Space = in.Word(at + 8);
        b.Binding = in.Word(at + 12);
        b.Count = in.Word(at + 16);
        if (b.Count == 0 || b.Register >= RegistersPerClass ||
            b.Count > RegistersPerClass - b.Register ||
            b.Binding != BindingForRegister(b.Kind, b.Register))
            return Fail(error, "bad resource binding");
    }
    return true;
}

} // namespace

std::vector<uint8_t> Serialize(const ShaderBytecode& shader)
{
    Writer out;
    out.Words[MagicField] = Magic;
    out.Words[VersionField] = Version;
    out.Words[StageField] = uint32_t(shader.ShaderStage);
    out.Words[EntryPointOffset] = out.AddString(shader.EntryPoint);
    out.Words[EntryPointLength] = uint32_t(shader.EntryPoint.size());
    out.AddSignature(shader.Inputs, InputsOffset);
    out.AddSignature(shader.Outputs, OutputsOffset);

    out.Words[BindingsOffset] = out.ByteOffset();
    out.Words[BindingsCount] = uint32_t(shader.Bindings.size());
    for (const ResourceBinding& b : shader.Bindings)
        out.Words.insert(out.Words.end(),
                         {uint32_t(b.Kind), b.Register, b.Space, b.Binding, b.Count});

    out.Words[SpirvOffset] = out.ByteOffset();
    out.Words[SpirvWords] = uint32_t(shader.Spirv.size());
    out.Words.insert(out.Words.end(), shader.Spirv.begin(), shader.Spirv.end());

    out.Words[StringsOffset] = out.ByteOffset();
    out.Words[StringsSize] = uint32_t(out.Strings.size());
    out.Words[SizeField] = out.ByteOffset() + out.Words[StringsSize];

    std::vector<uint8_t> bytes(out.Words[SizeField]);
    std::memcpy(bytes.data(), out.Words.data(), out.Words.size() * 4);
    std::memcpy(bytes.data() + out.Words[StringsOffset], out.Strings.data(), out.Strings.size());
    return bytes;
}

bool Parse(const void* data, size_t size, ShaderBytecode* shader, std::string* error)
{
    if (!data || size < HeaderWords * 4)
        return Fail(error, "too small for a header");
    Reader in(static_cast<const uint8_t*>(data), size);
    if (in.Header(MagicField) != Magic)
        return Fail(error, "not a compiled shader");
    if (in.Header(VersionField) != Version)
        return Fail(error, "unsupported version");
    if (in.Header(SizeField) != size)
        return Fail(error, "size does not match the blob");

    uint32_t stage = in.Header(StageField);
    if (stage > uint32_t(Stage::Pixel))
        return Fail(error, "unknown stage");
    shader->ShaderStage = Stage(stage);

    uint32_t stringsOffset = in.Header(StringsOffset);
    uint32_t stringsSize = in.Header(StringsSize);
    if (uint64_t(stringsOffset) + stringsSize > size)
        return Fail(error, "string section outside the blob");
    if (!in.String(stringsOffset, stringsSize, in.Header(EntryPointOffset), &shader->EntryPoint) ||
        shader->EntryPoint.size() != in.Header(EntryPointLength))
        return Fail(error, "bad entry point name");

    if (!ReadSignature(in, in.Header(InputsOffset), in.Header(InputsCount), stringsOffset,
                       stringsSize, &shader->Inputs, error) ||
        !ReadSignature(in, in.Header(OutputsOffset), in.Header(OutputsCount), stringsOffset,
                       stringsSize, &shader->Outputs, error) ||
        !ReadBindings(in, in.Header(BindingsOffset), in.Header(BindingsCount), &shader->Bindings,
                      error))
        return false;

    uint32_t spirvOffset = in.Header(SpirvOffset);
    uint32_t spirvWords = in.Header(SpirvWords);
    if (!in.HasSection(spirvOffset, spirvWords, 1))
        return Fail(error, "SPIR-V outside the blob");
    if (spirvWords < 5 || in.Word(spirvOffset) != SpirvMagic)
        return Fail(error, "SPIR-V section is not SPIR-V");
    shader->Spirv.resize(spirvWords);
    std::memcpy(shader->Spirv.data(), static_cast<const uint8_t*>(data) + spirvOffset,
                size_t(spirvWords) * 4);
    return true;
}

} // namespace shader_bytecode
