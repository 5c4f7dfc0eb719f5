// The battle core's start-up; see battle_process.h.
#include "view/battle_process.h"

#include "sim/battle.h"
#include "sim/battle_hooks.h"
#include "view/camera.h"
#include "view/glare.h"
#include "view/view_volume.h"
#include "weapons/gun.h"

namespace {

// The view's side of sim/battle_hooks.h: the camera, the glare table and the
// view volume.
class CameraView : public BattleView {
public:
    void battleBuildBegins() override {
        buildGlareTable();
        cameraClock = OrbitClockStart;
        camera().followedShip = nullptr;
    }

    void chooseView() override { camera().chooseView(); }

    void startOrbit() override { camera().reset(); }

    void shipRemoved(const Ship& ship) override { camera().shipRemoved(ship); }

    void drawingBegins() override { readViewAxes(); }

    int sphereVisible(float x, float y, float z, float radius) const override {
        return camera().viewVolume.sphereVisible(x, y, z, radius);
    }
};

CameraView theView;

}  // namespace

void initBattleProcess() {
    installBattleHooks(BattleHooks{&theView, &makeShipGuns});
    // The world goes first (in resetSimulation): its ships may be referred to
    // by the old camera, which is replaced last.
    resetSimulation();
    GlareCount = 0;
    cameraClock = OrbitClockStart;
    viewRight = Vector3{1.0f, 0.0f, 0.0f};
    viewUp = Vector3{0.0f, 1.0f, 0.0f};
    resetCamera();
}
