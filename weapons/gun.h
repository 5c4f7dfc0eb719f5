// Guns and gun batteries. A battery is a row of guns of one kind that fire
// together (salvo) or one after the other (sequential) while the ship's fire
// request is raised; it drops the request after a fixed number of volleys.
// Firing takes a shot from the shot pool, places it at the muzzle and sends it
// along the barrel. Guns never track targets: a barrel is fixed to its ship,
// along +x or turned once towards a convergence point.
//
// Units: positions in ship coordinates (world units), speeds in units per
// microsecond, angles in degrees, times in frames.
#ifndef HALVORN_WEAPONS_GUN_H
#define HALVORN_WEAPONS_GUN_H

#include "sim/battle_hooks.h"
#include "sim/math3d.h"

class CollisionModel3D;
class Item;
struct GunBatteryRecord;

// Battery fire modes (flags & 3); 0 and 3 never fire.
constexpr int FireModeSequential = 1;
constexpr int FireModeSalvo = 2;

// Battery flag bits selecting the gun kind.
constexpr int BatteryFlagGun = 4;
constexpr int BatteryFlagBeam = 8;

// Results of GunBattery::update, ANDed into the ship's trigger word.
constexpr int BatteryKeepFiring = 2;
constexpr int BatteryStopFiring = -3;

class Gun {
public:
    // Colour, mount, range, speed and tip 0, base 40, no mount orientation.
    Gun();
    virtual ~Gun();

    Gun(const Gun&) = delete;
    Gun& operator=(const Gun&) = delete;

    // Fills model with this kind's shot hull (two crossed thin triangles from
    // x = shapeBase to x = shapeTip) and builds its tree.
    virtual void buildShotShape(CollisionModel3D& model);

    // Does nothing. It stays for its place in the class's documented virtual
    // interface (between buildShotShape and fire); nothing calls it.
    virtual void idle(int value);

    // Launches one shot from the pool; 1 when launched, 0 when the pool gave none.
    virtual int fire();

    // Turns the barrel: mountOrientation := quatFromAngles(yaw, pitch, roll).
    void setMountOrientation(float roll, float pitch, float yaw);

    float color[3];                     // shot colour
    Vector3 mountPosition;              // muzzle, ship coordinates
    float range;                        // copied to each shot, units
    float spareValue;                   // copied from the record; documented layout, never read
    float shotSpeed;                    // units per microsecond
    const Vector3* shipPosition;        // the owning ship's position
    Quaternion mountOrientation;        // barrel turn relative to the ship
    int hasMountOrientation;            // 1 when mountOrientation is set
    const Quaternion* shipOrientation;  // the owning ship's orientation
    const Matrix4* shipMatrix;          // the owning ship's model matrix
    int shotList;                       // display list of the shot; also its hull tag
    float shapeBase;                    // x of the shot hull's base, units
    float shapeTip;                     // x of the shot hull's tip, units
};

class BeamGun : public Gun {
public:
    BeamGun();

    // Two crossed rectangles 1800 long and 1.2 wide along +x.
    void buildShotShape(CollisionModel3D& model) override;
};

class GunBattery {
public:
    // No guns, volley size 1, idle.
    GunBattery();
    ~GunBattery();

    GunBattery(const GunBattery&) = delete;
    GunBattery& operator=(const GunBattery&) = delete;

    // Sets the fields, fireMode := flags & 3, and makes gunCount guns of the kind
    // the flags select (none when they select no kind); gun i gets mount i.
    void build(int gunCount, int reloadFrames, int flags, float spareValue, float range, const Vector3* mountPositions);

    // Every gun: shotSpeed := speed, hull from x = 0 to speed * 33333 + 40.
    void setShotSpeed(float speed);

    // Every gun's shot colour := rgb.
    void setColor(const float rgb[3]);

    // Every gun keeps the owning ship's position, orientation and model matrix.
    void attachToShip(const Vector3* position, const Quaternion* orientation, const Matrix4* matrix);

    // Turns every gun whose mount lies behind point (in x) towards point.
    void aimAt(const Vector3& point);

    // One frame of a raised fire request: BatteryKeepFiring or BatteryStopFiring.
    int update();

    // Gun i, 0 <= i < gunCount.
    Gun& gun(int i);

    int gunCount;         // guns built
    int reloadFrames;     // frames to wait after a volley
    int reloadCountdown;  // frames still to wait
    int volleySize;       // volleys before the request is dropped
    int fireMode;         // flags & 3
    int built;            // 1 once the guns exist
    int nextGun;          // gun to fire next (sequential mode)
    int volleysFired;     // volleys since the request was raised

private:
    void freeGuns();
    Gun* plainGuns_;     // owned array when the guns are Gun
    BeamGun* beamGuns_;  // owned array when the guns are BeamGun
};

// The gun batteries of one ship: what a ship knows of its guns (Armament,
// sim/battle_hooks.h), made by makeShipGuns.
class ShipGuns : public Armament {
public:
    // Takes batteries, an array made with new[], over.
    explicit ShipGuns(GunBattery* batteries);
    ~ShipGuns() override;

    ShipGuns(const ShipGuns&) = delete;
    ShipGuns& operator=(const ShipGuns&) = delete;

    // batteries[b].update().
    int update(int b) override;

    // Battery b, 0 <= b < the count it was made with.
    GunBattery& battery(int b) { return batteries_[b]; }

private:
    GunBattery* batteries_;  // owned array
};

// The ArmamentMaker of weapons/ (installed by initBattleProcess): count
// batteries, each set up from its record in this order: guns (kind, reload,
// fire mode, range, mounts), shot speed, colour, volley size, the ship's
// position, orientation and matrix, then the aim at the convergence point
// when the record has one.
Armament* makeShipGuns(const GunBatteryRecord* records, int count, const Item& carrier);

#endif
