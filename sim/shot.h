// Shots and the process-wide shot pool. A shot flies in a straight line at
// constant velocity, expires once it has flown its range, and destroys every
// ship whose hull its own hull touches. Shots are made on demand, never freed,
// and recycled once they have hit or expired.
#ifndef HALVORN_SIM_SHOT_H
#define HALVORN_SIM_SHOT_H

#include "sim/display_lists.h"
#include "sim/item.h"

class Ship;

// Display lists of the two shot kinds (sim/display_lists.h); 0 means no hull built yet.

// Half-width of the box around a ship in which a collision query runs, units
// (the test is strict: exactly 70 away on one axis is not tested).
constexpr float NearDistance = 70.0f;

class ShotClass : public Item {
public:
    // Idle shot: active 1, no hull kind, zero velocity, range, age and colour.
    ShotClass();

    // Component i (0 x, 1 y, 2 z) of the current position (the matrix translation).
    float coordinate(int i) const override;

    // Hit a ship: active := 0 (the value is ignored).
    void hit(int value) override;

    // Refreshes the collision transform, draws when visible (radius 40), and
    // expires the shot once age > range.
    virtual void draw();

    // One frame of flight: age += ShotAgeStep, translation += FrameTimeMicros * velocity.
    virtual void move();

    // Catch-up flight of micros microseconds: age += t * flightSpeed,
    // translation += t * velocity (position is not advanced).
    void advance(int micros);

    float range;        // distance after which the shot expires, units
    float spareValue;   // never set; handed to the ship it hits, which ignores it (layout only)
    int active;         // 1 in flight; 0 once it has hit or expired
    float color[3];     // r, g, b
    float flightSpeed;  // units per microsecond
    Vector3 velocity;   // units per microsecond, world coordinates
    float age;          // distance flown so far, units
    int displayList;    // ListBolt, ListBeam, or 0
};

// A pool node: in exactly one of the two lists.
struct ShotNode {
    ShotNode* freeNext;
    ShotNode* freePrev;
    ShotNode* activeNext;
    ShotNode* activePrev;
    ShotClass shot;
};

class ShotPool {
public:
    // One node with an idle shot in the free list (the shot's construction
    // draws twice).
    ShotPool();
    // Frees every node of both lists.
    ~ShotPool();

    ShotPool(const ShotPool&) = delete;
    ShotPool& operator=(const ShotPool&) = delete;

    // An active shot appended to the active list: a recycled one, else a new
    // one; null when memory runs out.
    ShotClass* acquire();

    // Moves every shot in flight and returns finished ones to the free list tail.
    void step();

    // Draws the shots when drawShots is set (and clears it), then runs the
    // collision query of every shot within the near box of ship, in active-list
    // order; each hit explodes the ship and deactivates the shot.
    void hitTest(Ship& ship, int& drawShots);

    // Draws every shot in flight, in active-list order.
    void drawAll();

    // Shots in the active list, and nodes the pool holds in all.
    int activeCount() const { return activeCount_; }
    int size() const { return nodeCount_; }

    int failed;       // 1 when the first node could not be allocated
    ShotNode* first;  // the node made at construction
    ShotNode* freeTail;
    ShotNode* freeHead;
    ShotNode* activeTail;
    ShotNode* activeHead;

private:
    int nodeCount_;
    int activeCount_;
};

// The near test of shot against ship (strictly within 70 units on every axis)
// and, when it passes, their collision query; a hit explodes the ship and
// deactivates the shot. shotIndex is the shot's place in the active list.
void testShotAgainstShip(ShotClass& shot, int shotIndex, Ship& ship);

// The process's pool, made by initBattleProcess(); used before that, it stops
// the program (missingStartUp).
ShotPool& shotPool();

// Replaces the pool by a newly constructed one.
void resetShotPool();

#endif
