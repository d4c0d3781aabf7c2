// The row-vector convention: product order, rotation senses and storage,
// which the scene's transforms and the constant records depend on.
#include "MathHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace
{

TEST(MathHelpers, ProductsApplyTheLeftMatrixFirstAndRotationsAreLeftHanded)
{
    const float quarter = 0.5f * Pi;
    const struct
    {
        const char* Name;
        Matrix4 M;
        Float3 From, To;
    } cases[] = {
        {"scale, then move",
         MatrixMultiply(MatrixScaling(2, 2, 2), MatrixTranslation(0, 1, 0)),
         {0.5f, 0.5f, 0.5f},
         {1, 2, 1}},
        {"move, then scale",
         MatrixMultiply(MatrixTranslation(0, 1, 0), MatrixScaling(2, 2, 2)),
         {0.5f, 0.5f, 0.5f},
         {1, 3, 1}},
        {"x turns y to z", MatrixRotationX(quarter), {0, 1, 0}, {0, 0, 1}},
        {"y turns z to x", MatrixRotationY(quarter), {0, 0, 1}, {1, 0, 0}},
        {"z turns x to y", MatrixRotationZ(quarter), {1, 0, 0}, {0, 1, 0}},
        {"inverse undoes",
         MatrixInverse(MatrixMultiply(MatrixRotationY(0.7f), MatrixTranslation(5, -6, 7))),
         {5, -6, 7},
         {0, 0, 0}},
    };
    for (const auto& c : cases)
    {
        const Float4 p = TransformPoint(c.From, c.M);
        EXPECT_NEAR(glm::length(Float3(p) - c.To), 0.0f, 1e-5f) << c.Name;
    }
}

TEST(MathHelpers, RowsAreStoredInOrderAndTransposeMovesTranslationToTheLastColumn)
{
    float bytes[16];
    const Matrix4 m = MatrixTranslation(7, 8, 9);
    std::memcpy(bytes, &m, sizeof bytes);
    EXPECT_EQ(Float3(bytes[12], bytes[13], bytes[14]), Float3(7, 8, 9));

    const Matrix4 t = MatrixTranspose(m);
    std::memcpy(bytes, &t, sizeof bytes);
    EXPECT_EQ(Float3(bytes[3], bytes[7], bytes[11]), Float3(7, 8, 9));
    EXPECT_EQ(bytes[12], 0.0f);
}

TEST(MathHelpers, NormaliseKeepsZeroAndTurnsOverflowIntoNaN)
{
    EXPECT_EQ(Normalize3({3, 0, 4}), Float3(0.6f, 0, 0.8f));
    EXPECT_EQ(Normalize3({0, 0, 0}), Float3(0, 0, 0));
    for (const Float3 huge : {Float3(INFINITY, 1, 1), Float3(1e20f, 1, 1)})
    {
        const Float3 n = Normalize3(huge);
        EXPECT_TRUE(std::isnan(n.x) && std::isnan(n.y) && std::isnan(n.z));
    }
}

} // namespace
