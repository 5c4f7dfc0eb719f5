#include "battle_trace.h"

#include "sim/battle.h"  // battle globals
#include "sim/random.h"  // randomState
#include "sim/ship.h"
#include "sim/shot.h"  // shotPool
#include "sim/world.h"
#include "view/camera.h"  // camera

void snapshotBattle(std::int64_t frame, TraceFrame* f) {
    f->frame = frame;
    f->rng = randomState();
    f->count = battle.TheWorld ? battle.TheWorld->count : 0;
    f->shots = shotPool().activeCount();
    f->hits = battleStats.hitsThisFrame;
    f->view = camera().viewMode;
    f->ships.clear();
    if (!battle.TheWorld) return;
    for (ShipNode* node = battle.TheWorld->head; node; node = node->next) {
        const Ship* s = node->ship;
        if (!s) continue;
        TraceShip t;
        t.side = s->sideIndex;
        t.state = s->state;
        t.x = s->position.x;
        t.y = s->position.y;
        t.z = s->position.z;
        t.qx = s->orientation.x;
        t.qy = s->orientation.y;
        t.qz = s->orientation.z;
        t.qw = s->orientation.w;
        t.maneuver = s->maneuver;
        f->ships.push_back(t);
    }
}
