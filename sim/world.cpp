// The battle world; see world.h.
#include "sim/world.h"

#include <new>
#include <vector>

#include "coldet.h"
#include "sim/battle.h"
#include "sim/battle_hooks.h"
#include "sim/fleet.h"
#include "sim/intrusive_list.h"
#include "sim/near_grid.h"
#include "sim/ship.h"
#include "sim/shot.h"

namespace {

using ShipList = IntrusiveList<ShipNode, &ShipNode::next, &ShipNode::prev>;

}  // namespace

World::World() : count(0), failed(1), head(nullptr), tail(nullptr) {}

World::~World() { clear(); }

void World::build(int n) {
    clear();
    count = 0;
    failed = 1;

    ShipNode* node = new (std::nothrow) ShipNode{nullptr, nullptr, nullptr};
    if (node == nullptr) {
        return;
    }
    count = 1;
    int s = chooseSide(fleetPlacement, 0);
    node->ship = new (std::nothrow) Ship(FleetSides[s]);
    if (node->ship == nullptr) {
        delete node;
        count = 0;
        return;
    }
    ShipList::append(head, tail, node);
    failed = 0;
    placeShip(fleetPlacement, 0, *node->ship);

    // Placement index 0 again: the first ship and ship 0 of this loop share it.
    for (int i = 0; i < n; ++i) {
        node = new (std::nothrow) ShipNode{nullptr, nullptr, nullptr};
        if (node == nullptr) {
            continue;  // that placement index is skipped
        }
        s = chooseSide(fleetPlacement, i);
        node->ship = new (std::nothrow) Ship(FleetSides[s]);
        if (node->ship == nullptr) {
            delete node;
            break;  // the battle runs with the ships built so far
        }
        count += 1;
        placeShip(fleetPlacement, i, *node->ship);
        ShipList::append(head, tail, node);
    }
}

void World::clear() {
    ShipNode* node = head;
    while (node != nullptr) {
        ShipNode* next = node->next;
        delete node->ship;
        delete node;
        node = next;
    }
    head = nullptr;
    tail = nullptr;
    count = 0;
}

void World::remove(ShipNode* node) {
    count -= 1;
    ShipList::unlink(head, tail, node);

    // The node is out of the list already, so a new view cannot pick this ship.
    Ship* ship = node->ship;
    battleView().shipRemoved(*ship);
    delete ship;
    delete node;
}

void World::step() {
    ShipNode* node = head;
    while (node != nullptr) {
        ShipNode* next = node->next;
        if (node->ship->state != ShipFinished) {
            node->ship->update();
        } else {
            remove(node);
        }
        node = next;
    }
}

namespace {

HitRecorder* recorder = nullptr;

// Scratch of the indexed walks, kept between frames so that a running battle
// allocates nothing once the buffers have grown.
struct WalkScratch {
    std::vector<Ship*> ships;
    std::vector<ShotClass*> shots;
    std::vector<float> xyz;
    std::vector<int> candidates;
    NearGrid grid;
};

WalkScratch& scratch() {
    static WalkScratch s;
    return s;
}

// The near test of two alive ships and, when it passes, their collision query
// (a's matrix of this frame against b's of b's last drawing); a hit explodes both.
void testShipPair(Ship& a, Ship& b) {
    const float dx = a.position.x - b.position.x;
    const float dy = a.position.y - b.position.y;
    const float dz = a.position.z - b.position.z;
    if (!(-NearDistance < dx && dx < NearDistance && -NearDistance < dy && dy < NearDistance && -NearDistance < dz &&
          dz < NearDistance)) {
        return;
    }
    if (a.collisionModel == nullptr || b.collisionModel == nullptr) {
        return;
    }
    battleStats.testModelCalls += 1;
    if (a.collisionModel->testModel(b.collisionModel, -1, 0, nullptr)) {
        a.hit(50);
        b.hit(50);
        if (recorder != nullptr) {
            recorder->shipContact(a, b);
        }
    }
}

}  // namespace

