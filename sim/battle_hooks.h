// What the simulation asks of the layers above it. sim/ is the bottom of the
// battle core: the guns (weapons/) and the view (view/: the camera, the view
// volume, the glare table) sit above it and plug in here, so that no file of
// sim/ has to include them.
// initBattleProcess() (view/battle_process.h) installs the hooks before it
// resets anything, so a started battle always has them; a hook used before
// start-up stops the program (missingStartUp, sim/battle.h).
#ifndef HALVORN_SIM_BATTLE_HOOKS_H
#define HALVORN_SIM_BATTLE_HOOKS_H

class Item;
class Ship;
struct GunBatteryRecord;

// What the battle asks of the view. Each call is made at one fixed point of
// the battle's order, named below; the view does its part there and returns.
class BattleView {
public:
    virtual ~BattleView() {}

    // buildBattle() begins, before the old world is thrown away: the view gets
    // ready for a new battle and lets go of every ship of the old one.
    virtual void battleBuildBegins() = 0;

    // The camera draws a new view: at the end of a build with a random start
    // view, and after the build of every restart.
    virtual void chooseView() = 0;

    // The camera goes back to its start view: at the end of a build without a
    // random start view.
    virtual void startOrbit() = 0;

    // The world's step has taken ship out of its list and is about to destroy
    // it: a view showing it is replaced, and the camera lets go of it.
    virtual void shipRemoved(const Ship& ship) = 0;

    // drawBattle() begins the frame's drawing walk.
    virtual void drawingBegins() = 0;

    // 1 when the sphere (centre x, y, z and radius, world units) can be seen
    // in this frame's view, else 0. Ships and shots are drawn only when seen.
    virtual int sphereVisible(float x, float y, float z, float radius) const = 0;
};

// A ship's gun batteries, as the ship sees them: it owns them and, for each
// battery whose fire request is up, asks for one frame of firing.
class Armament {
public:
    virtual ~Armament() {}

    // One frame of battery b's raised fire request. The ship ANDs the result
    // into the battery's trigger word: 2 keeps the request up, -3 drops it.
    virtual int update(int b) = 0;
};

// Makes the batteries of records[0] to records[count - 1] (count > 0), mounted
// on carrier's position, orientation and model matrix; null when memory runs out.
using ArmamentMaker = Armament* (*)(const GunBatteryRecord* records, int count, const Item& carrier);

struct BattleHooks {
    BattleView* view;            // not owned; lives as long as the process
    ArmamentMaker makeArmament;  // every ship's batteries
};

// Installs hooks (initBattleProcess does, first thing).
void installBattleHooks(const BattleHooks& hooks);

// The hooks installed (to replace one of them in a test).
const BattleHooks& battleHooks();

// The installed view; stops the program when none is installed yet.
BattleView& battleView();

// Runs the installed maker; stops the program when none is installed yet.
Armament* makeArmament(const GunBatteryRecord* records, int count, const Item& carrier);

#endif
