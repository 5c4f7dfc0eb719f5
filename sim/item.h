// Item: the base of everything that flies (ships and shots). It carries a
// position, an orientation, a model matrix, two explosion effects and a
// collision model.
#ifndef HALVORN_SIM_ITEM_H
#define HALVORN_SIM_ITEM_H

#include "sim/math3d.h"
// The one include from sim/ up into view/, and a forced one: every item embeds
// its two explosion effects by value, so the class must be complete here. (An
// effect's life cycle is the battle's business too: it draws from the
// generator and decides when a dying ship is finished.) view/explosion.h
// includes nothing of sim/ but sim/math3d.h, which includes nothing at all, so
// the folders' includes meet in this one pair of headers and cannot loop.
#include "view/explosion.h"

class CollisionModel3D;

class Item {
public:
    // Identity orientation and matrix, zero position, both effects constructed
    // (one random draw each: fireball, then flare), an empty collision model.
    Item();
    virtual ~Item();

    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;

    // Component i (0 x, 1 y, 2 z) of position; 0 for any other i.
    virtual float coordinate(int i) const;

    // The item's position, world units.
    virtual Vector3& getPosition();

    // Being hit: no effect on a plain item.
    virtual void hit(int value);

    // position += pendingMove; pendingMove := 0; matrix translation := position.
    void applyMove();

    Vector3 pendingMove;               // displacement gathered this frame, units
    Quaternion orientation;            // current orientation
    Matrix4 modelMatrix;               // rotation of orientation, translation = position
    int spare;                         // 0; in the documented layout, never read
    Vector3 position;                  // world position, units
    Explosion fireball;                // first explosion effect (ships only)
    Explosion flare;                   // second explosion effect (ships only)
    CollisionModel3D* collisionModel;  // owned; null only when memory ran out
};

#endif
