// What the simulation asks of the layers above it. sim/ is the bottom of the
// battle core: the view (view/: the camera, the view volume, the glare table)
// sits above it and plugs in here, so that no file of sim/ has to include it.
// initBattleProcess() (view/battle_process.h) installs the hooks before it
// resets anything, so a started battle always has them; a hook used before
// start-up stops the program (missingStartUp, sim/battle.h).
#ifndef HALVORN_SIM_BATTLE_HOOKS_H
#define HALVORN_SIM_BATTLE_HOOKS_H

class Ship;

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

struct BattleHooks {
    BattleView* view;  // not owned; lives as long as the process
};

// Installs hooks (initBattleProcess does, first thing).
void installBattleHooks(const BattleHooks& hooks);

// The installed view; stops the program when none is installed yet.
BattleView& battleView();

#endif
