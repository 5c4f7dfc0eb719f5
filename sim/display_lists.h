// The scene's fixed display-list ids. The battle names the lists its ships and
// shots draw (sim/fleet.cpp, weapons/gun.cpp); the renderer compiles every
// list under these ids and draws the backdrop's (render/).
#ifndef HALVORN_SIM_DISPLAY_LISTS_H
#define HALVORN_SIM_DISPLAY_LISTS_H

constexpr int ListHexWingFighter = 1;          // side 0 ship, complete
constexpr int ListHexWingFighterCockpit = 2;   // side 0 ship seen from inside
constexpr int ListFourWingFighter = 3;         // side 1 ship, complete
constexpr int ListFourWingFighterCockpit = 4;  // side 1 ship seen from inside
constexpr int ListBolt = 6;                    // bolt prism, 40 long
constexpr int ListSun = 7;                     // sun square, moves light 2
constexpr int ListStarTiles = 8;               // backdrop face, 2 x 2 star tiles
constexpr int ListStarTile = 9;                // backdrop face, one star tile
constexpr int ListBeam = 10;                   // beam prism, 1800 long
constexpr int ListBindStarTexture = 14;        // binds TextureNames[1]
constexpr int ListBindSunTexture = 15;         // binds TextureNames[0]

// A ship seen from inside draws the list after its own (sim/ship.cpp).
static_assert(ListHexWingFighterCockpit == ListHexWingFighter + 1, "cockpit list must follow its ship's");
static_assert(ListFourWingFighterCockpit == ListFourWingFighter + 1, "cockpit list must follow its ship's");

#endif
