// The vector and matrix operations the scene uses, on GLM.
//
// The scene works with row vectors in a left-handed, y-up system: a point is
// transformed as p × M, and A × B applies A first. A Matrix4 is stored row by
// row: m[r] is row r. GLM reads the same storage as the transposed
// column-vector matrix, so its products run the other way round; that
// reversal lives here and nowhere else. The bytes of a Matrix4 are its rows in
// order, which is what a constant record gets after MatrixTranspose.
#pragma once

#include <glm/glm.hpp>
#include <glm/mat4x4.hpp>

#include <cmath>

using Float2 = glm::vec2;
using Float3 = glm::vec3;
using Float4 = glm::vec4;
using Matrix4 = glm::mat4;

static_assert(sizeof(Float3) == 12 && sizeof(Float4) == 16 && sizeof(Matrix4) == 64,
              "records shared with the GPU rely on tightly packed math types");

inline constexpr float Pi = 3.1415927f;

// Sine and cosine of one angle, single precision.
struct SinCos
{
    float Sin;
    float Cos;
};

inline SinCos ScalarSinCos(float angle)
{
    return {std::sin(angle), std::cos(angle)};
}

// Divides by the length, summed as (x·x + y·y) + z·z. A zero vector stays
// zero rather than becoming NaN, so degenerate input cannot poison a mesh; a
// length too large for a float gives NaN in every component, never a vector
// that looks valid.
inline Float3 Normalize3(Float3 v)
{
    const float lengthSquared = (v.x * v.x + v.y * v.y) + v.z * v.z;
    if (lengthSquared == 0.0f)
        return Float3(0.0f);
    if (std::isinf(lengthSquared))
        return Float3(std::nanf(""));
    const float length = std::sqrt(lengthSquared);
    return Float3(v.x / length, v.y / length, v.z / length);
}

inline Matrix4 MatrixIdentity()
{
    return Matrix4(1.0f);
}

inline Matrix4 MatrixFromRows(Float4 r0, Float4 r1, Float4 r2, Float4 r3)
{
    return Matrix4(r0, r1, r2, r3);
}

// A × B: A is applied first.
inline Matrix4 MatrixMultiply(const Matrix4& a, const Matrix4& b)
{
    return b * a;
}

inline Matrix4 MatrixTranspose(const Matrix4& m)
{
    return glm::transpose(m);
}

inline Matrix4 MatrixInverse(const Matrix4& m)
{
    return glm::inverse(m);
}

// The row vector (p, 1) times m, without a perspective divide.
inline Float4 TransformPoint(Float3 p, const Matrix4& m)
{
    return m * Float4(p, 1.0f);
}

inline Matrix4 MatrixScaling(float x, float y, float z)
{
    return MatrixFromRows({x, 0, 0, 0}, {0, y, 0, 0}, {0, 0, z, 0}, {0, 0, 0, 1});
}

inline Matrix4 MatrixTranslation(float x, float y, float z)
{
    return MatrixFromRows({1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {x, y, z, 1});
}

inline Matrix4 MatrixRotationX(float angle)
{
    const SinCos a = ScalarSinCos(angle);
    return MatrixFromRows({1, 0, 0, 0}, {0, a.Cos, a.Sin, 0}, {0, -a.Sin, a.Cos, 0}, {0, 0, 0, 1});
}

inline Matrix4 MatrixRotationY(float angle)
{
    const SinCos a = ScalarSinCos(angle);
    return MatrixFromRows({a.Cos, 0, -a.Sin, 0}, {0, 1, 0, 0}, {a.Sin, 0, a.Cos, 0}, {0, 0, 0, 1});
}

inline Matrix4 MatrixRotationZ(float angle)
{
    const SinCos a = ScalarSinCos(angle);
    return MatrixFromRows({a.Cos, a.Sin, 0, 0}, {-a.Sin, a.Cos, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1});
}

// A view from `eye` looking along `direction`, left-handed: the direction
// becomes +z of view space.
inline Matrix4 MatrixLookToLH(Float3 eye, Float3 direction, Float3 up)
{
    const Float3 zAxis = Normalize3(direction);
    const Float3 xAxis = Normalize3(glm::cross(up, zAxis));
    const Float3 yAxis = glm::cross(zAxis, xAxis);
    return MatrixFromRows({xAxis.x, yAxis.x, zAxis.x, 0}, {xAxis.y, yAxis.y, zAxis.y, 0},
                          {xAxis.z, yAxis.z, zAxis.z, 0},
                          {-glm::dot(xAxis, eye), -glm::dot(yAxis, eye), -glm::dot(zAxis, eye), 1});
}

// A left-handed perspective projection onto depth 0 (near) to 1 (far).
inline Matrix4 MatrixPerspectiveFovLH(float fovY, float aspect, float nearZ, float farZ)
{
    const SinCos half = ScalarSinCos(0.5f * fovY);
    const float yScale = half.Cos / half.Sin;
    const float xScale = yScale / aspect;
    const float range = farZ / (farZ - nearZ);
    return MatrixFromRows({xScale, 0, 0, 0}, {0, yScale, 0, 0}, {0, 0, range, 1},
                          {0, 0, -range * nearZ, 0});
}
