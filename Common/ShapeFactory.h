// Procedural meshes in model space, centred on the origin: boxes refined by
// triangle subdivision and latitude/longitude spheres. Front faces are the
// ones whose vertices appear clockwise; the pipeline culls the others.
#pragma once

#include "MathHelpers.h"

#include <cstdint>
#include <vector>

struct ShapeVertex
{
    Float3 Position;
    Float3 Normal;
    Float3 Tangent; // unit, in the direction of increasing u
    Float2 TexCoord;
};

struct ShapeMesh
{
    std::vector<ShapeVertex> Vertices;
    std::vector<uint32_t> Indices;
    std::vector<uint16_t> ShortIndices;

    // The indices cut to their low 16 bits, made on the first call; later
    // calls return that list unchanged.
    std::vector<uint16_t>& ShortIndexList();
};

namespace ShapeFactory
{

// The most vertices one generated mesh may have. Every subdivision pass
// multiplies the triangle count by four, so a few passes too many would ask
// for more memory than any machine has; past this limit the generators throw
// std::length_error instead.
inline constexpr uint64_t MaxShapeVertices = uint64_t(1) << 20;

ShapeMesh MakeBox(float width, float height, float depth, uint32_t subdivisions);

// Needs at least 3 slices and 2 stacks (std::invalid_argument otherwise).
ShapeMesh MakeSphere(float radius, uint32_t slices, uint32_t stacks);

// Splits every complete triangle into four; trailing indices that make no
// triangle are dropped. No vertex is shared between input triangles. An index
// naming no vertex throws std::out_of_range and leaves the mesh as it was.
void SubdivideMesh(ShapeMesh& mesh);

ShapeVertex MidpointVertex(const ShapeVertex& a, const ShapeVertex& b);

} // namespace ShapeFactory
