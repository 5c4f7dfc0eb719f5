// The camera: an unattended film director. It picks one of five views at
// random, a ship at random to follow, holds the view for a fixed number of
// ticks (frames), then picks again. Chase and trail views look at a point that
// wanders slowly around the ship (up to about 28 units per axis); trail and
// cockpit views use a 50-tick memory of the followed ship's positions.
//
// Every random fraction r is randomFraction() (sim/random.h), drawn in the
// order each operation documents. Distances are world units, times are ticks.
#ifndef HALVORN_VIEW_CAMERA_H
#define HALVORN_VIEW_CAMERA_H

#include "sim/math3d.h"
#include "view/view_volume.h"

class Ship;

// View modes.
constexpr int OrbitView = -1;    // slow closed path around the origin, looking at it
constexpr int ChaseView = 0;     // ship + random offset, looking near the ship
constexpr int StillView = -2;    // fixed eye and look-at point
constexpr int TrailView = -3;    // trailing behind the ship along its path
constexpr int CockpitView = -4;  // glides in for 50 ticks, then sits in the ship

// Positions the trail remembers.
constexpr int TrailLength = 50;

class Camera {
public:
    // Orbit view for 450 ticks, no ship, zero eye, look-at and trail, then the
    // wander set-up of resetWander (nine draws).
    Camera();

    // Orbit view for 450 ticks, no ship (no draws).
    void reset();

    // Draws a view mode (chooseViewMode) and sets it up; viewFrame keeps running.
    void chooseView();

    // ship has left the world: a view of a ship marked followed is replaced
    // (chooseView), then the camera lets go of ship if it still holds it.
    void shipRemoved(const Ship& ship);

    // Draws a mode from up to three successive fractions r1, r2, r3:
    // r1 > 0.8: orbit; else r2 > 0.5: (r3 > 0.5 ? cockpit : trail);
    // else (r3 > 0.6 ? still : chase).
    static int chooseViewMode();

    // Sets up viewMode: unmarks the old ship, picks a ship (one draw), draws
    // viewOffset (x, y, z), then the mode's own set-up. A mode that needs a ship
    // becomes the orbit view when the world has none.
    void setUpView();

    // One tick at clock value t: advances the view (switching when it has run
    // its course), places the viewer, loads the view and refreshes viewVolume.
    // A chase, trail or cockpit view whose ship is gone, or a still view in an
    // empty world, shows the orbit instead; a still view whose ship was removed
    // runs on (its eye and look-at point are fixed).
    void tick(float t);

    // Moves the wander offset one step per axis (x, y, z), drawing a new leg
    // (rising, limit r * 28, rate r * 0.6) for each axis that passed its limit.
    void stepWander();

    // Fresh wander legs: rising x, y, z; limits r * 28, r * 28, r * 20; rates
    // r * 0.6, r * 0.6, r * 0.5 (nine draws in that order); offset zero.
    void resetWander();

    // Viewer position of the last tick.
    const Vector3& eyePosition() const { return eye; }

    // Look-at point of the last tick.
    const Vector3& lookAtPoint() const { return lookAt; }

    int wanderReached[3];        // axis passed its limit this step (cleared again)
    int wanderRising[3];         // 1: the axis offset is increasing
    float wanderLimit[3];        // level at which the axis leg ends
    float wanderRate[3];         // change of the axis offset per tick
    Vector3 wanderOffset;        // added to the ship's position for the look-at point
    Vector3 eye;                 // viewer position
    int trailCount;              // ticks recorded since the trail or cockpit view began
    int viewMode;                // one of the view modes
    Vector3 viewOffset;          // chase: eye offset; still: the fixed look-at point
    int viewFrame;               // ticks since the view began
    int viewDuration;            // ticks the view lasts
    float orbitAngle;            // orbit path parameter of the last tick
    Vector3 trail[TrailLength];  // followed ship's positions, newest first
    Ship* followedShip;          // the ship the view was set up for; may be null
    Vector3 lookAt;              // look-at point
    ViewVolume viewVolume;       // clip planes of the last tick

private:
    void placeOrbit(float t);
    void placeChase();
    void placeStill();
    void placeTrail();
    void placeCockpit();
    Vector3 trailMean() const;
    void shiftTrail(const Vector3& newest);
    void look(const Vector3& from, const Vector3& to, const Vector3& up);
};

// The process's camera, made by initBattleProcess(); used before that, it
// stops the program (missingStartUp).
Camera& camera();

// Replaces the camera by a newly constructed one (nine draws).
void resetCamera();

// Time parameter of the orbit view, in ticks: OrbitClockStart at program start
// and at every battle build.
extern float cameraClock;
constexpr float OrbitClockStart = 60.0f;

// The frame's camera update: identity model-view, t := cameraClock,
// cameraClock += 1, tick(t).
void cameraFrame();

#endif
