#include "Image.h"

#include <utility>

uint32_t FullMipCount(uint32_t width, uint32_t height)
{
    uint32_t size = width > height ? width : height;
    uint32_t count = 1;
    while (size > 1)
    {
        size /= 2;
        ++count;
    }
    return count;
}

namespace
{

// Source columns (or rows) that destination index i covers. An odd source side
// gives its last destination pixel three source pixels, so no source pixel is
// dropped; a side of 1 maps onto itself.
struct Span
{
    uint32_t First;
    uint32_t Count;
};

Span SourceSpan(uint32_t i, uint32_t sourceSize, uint32_t destSize)
{
    if (sourceSize == 1)
        return {0, 1};
    const uint32_t first = 2 * i;
    const bool last = i + 1 == destSize;
    return {first, last ? sourceSize - first : 2u};
}

} // namespace

Image Downsample(const Image& source)
{
    const uint32_t width = source.Width > 1 ? source.Width / 2 : 1;
    const uint32_t height = source.Height > 1 ? source.Height / 2 : 1;
    Image dest(width, height);
    for (uint32_t y = 0; y < height; ++y)
    {
        const Span rows = SourceSpan(y, source.Height, height);
        for (uint32_t x = 0; x < width; ++x)
        {
            const Span cols = SourceSpan(x, source.Width, width);
            uint32_t sum[4] = {};
            for (uint32_t sy = rows.First; sy < rows.First + rows.Count; ++sy)
            {
                for (uint32_t sx = cols.First; sx < cols.First + cols.Count; ++sx)
                {
                    const Rgba8& p = source.At(sx, sy);
                    sum[0] += p.R;
                    sum[1] += p.G;
                    sum[2] += p.B;
                    sum[3] += p.A;
                }
            }
            const uint32_t n = rows.Count * cols.Count;
            auto mean = [n](uint32_t s) { return uint8_t((s + n / 2) / n); };
            dest.At(x, y) = {mean(sum[0]), mean(sum[1]), mean(sum[2]), mean(sum[3])};
        }
    }
    return dest;
}

std::vector<Image> BuildMipChain(Image level0)
{
    const uint32_t count = FullMipCount(level0.Width, level0.Height);
    std::vector<Image> chain;
    chain.reserve(count);
    chain.push_back(std::move(level0));
    while (chain.size() < count)
        chain.push_back(Downsample(chain.back()));
    return chain;
}
