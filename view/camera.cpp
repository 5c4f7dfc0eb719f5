// The camera; see camera.h.
#include "view/camera.h"

#include <cmath>
#include <memory>

#include "sim/battle.h"
#include "sim/gfx.h"
#include "sim/random.h"
#include "sim/ship.h"
#include "sim/world.h"

float cameraClock = OrbitClockStart;

namespace {

std::unique_ptr<Camera> theCamera;

// Ticks each view lasts.
constexpr int OrbitStartDuration = 450;
constexpr int OrbitDuration = 350;
constexpr int ChaseDuration = 220;
constexpr int TrailDuration = 420;
constexpr int CockpitDuration = 420;

// 24.3 degrees in radians: the orbit's angle per tick.
constexpr double OrbitStep = 0.4241150082346221;

bool needsShip(int mode) { return mode != OrbitView; }

// Views whose every tick reads the followed ship. The still view reads it only
// when it is set up; after that its eye and look-at point are fixed.
bool readsShipEachTick(int mode) { return mode == ChaseView || mode == TrailView || mode == CockpitView; }

bool worldIsEmpty() { return battle.TheWorld == nullptr || battle.TheWorld->count == 0; }

}  // namespace

Camera::Camera()
    : wanderReached(),
      wanderRising(),
      wanderLimit(),
      wanderRate(),
      wanderOffset{0.0f, 0.0f, 0.0f},
      eye{0.0f, 0.0f, 0.0f},
      trailCount(0),
      viewMode(OrbitView),
      viewOffset{0.0f, 0.0f, 0.0f},
      viewFrame(0),
      viewDuration(OrbitStartDuration),
      orbitAngle(0.0f),
      trail(),
      followedShip(nullptr),
      lookAt{0.0f, 0.0f, 0.0f},
      viewVolume() {
    // Zero planes until the first tick: every sphere counts as visible.
    for (int p = 0; p < 6; ++p) {
        for (int c = 0; c < 4; ++c) {
            viewVolume.planes[p][c] = 0.0f;
        }
    }
    viewVolume.spare = 0;
    resetWander();
}

void Camera::reset() {
    viewMode = OrbitView;
    viewFrame = 0;
    followedShip = nullptr;
    viewDuration = OrbitStartDuration;
}

int Camera::chooseViewMode() {
    if (randomFraction() > 0.8) {
        return OrbitView;
    }
    if (randomFraction() > 0.5) {
        return randomFraction() > 0.5 ? CockpitView : TrailView;
    }
    return randomFraction() > 0.6 ? StillView : ChaseView;
}

void Camera::chooseView() {
    viewMode = chooseViewMode();
    setUpView();
}

void Camera::shipRemoved(const Ship& ship) {
    if ((ship.flags & ShipFlagFollowed) != 0) {
        chooseView();
    }
    if (followedShip == &ship) {
        followedShip = nullptr;
    }
}

void Camera::setUpView() {
    if (followedShip != nullptr) {
        followedShip->flags &= ~(ShipFlagFollowed | ShipFlagCockpit);
    }
    // k counts from 1; 0 and 1 both give the first ship, and k never passes the last.
    World* world = battle.TheWorld;
    const int shipCount = world != nullptr ? world->count : 0;
    const int k = static_cast<int>(randomFraction() * static_cast<float>(shipCount));
    followedShip = world != nullptr ? world->shipAt(k) : nullptr;

    viewOffset.x = randomFraction() * 500.0f - 200.0f;
    viewOffset.y = randomFraction() * 500.0f - 200.0f;
    viewOffset.z = randomFraction() * 700.0f - 300.0f;

    if (followedShip == nullptr && needsShip(viewMode)) {
        // No ship to show: the orbit view needs none.
        viewMode = OrbitView;
    }
    switch (viewMode) {
    case ChaseView:
        followedShip->flags |= ShipFlagFollowed;
        viewDuration = ChaseDuration;
        resetWander();
        break;
    case CockpitView:
        followedShip->flags |= ShipFlagFollowed;
        trailCount = 0;
        viewDuration = CockpitDuration;
        break;
    case TrailView:
        followedShip->flags |= ShipFlagFollowed;
        trailCount = 0;
        viewDuration = TrailDuration;
        resetWander();
        break;
    case StillView: {
        viewDuration = static_cast<int>(randomFraction() * 200.0f);
        const Vector3 p = followedShip->position;
        const Vector3 standOff = viewOffset;
        viewOffset = p;
        lookAt = p;
        vecAdd(eye, eye, p);
        if (eye.x == lookAt.x && eye.y == lookAt.y && eye.z == lookAt.z) {
            // The eye is still at the origin (no view has placed it yet), so
            // it would sit on the ship it looks at and the view would be
            // degenerate (a black picture). Stand off by the offset just drawn.
            vecAdd(eye, p, standOff);
        }
        break;
    }
    default:
        viewMode = OrbitView;
        lookAt = Vector3{0.0f, 0.0f, 0.0f};
        viewDuration = OrbitDuration;
        break;
    }
}

void Camera::tick(float t) {
    viewFrame += 1;
    if (viewFrame > viewDuration) {
        viewFrame = 0;
        viewMode = chooseViewMode();
        setUpView();
    }
    if (followedShip == nullptr && (readsShipEachTick(viewMode) || (viewMode == StillView && worldIsEmpty()))) {
        // The ship a view reads is gone, or the world is empty: fall back to
        // the orbit. A still view whose ship was removed runs on to its end.
        viewMode = OrbitView;
    }
    switch (viewMode) {
    case ChaseView:
        placeChase();
        break;
    case StillView:
        placeStill();
        break;
    case TrailView:
        placeTrail();
        break;
    case CockpitView:
        placeCockpit();
        break;
    default:
        placeOrbit(t);
        break;
    }
    float projection[16];
    float modelView[16];
    Gfx& g = gfx();
    g.projectionMatrix(projection);
    g.modelViewMatrix(modelView);
    viewVolume.extractPlanes(projection, modelView);
}

