#include "SceneTestApp.h"

#include <gtest/gtest.h>

#include <set>

namespace
{

// In creation order; the position is where the model origin lands.
const struct
{
    int32_t ObjectIndex;
    const char* Range;
    const char* Material;
    Float3 Position;
} Items[] = {
    {0, "box", "ventana", {0, 1, 0}},
    {1, "grid", "tile", {0, -70, 0}},
    {2, "sphere", "f1", {-5, -3.5f, -50}},
    {3, "box2", "ventana3", {0, 16, 30}},
    {4, "box2", "ventana3", {13, 16, 30}},
    {5, "box3", "ventana4", {26, 12.5f, 30}},
    {6, "box4", "ventana5", {40, 27.5f, 30}},
    {7, "box4", "ventana5", {-25, 27.5f, 30}},
    {8, "box3", "ventana4", {-12, 12.5f, 30}},
    {9, "box2", "ventana3", {-26, 16, 17}},
    {10, "box3", "ventana4", {-12, 12.5f, 17}},
    {11, "box4", "ventana5", {12, 27.5f, 17}},
    {12, "box2", "ventana3", {27, 16, 17}},
    {13, "box2", "ventana3", {0, 16, -10}},
    {14, "box2", "ventana3", {13, 16, -10}},
    {15, "box3", "ventana4", {26, 12.5f, -10}},
    {16, "box4", "ventana5", {40, 27.5f, -10}},
    {17, "box4", "ventana5", {-25, 27.5f, -10}},
    {18, "box3", "ventana4", {-12, 12.5f, -10}},
    {19, "box2", "ventana3", {-26, 16, -23}},
    {20, "box3", "ventana4", {-12, 12.5f, -23}},
    {21, "box4", "ventana5", {12, 27.5f, -23}},
    {22, "box2", "ventana3", {27, 16, -23}},
    {23, "box3", "ventana", {-12, 12.5f, 3}},
    {24, "box3", "ventana", {12, 12.5f, 3}},
    {27, "box2", "ventana3", {24, 12.5f, 3}},
    {25, "sphere", "f2", {-5, 53.5f, -50}},
    {26, "sphere", "f7", {-5, 53.5f, -50}},
};

class CityLayout : public ::testing::Test
{
protected:
    void SetUp() override { app.BuildContent(); }
    SceneTestApp app;
};

TEST_F(CityLayout, ItemsHaveTheirSlotsRangesMaterialsAndPlaces)
{
    ASSERT_EQ(app.mAllItems.size(), std::size(Items));
    ASSERT_EQ(app.mItemLayers[ShapesApp::OpaqueLayer].size(), std::size(Items));
    const SceneGeometry* geo = app.mGeometryTable.at("shapesGeo").get();
    for (size_t i = 0; i < std::size(Items); ++i)
    {
        SCOPED_TRACE(testing::Message() << "item " << i);
        const SceneItem& item = *app.mAllItems[i];
        const auto& expected = Items[i];
        const SubmeshRange& range = geo->Submeshes.at(expected.Range);
        EXPECT_EQ(app.mItemLayers[ShapesApp::OpaqueLayer][i], &item);
        EXPECT_EQ(item.ObjectIndex, expected.ObjectIndex);
        EXPECT_EQ(item.Geometry, geo);
        EXPECT_EQ(item.Material, app.mMaterialTable.at(expected.Material).get());
        EXPECT_EQ(item.Topology, D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        EXPECT_EQ(item.IndexCount, range.IndexCount);
        EXPECT_EQ(item.FirstIndex, range.FirstIndex);
        EXPECT_EQ(item.VertexOffset, range.VertexOffset);
        EXPECT_EQ(item.DirtyFrames, 3);
        EXPECT_EQ(Float3(item.World[3]), expected.Position);
        if (i != 1 && i != 20)
        {
            EXPECT_EQ(item.TexTransform, MatrixIdentity());
        }
    }
}

TEST_F(CityLayout, CubeGroundAndTurnedWindowsHaveTheirOwnTransforms)
{
    // The cube is scaled by 2 about its centre, then stood on the ground.
    EXPECT_EQ(Float3(TransformPoint({0.5f, 0.5f, 0.5f}, app.mAllItems[0]->World)), Float3(1, 2, 1));
    EXPECT_EQ(app.mAllItems[3]->World, MatrixTranslation(0, 16, 30));
    EXPECT_EQ(app.mAllItems[1]->TexTransform, MatrixScaling(8, 8, 1));

    // Turned about x by the rise's starting height, -15 radians.
    const float c = -0.759687662f, s = -0.650288165f;
    const Matrix4 turned = MatrixFromRows({1, 0, 0, 0}, {0, c, s, 0}, {0, -s, c, 0}, {0, 0, 0, 1});
    for (int r = 0; r < 4; ++r)
        EXPECT_NEAR(glm::length(app.mAllItems[20]->TexTransform[r] - turned[r]), 0, 1e-6f);
}

TEST_F(CityLayout, EveryItemHasASlotOfItsOwnAndTheSpheresKeepTheirs)
{
    std::set<int32_t> slots, sphereSlots;
    const uint32_t sphereStart =
        app.mGeometryTable.at("shapesGeo")->Submeshes.at("sphere").FirstIndex;
    for (const auto& item : app.mAllItems)
    {
        EXPECT_LT(uint32_t(item->ObjectIndex), app.mAllItems.size());
        slots.insert(item->ObjectIndex);
        if (item->FirstIndex == sphereStart)
            sphereSlots.insert(item->ObjectIndex);
    }
    EXPECT_EQ(slots.size(), app.mAllItems.size());
    EXPECT_EQ(sphereSlots, (std::set<int32_t>{2, 25, 26}));

    // Writing every world into its slot in list order, as the constant upload
    // does, leaves each item's own matrix there: no building is lost.
    std::vector<Matrix4> objectSlots(app.mAllItems.size(), Matrix4(0.0f));
    for (const auto& item : app.mAllItems)
        objectSlots[size_t(item->ObjectIndex)] = item->World;
    for (const auto& item : app.mAllItems)
        EXPECT_EQ(objectSlots[size_t(item->ObjectIndex)], item->World) << item->ObjectIndex;
}

} // namespace
