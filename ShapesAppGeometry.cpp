// ShapesApp: the city's one shared geometry. Every shape goes into one vertex
// array and one 16-bit index list, so all items draw from a single pair of
// buffers with per-item ranges.
#include "ShapeFactory.h"
#include "ShapesApp.h"

namespace
{

struct NamedShape
{
    const char* Name;
    ShapeMesh Mesh;
};

// In packing order. "grid" and "cylinder" are boxes as well.
std::vector<NamedShape> MakeSceneShapes()
{
    using namespace ShapeFactory;
    std::vector<NamedShape> shapes;
    shapes.push_back({"box", MakeBox(1.0f, 1.0f, 1.0f, 3)});
    shapes.push_back({"grid", MakeBox(100.0f, 140.0f, 110.0f, 3)});
    shapes.push_back({"sphere", MakeSphere(10.5f, 20, 20)});
    shapes.push_back({"cylinder", MakeBox(1.5f, 3.3f, 3.0f, 3)});
    shapes.push_back({"box2", MakeBox(10.0f, 32.0f, 11.0f, 3)});
    shapes.push_back({"box3", MakeBox(10.0f, 25.0f, 11.0f, 3)});
    shapes.push_back({"box4", MakeBox(15.0f, 55.0f, 11.0f, 3)});
    shapes.push_back({"spherecm", MakeSphere(100.5f, 20, 20)});
    return shapes;
}

} // namespace

PackedSceneGeometry ShapesApp::PackSceneGeometry()
{
    std::vector<NamedShape> shapes = MakeSceneShapes();

    PackedSceneGeometry packed;
    uint32_t firstIndex = 0;
    int32_t vertexOffset = 0;
    for (NamedShape& shape : shapes)
    {
        SubmeshRange range;
        range.IndexCount = uint32_t(shape.Mesh.Indices.size());
        range.FirstIndex = firstIndex;
        range.VertexOffset = vertexOffset;
        packed.Ranges.emplace_back(shape.Name, range);
        firstIndex += range.IndexCount;
        vertexOffset += int32_t(shape.Mesh.Vertices.size());

        for (const ShapeVertex& v : shape.Mesh.Vertices)
            packed.Vertices.push_back({v.Position, v.Normal, v.TexCoord});

        const std::vector<uint16_t>& indices = shape.Mesh.ShortIndexList();
        packed.Indices.insert(packed.Indices.end(), indices.begin(), indices.end());
    }
    return packed;
}

std::unique_ptr<SceneGeometry> ShapesApp::DescribeSceneGeometry(const PackedSceneGeometry& packed)
{
    auto geo = std::make_unique<SceneGeometry>();
    geo->Name = "shapesGeo";
    geo->VertexStride = sizeof(GpuVertex);
    geo->VertexBufferBytes = uint32_t(packed.Vertices.size() * sizeof(GpuVertex));
    geo->IndexFormat = DXGI_FORMAT_R16_UINT;
    geo->IndexBufferBytes = uint32_t(packed.Indices.size() * sizeof(uint16_t));
    for (const auto& [name, range] : packed.Ranges)
        geo->Submeshes[name] = range;
    return geo;
}
