// The hooks of the layers above the simulation; see battle_hooks.h.
#include "sim/battle_hooks.h"

#include "sim/battle.h"

namespace {

BattleHooks installed = {nullptr, nullptr};

}  // namespace

void installBattleHooks(const BattleHooks& hooks) { installed = hooks; }

const BattleHooks& battleHooks() { return installed; }

BattleView& battleView() {
    if (installed.view == nullptr) {
        missingStartUp("battleView()");
    }
    return *installed.view;
}

Armament* makeArmament(const GunBatteryRecord* records, int count, const Item& carrier) {
    if (installed.makeArmament == nullptr) {
        missingStartUp("makeArmament()");
    }
    return installed.makeArmament(records, count, carrier);
}
