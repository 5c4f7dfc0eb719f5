// Shots and the shot pool; see shot.h.
#include "sim/shot.h"

#include <memory>
#include <new>

#include "coldet.h"
#include "sim/battle.h"
#include "sim/battle_hooks.h"
#include "sim/gfx.h"
#include "sim/intrusive_list.h"
#include "sim/ship.h"
#include "sim/world.h"

namespace {

// Radius of the sphere a shot is culled with, units.
constexpr float ShotViewRadius = 40.0f;

std::unique_ptr<ShotPool> thePool;

using FreeList = IntrusiveList<ShotNode, &ShotNode::freeNext, &ShotNode::freePrev>;
using ActiveList = IntrusiveList<ShotNode, &ShotNode::activeNext, &ShotNode::activePrev>;

}  // namespace

// --- ShotClass ---

ShotClass::ShotClass()
    : range(0.0f),
      spareValue(0.0f),
      active(1),
      color(),
      flightSpeed(0.0f),
      velocity{0.0f, 0.0f, 0.0f},
      age(0.0f),
      displayList(0) {}

float ShotClass::coordinate(int i) const { return i >= 0 && i < 3 ? modelMatrix.m[12 + i] : 0.0f; }

void ShotClass::hit(int) { active = 0; }

void ShotClass::draw() {
    if (collisionModel != nullptr) {
        collisionModel->setModelMatrix(modelMatrix.m);
    }
    const float* m = modelMatrix.m;
    if (battleView().sphereVisible(m[12], m[13], m[14], ShotViewRadius) != 0) {
        Gfx& g = gfx();
        g.pushMultMatrix(m);
        g.color3fv(color);
        g.callList(displayList);
        g.popMatrix();
    }
    if (age > range) {
        age = 0.0f;
        active = 0;
    }
}

void ShotClass::move() {
    age += battle.ShotAgeStep;
    const float dt = static_cast<float>(battle.FrameTimeMicros);
    modelMatrix.m[12] += dt * velocity.x;
    modelMatrix.m[13] += dt * velocity.y;
    modelMatrix.m[14] += dt * velocity.z;
}

void ShotClass::advance(int micros) {
    const float t = static_cast<float>(micros);
    age += t * flightSpeed;
    modelMatrix.m[12] += t * velocity.x;
    modelMatrix.m[13] += t * velocity.y;
    modelMatrix.m[14] += t * velocity.z;
}

// --- ShotPool ---

ShotPool::ShotPool()
    : failed(1),
      first(nullptr),
      freeTail(nullptr),
      freeHead(nullptr),
      activeTail(nullptr),
      activeHead(nullptr),
      nodeCount_(0),
      activeCount_(0) {
    ShotNode* node = new (std::nothrow) ShotNode{nullptr, nullptr, nullptr, nullptr, {}};
    if (node == nullptr) {
        return;  // failed stays 1; acquire makes nodes on demand
    }
    nodeCount_ = 1;
    failed = 0;
    first = node;
    FreeList::append(freeHead, freeTail, node);
}

ShotPool::~ShotPool() {
    ShotNode* node = activeHead;
    while (node != nullptr) {
        ShotNode* next = node->activeNext;
        delete node;
        node = next;
    }
    node = freeHead;
    while (node != nullptr) {
        ShotNode* next = node->freeNext;
        delete node;
        node = next;
    }
}

ShotClass* ShotPool::acquire() {
    ShotNode* node = freeHead;
    if (node != nullptr) {
        node->shot.active = 1;
        FreeList::unlink(freeHead, freeTail, node);
    } else {
        node = new (std::nothrow) ShotNode{nullptr, nullptr, nullptr, nullptr, {}};
        if (node == nullptr) {
            return nullptr;
        }
        nodeCount_ += 1;
    }
    ActiveList::append(activeHead, activeTail, node);
    activeCount_ += 1;
    return &node->shot;
}

void ShotPool::step() {
    ShotNode* node = activeHead;
    while (node != nullptr) {
        ShotNode* next = node->activeNext;
        node->shot.move();
        if (node->shot.active == 0) {
            // To the tail of the free list, and out of the active list.
            FreeList::append(freeHead, freeTail, node);
            ActiveList::unlink(activeHead, activeTail, node);
            activeCount_ -= 1;
        }
        node = next;
    }
}

void ShotPool::drawAll() {
    for (ShotNode* node = activeHead; node != nullptr; node = node->activeNext) {
        node->shot.draw();
    }
}

void testShotAgainstShip(ShotClass& shot, int shotIndex, Ship& ship) {
    const Vector3& p = ship.position;
    const float dx = shot.coordinate(0) - p.x;
    const float dy = shot.coordinate(1) - p.y;
    const float dz = shot.coordinate(2) - p.z;
    // The shot's active flag is not looked at: a shot that has just hit one
    // ship, or expired in this frame's drawing, still hits the ships after it.
    if (!(-NearDistance < dx && dx < NearDistance && -NearDistance < dy && dy < NearDistance && -NearDistance < dz &&
          dz < NearDistance)) {
        return;
    }
    if (shot.collisionModel == nullptr || ship.collisionModel == nullptr) {
        return;
    }
    battleStats.testModelCalls += 1;
    if (shot.collisionModel->testModel(ship.collisionModel, -1, 0, nullptr)) {
        ship.hit(static_cast<int>(shot.spareValue));
        shot.hit(ship.strength);
        if (HitRecorder* r = hitRecorder()) {
            r->shotHit(ship, shotIndex);
        }
    }
}

void ShotPool::hitTest(Ship& ship, int& drawShots) {
    const bool draw = drawShots != 0;
    drawShots = 0;
    int index = 0;
    for (ShotNode* node = activeHead; node != nullptr; node = node->activeNext, ++index) {
        if (draw) {
            node->shot.draw();
        }
        testShotAgainstShip(node->shot, index, ship);
    }
}

ShotPool& shotPool() {
    if (!thePool) {
        missingStartUp("shotPool()");
    }
    return *thePool;
}

void resetShotPool() {
    thePool.reset();
    thePool.reset(new ShotPool());
}
