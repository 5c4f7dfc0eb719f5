// Item base class; see item.h.
#include "sim/item.h"

#include "coldet.h"

Item::Item()
    : pendingMove{0.0f, 0.0f, 0.0f},
      orientation{0.0f, 0.0f, 0.0f, 1.0f},
      modelMatrix(),
      spare(0),
      position{0.0f, 0.0f, 0.0f},
      fireball(),
      flare(),
      collisionModel(nullptr) {
    quatFromAngles(orientation, 0.0f, 0.0f, 0.0f);
    matIdentity(modelMatrix);
    collisionModel = newCollisionModel3D(false);
}

Item::~Item() { delete collisionModel; }

float Item::coordinate(int i) const {
    switch (i) {
    case 0:
        return position.x;
    case 1:
        return position.y;
    case 2:
        return position.z;
    default:
        return 0.0f;
    }
}

Vector3& Item::getPosition() { return position; }

void Item::hit(int) {}

void Item::applyMove() {
    vecAdd(position, position, pendingMove);
    pendingMove = Vector3{0.0f, 0.0f, 0.0f};
    modelMatrix.m[12] = position.x;
    modelMatrix.m[13] = position.y;
    modelMatrix.m[14] = position.z;
}
