// The battle's start-up: what initBattleProcess() makes, and what happens when
// a part of the process state is used before it.
#include <gtest/gtest.h>

#include "battle_test_util.h"
#include "sim/shot.h"

using namespace battletest;

namespace {

// Each death test runs in a freshly started copy of this program ("threadsafe"
// style), so no earlier test has started the battle there.
class StartUpDeathTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(StartUpDeathTest, ThePoolAndTheCameraBeforeStartUpStopWithTheFix) {
    EXPECT_DEATH(shotPool(), "shotPool\\(\\) used before .*call initBattleProcess\\(\\) first");
    EXPECT_DEATH(camera(), "camera\\(\\) used before .*call initBattleProcess\\(\\) first");
}

TEST(StartUpTest, StartUpMakesThePoolAndTheCamera) {
    initBattleProcess();
    EXPECT_EQ(shotPool().size(), 1);
    EXPECT_EQ(shotPool().activeCount(), 0);
    EXPECT_EQ(camera().viewMode, OrbitView);
    EXPECT_EQ(battle.TheWorld, nullptr);
}

}  // namespace
