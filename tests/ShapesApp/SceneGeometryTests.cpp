// Where each shape lands in the shared vertex and index buffers.
#include "SceneTestApp.h"

#include "ShapeFactory.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{

const struct
{
    const char* Name;
    uint32_t IndexCount, FirstIndex;
    int32_t VertexOffset;
} PackingOrder[] = {
    {"box", 2304, 0, 0},          {"grid", 2304, 2304, 1152},
    {"sphere", 2280, 4608, 2304}, {"cylinder", 2304, 6888, 2705},
    {"box2", 2304, 9192, 3857},   {"box3", 2304, 11496, 5009},
    {"box4", 2304, 13800, 6161},  {"spherecm", 2280, 16104, 7313},
};

TEST(SceneGeometry, ShapesArePackedInOrderWithMeshRelativeIndices)
{
    const PackedSceneGeometry packed = ShapesApp::PackSceneGeometry();
    const std::unique_ptr<SceneGeometry> geo = ShapesApp::DescribeSceneGeometry(packed);
    EXPECT_EQ(packed.Vertices.size(), 7714u);
    EXPECT_EQ(packed.Indices.size(), 18384u);
    EXPECT_EQ(geo->Name, "shapesGeo");
    EXPECT_EQ(geo->VertexStride, 32u);
    EXPECT_EQ(geo->VertexBufferBytes, 246848u);
    EXPECT_EQ(geo->IndexFormat, DXGI_FORMAT_R16_UINT);
    EXPECT_EQ(geo->IndexBufferBytes, 36768u);

    ASSERT_EQ(packed.Ranges.size(), std::size(PackingOrder));
    ASSERT_EQ(geo->Submeshes.size(), std::size(PackingOrder));
    for (size_t i = 0; i < packed.Ranges.size(); ++i)
    {
        const auto& expected = PackingOrder[i];
        SCOPED_TRACE(expected.Name);
        EXPECT_EQ(packed.Ranges[i].first, expected.Name);
        const SubmeshRange& range = geo->Submeshes.at(expected.Name);
        EXPECT_EQ(range.IndexCount, expected.IndexCount);
        EXPECT_EQ(range.FirstIndex, expected.FirstIndex);
        EXPECT_EQ(range.VertexOffset, expected.VertexOffset);
        EXPECT_EQ(range.BoundsExtents, Float3(1, 1, 1));
    }

    // Vertices are copied unchanged; the sphere's north pole opens its range.
    const ShapeVertex boxFirst = ShapeFactory::MakeBox(1, 1, 1, 3).Vertices[0];
    EXPECT_EQ(packed.Vertices[0].Position, boxFirst.Position);
    EXPECT_EQ(packed.Vertices[0].TexCoord, boxFirst.TexCoord);
    const GpuVertex& pole = packed.Vertices[2304];
    EXPECT_EQ(pole.Position, Float3(0, 10.5f, 0));
    EXPECT_EQ(pole.Normal, Float3(0, 1, 0));
    EXPECT_EQ(pole.TexCoord, Float2(0, 0));

    // Indices are not rebased: each shape counts from its own vertex 0.
    EXPECT_EQ(packed.Indices[4608], 0u);
    EXPECT_EQ(packed.Indices[4608 + 2279], 399u);
    EXPECT_EQ(*std::max_element(packed.Indices.begin() + 16104, packed.Indices.end()), 400u);
}

} // namespace