bool World::useNearGrid = true;

void setHitRecorder(HitRecorder* r) { recorder = r; }

HitRecorder* hitRecorder() { return recorder; }

void World::drawAndCollidePlain() {
    for (ShipNode* p = head; p != nullptr; p = p->next) {
        Ship& a = *p->ship;
        a.draw();
        if (a.state != ShipAlive) {
            continue;
        }
        // A ship that explodes here goes on being tested against the rest.
        for (ShipNode* q = p->next; q != nullptr; q = q->next) {
            if (q->ship->state == ShipAlive) {
                testShipPair(a, *q->ship);
            }
        }
    }
}

void World::drawAndCollide() {
    if (!useNearGrid) {
        drawAndCollidePlain();
        return;
    }
    // Positions do not change during the walk (drawing moves nothing), so one
    // grid serves it all; liveness is looked at when each pair comes up.
    WalkScratch& w = scratch();
    w.ships.clear();
    w.xyz.clear();
    for (ShipNode* p = head; p != nullptr; p = p->next) {
        w.ships.push_back(p->ship);
        w.xyz.push_back(p->ship->position.x);
        w.xyz.push_back(p->ship->position.y);
        w.xyz.push_back(p->ship->position.z);
    }
    const int n = static_cast<int>(w.ships.size());
    w.grid.build(w.xyz.data(), n);
    for (int i = 0; i < n; ++i) {
        Ship& a = *w.ships[i];
        a.draw();
        if (a.state != ShipAlive) {
            continue;
        }
        w.grid.query(a.position.x, a.position.y, a.position.z, i, w.candidates);
        for (int j : w.candidates) {
            if (w.ships[j]->state == ShipAlive) {
                testShipPair(a, *w.ships[j]);
            }
        }
    }
}

void World::resolveShotHitsPlain() {
    int drawShots = 1;
    ShotPool& pool = shotPool();
    for (ShipNode* node = head; node != nullptr; node = node->next) {
        if (node->ship->state == ShipAlive) {
            pool.hitTest(*node->ship, drawShots);
        }
    }
}

void World::resolveShotHits() {
    if (!useNearGrid) {
        resolveShotHitsPlain();
        return;
    }
    // Only the ship under test can be hit in its turn, so the alive ships can
    // be taken up front. With none alive the shots are not even drawn.
    WalkScratch& w = scratch();
    w.ships.clear();
    for (ShipNode* node = head; node != nullptr; node = node->next) {
        if (node->ship->state == ShipAlive) {
            w.ships.push_back(node->ship);
        }
    }
    if (w.ships.empty()) {
        return;
    }
    // Drawing every shot first changes nothing the tests see: a shot's drawing
    // touches only that shot, and a test reads the shot's state after its drawing
    // in either order.
    ShotPool& pool = shotPool();
    pool.drawAll();
    w.shots.clear();
    w.xyz.clear();
    for (ShotNode* node = pool.activeHead; node != nullptr; node = node->activeNext) {
        ShotClass& shot = node->shot;
        w.shots.push_back(&shot);
        w.xyz.push_back(shot.coordinate(0));
        w.xyz.push_back(shot.coordinate(1));
        w.xyz.push_back(shot.coordinate(2));
    }
    w.grid.build(w.xyz.data(), static_cast<int>(w.shots.size()));
    for (Ship* ship : w.ships) {
        w.grid.query(ship->position.x, ship->position.y, ship->position.z, -1, w.candidates);
        for (int j : w.candidates) {
            testShotAgainstShip(*w.shots[j], j, *ship);
        }
    }
}

Ship* World::shipAt(int k) const {
    Ship* found = head != nullptr ? head->ship : nullptr;
    const ShipNode* node = head;
    for (int i = 0; i < k && node != nullptr; ++i) {
        found = node->ship;
        node = node->next;
    }
    return found;
}