void Camera::look(const Vector3& from, const Vector3& to, const Vector3& up) {
    const double e[3] = {from.x, from.y, from.z};
    const double c[3] = {to.x, to.y, to.z};
    const double u[3] = {up.x, up.y, up.z};
    gfx().lookAt(e, c, u);
}

void Camera::placeOrbit(float t) {
    const float a = static_cast<float>(t * OrbitStep);
    orbitAngle = a;
    eye.x = static_cast<float>(std::cos(0.022 * a) * 390.0);
    eye.y = static_cast<float>(std::sin(0.018 * a) * 100.0);
    eye.z = static_cast<float>(std::sin(0.023 * a) * 50.0 + 300.0);
    look(eye, Vector3{0.0f, 0.0f, 0.0f}, Vector3{0.0f, 1.0f, 0.0f});
}

void Camera::placeChase() {
    const Vector3 p = followedShip->position;
    vecAdd(eye, p, viewOffset);
    vecAdd(lookAt, p, wanderOffset);
    look(eye, lookAt, Vector3{0.0f, 1.0f, 0.0f});
    stepWander();
}

void Camera::placeStill() { look(eye, viewOffset, Vector3{0.0f, 1.0f, 0.0f}); }

Vector3 Camera::trailMean() const {
    Vector3 sum = {0.0f, 0.0f, 0.0f};
    for (int i = 0; i < TrailLength; ++i) {
        vecAdd(sum, sum, trail[i]);
    }
    return Vector3{sum.x / 50.0f, sum.y / 50.0f, sum.z / 50.0f};
}

void Camera::shiftTrail(const Vector3& newest) {
    for (int i = TrailLength - 2; i >= 0; --i) {
        trail[i + 1] = trail[i];
    }
    trail[0] = newest;
}

void Camera::placeTrail() {
    const Vector3 m = trailMean();
    trailCount += 1;
    shiftTrail(followedShip->position);
    const Vector3& older = trail[trailCount - 1];
    eye = Vector3{(m.x + older.x) / 2.0f, (m.y + older.y) / 2.0f, (m.z + older.z) / 2.0f};
    if (trailCount == TrailLength) {
        trailCount = TrailLength - 1;
    }
    vecAdd(lookAt, trail[0], wanderOffset);
    look(eye, lookAt, Vector3{0.0f, 1.0f, 0.0f});
    stepWander();
}

void Camera::placeCockpit() {
    Ship& ship = *followedShip;
    const Vector3 p = ship.position;
    Vector3 newEye;
    Vector3 newLookAt;
    if (trailCount < TrailLength) {
        // The glide: from the trail's mean towards the ship.
        trailCount += 1;
        newEye = trailMean();
        newLookAt = p;
    } else {
        // In the cockpit: one unit ahead along the nose.
        newEye = p;
        Vector3 nose;
        matRotate(ship.modelMatrix, Vector3{1.0f, 0.0f, 0.0f}, nose);
        vecAdd(newLookAt, p, nose);
        ship.flags |= ShipFlagCockpit;
    }
    shiftTrail(p);
    Vector3 up;
    matRotate(ship.modelMatrix, Vector3{0.0f, 1.0f, 0.0f}, up);
    eye = newEye;
    lookAt = newLookAt;
    look(eye, lookAt, up);
}

void Camera::stepWander() {
    float* offset[3] = {&wanderOffset.x, &wanderOffset.y, &wanderOffset.z};
    for (int a = 0; a < 3; ++a) {
        float& o = *offset[a];
        if (wanderRising[a] != 0) {
            o += wanderRate[a];
            wanderReached[a] = o > wanderLimit[a] ? 1 : 0;
        } else {
            o -= wanderRate[a];
            wanderReached[a] = o < wanderLimit[a] ? 1 : 0;
        }
        if (wanderReached[a] != 0) {
            wanderReached[a] = 0;
            wanderRising[a] = randomFraction() > 0.5 ? 1 : 0;
            wanderLimit[a] = randomFraction() * 28.0f;
            wanderRate[a] = static_cast<float>(randomFraction() * 0.6);
        }
    }
}

void Camera::resetWander() {
    wanderRising[0] = randomFraction() > 0.5 ? 1 : 0;
    wanderRising[1] = randomFraction() > 0.5 ? 1 : 0;
    wanderRising[2] = randomFraction() > 0.5 ? 1 : 0;
    wanderOffset = Vector3{0.0f, 0.0f, 0.0f};
    wanderReached[0] = 0;
    wanderReached[1] = 0;
    wanderReached[2] = 0;
    wanderLimit[0] = randomFraction() * 28.0f;
    wanderLimit[1] = randomFraction() * 28.0f;
    wanderLimit[2] = randomFraction() * 20.0f;
    wanderRate[0] = static_cast<float>(randomFraction() * 0.6);
    wanderRate[1] = static_cast<float>(randomFraction() * 0.6);
    wanderRate[2] = static_cast<float>(randomFraction() * 0.5);
}

Camera& camera() {
    if (!theCamera) {
        missingStartUp("camera()");
    }
    return *theCamera;
}

void resetCamera() {
    theCamera.reset();
    theCamera.reset(new Camera());
}

void cameraFrame() {
    gfx().loadIdentity();
    const float t = cameraClock;
    cameraClock += 1.0f;
    camera().tick(t);
}
