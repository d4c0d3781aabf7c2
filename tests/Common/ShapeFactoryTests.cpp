#include "ShapeFactory.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace
{

using namespace ShapeFactory;
using Indices = std::vector<uint32_t>;

// Front faces are clockwise seen from outside, so in index order the cross
// product (v1 - v0) x (v2 - v0) points away from the centre. Counts the
// triangles that face inwards or are degenerate.
int InwardTriangles(const ShapeMesh& mesh)
{
    int inward = 0;
    for (size_t i = 0; i + 2 < mesh.Indices.size(); i += 3)
    {
        const Float3 p0 = mesh.Vertices[mesh.Indices[i]].Position;
        const Float3 p1 = mesh.Vertices[mesh.Indices[i + 1]].Position;
        const Float3 p2 = mesh.Vertices[mesh.Indices[i + 2]].Position;
        if (glm::dot(glm::cross(p1 - p0, p2 - p0), p0 + p1 + p2) <= 0.0f)
            ++inward;
    }
    return inward;
}

TEST(MakeBox, FacesComeInOrderWithTwoTrianglesEach)
{
    const ShapeMesh box = MakeBox(1, 1, 1, 0);
    ASSERT_EQ(box.Vertices.size(), 24u);
    ASSERT_EQ(box.Indices.size(), 36u);
    const Float3 normals[] = {{0, 0, -1}, {0, 0, 1}, {0, 1, 0}, {0, -1, 0}, {-1, 0, 0}, {1, 0, 0}};
    for (uint32_t f = 0; f < 6; ++f)
    {
        EXPECT_EQ(box.Vertices[4 * f].Normal, normals[f]) << "face " << f;
        EXPECT_EQ(Indices(box.Indices.begin() + 6 * f, box.Indices.begin() + 6 * f + 6),
                  (Indices{4 * f, 4 * f + 1, 4 * f + 2, 4 * f, 4 * f + 2, 4 * f + 3}));
    }
    EXPECT_EQ(box.Vertices[0].Position, Float3(-0.5f, -0.5f, -0.5f));
    EXPECT_EQ(box.Vertices[0].TexCoord, Float2(0, 1));
    EXPECT_EQ(box.Vertices[23].Position, Float3(0.5f, -0.5f, 0.5f));
    EXPECT_EQ(box.Vertices[23].TexCoord, Float2(1, 1));
}

// Subdivided or not, every vertex lies on the face its normal names, has a
// unit tangent across the normal, and carries the texture coordinate of its
// place: u grows along the tangent, v along normal x tangent.
TEST(MakeBox, VerticesStayOnTheirFacesAndTrianglesFaceOutwards)
{
    const struct
    {
        Float3 Size;
        uint32_t Subdivisions;
        size_t Vertices, Indices;
    } cases[] = {
        {{1, 1, 1}, 0, 24, 36},
        {{1, 1, 1}, 3, 1152, 2304},
        {{100, 140, 110}, 3, 1152, 2304},
        {{1.5f, 3.3f, 3.0f}, 1, 72, 144},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.Size.y << " high, " << c.Subdivisions << " passes");
        const ShapeMesh box = MakeBox(c.Size.x, c.Size.y, c.Size.z, c.Subdivisions);
        ASSERT_EQ(box.Vertices.size(), c.Vertices);
        ASSERT_EQ(box.Indices.size(), c.Indices);
        EXPECT_EQ(InwardTriangles(box), 0);

        int misplaced = 0;
        for (const ShapeVertex& v : box.Vertices)
        {
            const Float3 n = v.Normal, t = v.Tangent, b = glm::cross(n, t);
            const float u = 0.5f + glm::dot(v.Position, t) / glm::dot(c.Size, glm::abs(t));
            const float w = 0.5f + glm::dot(v.Position, b) / glm::dot(c.Size, glm::abs(b));
            const bool onFace =
                std::abs(glm::dot(v.Position, n) - 0.5f * glm::dot(c.Size, glm::abs(n))) < 1e-3f;
            const bool frame =
                glm::length(n) == 1.0f && glm::length(t) == 1.0f && glm::dot(n, t) == 0;
            if (!onFace || !frame || glm::length(v.TexCoord - Float2(u, w)) > 1e-5f)
                ++misplaced;
        }
        EXPECT_EQ(misplaced, 0);
    }
}

