#include "SceneTestApp.h"

#include <gtest/gtest.h>

#include <bit>

namespace
{

// 0.02 = 0x3CA3D70A, 0.05 = 0x3D4CCCCD, 0.1 = 0x3DCCCCCD, 0.3 = 0x3E99999A.
const struct
{
    const char* Name;
    int32_t Index;
    uint32_t FresnelBits, RoughnessBits;
} Materials[] = {
    {"bricks", 0, 0x3CA3D70A, 0x3DCCCCCD},   {"stone", 1, 0x3D4CCCCD, 0x3E99999A},
    {"tile", 2, 0x3CA3D70A, 0x3E99999A},     {"wood", 3, 0x3CA3D70A, 0x3E99999A},
    {"ventana", 4, 0x3CA3D70A, 0x3DCCCCCD},  {"ventana2", 5, 0x3CA3D70A, 0x3DCCCCCD},
    {"ventana3", 6, 0x3CA3D70A, 0x3DCCCCCD}, {"ventana4", 7, 0x3CA3D70A, 0x3DCCCCCD},
    {"ventana5", 8, 0x3CA3D70A, 0x3DCCCCCD}, {"f1", 9, 0x3CA3D70A, 0x3DCCCCCD},
    {"f2", 10, 0x3CA3D70A, 0x3DCCCCCD},      {"f7", 11, 0x3CA3D70A, 0x3DCCCCCD},
};

TEST(SceneMaterials, TwelveMaterialsWithTheirSlotsAndExactValues)
{
    SceneTestApp app;
    app.BuildSceneMaterials();
    ASSERT_EQ(app.mMaterialTable.size(), std::size(Materials));
    for (const auto& expected : Materials)
    {
        SCOPED_TRACE(expected.Name);
        const MaterialRecord& m = *app.mMaterialTable.at(expected.Name);
        EXPECT_EQ(m.Name, expected.Name);
        EXPECT_EQ(m.MaterialIndex, expected.Index);
        EXPECT_EQ(m.DiffuseTextureIndex, expected.Index);
        EXPECT_EQ(m.ReservedIndex, -1);
        EXPECT_EQ(m.DirtyFrames, 3);
        EXPECT_EQ(m.DiffuseAlbedo, Float4(1, 1, 1, 1));
        EXPECT_EQ(std::bit_cast<uint32_t>(m.FresnelR0.x), expected.FresnelBits);
        EXPECT_EQ(m.FresnelR0, Float3(m.FresnelR0.x));
        EXPECT_EQ(std::bit_cast<uint32_t>(m.Roughness), expected.RoughnessBits);
        EXPECT_EQ(m.MaterialTransform, MatrixIdentity());
    }
}

} // namespace
