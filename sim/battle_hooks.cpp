// The hooks of the layers above the simulation; see battle_hooks.h.
#include "sim/battle_hooks.h"

#include "sim/battle.h"

namespace {

BattleHooks installed = {nullptr};

}  // namespace

void installBattleHooks(const BattleHooks& hooks) {
    installed = hooks;
}

BattleView& battleView() {
    if (installed.view == nullptr) {
        missingStartUp("battleView()");
    }
    return *installed.view;
}
