// Mip chains: level counts, sizes and the box filter's rounding.
#include "Image.h"

#include <gtest/gtest.h>

namespace
{

Image Filled(uint32_t width, uint32_t height, std::initializer_list<uint8_t> reds)
{
    Image image(width, height);
    auto red = reds.begin();
    for (Rgba8& p : image.Pixels)
        p = {*red++, 10, 200, 255};
    return image;
}

TEST(MipChain, LevelCountFollowsTheLongerSide)
{
    struct Case
    {
        uint32_t Width, Height, Levels;
    };
    const Case cases[] = {{1, 1, 1}, {2, 1, 2},      {1, 7, 3},
                          {5, 3, 3}, {256, 512, 10}, {512, 512, 10}};
    for (const Case& c : cases)
        EXPECT_EQ(FullMipCount(c.Width, c.Height), c.Levels) << c.Width << " x " << c.Height;
}

TEST(MipChain, LevelsHalveDownToOnePixel)
{
    const std::vector<Image> chain = BuildMipChain(Image(8, 2));
    const std::pair<uint32_t, uint32_t> sizes[] = {{8, 2}, {4, 1}, {2, 1}, {1, 1}};
    ASSERT_EQ(chain.size(), std::size(sizes));
    for (size_t i = 0; i < chain.size(); ++i)
    {
        EXPECT_EQ(chain[i].Width, sizes[i].first);
        EXPECT_EQ(chain[i].Height, sizes[i].second);
        EXPECT_EQ(chain[i].Pixels.size(), size_t(sizes[i].first) * sizes[i].second);
    }
}

TEST(MipChain, BoxFilterAveragesWithRounding)
{
    // 2 x 2 into one pixel: the mean of 0, 0, 0, 1 rounds to 0, of 0, 1, 1, 1 to 1.
    EXPECT_EQ(Downsample(Filled(2, 2, {0, 0, 0, 1})).At(0, 0).R, 0);
    EXPECT_EQ(Downsample(Filled(2, 2, {0, 1, 1, 1})).At(0, 0).R, 1);
    EXPECT_EQ(Downsample(Filled(2, 2, {100, 200, 50, 250})).At(0, 0), (Rgba8{150, 10, 200, 255}));

    // A row of four halves along its length only.
    const Image row = Downsample(Filled(4, 1, {10, 20, 30, 50}));
    ASSERT_EQ(row.Width, 2u);
    ASSERT_EQ(row.Height, 1u);
    EXPECT_EQ(row.At(0, 0).R, 15);
    EXPECT_EQ(row.At(1, 0).R, 40);
}

TEST(MipChain, OddSidesKeepEverySourcePixel)
{
    // 3 x 3 into 1 x 1: all nine pixels count, the last row and column too.
    const Image one = Downsample(Filled(3, 3, {0, 0, 90, 0, 0, 90, 90, 90, 90}));
    ASSERT_EQ(one.Width, 1u);
    EXPECT_EQ(one.At(0, 0).R, 50);
}

} // namespace
