// Guns and gun batteries; see gun.h.
#include "weapons/gun.h"

#include <cmath>
#include <new>

#include "coldet.h"
#include "sim/battle.h"
#include "sim/display_lists.h"
#include "sim/fleet.h"
#include "sim/item.h"
#include "sim/shot.h"

// --- Gun ---

Gun::Gun()
    : color(),
      mountPosition{0.0f, 0.0f, 0.0f},
      range(0.0f),
      spareValue(0.0f),
      shotSpeed(0.0f),
      shipPosition(nullptr),
      mountOrientation{0.0f, 0.0f, 0.0f, 1.0f},
      hasMountOrientation(0),
      shipOrientation(nullptr),
      shipMatrix(nullptr),
      shotList(ListBolt),
      shapeBase(40.0f),
      shapeTip(0.0f) {}

Gun::~Gun() {}

void Gun::buildShotShape(CollisionModel3D& model) {
    const float b = shapeBase;
    const float t = shapeTip;
    const float tip[3] = {t, 0.0f, 0.0f};
    const float a1[3] = {b, 0.0f, -0.6f};
    const float a2[3] = {b, 0.0f, 0.6f};
    const float b1[3] = {b, -0.6f, 0.0f};
    const float b2[3] = {b, 0.6f, 0.0f};
    model.appendTriangle(tip, a1, a2);
    model.appendTriangle(tip, b1, b2);
    model.buildTree();
}

void Gun::idle(int) {}

void Gun::setMountOrientation(float roll, float pitch, float yaw) {
    quatFromAngles(mountOrientation, yaw, pitch, roll);
    hasMountOrientation = 1;
}

int Gun::fire() {
    if (shipPosition == nullptr || shipMatrix == nullptr) {
        return 0;  // not attached to a ship: nowhere to fire from
    }
    ShotClass* shot = shotPool().acquire();
    if (shot == nullptr) {
        return 0;
    }
    shot->color[0] = color[0];
    shot->color[1] = color[1];
    shot->color[2] = color[2];
    shot->range = range;
    shot->flightSpeed = shotSpeed;

    // A shot last fired by a gun of another kind gets this kind's hull.
    if (shot->displayList != shotList) {
        CollisionModel3D* model = newCollisionModel3D(false);
        if (model == nullptr) {
            // No memory for the hull: the shot cannot be tested, so it never flies.
            shot->active = 0;
            return 0;
        }
        buildShotShape(*model);
        delete shot->collisionModel;
        shot->collisionModel = model;
        shot->displayList = shotList;
    }

    // Firing rotation: the barrel turn composed with the ship's, or the ship's own.
    Matrix4 turned;
    const Matrix4* rotation = shipMatrix;
    if (hasMountOrientation != 0 && shipOrientation != nullptr) {
        Quaternion q;
        quatCopy(q, mountOrientation);
        quatPostMultiply(q, *shipOrientation);
        matIdentity(turned);
        quatToMatrix(q, turned);
        rotation = &turned;
    }
    float* m = shot->modelMatrix.m;
    for (int col = 0; col < 3; ++col) {
        for (int row = 0; row < 3; ++row) {
            m[4 * col + row] = rotation->m[4 * col + row];
        }
    }

    Vector3 muzzle;
    matRotate(shot->modelMatrix, mountPosition, muzzle);
    vecAdd(shot->position, muzzle, *shipPosition);
    m[12] = shot->position.x;
    m[13] = shot->position.y;
    m[14] = shot->position.z;
    const Vector3 along = {shotSpeed, 0.0f, 0.0f};
    matRotate(shot->modelMatrix, along, shot->velocity);

    // Catch-up for slow frames, so that the shot does not lag behind its gun.
    if (battle.FrameTimeMicros > 38000) {
        shot->advance(battle.FrameTimeMicros);
    }
    return 1;
}

// --- BeamGun ---

BeamGun::BeamGun() { shotList = ListBeam; }

void BeamGun::buildShotShape(CollisionModel3D& model) {
    model.appendTriangle(1800.0f, 0.0f, -0.6f, 1800.0f, 0.0f, 0.6f, 0.0f, 0.0f, 0.6f);
    model.appendTriangle(1800.0f, 0.0f, -0.6f, 0.0f, 0.0f, -0.6f, 0.0f, 0.0f, 0.6f);
    model.appendTriangle(1800.0f, -0.6f, 0.0f, 0.0f, -0.6f, 0.0f, 0.0f, 0.6f, 0.0f);
    model.appendTriangle(1800.0f, -0.6f, 0.0f, 1800.0f, 0.6f, 0.0f, 0.0f, 0.6f, 0.0f);
    model.buildTree();
}

// --- GunBattery ---

GunBattery::GunBattery()
    : gunCount(0),
      reloadFrames(0),
      reloadCountdown(0),
      volleySize(1),
      fireMode(0),
      built(0),
      nextGun(0),
      volleysFired(0),
      plainGuns_(nullptr),
      beamGuns_(nullptr) {}

GunBattery::~GunBattery() { freeGuns(); }

void GunBattery::freeGuns() {
    delete[] plainGuns_;
    delete[] beamGuns_;
    plainGuns_ = nullptr;
    beamGuns_ = nullptr;
    built = 0;
}

