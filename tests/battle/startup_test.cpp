// The battle's start-up, and the hooks through which the simulation asks the
// view: what initBattleProcess() makes and installs, what happens when a part
// of it is used before, and the points at which the battle calls the view.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "battle_test_util.h"
#include "sim/battle_hooks.h"
#include "sim/shot.h"

using namespace battletest;

namespace {

// Each death test runs in a freshly started copy of this program ("threadsafe"
// style), so no earlier test has started the battle there.
class StartUpDeathTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(StartUpDeathTest, PartsUsedBeforeStartUpStopWithTheFix) {
    EXPECT_DEATH(shotPool(), "shotPool\\(\\) used before .*call initBattleProcess\\(\\) first");
    EXPECT_DEATH(camera(), "camera\\(\\) used before .*call initBattleProcess\\(\\) first");
    EXPECT_DEATH(battleView(), "battleView\\(\\) used before .*call initBattleProcess\\(\\) first");
    EXPECT_DEATH(makeArmament(nullptr, 1, Item()),
                 "makeArmament\\(\\) used before .*call initBattleProcess\\(\\) first");
}

TEST(StartUpTest, StartUpMakesThePoolAndTheCameraAndInstallsTheView) {
    initBattleProcess();
    EXPECT_EQ(shotPool().size(), 1);
    EXPECT_EQ(shotPool().activeCount(), 0);
    EXPECT_EQ(camera().viewMode, OrbitView);
    EXPECT_EQ(battle.TheWorld, nullptr);
    // The installed view answers with the camera's view volume (all zero
    // planes before the first tick: everything is visible).
    EXPECT_EQ(battleView().sphereVisible(1.0e6f, 0.0f, 0.0f, 1.0f), 1);
}

// Notes each call and what the world looked like at that moment.
struct RecordingView : BattleView {
    std::vector<std::string> calls;
    int shipsAtBuild = -1;          // ships of the old world when a build began
    bool removedShipListed = true;  // whether shipRemoved's ship was still in the list
    void battleBuildBegins() override {
        calls.push_back("build");
        shipsAtBuild = battle.TheWorld != nullptr ? battle.TheWorld->count : -1;
    }
    void chooseView() override { calls.push_back("choose"); }
    void startOrbit() override { calls.push_back("orbit"); }
    void shipRemoved(const Ship& ship) override {
        calls.push_back("removed");
        const std::vector<Ship*> ships = worldShips();
        removedShipListed = std::find(ships.begin(), ships.end(), &ship) != ships.end();
    }
    void drawingBegins() override { calls.push_back("drawing"); }
    int sphereVisible(float, float, float, float) const override {
        const_cast<RecordingView*>(this)->calls.push_back("visible");
        return 0;
    }
};

TEST(BattleViewTest, TheBattleAsksTheViewAtItsFixedPoints) {
    initBattleProcess();
    settings.reset();
    setGfx(nullptr);
    RecordingView view;
    BattleHooks hooks = battleHooks();
    hooks.view = &view;
    installBattleHooks(hooks);

    // The first build: no old world; the start view is the orbit.
    startBattle();
    EXPECT_EQ(view.calls, (std::vector<std::string>{"build", "orbit"}));
    EXPECT_EQ(view.shipsAtBuild, -1);

    // A restart: the view hears of the build while the old world still
    // stands, then gets the build's start view and the restart's new view.
    view.calls.clear();
    battle.FrameTimeMicros = 31000;
    battle.FrameCounter = BattleMaxFrames;
    simulationStep();
    EXPECT_EQ(view.calls, (std::vector<std::string>{"build", "orbit", "choose"}));
    EXPECT_EQ(view.shipsAtBuild, 13);

    // A finished ship is out of the list when the view hears of it.
    view.calls.clear();
    worldShips()[4]->state = ShipFinished;
    simulationStep();
    EXPECT_EQ(view.calls, (std::vector<std::string>{"removed"}));
    EXPECT_FALSE(view.removedShipListed);

    // The drawing walk starts with the view, then asks it about every ship
    // and every shot in flight.
    view.calls.clear();
    drawBattle();
    ASSERT_FALSE(view.calls.empty());
    EXPECT_EQ(view.calls[0], "drawing");
    EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "visible"), 12 + shotPool().activeCount());

    initBattleProcess();  // the real view again, for the tests after this one
}

}  // namespace
