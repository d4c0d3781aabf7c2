#include "ShapeFactory.h"

#include <cmath>
#include <stdexcept>

std::vector<uint16_t>& ShapeMesh::ShortIndexList()
{
    if (ShortIndices.empty())
    {
        ShortIndices.resize(Indices.size());
        for (size_t i = 0; i < Indices.size(); ++i)
            ShortIndices[i] = uint16_t(Indices[i] & 0xFFFF);
    }
    return ShortIndices;
}

namespace ShapeFactory
{

ShapeMesh MakeBox(float width, float height, float depth, uint32_t subdivisions)
{
    const float w2 = 0.5f * width;
    const float h2 = 0.5f * height;
    const float d2 = 0.5f * depth;

    // Four vertices per face, faces in the order front (-z), back (+z),
    // top (+y), bottom (-y), left (-x), right (+x).
    ShapeMesh mesh;
    mesh.Vertices = {
        {{-w2, -h2, -d2}, {0, 0, -1}, {1, 0, 0}, {0, 1}},
        {{-w2, +h2, -d2}, {0, 0, -1}, {1, 0, 0}, {0, 0}},
        {{+w2, +h2, -d2}, {0, 0, -1}, {1, 0, 0}, {1, 0}},
        {{+w2, -h2, -d2}, {0, 0, -1}, {1, 0, 0}, {1, 1}},

        {{-w2, -h2, +d2}, {0, 0, 1}, {-1, 0, 0}, {1, 1}},
        {{+w2, -h2, +d2}, {0, 0, 1}, {-1, 0, 0}, {0, 1}},
        {{+w2, +h2, +d2}, {0, 0, 1}, {-1, 0, 0}, {0, 0}},
        {{-w2, +h2, +d2}, {0, 0, 1}, {-1, 0, 0}, {1, 0}},

        {{-w2, +h2, -d2}, {0, 1, 0}, {1, 0, 0}, {0, 1}},
        {{-w2, +h2, +d2}, {0, 1, 0}, {1, 0, 0}, {0, 0}},
        {{+w2, +h2, +d2}, {0, 1, 0}, {1, 0, 0}, {1, 0}},
        {{+w2, +h2, -d2}, {0, 1, 0}, {1, 0, 0}, {1, 1}},

        {{-w2, -h2, -d2}, {0, -1, 0}, {-1, 0, 0}, {1, 1}},
        {{+w2, -h2, -d2}, {0, -1, 0}, {-1, 0, 0}, {0, 1}},
        {{+w2, -h2, +d2}, {0, -1, 0}, {-1, 0, 0}, {0, 0}},
        {{-w2, -h2, +d2}, {0, -1, 0}, {-1, 0, 0}, {1, 0}},

        {{-w2, -h2, +d2}, {-1, 0, 0}, {0, 0, -1}, {0, 1}},
        {{-w2, +h2, +d2}, {-1, 0, 0}, {0, 0, -1}, {0, 0}},
        {{-w2, +h2, -d2}, {-1, 0, 0}, {0, 0, -1}, {1, 0}},
        {{-w2, -h2, -d2}, {-1, 0, 0}, {0, 0, -1}, {1, 1}},

        {{+w2, -h2, -d2}, {1, 0, 0}, {0, 0, 1}, {0, 1}},
        {{+w2, +h2, -d2}, {1, 0, 0}, {0, 0, 1}, {0, 0}},
        {{+w2, +h2, +d2}, {1, 0, 0}, {0, 0, 1}, {1, 0}},
        {{+w2, -h2, +d2}, {1, 0, 0}, {0, 0, 1}, {1, 1}},
    };

    for (uint32_t face = 0; face < 6; ++face)
    {
        const uint32_t b = 4 * face;
        mesh.Indices.insert(mesh.Indices.end(), {b, b + 1, b + 2, b, b + 2, b + 3});
    }

    for (uint32_t pass = 0; pass < subdivisions; ++pass)
        SubdivideMesh(mesh);
    return mesh;
}

ShapeMesh MakeSphere(float radius, uint32_t slices, uint32_t stacks)
{
    // Fewer slices or stacks leave no closed surface; the band count below
    // would also underflow.
    if (slices < 3 || stacks < 2)
        throw std::invalid_argument("MakeSphere: needs at least 3 slices and 2 stacks");
    const uint64_t vertexCount = uint64_t(stacks - 1) * (uint64_t(slices) + 1) + 2;
    if (vertexCount > MaxShapeVertices)
        throw std::length_error("MakeSphere: too many slices and stacks");

    const float r = radius;
    const float phiStep = 3.1415927f / float(stacks);
    const float thetaStep = 6.2831855f / float(slices);

    ShapeMesh mesh;
    mesh.Vertices.reserve(size_t(vertexCount));
    mesh.Vertices.push_back({{0, r, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0}});

    for (uint32_t i = 1; i < stacks; ++i)
    {
        const float phi = float(i) * phiStep;
        for (uint32_t j = 0; j <= slices; ++j)
        {
            const float theta = float(j) * thetaStep;
            const float s = std::sin(phi) * r;

            ShapeVertex v;
            v.Position = {s * std::cos(theta), std::cos(phi) * r, s * std::sin(theta)};
            v.Tangent = Normalize3({(std::sin(phi) * -r) * std::sin(theta), 0.0f, v.Position.x});
            v.Normal = Normalize3(v.Position);
            v.TexCoord = {theta / 6.2831855f, phi / 3.1415927f};
            mesh.Vertices.push_back(v);
        }
    }

    mesh.Vertices.push_back({{0, -r, 0}, {0, -1, 0}, {1, 0, 0}, {0, 1}});

    const uint32_t ring = slices + 1;
    for (uint32_t k = 1; k <= slices; ++k)
        mesh.Indices.insert(mesh.Indices.end(), {0, k + 1, k});

    for (uint32_t band = 0; band + 2 < stacks; ++band)
    {
        for (uint32_t j = 0; j < slices; ++j)
        {
            const uint32_t a = 1 + band * ring + j;
            mesh.Indices.insert(mesh.Indices.end(),
                                {a, a + 1, a + ring, a + ring, a + 1, a + ring + 1});
        }
    }

    const uint32_t south = uint32_t(mesh.Vertices.size()) - 1;
    const uint32_t base = south - ring;
    for (uint32_t k = 0; k < slices; ++k)
        mesh.Indices.insert(mesh.Indices.end(), {south, base + k, base + k + 1});
    return mesh;
}

void SubdivideMesh(ShapeMesh& mesh)
{
    const uint32_t triangles = uint32_t(mesh.Indices.size()) / 3;
    if (uint64_t(triangles) * 6 > MaxShapeVertices)
        throw std::length_error("SubdivideMesh: the result would have too many vertices");

    // Built aside and swapped in, so a failure leaves the mesh untouched.
    std::vector<ShapeVertex> vertices;
    std::vector<uint32_t> indices;
    vertices.reserve(size_t(triangles) * 6);
    indices.reserve(size_t(triangles) * 12);

    for (uint32_t i = 0; i < triangles; ++i)
    {
        const ShapeVertex& v0 = mesh.Vertices.at(mesh.Indices[3 * i]);
        const ShapeVertex& v1 = mesh.Vertices.at(mesh.Indices[3 * i + 1]);
        const ShapeVertex& v2 = mesh.Vertices.at(mesh.Indices[3 * i + 2]);

        // m0 on v0-v1, m1 on v1-v2, m2 on v0-v2.
        vertices.insert(vertices.end(), {v0, v1, v2, MidpointVertex(v0, v1), MidpointVertex(v1, v2),
                                         MidpointVertex(v0, v2)});

        const uint32_t b = 6 * i;
        indices.insert(indices.end(), {b, b + 3, b + 5, b + 3, b + 4, b + 5, b + 5, b + 4, b + 2,
                                       b + 3, b + 1, b + 4});
    }

    mesh.Vertices.swap(vertices);
    mesh.Indices.swap(indices);
}

ShapeVertex MidpointVertex(const ShapeVertex& a, const ShapeVertex& b)
{
    // The position stays on the segment: a subdivided box keeps its flat
    // faces.
    ShapeVertex m;
    m.Position = (a.Position + b.Position) * 0.5f;
    m.Normal = Normalize3((a.Normal + b.Normal) * 0.5f);
    m.Tangent = Normalize3((a.Tangent + b.Tangent) * 0.5f);
    m.TexCoord = (a.TexCoord + b.TexCoord) * 0.5f;
    return m;
}

} // namespace ShapeFactory
