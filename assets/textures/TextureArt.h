// The procedural pictures of the city's textures. Each painter returns level 0
// of a square texture of the given side; the same side gives the same pixels
// on every run.
#pragma once

#include "Image.h"
#include "Procedural.h"

#include <cstdint>

// One building facade: a grid of floors and window columns over a wall.
// Texture coordinates run across a whole box face (u left to right, v top to
// bottom), so the grid is the building's storeys and bays.
struct FacadeStyle
{
    uint32_t Seed = 1;
    proc::Rgb Wall;             // base wall colour
    proc::Rgb Trim;             // frames, ledges, pillars and cornice
    proc::Rgb Glass;            // unlit window glass
    proc::Rgb Light;            // typical colour of a lit window
    int Columns = 4;            // window bays across the face
    int Floors = 8;             // storeys, top to bottom
    float WindowWidth = 0.6f;   // fraction of a bay
    float WindowHeight = 0.55f; // fraction of a storey
    float LitFraction = 0.4f;   // share of windows with the light on
    float FrameWidth = 0.0f;    // frame around each window, fraction of a bay (0: none)
    bool Ledges = false;        // a sill band under every storey
    bool Pillars = false;       // a pillar between bays
    bool Mullions = false;      // each window split into two panes
    bool Shops = false;         // the lowest storey is lit shop fronts and a door
    bool CurtainWall = false;   // glass over the whole face, dark spandrels between storeys
};

// The five facades of the city, in the order of the ventana textures.
const FacadeStyle& CityFacadeStyle(int index);

Image PaintFacade(const FacadeStyle& style, uint32_t size);
Image PaintBricks(uint32_t size);
Image PaintStone(uint32_t size);
Image PaintPaving(uint32_t size);
Image PaintWood(uint32_t size);
// The spheres' textures are laid out in longitude (u) and latitude (v) and
// painted from points on the unit sphere, so they have no seam or pole pinch.
Image PaintPlanet(uint32_t size);
Image PaintMarble(uint32_t size);
Image PaintHarlequin(uint32_t size);
