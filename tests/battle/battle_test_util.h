// Helpers shared by the battle tests: clean process state, controlled random
// draws, and a drawing seam that records what the battle asks it to draw.
#ifndef HALVORN_TESTS_BATTLE_TEST_UTIL_H
#define HALVORN_TESTS_BATTLE_TEST_UTIL_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "saver.h"
#include "sim/battle.h"
#include "sim/fleet.h"
#include "sim/gfx.h"
#include "sim/random.h"
#include "sim/settings.h"
#include "sim/ship.h"
#include "sim/world.h"
#include "view/battle_process.h"
#include "view/camera.h"

namespace battletest {

// Program-start state with the two sides defined but no world built.
inline void defineSides() {
    initBattleProcess();
    settings.reset();
    setGfx(nullptr);
    setUpFleetLayout();
    battle.FirstStart = 0;
    defineFirstSide();
    defineSecondSide();
}

// The test's clock, ms: each frame advances it by the frame's length.
inline std::uint32_t& testClockMs() {
    static std::uint32_t clock = 0;
    return clock;
}

// A fresh battle of 13 + extra ships from seed, started by the saver module
// with no painter (nothing drawn; the software seam keeps the matrices).
inline void startTestBattle(int extra, std::uint32_t seed) {
    setGfx(nullptr);
    SaverConfig config;
    config.settings.HVNumberAdditionalShips = extra;
    config.seed = seed;
    testClockMs() = 0;
    config.startTickMs = 0;
    saverInit(config);
}

// One whole frame of frameMs milliseconds (1 or more), run by the module as
// the programs run it: the clock moves on by frameMs and the module measures it.
inline void battleFrame(int frameMs) {
    testClockMs() += static_cast<std::uint32_t>(frameMs);
    saverDraw(testClockMs());
}

// Sets the generator to the first state (from 0 up) after which the draws made
// by `draws` return true; the generator is left in that state, ready to replay.
inline std::uint32_t seedWhere(const std::function<bool()>& draws) {
    for (std::uint32_t s = 0;; ++s) {
        randomSeed(s);
        if (draws()) {
            randomSeed(s);
            return s;
        }
    }
}

// The generator's values as fractions, starting from state s (without touching it).
inline std::vector<float> fractionsFrom(std::uint32_t s, int count) {
    std::vector<float> out;
    for (int i = 0; i < count; ++i) {
        s = s * 214013u + 2531011u;
        out.push_back(static_cast<float>((s >> 16) & 32767u) / 32767.0f);
    }
    return out;
}

// Ships of the current world in list order.
inline std::vector<Ship*> worldShips() {
    std::vector<Ship*> ships;
    if (battle.TheWorld != nullptr) {
        for (ShipNode* n = battle.TheWorld->head; n != nullptr; n = n->next) {
            ships.push_back(n->ship);
        }
    }
    return ships;
}

// Records the calls the battle makes through the seam; keeps the software
// implementation's matrices so visibility stays meaningful.
class RecordingGfx : public Gfx {
public:
    std::vector<std::string> calls;
    std::vector<int> lists;
    std::vector<std::pair<int, int>> debrisShells;  // (shell, stippleIndex at the call)
    std::vector<int> glowShells;
    int flashes = 0;

    void clearFrame() override { calls.push_back("clear"); }
    void loadIdentity() override { softwareGfx().loadIdentity(); }
    void lookAt(const double e[3], const double c[3], const double u[3]) override { softwareGfx().lookAt(e, c, u); }
    void projectionMatrix(float m[16]) override { softwareGfx().projectionMatrix(m); }
    void modelViewMatrix(float m[16]) override { softwareGfx().modelViewMatrix(m); }
    void pushMultMatrix(const float*) override { calls.push_back("pushMult"); }
    void pushMatrix() override { calls.push_back("push"); }
    void popMatrix() override { calls.push_back("pop"); }
    void rotate(float, float, float, float) override { calls.push_back("rotate"); }
    void callList(int id) override {
        calls.push_back("list");
        lists.push_back(id);
    }
    void color3fv(const float*) override { calls.push_back("color3"); }
    void color4f(float, float, float, float) override { calls.push_back("color4"); }
    void debrisBegin() override { calls.push_back("debrisBegin"); }
    void debrisShell(const Explosion& e, int shell) override {
        calls.push_back("debrisShell");
        debrisShells.emplace_back(shell, e.stippleIndex);
    }
    void debrisEnd() override { calls.push_back("debrisEnd"); }
    void glowBegin() override { calls.push_back("glowBegin"); }
    void flash(const Explosion&) override {
        calls.push_back("flash");
        ++flashes;
    }
    void glowShellsBegin() override { calls.push_back("glowShellsBegin"); }
    void glowShell(const Explosion&, int shell) override {
        calls.push_back("glowShell");
        glowShells.push_back(shell);
    }
    void glowEnd() override { calls.push_back("glowEnd"); }
    void sceneSetup() override { calls.push_back("sceneSetup"); }
    void compileLists() override { calls.push_back("compileLists"); }
};

// Installs a RecordingGfx for the life of the object.
struct ScopedGfx {
    RecordingGfx gfx;
    ScopedGfx() { setGfx(&gfx); }
    ~ScopedGfx() { setGfx(nullptr); }
};

}  // namespace battletest

#endif
