// ShapesApp: the city layout. A cube on the ground at the origin, a large box
// whose top face is the ground, four rows of buildings of three heights, a
// fifth row of three, and three spheres that the animation moves.
#include "ShapesApp.h"

namespace
{

struct ItemPlacement
{
    int32_t ObjectIndex;
    const char* Range;
    const char* Material;
    Matrix4 World;
    Matrix4 TexTransform = MatrixIdentity();
};

Matrix4 At(float x, float y, float z)
{
    return MatrixTranslation(x, y, z);
}

} // namespace

void ShapesApp::BuildSceneItems()
{
    SceneGeometry* geo = mGeometryTable.at("shapesGeo").get();

    // Buildings stand on the ground: a box of height h is centred at h / 2
    // (box2 32, box3 25, box4 55). Every item has a constant slot of its own;
    // the spheres keep slots 2, 25 and 26, by which the animation finds them.
    // The second block of rows repeats the first 40 units further towards -z.
    // One building's windows are turned about x by the rise's height at build
    // time (in radians); later changes of that height do not reach it.
    const ItemPlacement placements[] = {
        {0, "box", "ventana", MatrixMultiply(MatrixScaling(2, 2, 2), At(0, 1, 0))},
        {1, "grid", "tile", At(0, -70, 0), MatrixScaling(8, 8, 1)},
        {2, "sphere", "f1", At(-5, -3.5f, -50)},

        {3, "box2", "ventana3", At(0, 16, 30)},
        {4, "box2", "ventana3", At(13, 16, 30)},
        {5, "box3", "ventana4", At(26, 12.5f, 30)},
        {6, "box4", "ventana5", At(40, 27.5f, 30)},
        {7, "box4", "ventana5", At(-25, 27.5f, 30)},
        {8, "box3", "ventana4", At(-12, 12.5f, 30)},
        {9, "box2", "ventana3", At(-26, 16, 17)},
        {10, "box3", "ventana4", At(-12, 12.5f, 17)},
        {11, "box4", "ventana5", At(12, 27.5f, 17)},
        {12, "box2", "ventana3", At(27, 16, 17)},

        {13, "box2", "ventana3", At(0, 16, -10)},
        {14, "box2", "ventana3", At(13, 16, -10)},
        {15, "box3", "ventana4", At(26, 12.5f, -10)},
        {16, "box4", "ventana5", At(40, 27.5f, -10)},
        {17, "box4", "ventana5", At(-25, 27.5f, -10)},
        {18, "box3", "ventana4", At(-12, 12.5f, -10)},
        {19, "box2", "ventana3", At(-26, 16, -23)},
        {20, "box3", "ventana4", At(-12, 12.5f, -23), MatrixRotationX(mRiseHeight)},
        {21, "box4", "ventana5", At(12, 27.5f, -23)},
        {22, "box2", "ventana3", At(27, 16, -23)},

        {23, "box3", "ventana", At(-12, 12.5f, 3)},
        {24, "box3", "ventana", At(12, 12.5f, 3)},
        {27, "box2", "ventana3", At(24, 12.5f, 3)},

        {25, "sphere", "f2", At(-5, 53.5f, -50)},
        {26, "sphere", "f7", At(-5, 53.5f, -50)},
    };

    for (const ItemPlacement& placement : placements)
    {
        const SubmeshRange& range = geo->Submeshes.at(placement.Range);

        auto item = std::make_unique<SceneItem>();
        item->World = placement.World;
        item->TexTransform = placement.TexTransform;
        item->ObjectIndex = placement.ObjectIndex;
        item->Material = mMaterialTable.at(placement.Material).get();
        item->Geometry = geo;
        item->Topology = D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST;
        item->IndexCount = range.IndexCount;
        item->FirstIndex = range.FirstIndex;
        item->VertexOffset = range.VertexOffset;
        mAllItems.push_back(std::move(item));
    }

    for (auto& item : mAllItems)
        mItemLayers[OpaqueLayer].push_back(item.get());
}