void GunBattery::build(int count, int reload, int flags, float spare, float shotRange, const Vector3* mountPositions) {
    freeGuns();
    reloadFrames = reload;
    fireMode = flags & 3;
    gunCount = 0;
    nextGun = 0;
    if (count <= 0) {
        return;
    }
    // Kind rule: Gun when bit 2 or 4 is set or the flags are below 4, else
    // BeamGun when bit 8 is set, else no guns.
    if ((flags & 2) != 0 || (flags & 4) != 0 || flags < 4) {
        plainGuns_ = new (std::nothrow) Gun[count];
        if (plainGuns_ == nullptr) {
            return;  // no guns: the battery fires nothing
        }
    } else if ((flags & 8) != 0) {
        beamGuns_ = new (std::nothrow) BeamGun[count];
        if (beamGuns_ == nullptr) {
            return;
        }
    } else {
        return;
    }
    gunCount = count;
    built = 1;
    for (int i = 0; i < count; ++i) {
        Gun& g = gun(i);
        g.mountPosition = mountPositions != nullptr ? mountPositions[i] : Vector3{0.0f, 0.0f, 0.0f};
        g.range = shotRange;
        g.spareValue = spare;
    }
}

Gun& GunBattery::gun(int i) { return plainGuns_ != nullptr ? plainGuns_[i] : beamGuns_[i]; }

void GunBattery::setShotSpeed(float speed) {
    for (int i = 0; i < gunCount; ++i) {
        Gun& g = gun(i);
        g.shotSpeed = speed;
        g.shapeBase = 0.0f;
        // Distance flown in 33333 microseconds (one frame at 30 Hz) plus 40.
        g.shapeTip = speed * 33333.0f + 40.0f;
    }
}

void GunBattery::setColor(const float rgb[3]) {
    for (int i = 0; i < gunCount; ++i) {
        Gun& g = gun(i);
        g.color[0] = rgb[0];
        g.color[1] = rgb[1];
        g.color[2] = rgb[2];
    }
}

void GunBattery::attachToShip(const Vector3* position, const Quaternion* orientation, const Matrix4* matrix) {
    for (int i = 0; i < gunCount; ++i) {
        Gun& g = gun(i);
        g.shipPosition = position;
        g.shipOrientation = orientation;
        g.shipMatrix = matrix;
    }
}

void GunBattery::aimAt(const Vector3& point) {
    for (int i = 0; i < gunCount; ++i) {
        Gun& g = gun(i);
        Vector3 d;
        vecSub(d, point, g.mountPosition);
        if (d.x <= 0.0f) {
            continue;  // point behind the mount: keep firing along the ship's axis
        }
        const float total = static_cast<float>(std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z));
        const float flat = static_cast<float>(std::sqrt(d.x * d.x + d.z * d.z));
        float elevation = static_cast<float>(std::acos(flat / total) / 0.017453293);
        float heading = static_cast<float>(std::acos(d.x / flat) / 0.017453293);
        if (d.y > 0.0f) {
            elevation = -elevation;
        }
        if (d.z <= 0.0f) {
            heading = -heading;
        }
        g.setMountOrientation(elevation, 0.0f, heading);
    }
}

int GunBattery::update() {
    if (reloadCountdown != 0) {
        reloadCountdown -= 1;
        return BatteryKeepFiring;
    }
    if (fireMode == FireModeSequential) {
        if (gunCount > 0) {
            if (nextGun < 0 || nextGun >= gunCount) {
                nextGun = 0;
            }
            if (gun(nextGun).fire() != 0) {
                reloadCountdown = reloadFrames;
                nextGun += 1;
                volleysFired += 1;
            }
            if (nextGun >= gunCount) {
                nextGun = 0;
            }
        }
    } else if (fireMode == FireModeSalvo && gunCount > 0) {
        int launched = 0;
        for (int i = 0; i < gunCount; ++i) {
            launched += gun(i).fire();
        }
        if (launched != 0) {
            volleysFired += 1;
            reloadCountdown = reloadFrames;
        }
    }
    if (volleysFired >= volleySize) {
        volleysFired = 0;
        return BatteryStopFiring;
    }
    return BatteryKeepFiring;
}

// --- ShipGuns ---

ShipGuns::ShipGuns(GunBattery* batteries) : batteries_(batteries) {}

ShipGuns::~ShipGuns() { delete[] batteries_; }

int ShipGuns::update(int b) { return batteries_[b].update(); }

Armament* makeShipGuns(const GunBatteryRecord* records, int count, const Item& carrier) {
    GunBattery* batteries = new (std::nothrow) GunBattery[count];
    if (batteries == nullptr) {
        return nullptr;
    }
    for (int b = 0; b < count; ++b) {
        const GunBatteryRecord& r = records[b];
        GunBattery& battery = batteries[b];
        battery.build(r.gunCount, r.reloadFrames, r.flags, r.spareValue, r.range, r.mountPositions);
        battery.setShotSpeed(r.shotSpeed);
        battery.setColor(r.color);
        battery.volleySize = r.volleySize;
        battery.attachToShip(&carrier.position, &carrier.orientation, &carrier.modelMatrix);
        if (r.hasConvergence != 0) {
            battery.aimAt(r.convergencePoint);
        }
    }
    ShipGuns* guns = new (std::nothrow) ShipGuns(batteries);
    if (guns == nullptr) {
        delete[] batteries;
    }
    return guns;
}
