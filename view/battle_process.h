// The start-up of the battle core, in the top layer of it because it is the
// one place that needs every layer: it plugs the guns (weapons/) and the view
// into the simulation (sim/battle_hooks.h) and then resets the process state.
#ifndef HALVORN_VIEW_BATTLE_PROCESS_H
#define HALVORN_VIEW_BATTLE_PROCESS_H

// Installs the hooks, then resets every process-wide battle state to program
// start, in this order: the simulation's share (resetSimulation, sim/battle.h:
// the battle values with any world freed, the statistics, the fleet sides,
// generator state := 1, the shot pool, the placement cursors and the layout
// facings), then the view's: the glare table emptied, the orbit clock := 60,
// the billboard axes, and the camera. The shot pool and the camera both draw
// from the unseeded generator, the pool first. The host calls it once at
// start-up, before seeding the generator; tests call it to start clean.
// Nothing of the battle may be used before it.
void initBattleProcess();

#endif
