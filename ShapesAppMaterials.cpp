// ShapesApp: the twelve surface materials. Each one's constant slot is also
// the position of its texture in the texture heap.
#include "ShapesApp.h"

namespace
{

struct MaterialValues
{
    const char* Name;
    int32_t Index;
    float FresnelR0;
    float Roughness;
};

// In creation order; the index doubles as the texture heap position.
constexpr MaterialValues SceneMaterials[] = {
    {"bricks", 0, 0.02f, 0.1f},   {"stone", 1, 0.05f, 0.3f},    {"tile", 2, 0.02f, 0.3f},
    {"wood", 3, 0.02f, 0.3f},     {"ventana", 4, 0.02f, 0.1f},  {"ventana2", 5, 0.02f, 0.1f},
    {"ventana3", 6, 0.02f, 0.1f}, {"ventana4", 7, 0.02f, 0.1f}, {"ventana5", 8, 0.02f, 0.1f},
    {"f1", 9, 0.02f, 0.1f},       {"f2", 10, 0.02f, 0.1f},      {"f7", 11, 0.02f, 0.1f},
};

} // namespace

void ShapesApp::BuildSceneMaterials()
{
    // All are made before any is stored, so a failure leaves the table as it
    // was.
    std::vector<std::unique_ptr<MaterialRecord>> made;
    for (const MaterialValues& values : SceneMaterials)
    {
        auto material = std::make_unique<MaterialRecord>();
        material->Name = values.Name;
        material->MaterialIndex = values.Index;
        material->DiffuseTextureIndex = values.Index;
        material->DiffuseAlbedo = Float4(1.0f, 1.0f, 1.0f, 1.0f);
        material->FresnelR0 = Float3(values.FresnelR0);
        material->Roughness = values.Roughness;
        made.push_back(std::move(material));
    }
    for (auto& material : made)
    {
        const std::string name = material->Name;
        mMaterialTable[name] = std::move(material);
    }
}
