// The byte-code container: a round trip, and malformed blobs refused.
#include <shader_bytecode.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace
{

using namespace shader_bytecode;

ShaderBytecode Sample()
{
    ShaderBytecode shader;
    shader.ShaderStage = Stage::Pixel;
    shader.EntryPoint = "PS";
    shader.Inputs = {{"TEXCOORD", 1, 2, 2, ComponentType::Float},
                     {"BLENDINDICES", 0, 0, 1, ComponentType::UInt}};
    shader.Outputs = {{"SV_TARGET", 0, 0, 4, ComponentType::Float}};
    shader.Bindings = {
        {ResourceKind::Sampler, 2, 0, BindingForRegister(ResourceKind::Sampler, 2), 1},
        {ResourceKind::Texture, 0, 0, 16, 3}};
    shader.Spirv = {0x07230203, 0x00010600, 0, 10, 0, 0x00020011, 1};
    return shader;
}

void ExpectSameElements(const std::vector<SignatureElement>& a,
                        const std::vector<SignatureElement>& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
    {
        EXPECT_EQ(a[i].SemanticName, b[i].SemanticName);
        EXPECT_EQ(a[i].SemanticIndex, b[i].SemanticIndex);
        EXPECT_EQ(a[i].Location, b[i].Location);
        EXPECT_EQ(a[i].ComponentCount, b[i].ComponentCount);
        EXPECT_EQ(a[i].Type, b[i].Type);
    }
}

TEST(ShaderBytecode, ReadsBackWhatItWrites)
{
    const ShaderBytecode original = Sample();
    std::vector<uint8_t> bytes = Serialize(original);
    ShaderBytecode read;
    std::string error;
    ASSERT_TRUE(Parse(bytes.data(), bytes.size(), &read, &error)) << error;
    EXPECT_EQ(read.ShaderStage, original.ShaderStage);
    EXPECT_EQ(read.EntryPoint, original.EntryPoint);
    ExpectSameElements(read.Inputs, original.Inputs);
    ExpectSameElements(read.Outputs, original.Outputs);
    ASSERT_EQ(read.Bindings.size(), 2u);
    EXPECT_EQ(read.Bindings[0].Kind, ResourceKind::Sampler);
    EXPECT_EQ(read.Bindings[0].Binding, 34u);
    EXPECT_EQ(read.Bindings[1].Count, 3u);
    EXPECT_EQ(read.Spirv, original.Spirv);
}

TEST(ShaderBytecode, RefusesMalformedBlobs)
{
    const std::vector<uint8_t> good = Serialize(Sample());
    auto word = [](std::vector<uint8_t>& bytes, size_t index, uint32_t value)
    { std::memcpy(bytes.data() + index * 4, &value, 4); };
    struct Case
    {
        const char* What;
        std::function<void(std::vector<uint8_t>&)> Damage;
    };
    const Case cases[] = {
        {"truncated header", [](std::vector<uint8_t>& b) { b.resize(40); }},
        {"truncated blob", [](std::vector<uint8_t>& b) { b.pop_back(); }},
        {"wrong magic", [&](std::vector<uint8_t>& b) { word(b, 0, 0x43425844); }},
        {"newer version", [&](std::vector<uint8_t>& b) { word(b, 1, 2); }},
        {"unknown stage", [&](std::vector<uint8_t>& b) { word(b, 2, 7); }},
        {"entry point past the strings", [&](std::vector<uint8_t>& b) { word(b, 4, 1000); }},
        {"inputs past the end", [&](std::vector<uint8_t>& b) { word(b, 7, 0x40000000); }},
        {"misaligned bindings", [&](std::vector<uint8_t>& b) { word(b, 10, 66); }},
        {"SPIR-V past the end", [&](std::vector<uint8_t>& b) { word(b, 13, 0xFFFFFFFF); }},
        {"strings past the end", [&](std::vector<uint8_t>& b) { word(b, 15, 0x7FFFFFFF); }},
        {"unterminated strings",
         [](std::vector<uint8_t>& b) { std::memset(b.data() + b.size() - 24, 'A', 24); }},
    };
    for (const Case& test : cases)
    {
        std::vector<uint8_t> bytes = good;
        test.Damage(bytes);
        ShaderBytecode read;
        std::string error;
        EXPECT_FALSE(Parse(bytes.data(), bytes.size(), &read, &error)) << test.What;
        EXPECT_NE(error, "") << test.What;
    }
    ShaderBytecode read;
    EXPECT_FALSE(Parse(nullptr, 0, &read, nullptr));
}

TEST(ShaderBytecode, RefusesBindingsOutsideTheScheme)
{
    for (ResourceBinding bad : {ResourceBinding{ResourceKind::Texture, 16, 0, 32, 1},
                                ResourceBinding{ResourceKind::Texture, 0, 0, 0, 1},
                                ResourceBinding{ResourceKind::ConstantBuffer, 14, 0, 14, 3},
                                ResourceBinding{ResourceKind::Sampler, 0, 0, 32, 0}})
    {
        ShaderBytecode shader = Sample();
        shader.Bindings = {bad};
        std::vector<uint8_t> bytes = Serialize(shader);
        ShaderBytecode read;
        std::string error;
        EXPECT_FALSE(Parse(bytes.data(), bytes.size(), &read, &error))
            << bad.Register << " " << bad.Binding << " " << bad.Count;
    }
}

} // namespace
