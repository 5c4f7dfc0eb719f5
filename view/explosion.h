// Explosion effect: five expanding shells of fifteen small triangles, started
// one frame apart and retired one per frame after a hold time, drawn either as
// stippled debris (style bit 4) or as blended glow with a flash sprite (style
// bit 2). An effect advances only when it is drawn: one draw() is one frame.
//
// This class keeps the effect's state and its life cycle; the painting goes
// through the Gfx seam (sim/gfx.h), which reads the public fields.
// Every random fraction r is randomFraction() (sim/random.h), in the order the
// operations below document.
#ifndef HALVORN_VIEW_EXPLOSION_H
#define HALVORN_VIEW_EXPLOSION_H

// sim/item.h embeds this class by value (the one include from sim/ into
// view/), so this header includes nothing of sim/ beyond sim/math3d.h.
#include "sim/math3d.h"

// Style bits.
constexpr int ExplosionStyleGlow = 2;
constexpr int ExplosionStyleDebris = 4;

// Shells per effect and fragments per shell.
constexpr int ExplosionShells = 5;
constexpr int ExplosionFragments = 15;

class Explosion {
public:
    // Initial state; draws one r for flashFade (r * 0.3, at least 0.06).
    Explosion();

    // Replays the shells: holdFrames := hold (frames), frame and firstShell := 0,
    // stippleIndex := trunc(r * 32); per shell in order: 15 fragment angles
    // r * 360, alpha 1, fade r * 0.5, radius 0, tilt x, y, z r * 360 (96 draws).
    // Speeds, colour, style and flash stay as they were.
    void start(int hold);

    // Each shell's growth := r * 30 + 10.5 units per frame (5 draws).
    void randomizeShellSpeeds();

    // Each shell's growth := 10.5 units per frame.
    void setShellSpeeds();

    // Draws and advances one frame; 1 while running, 0 once all shells have
    // retired (and on every later draw).
    int draw();

    int frame;                          // draws since start
    int firstShell;                     // first shell not yet retired, 0 to 5
    int stippleIndex;                   // stipple mask used last, 0 to 32
    int holdFrames;                     // frames before shells begin to retire
    int style;                          // ExplosionStyleDebris, ExplosionStyleGlow, or 0: draws nothing
    float shellSpeed[ExplosionShells];  // radius growth per frame, units
    float fragmentAngle[ExplosionShells][ExplosionFragments];  // degrees before each glow fragment
    float shellRadius[ExplosionShells];                        // units
    float shellAlpha[ExplosionShells];                         // glow opacity
    float flashAlpha;                                          // flash opacity
    float shellFade[ExplosionShells];                          // glow opacity lost per frame
    float flashFade;                                           // flash opacity lost per frame
    float flashSize;                                           // flash half-size, units
    Vector3 shellTilt[ExplosionShells];                        // turns about x, y, z, degrees
    float color[3];                                            // r, g, b; set by the owner
};

// 32 stipple masks of 32 x 32 bits (128 bytes, rows of 4 bytes), each with
// 158 to 202 scattered bits set.
extern const unsigned char StipplePatterns[32][128];

// Fragment k of shell s is FragmentTriangles[s][k]: three vertices (x, y, z),
// every coordinate within [-8, 8] units.
extern const float FragmentTriangles[ExplosionShells][ExplosionFragments][9];

#endif
