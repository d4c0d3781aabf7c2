// Deterministic noise and colour helpers for the texture painters. Everything
// is integer hashing plus float arithmetic, so the same inputs give the same
// bits on every run (no library random engines, whose sequences may differ
// between standard libraries).
#pragma once

#include <cstdint>

namespace proc
{

struct Rgb
{
    float R = 0.0f;
    float G = 0.0f;
    float B = 0.0f;
};

inline Rgb operator+(Rgb a, Rgb b)
{
    return {a.R + b.R, a.G + b.G, a.B + b.B};
}
inline Rgb operator*(Rgb a, float s)
{
    return {a.R * s, a.G * s, a.B * s};
}
inline Rgb operator*(Rgb a, Rgb b)
{
    return {a.R * b.R, a.G * b.G, a.B * b.B};
}

float Clamp01(float x);
float Mix(float a, float b, float t);
Rgb Mix(Rgb a, Rgb b, float t);
// Hermite step from 0 at edge0 to 1 at edge1 (either order).
float SmoothStep(float edge0, float edge1, float x);
// An 8-bit colour from hexadecimal 0xRRGGBB, as floats in [0, 1].
Rgb Hex(uint32_t rrggbb);

// A well-mixed 32-bit hash of a lattice point and a seed.
uint32_t Hash(int32_t x, int32_t y, int32_t z, uint32_t seed);
// The same hash as a float in [0, 1).
float HashUnit(int32_t x, int32_t y, int32_t z, uint32_t seed);

// Smooth value noise in [0, 1] on a lattice that repeats every periodX cells
// in x and periodY cells in y, so a texture sampling it over
// [0, periodX) x [0, periodY) tiles.
float TiledNoise(float x, float y, int32_t periodX, int32_t periodY, uint32_t seed);
// Sum of `octaves` TiledNoise layers, each twice the frequency and half the
// weight of the previous one, normalised to [0, 1]; tiles like TiledNoise.
float TiledFbm(float x, float y, int32_t periodX, int32_t periodY, int octaves, uint32_t seed);

// Smooth value noise in [0, 1] over 3D space (for spheres: no seam, no pole
// pinch when sampled at points of the sphere).
float Noise3(float x, float y, float z, uint32_t seed);
float Fbm3(float x, float y, float z, int octaves, uint32_t seed);

// Cellular noise on a jittered lattice repeating every `period` cells:
// distance to the nearest and second-nearest feature point and the hash of
// the nearest point's cell.
struct CellSample
{
    float Nearest;
    float Second;
    uint32_t CellId;
};
CellSample TiledCells(float x, float y, int32_t period, uint32_t seed);

} // namespace proc