TEST(MakeSphere, PolesRingsAndCapsFaceOutwards)
{
    const float r = 10.5f;
    ShapeMesh sphere = MakeSphere(r, 20, 20);
    ASSERT_EQ(sphere.Vertices.size(), 401u);
    ASSERT_EQ(sphere.Indices.size(), 2280u);
    EXPECT_EQ(sphere.Vertices[0].Position, Float3(0, r, 0));
    EXPECT_EQ(sphere.Vertices[400].Position, Float3(0, -r, 0));
    EXPECT_EQ(sphere.Vertices[400].TexCoord, Float2(0, 1));
    EXPECT_EQ(Indices(sphere.Indices.begin(), sphere.Indices.begin() + 3), (Indices{0, 2, 1}));
    EXPECT_EQ(Indices(sphere.Indices.begin() + 60, sphere.Indices.begin() + 66),
              (Indices{1, 2, 22, 22, 2, 23}));
    EXPECT_EQ(Indices(sphere.Indices.end() - 3, sphere.Indices.end()), (Indices{400, 398, 399}));

    int wrong = 0;
    for (const ShapeVertex& v : sphere.Vertices)
    {
        if (std::abs(glm::length(v.Position) - r) > 1e-4f ||
            glm::length(v.Normal - v.Position / r) > 1e-5f ||
            std::abs(glm::dot(v.Tangent, v.Normal)) > 1e-5f || v.TexCoord.x < 0 || v.TexCoord.x > 1)
            ++wrong;
    }
    EXPECT_EQ(wrong, 0);
    // The last vertex of a ring repeats the first for the texture seam.
    EXPECT_NEAR(glm::length(sphere.Vertices[21].Position - sphere.Vertices[1].Position), 0, 1e-5f);
    EXPECT_EQ(sphere.Vertices[21].TexCoord.x, 1.0f);

    EXPECT_EQ(InwardTriangles(sphere), 0);
    SubdivideMesh(sphere);
    EXPECT_EQ(InwardTriangles(sphere), 0);
}

TEST(ShapeLimits, DegenerateOrOversizedRequestsThrow)
{
    EXPECT_THROW(MakeSphere(1, 2, 20), std::invalid_argument);
    EXPECT_THROW(MakeSphere(1, 20, 1), std::invalid_argument);
    EXPECT_THROW(MakeSphere(1, 5000, 5000), std::length_error);
    EXPECT_THROW(MakeBox(1, 1, 1, 40), std::length_error);
}

ShapeMesh OneTriangle()
{
    ShapeMesh mesh;
    mesh.Vertices = {{{0, 0, 0}, {0, 0, -1}, {1, 0, 0}, {0, 0}},
                     {{0, 2, 0}, {0, 0, -1}, {1, 0, 0}, {0, 1}},
                     {{2, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0}}};
    mesh.Indices = {0, 1, 2, 0, 1}; // the trailing pair makes no triangle
    return mesh;
}

TEST(SubdivideMesh, SplitsEachTriangleIntoFourWithFreshMidpoints)
{
    ShapeMesh mesh = OneTriangle();
    SubdivideMesh(mesh);
    ASSERT_EQ(mesh.Vertices.size(), 6u);
    EXPECT_EQ(mesh.Indices, (Indices{0, 3, 5, 3, 4, 5, 5, 4, 2, 3, 1, 4}));
    // v0, v1, v2, then the midpoints of v0-v1, v1-v2 and v0-v2.
    EXPECT_EQ(mesh.Vertices[3].Position, Float3(0, 1, 0));
    EXPECT_EQ(mesh.Vertices[4].Position, Float3(1, 1, 0));
    EXPECT_EQ(mesh.Vertices[5].Position, Float3(1, 0, 0));
    EXPECT_EQ(mesh.Vertices[3].TexCoord, Float2(0, 0.5f));
    EXPECT_NEAR(glm::length(mesh.Vertices[5].Normal - Float3(0, 0.70710678f, -0.70710678f)), 0,
                1e-6f);
}

TEST(SubdivideMesh, IndexWithoutAVertexThrowsAndKeepsTheMesh)
{
    ShapeMesh mesh = OneTriangle();
    mesh.Indices = {0, 1, 2, 0, 1, 3};
    EXPECT_THROW(SubdivideMesh(mesh), std::out_of_range);
    EXPECT_EQ(mesh.Vertices.size(), 3u);
    EXPECT_EQ(mesh.Indices, (Indices{0, 1, 2, 0, 1, 3}));
}

TEST(ShortIndexList, KeepsTheLowSixteenBitsAndIsMadeOnce)
{
    ShapeMesh mesh;
    mesh.Indices = {0, 65535, 65536, 70000};
    const std::vector<uint16_t> expected{0, 65535, 0, 4464};
    EXPECT_EQ(mesh.ShortIndexList(), expected);
    mesh.Indices = {1, 2, 3};
    EXPECT_EQ(mesh.ShortIndexList(), expected);
}

} // namespace
