#include "Procedural.h"

#include <cmath>

namespace proc
{

float Clamp01(float x)
{
    return x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x);
}

float Mix(float a, float b, float t)
{
    return a + (b - a) * t;
}

Rgb Mix(Rgb a, Rgb b, float t)
{
    return {Mix(a.R, b.R, t), Mix(a.G, b.G, t), Mix(a.B, b.B, t)};
}

float SmoothStep(float edge0, float edge1, float x)
{
    const float t = Clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

Rgb Hex(uint32_t rrggbb)
{
    return {float((rrggbb >> 16) & 0xFF) / 255.0f, float((rrggbb >> 8) & 0xFF) / 255.0f,
            float(rrggbb & 0xFF) / 255.0f};
}

uint32_t Hash(int32_t x, int32_t y, int32_t z, uint32_t seed)
{
    // Combine the coordinates with distinct odd constants, then run a
    // 32-bit finaliser with good avalanche.
    uint32_t h = seed * 0x9E3779B9u;
    h ^= uint32_t(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= uint32_t(y) * 0xC2B2AE35u;
    h = (h << 13) | (h >> 19);
    h ^= uint32_t(z) * 0x27D4EB2Fu;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

float HashUnit(int32_t x, int32_t y, int32_t z, uint32_t seed)
{
    return float(Hash(x, y, z, seed) >> 8) * (1.0f / 16777216.0f);
}

namespace
{

float Fade(float t)
{
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

int32_t Wrap(int32_t i, int32_t period)
{
    const int32_t m = i % period;
    return m < 0 ? m + period : m;
}

} // namespace

float TiledNoise(float x, float y, int32_t periodX, int32_t periodY, uint32_t seed)
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int32_t x0 = Wrap(int32_t(fx), periodX);
    const int32_t y0 = Wrap(int32_t(fy), periodY);
    const int32_t x1 = Wrap(x0 + 1, periodX);
    const int32_t y1 = Wrap(y0 + 1, periodY);
    const float tx = Fade(x - fx);
    const float ty = Fade(y - fy);
    const float top = Mix(HashUnit(x0, y0, 0, seed), HashUnit(x1, y0, 0, seed), tx);
    const float bottom = Mix(HashUnit(x0, y1, 0, seed), HashUnit(x1, y1, 0, seed), tx);
    return Mix(top, bottom, ty);
}

float TiledFbm(float x, float y, int32_t periodX, int32_t periodY, int octaves, uint32_t seed)
{
    float sum = 0.0f;
    float weight = 1.0f;
    float total = 0.0f;
    for (int i = 0; i < octaves; ++i)
    {
        sum += weight * TiledNoise(x, y, periodX, periodY, seed + uint32_t(i) * 101u);
        total += weight;
        x *= 2.0f;
        y *= 2.0f;
        periodX *= 2;
        periodY *= 2;
        weight *= 0.5f;
    }
    return sum / total;
}

float Noise3(float x, float y, float z, uint32_t seed)
{
    // Gradient noise: a hashed gradient at each lattice corner, blended with
    // the quintic fade. Unlike value noise it shows no blocky lattice, which
    // matters on the spheres' large, smooth shapes.
    static const float gradients[12][3] = {{1, 1, 0}, {-1, 1, 0}, {1, -1, 0}, {-1, -1, 0},
                                           {1, 0, 1}, {-1, 0, 1}, {1, 0, -1}, {-1, 0, -1},
                                           {0, 1, 1}, {0, -1, 1}, {0, 1, -1}, {0, -1, -1}};
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const float fz = std::floor(z);
    const int32_t ix = int32_t(fx);
    const int32_t iy = int32_t(fy);
    const int32_t iz = int32_t(fz);
    const float rx = x - fx;
    const float ry = y - fy;
    const float rz = z - fz;
    auto corner = [&](int dx, int dy, int dz)
    {
        const float* g = gradients[Hash(ix + dx, iy + dy, iz + dz, seed) % 12];
        return g[0] * (rx - float(dx)) + g[1] * (ry - float(dy)) + g[2] * (rz - float(dz));
    };
    const float tx = Fade(rx);
    const float ty = Fade(ry);
    const float tz = Fade(rz);
    const float near = Mix(Mix(corner(0, 0, 0), corner(1, 0, 0), tx),
                           Mix(corner(0, 1, 0), corner(1, 1, 0), tx), ty);
    const float far = Mix(Mix(corner(0, 0, 1), corner(1, 0, 1), tx),
                          Mix(corner(0, 1, 1), corner(1, 1, 1), tx), ty);
    return Clamp01(0.5f + 0.5f * Mix(near, far, tz));
}

float Fbm3(float x, float y, float z, int octaves, uint32_t seed)
{
    float sum = 0.0f;
    float weight = 1.0f;
    float total = 0.0f;
    for (int i = 0; i < octaves; ++i)
    {
        sum += weight * Noise3(x, y, z, seed + uint32_t(i) * 101u);
        total += weight;
        // Turn the coordinates between octaves so their lattices never line
        // up, then double the frequency.
        const float rx = 0.8f * x + 0.36f * y - 0.48f * z;
        const float ry = -0.6f * x + 0.48f * y - 0.64f * z;
        const float rz = 0.0f * x + 0.8f * y + 0.6f * z;
        x = 2.0f * rx;
        y = 2.0f * ry;
        z = 2.0f * rz;
        weight *= 0.5f;
    }
    return sum / total;
}

CellSample TiledCells(float x, float y, int32_t period, uint32_t seed)
{
    const int32_t cx = int32_t(std::floor(x));
    const int32_t cy = int32_t(std::floor(y));
    CellSample best{1e9f, 1e9f, 0};
    for (int32_t dy = -1; dy <= 1; ++dy)
    {
        for (int32_t dx = -1; dx <= 1; ++dx)
        {
            // The feature point of a cell depends only on the wrapped cell,
            // so neighbours across the texture edge see the same points.
            const int32_t wx = Wrap(cx + dx, period);
            const int32_t wy = Wrap(cy + dy, period);
            const float px = float(cx + dx) + 0.15f + 0.7f * HashUnit(wx, wy, 1, seed);
            const float py = float(cy + dy) + 0.15f + 0.7f * HashUnit(wx, wy, 2, seed);
            const float d = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
            if (d < best.Nearest)
            {
                best.Second = best.Nearest;
                best.Nearest = d;
                best.CellId = Hash(wx, wy, 3, seed);
            }
            else if (d < best.Second)
            {
                best.Second = d;
            }
        }
    }
    return best;
}

} // namespace proc
