#include "TextureArt.h"

#include <algorithm>
#include <cmath>

using proc::Clamp01;
using proc::Hash;
using proc::HashUnit;
using proc::Hex;
using proc::Mix;
using proc::Rgb;
using proc::SmoothStep;
using proc::TiledFbm;

namespace
{

constexpr float Pi = 3.14159265f;

struct Texel
{
    Rgb Colour;
    float Alpha = 1.0f;
};

uint8_t ToByte(float x)
{
    return uint8_t(std::lround(Clamp01(x) * 255.0f));
}

float Fract(float x)
{
    return x - std::floor(x);
}

// Shades 2 x 2 points inside every pixel and stores their mean: hard edges
// (window frames, mortar, outlines) come out antialiased.
template <class Shade> Image Render(uint32_t size, Shade shade)
{
    constexpr int samples = 2;
    Image image(size, size);
    const float inv = 1.0f / float(size);
    const float weight = 1.0f / float(samples * samples);
    for (uint32_t y = 0; y < size; ++y)
    {
        for (uint32_t x = 0; x < size; ++x)
        {
            Rgb sum;
            float alpha = 0.0f;
            for (int sy = 0; sy < samples; ++sy)
            {
                for (int sx = 0; sx < samples; ++sx)
                {
                    const float u = (float(x) + (float(sx) + 0.5f) / float(samples)) * inv;
                    const float v = (float(y) + (float(sy) + 0.5f) / float(samples)) * inv;
                    const Texel t = shade(u, v);
                    sum = sum + t.Colour;
                    alpha += t.Alpha;
                }
            }
            sum = sum * weight;
            image.At(x, y) = {ToByte(sum.R), ToByte(sum.G), ToByte(sum.B), ToByte(alpha * weight)};
        }
    }
    return image;
}

// The point of the unit sphere that a longitude/latitude texel shows, with
// the same layout as the sphere mesh: u = longitude / 2 pi, v = colatitude / pi.
struct SpherePoint
{
    float X, Y, Z;
};

SpherePoint OnSphere(float u, float v)
{
    const float theta = u * 2.0f * Pi;
    const float phi = v * Pi;
    return {std::sin(phi) * std::cos(theta), std::cos(phi), std::sin(phi) * std::sin(theta)};
}

// --- Facades -------------------------------------------------------------

struct WindowLook
{
    bool Lit;
    float Brightness; // 0.9 to 1.2
    float Warmth;     // -1 cool to +1 warm
    float Blind;      // share of the pane covered by a blind from the top
};

WindowLook LookOfWindow(const FacadeStyle& s, int column, int floor)
{
    WindowLook look;
    look.Lit = HashUnit(column, floor, 10, s.Seed) < s.LitFraction;
    look.Brightness = 0.9f + 0.3f * HashUnit(column, floor, 11, s.Seed);
    look.Warmth = 2.0f * HashUnit(column, floor, 12, s.Seed) - 1.0f;
    const float blind = HashUnit(column, floor, 13, s.Seed);
    look.Blind = blind < 0.35f ? 0.2f + blind * 1.5f : 0.0f;
    return look;
}

// A pane, with (wx, wy) the position inside it (0..1, top left origin).
Rgb ShadePane(const FacadeStyle& s, const WindowLook& look, float wx, float wy, float u, float v)
{
    if (look.Lit)
    {
        Rgb light = s.Light * look.Brightness;
        light = Mix(light, light * Hex(0xFFD9A0), 0.4f * std::max(look.Warmth, 0.0f));
        light = Mix(light, light * Hex(0xC8DCFF), 0.4f * std::max(-look.Warmth, 0.0f));
        // Ceiling lights: brighter near the top of the room.
        light = light * (1.1f - 0.35f * wy);
        if (wy < look.Blind)
        {
            // Light shows through the slats of a lowered blind.
            const float slat = 0.5f + 0.5f * std::sin(wy * 120.0f);
            light = light * (0.78f + 0.14f * slat);
        }
        return light;
    }
    // Unlit glass mirrors the sky: lighter at the top, with a diagonal sheen.
    Rgb glass = Mix(s.Glass, s.Glass * 1.8f + Rgb{0.05f, 0.06f, 0.08f}, 0.6f * (1.0f - wy));
    const float sheen = std::exp(-std::pow((wx + wy - 0.8f) * 6.0f, 2.0f));
    glass = glass + Rgb{0.12f, 0.13f, 0.15f} * sheen;
    const float noise = TiledFbm(u * 64.0f, v * 64.0f, 64, 64, 2, s.Seed + 7);
    return glass * (0.9f + 0.2f * noise);
}

Rgb WallColour(const FacadeStyle& s, float u, float v)
{
    const float blotch = TiledFbm(u * 8.0f, v * 8.0f, 8, 8, 5, s.Seed);
    const float grain = TiledFbm(u * 128.0f, v * 128.0f, 128, 128, 2, s.Seed + 3);
    // Grime runs down the wall here and there: noise stretched vertically.
    const float streak = TiledFbm(u * 24.0f, v * 2.0f, 24, 2, 3, s.Seed + 5);
    Rgb wall = s.Wall * (0.84f + 0.24f * blotch + 0.1f * grain);
    return wall * (1.0f - 0.12f * SmoothStep(0.55f, 0.8f, streak));
}

Texel ShadeCurtainWall(const FacadeStyle& s, int column, int floor, float lx, float ly, float u,
                       float v)
{
    // Spandrel: an opaque band hiding the floor slab between two storeys.
    if (ly > 0.8f)
    {
        const float edge = std::min(ly - 0.8f, 1.0f - ly) * 40.0f;
        return {s.Trim * (0.8f + 0.2f * Clamp01(edge)), 0.7f};
    }
    // Mullions: slim vertical frames at the bay edges and a middle one.
    const float mullion = std::min({lx, 1.0f - lx, std::abs(lx - 0.5f)});
    if (mullion < 0.035f)
        return {s.Trim * 1.35f, 0.8f};
    const WindowLook look = LookOfWindow(s, column, floor);
    return {ShadePane(s, look, lx, ly / 0.8f, u, v), 1.0f};
}

Texel ShadeShopFront(const FacadeStyle& s, int column, float lx, float ly, float u, float v)
{
    const uint32_t h = Hash(column, 0, 20, s.Seed);
    static const uint32_t awnings[] = {0xA8322D, 0x2D6A4F, 0x264F8C, 0xC98B2B, 0x6B3B7A};
    if (ly < 0.12f)
        return {WallColour(s, u, v) * 0.9f, 0.55f};
    if (ly < 0.27f && lx > 0.04f && lx < 0.96f)
    {
        // Striped awning over the shop window.
        const float stripe = Fract(lx * 8.0f) < 0.5f ? 1.0f : 0.82f;
        const Rgb cloth = Hex(awnings[h % 5]) * stripe;
        return {cloth * (0.85f + 0.15f * (ly - 0.12f) / 0.15f), 0.5f};
    }
    const bool door = (h >> 8) % 3 == 0 && lx > 0.62f && lx < 0.86f && ly > 0.4f;
    if (door)
        return {Hex(0x3B2A1E) * (0.9f + 0.2f * TiledFbm(u * 64, v * 64, 64, 64, 2, s.Seed)), 0.6f};
    if (lx > 0.06f && lx < 0.94f && ly > 0.3f && ly < 0.95f)
    {
        const float wy = (ly - 0.3f) / 0.65f;
        Rgb light = Mix(Hex(0xFFE9B8), Hex(0xFFF6E0), HashUnit(column, 0, 21, s.Seed));
        return {light * (1.0f - 0.25f * wy), 1.0f};
    }
    return {s.Trim * 0.8f, 0.6f};
}

Texel ShadeFacade(const FacadeStyle& s, float u, float v)
{
    // A cornice band along the top of the face.
    if (v < 0.03f)
        return {s.Trim * (0.9f + 0.1f * SmoothStep(0.0f, 0.03f, v)), 0.6f};
    if (v < 0.038f)
        return {s.Trim * 0.45f, 0.6f}; // shadow under the cornice

    const float bx = u * float(s.Columns);
    const float by = v * float(s.Floors);
    const int column = std::min(int(bx), s.Columns - 1);
    const int floor = std::min(int(by), s.Floors - 1);
    const float lx = bx - float(column);
    const float ly = by - float(floor);

    if (s.Shops && floor == s.Floors - 1)
        return ShadeShopFront(s, column, lx, ly, u, v);
    if (s.CurtainWall)
        return ShadeCurtainWall(s, column, floor, lx, ly, u, v);

    const float x0 = 0.5f - 0.5f * s.WindowWidth;
    const float x1 = 0.5f + 0.5f * s.WindowWidth;
    const float y0 = 0.22f;
    const float y1 = y0 + s.WindowHeight;
    const float frameX = s.FrameWidth;
    const float frameY = s.FrameWidth * 0.7f;

    if (s.Pillars && (lx < 0.07f || lx > 0.93f))
    {
        const float edge = std::min(lx, 1.0f - lx) / 0.07f; // 0 at the bay edge, 1 inside
        return {s.Trim * (0.95f - 0.2f * edge), 0.55f};
    }
    if (lx >= x0 && lx < x1 && ly >= y0 && ly < y1)
    {
        const float wx = (lx - x0) / s.WindowWidth;
        const float wy = (ly - y0) / s.WindowHeight;
        if (s.Mullions && (std::abs(wx - 0.5f) < 0.035f || std::abs(wy - 0.3f) < 0.03f))
            return {s.Trim * 1.1f, 0.7f};
        const WindowLook look = LookOfWindow(s, column, floor);
        // The top of the opening casts a little shadow onto the glass.
        const float reveal = 0.75f + 0.25f * SmoothStep(0.0f, 0.08f, wy);
        return {ShadePane(s, look, wx, wy, u, v) * reveal, 1.0f};
    }
    if (frameX > 0.0f && lx >= x0 - frameX && lx < x1 + frameX && ly >= y0 - frameY &&
        ly < y1 + frameY)
        return {s.Trim, 0.7f};
    const float sillTop = y1 + frameY;
    if (s.Ledges && ly >= sillTop && ly < sillTop + 0.07f)
        return {s.Trim * (1.05f - 0.9f * (ly - sillTop)), 0.6f};
    Rgb wall = WallColour(s, u, v);
    if (s.Ledges && ly >= sillTop + 0.07f && ly < sillTop + 0.11f)
        wall = wall * 0.7f; // shadow under the ledge
    return {wall, 0.55f};
}

// --- Bricks, stone, paving, wood --------------------------------------------

Texel ShadeBricks(float u, float v)
{
    constexpr int Rows = 8;
    constexpr int Columns = 4;
    const float by = v * Rows;
    const int row = int(by);
    const float bx = u * Columns + (row % 2 ? 0.5f : 0.0f);
    const int column = int(bx) % Columns; // wraps the half brick at the seam
    const float lx = Fract(bx);
    const float ly = by - float(row);
    // Distance to the nearest joint, in texture units.
    const float edge = std::min(std::min(lx, 1.0f - lx) / Columns, std::min(ly, 1.0f - ly) / Rows);
    const float speckle = TiledFbm(u * 96.0f, v * 96.0f, 96, 96, 3, 41);
    if (edge < 0.0055f)
    {
        const float sand = TiledFbm(u * 160.0f, v * 160.0f, 160, 160, 2, 43);
        return {Hex(0xA9A292) * (0.7f + 0.35f * sand), 0.4f};
    }
    const float pick = HashUnit(column, row, 0, 40);
    Rgb brick = Mix(Hex(0x8E3B27), Hex(0xB3613F), HashUnit(column, row, 1, 40));
    if (pick < 0.12f)
        brick = Hex(0x5C2A1E); // an over-fired brick
    else if (pick > 0.92f)
        brick = Hex(0xB7805A); // a pale one
    const float bevel = SmoothStep(0.0055f, 0.012f, edge);
    const float blotch = TiledFbm(u * 12.0f, v * 12.0f, 12, 12, 3, 42);
    brick = brick * (0.78f + 0.22f * bevel) * (0.82f + 0.22f * speckle + 0.12f * blotch);
    return {brick, 0.5f};
}

Texel ShadeStone(float u, float v)
{
    constexpr int Cells = 5;
    const proc::CellSample cell = proc::TiledCells(u * Cells, v * Cells, Cells, 51);
    const float gap = cell.Second - cell.Nearest; // 0 on the border between two stones
    const float grit = TiledFbm(u * 80.0f, v * 80.0f, 80, 80, 3, 52);
    if (gap < 0.07f)
        return {Hex(0x3E3A35) * (0.7f + 0.5f * grit), 0.3f};
    const float tone = float(cell.CellId & 0xFFFF) / 65535.0f;
    const float shade = float(cell.CellId >> 16) / 65535.0f;
    Rgb stone = Mix(Hex(0x8C8781), Hex(0xA89C86), tone) * (0.8f + 0.3f * shade);
    const float veins = TiledFbm(u * 10.0f, v * 10.0f, 10, 10, 5, 53);
    const float bevel = SmoothStep(0.07f, 0.3f, gap);
    stone = stone * (0.7f + 0.3f * bevel) * (0.8f + 0.25f * grit + 0.15f * veins);
    return {stone, 0.45f};
}

Texel ShadePaving(float u, float v)
{
    // Four by four square slabs with dark joints, each slab its own tint.
    constexpr int Slabs = 4;
    const float sx = u * Slabs;
    const float sy = v * Slabs;
    const int ix = int(sx);
    const int iy = int(sy);
    const float lx = Fract(sx);
    const float ly = Fract(sy);
    const float edge = std::min(std::min(lx, 1.0f - lx), std::min(ly, 1.0f - ly)) / Slabs;
    const float grit = TiledFbm(u * 128.0f, v * 128.0f, 128, 128, 3, 61);
    if (edge < 0.004f)
        return {Hex(0x2E2C2A) * (0.8f + 0.4f * grit), 0.3f};
    Rgb slab = Mix(Hex(0x77736C), Hex(0x8D877C), HashUnit(ix, iy, 0, 60));
    if ((ix + iy) % 2)
        slab = slab * 0.93f;
    const float stains = TiledFbm(u * 6.0f, v * 6.0f, 6, 6, 5, 62);
    const float bevel = SmoothStep(0.004f, 0.01f, edge);
    slab = slab * (0.85f + 0.15f * bevel) * (0.85f + 0.18f * grit);
    slab = slab * (1.0f - 0.25f * SmoothStep(0.55f, 0.8f, stains));
    // Hairline cracks: narrow valleys of a second noise.
    const float crackField = TiledFbm(u * 10.0f, v * 10.0f, 10, 10, 4, 63);
    const float crack = 1.0f - SmoothStep(0.0f, 0.008f, std::abs(crackField - 0.5f));
    slab = slab * (1.0f - 0.25f * crack * SmoothStep(0.6f, 0.75f, stains));
    return {slab, 0.35f};
}

Texel ShadeWood(float u, float v)
{
    // Vertical boards, each with its own grain offset and one butt joint.
    constexpr int Boards = 4;
    const float bx = u * Boards;
    const int board = int(bx);
    const float lx = Fract(bx);
    const float joint = HashUnit(board, 0, 1, 70);
    const float dv = std::abs(Fract(v - joint + 0.5f) - 0.5f);
    const float seam = std::min(std::min(lx, 1.0f - lx) / Boards, dv);
    if (seam < 0.003f)
        return {Hex(0x24160C), 0.3f};
    const float warp = TiledFbm(u * 8.0f, v * 2.0f, 8, 2, 4, 71);
    const float rings =
        0.5f + 0.5f * std::sin((lx * 7.0f + warp * 5.0f + joint * 13.0f) * 2.0f * Pi);
    const float fibre = TiledFbm(u * 256.0f, v * 8.0f, 256, 8, 2, 72);
    Rgb wood = Mix(Hex(0x9A6535), Hex(0x6A3F1E), std::pow(rings, 3.0f));
    wood = wood * (0.85f + 0.25f * fibre) * (0.85f + 0.3f * HashUnit(board, 0, 2, 70));
    wood = wood * (0.8f + 0.2f * SmoothStep(0.003f, 0.008f, seam));
    return {wood, 0.5f};
}

// --- Spheres ----------------------------------------------------------------

Texel ShadePlanet(float u, float v)
{
    const SpherePoint p = OnSphere(u, v);
    // Gradient-noise sums gather around 0.5 with a spread of about 0.1:
    // the thresholds below are placed on that scale.
    const float height = proc::Fbm3(p.X * 1.6f + 5.0f, p.Y * 1.6f, p.Z * 1.6f, 7, 81);
    const float moisture = proc::Fbm3(p.X * 2.5f, p.Y * 2.5f + 9.0f, p.Z * 2.5f, 4, 82);
    constexpr float Sea = 0.5f;
    Rgb ground;
    if (height < Sea)
    {
        ground = Mix(Hex(0x0B2A5E), Hex(0x2A7DB0), SmoothStep(Sea - 0.12f, Sea, height));
    }
    else
    {
        const float e = (height - Sea) / 0.2f; // 0 at the shore, about 1 on the peaks
        ground = Mix(Hex(0x3E7030), Hex(0xBFA062), SmoothStep(0.42f, 0.6f, moisture + 0.1f * e));
        ground = Mix(ground, Hex(0x6E5E50), SmoothStep(0.45f, 0.7f, e));
        ground = Mix(ground, Hex(0xF0F0F4), SmoothStep(0.8f, 0.9f, e));
        ground = Mix(Hex(0xD8C890), ground, SmoothStep(0.0f, 0.06f, e)); // beaches
    }
    const float ice = std::abs(p.Y) + 0.6f * (moisture - 0.5f);
    ground = Mix(ground, Hex(0xE8F0F8), SmoothStep(0.88f, 0.91f, ice));
    // Clouds: stretched along the latitudes, as winds would draw them.
    const float swirl = proc::Fbm3(p.X * 2.5f + 1.5f * moisture, p.Y * 7.0f, p.Z * 2.5f, 5, 83);
    const float cloud = SmoothStep(0.55f, 0.68f, swirl);
    return {Mix(ground, Hex(0xF6F8FA), 0.8f * cloud), height < Sea ? 1.0f : 0.6f};
}

Texel ShadeMarble(float u, float v)
{
    // Marbled bands: latitude stripes folded by turbulence, in warm earth
    // colours, with dark veins where the fold changes direction.
    const SpherePoint p = OnSphere(u, v);
    const float turbulence = proc::Fbm3(p.X * 1.5f, p.Y * 1.5f, p.Z * 1.5f, 6, 91);
    const float band = p.Y * 1.6f + (turbulence - 0.5f) * 5.0f;
    static const uint32_t palette[] = {0xEFE3C8, 0xC8743C, 0x7A2E22, 0xE0B060, 0xF4EEDF, 0x9C4A2C};
    constexpr int Colours = 6;
    const float scaled = Fract(band * 0.5f) * Colours;
    const int index = int(scaled) % Colours;
    const float blend = SmoothStep(0.6f, 1.0f, scaled - float(index));
    Rgb colour = Mix(Hex(palette[index]), Hex(palette[(index + 1) % Colours]), blend);
    const float vein = 1.0f - SmoothStep(0.0f, 0.05f, std::abs(Fract(band * 1.5f) - 0.5f));
    colour = Mix(colour, Hex(0x3A1C14), 0.55f * vein);
    const float grain = proc::Fbm3(p.X * 24.0f, p.Y * 24.0f, p.Z * 24.0f, 2, 92);
    return {colour * (0.9f + 0.2f * grain), 0.9f};
}

Texel ShadeHarlequin(float u, float v)
{
    // Diamonds in longitude/latitude: 16 around, 8 from pole to pole, so they
    // are square at the equator and close in towards the caps.
    if (v < 0.07f || v > 0.93f)
    {
        const float ring = std::min(v, 1.0f - v);
        return {ring > 0.055f ? Hex(0xF2EEE4) : Hex(0xD9A43A), 1.0f};
    }
    const float a = u * 16.0f;
    const float b = v * 8.0f;
    const float d1 = a + b;
    const float d2 = a - b;
    const float line =
        std::min(std::min(Fract(d1), 1.0f - Fract(d1)), std::min(Fract(d2), 1.0f - Fract(d2)));
    if (line < 0.04f)
        return {Hex(0xF2EEE4), 1.0f};
    const bool gold = (int(std::floor(d1)) + int(std::floor(d2))) % 2 != 0;
    // Distance to the diamond's centre, for a dot in each one.
    const float cx = Fract(d1) - 0.5f;
    const float cy = Fract(d2) - 0.5f;
    if (cx * cx + cy * cy < 0.02f)
        return {gold ? Hex(0x1B2A6B) : Hex(0xC23B2E), 1.0f};
    const float sheen = 0.9f + 0.1f * std::sin(Fract(d1) * Pi);
    return {(gold ? Hex(0xD9A43A) : Hex(0x1B2A6B)) * sheen, gold ? 1.0f : 0.6f};
}

FacadeStyle MakeStyle(int index)
{
    FacadeStyle s;
    switch (index)
    {
    case 0: // sandstone offices: framed windows with sills, warm light
        s.Seed = 101;
        s.Wall = Hex(0xC2AE8C);
        s.Trim = Hex(0xE8E0D0);
        s.Glass = Hex(0x1E2A3A);
        s.Light = Hex(0xFFD27A);
        s.Columns = 4;
        s.Floors = 8;
        s.WindowWidth = 0.5f;
        s.WindowHeight = 0.5f;
        s.LitFraction = 0.45f;
        s.FrameWidth = 0.05f;
        s.Ledges = true;
        s.Shops = true;
        break;
    case 1: // red-brown apartments: paned windows, few lights
        s.Seed = 202;
        s.Wall = Hex(0x8A4A36);
        s.Trim = Hex(0xD8D2C4);
        s.Glass = Hex(0x18202C);
        s.Light = Hex(0xFFC870);
        s.Columns = 5;
        s.Floors = 10;
        s.WindowWidth = 0.46f;
        s.WindowHeight = 0.56f;
        s.LitFraction = 0.35f;
        s.FrameWidth = 0.04f;
        s.Mullions = true;
        s.Ledges = true;
        break;
    case 2: // grey concrete slab: pillars between wide windows, cool light
        s.Seed = 303;
        s.Wall = Hex(0x8E9096);
        s.Trim = Hex(0xB4B6BA);
        s.Glass = Hex(0x22344A);
        s.Light = Hex(0xFFF0C8);
        s.Columns = 4;
        s.Floors = 10;
        s.WindowWidth = 0.72f;
        s.WindowHeight = 0.56f;
        s.LitFraction = 0.55f;
        s.Pillars = true;
        s.Ledges = true;
        break;
    case 3: // painted green walls over shop fronts: small framed windows
        s.Seed = 404;
        s.Wall = Hex(0x5F8A72);
        s.Trim = Hex(0xEDE6D6);
        s.Glass = Hex(0x1A2630);
        s.Light = Hex(0xFFB65C);
        s.Columns = 4;
        s.Floors = 8;
        s.WindowWidth = 0.42f;
        s.WindowHeight = 0.52f;
        s.LitFraction = 0.3f;
        s.FrameWidth = 0.06f;
        s.Mullions = true;
        s.Shops = true;
        break;
    default: // dark glass tower: curtain wall, a lit office here and there
        s.Seed = 505;
        s.Wall = Hex(0x2A3038);
        s.Trim = Hex(0x3A4450);
        s.Glass = Hex(0x1C3550);
        s.Light = Hex(0xE6F0FF);
        s.Columns = 6;
        s.Floors = 17;
        s.LitFraction = 0.4f;
        s.CurtainWall = true;
        break;
    }
    return s;
}

} // namespace

const FacadeStyle& CityFacadeStyle(int index)
{
    static const FacadeStyle styles[] = {MakeStyle(0), MakeStyle(1), MakeStyle(2), MakeStyle(3),
                                         MakeStyle(4)};
    return styles[std::clamp(index, 0, 4)];
}

Image PaintFacade(const FacadeStyle& style, uint32_t size)
{
    return Render(size, [&style](float u, float v) { return ShadeFacade(style, u, v); });
}

Image PaintBricks(uint32_t size)
{
    return Render(size, ShadeBricks);
}
Image PaintStone(uint32_t size)
{
    return Render(size, ShadeStone);
}
Image PaintPaving(uint32_t size)
{
    return Render(size, ShadePaving);
}
Image PaintWood(uint32_t size)
{
    return Render(size, ShadeWood);
}
Image PaintPlanet(uint32_t size)
{
    return Render(size, ShadePlanet);
}
Image PaintMarble(uint32_t size)
{
    return Render(size, ShadeMarble);
}
Image PaintHarlequin(uint32_t size)
{
    return Render(size, ShadeHarlequin);
}
